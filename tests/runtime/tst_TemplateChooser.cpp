#include "runtime/TemplateChooser.h"

#include "TestFiles.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace corv;

namespace
{

QByteArray templateFor(const QByteArray& apps)
{
    return "[GLOBAL]\nMODE_SWITCH_BUTTON=\nMODE1NAME=A\nMODES=1\n" +
           (apps.isNull() ? QByteArray() : "APPS=" + apps + "\n");
}

} // namespace

class tst_TemplateChooser : public QObject
{
    Q_OBJECT

private slots:
    void chooses_data();
    void chooses();
    void followsTheFolder();
};

void tst_TemplateChooser::chooses_data()
{
    QTest::addColumn<QStringList>("files"); // name=APPS, or name alone for none
    QTest::addColumn<QString>("window");    // instance/class/title
    QTest::addColumn<QString>("chosen");

    const QStringList two = {"b-term.joy=xterm", "a-hack.joy=title:nethack"};
    QTest::newRow("by class") << two << "xterm/XTerm/bash"
                              << "b-term.joy";
    // Both match: the first by name.
    QTest::newRow("by title, first by name") << two << "xterm/XTerm/NetHack"
                                             << "a-hack.joy";
    QTest::newRow("none, no default") << two << "gimp/Gimp/GIMP"
                                      << "";
    QTest::newRow("none, the default") << two + QStringList{"default.joy"} << "gimp/Gimp/GIMP"
                                       << "default.joy";
    // A template without APPS is for no program in particular.
    QTest::newRow("without APPS") << QStringList{"any.joy"} << "xterm/XTerm/bash"
                                  << "";
    QTest::newRow("not a template is left out")
        << QStringList{"a.joy=!", "b.joy=xterm"} << "xterm/XTerm/bash"
        << "b.joy";
    QTest::newRow("no focused window") << two + QStringList{"default.joy"} << "//"
                                       << "default.joy";
}

void tst_TemplateChooser::chooses()
{
    QFETCH(QStringList, files);
    QFETCH(QString, window);
    QFETCH(QString, chosen);

    QTemporaryDir dir;
    for (const QString& file : files) {
        const QString name = file.section(u'=', 0, 0);
        const QByteArray apps = file.contains(u'=') ? file.section(u'=', 1).toUtf8() : QByteArray();
        corv::test::writeFile(dir.filePath(name),
                              apps == "!" ? "not a template\n" : templateFor(apps));
    }
    if (files.contains(QStringLiteral("a.joy=!")))
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("a.joy.*; skipped$"));
    TemplateChooser chooser(dir.path());
    QVERIFY(chooser.Scan());
    const QStringList w = window.split(u'/');
    QCOMPARE(chooser.Choose(w[0], w[1], w[2]), chosen.isEmpty() ? QString() : dir.filePath(chosen));
}

// Added, changed and removed templates are read again by themselves; a
// template that does not load is told once, not on every rescan.
void tst_TemplateChooser::followsTheFolder()
{
    QTemporaryDir top;
    const QString folder = top.filePath(QStringLiteral("new/templates"));
    TemplateChooser chooser(folder);
    QVERIFY(chooser.Scan()); // created
    QSignalSpy changed(&chooser, &TemplateChooser::TemplatesChanged);
    const QString term = folder + QStringLiteral("/term.joy");

    corv::test::writeFile(term, templateFor("xterm"));
    QTRY_COMPARE(chooser.Choose("xterm", "XTerm", ""), term);
    corv::test::writeFile(term, templateFor("urxvt"));
    QTRY_COMPARE(chooser.Choose("xterm", "XTerm", ""), QString());
    QCOMPARE(chooser.Choose("urxvt", "URxvt", ""), term);

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("broken.joy.*; skipped$"));
    corv::test::writeFile(folder + QStringLiteral("/broken.joy"), "text\n");
    corv::test::writeFile(folder + QStringLiteral("/default.joy"), templateFor({}));
    QTRY_COMPARE(chooser.Choose("xterm", "XTerm", ""), folder + QStringLiteral("/default.joy"));
    QVERIFY(chooser.Scan()); // told once: a second warning would fail the test
    QCOMPARE(chooser.Count(), 2);

    QVERIFY(QFile::remove(term));
    QTRY_COMPARE(chooser.Choose("urxvt", "URxvt", ""), folder + QStringLiteral("/default.joy"));
    QVERIFY(changed.count() >= 4);
}

QTEST_GUILESS_MAIN(tst_TemplateChooser)
#include "tst_TemplateChooser.moc"
