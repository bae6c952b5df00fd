#include "TestFiles.h"
#include "editor/Manual.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace corv::editor;

class tst_Manual : public QObject
{
    Q_OBJECT
private slots:
    void foundBesideTheProgram();
    void selfContained();
};

void tst_Manual::foundBesideTheProgram()
{
    // The build tree has the installed layout: editor/corvedit, share/doc/...
    const QString build = qEnvironmentVariable("CORV_BINARY_DIR");
    const QUrl url = ManualUrl(build + QStringLiteral("/editor"));
    QVERIFY(url.isLocalFile());
    QCOMPARE(url.toLocalFile(),
             QDir(build + QStringLiteral("/share/doc/corvane/manual/index.html")).canonicalPath());

    QTemporaryDir elsewhere;
    QVERIFY(ManualUrl(elsewhere.path()).isEmpty());
}

void tst_Manual::selfContained()
{
    const QDir manual(corv::test::sourceFile(QStringLiteral("docs/manual")));
    const QString html =
        QString::fromUtf8(corv::test::readFile(manual.filePath(QStringLiteral("index.html"))));
    QVERIFY(!html.isEmpty());

    // Everything it loads ships with it, and every link inside it leads somewhere.
    static const QRegularExpression attribute(QStringLiteral("(src|href)=\"([^\"]*)\""));
    for (auto it = attribute.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        const QString target = m.captured(2);
        if (target.startsWith(u'#')) {
            QVERIFY2(html.contains(QStringLiteral("id=\"%1\"").arg(target.mid(1))),
                     qPrintable(target));
        } else if (m.captured(1) == u"src" || !target.contains(u':')) {
            QVERIFY2(manual.exists(target), qPrintable(target));
        }
    }
}

QTEST_GUILESS_MAIN(tst_Manual)
#include "tst_Manual.moc"
