#include "SummaryPrinter.h"

#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

using namespace corv::editor;

class tst_SummaryPrinter : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void printsLinesWithTabsAt30();
    void failureIsReturned();
};

void tst_SummaryPrinter::printsLinesWithTabsAt30()
{
    const QStringList lines{"Flight", "", "Trigger\tFire guns  -  REPEAT",
                            "A description of exactly 30 c\tGear", "Responsivness:\tNormal"};
    const QString pdf = m_dir.filePath(QStringLiteral("summary.pdf"));
    QCOMPARE(PrintSummary(lines, pdf), QString());

    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitCode(), 0);
    static const QRegularExpression word(QStringLiteral(
        "<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\"[^>]*>([^<]*)</word>"));
    // The printed rows, top to bottom, as (y, words with their left edges).
    QMap<double, QList<QPair<double, QString>>> rows;
    double charWidth = 0;
    for (auto it = word.globalMatch(QString::fromUtf8(p.readAllStandardOutput())); it.hasNext();) {
        const auto m = it.next();
        rows[m.captured(2).toDouble()].append({m.captured(1).toDouble(), m.captured(4)});
        if (m.captured(4) == u"Trigger")
            charWidth = (m.captured(3).toDouble() - m.captured(1).toDouble()) / 7;
    }
    QStringList printed;
    for (const auto& row : rows) {
        QStringList words;
        for (const auto& w : row)
            words << w.second;
        printed << words.join(u' ');
    }
    QCOMPARE(printed, QStringList({"Flight", "Trigger Fire guns - REPEAT",
                                   "A description of exactly 30 c Gear", "Responsivness: Normal"}));

    // The empty line takes its place; the second column starts 30 characters in.
    const QList<double> y = rows.keys();
    QVERIFY(qAbs((y[1] - y[0]) - 2 * (y[2] - y[1])) < 0.5);
    const double left = rows.first().first().first;
    for (int row = 1; row < 4; ++row) {
        const auto& words = rows[y[row]];
        const auto second = std::find_if(words.begin(), words.end(), [](const auto& w) {
            return w.second == u"Fire" || w.second == u"Gear" || w.second == u"Normal";
        });
        QVERIFY(second != words.end());
        QVERIFY2(qAbs(second->first - left - 30 * charWidth) < charWidth / 4,
                 qPrintable(second->second));
    }
}

void tst_SummaryPrinter::failureIsReturned()
{
    // The printer's own message comes back; nothing is thrown.
    QCOMPARE(PrintSummary({"line"}, m_dir.filePath(QStringLiteral("no/such/folder/x.pdf"))),
             QStringLiteral("Unable to begin printing."));
}

QTEST_MAIN(tst_SummaryPrinter)
#include "tst_SummaryPrinter.moc"
