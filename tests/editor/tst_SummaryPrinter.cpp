#include "PdfText.h"
#include "editor/SummaryPrinter.h"

#include <QMap>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

using namespace corv::editor;

class tst_SummaryPrinter : public QObject
{
    Q_OBJECT
    QTemporaryDir dir_;

private slots:
    void printsLinesWithTabsAt30();
    void failureIsReturned();
};

void tst_SummaryPrinter::printsLinesWithTabsAt30()
{
    const QStringList lines{"Flight", "", "Trigger\tFire guns  -  REPEAT",
                            "A description of exactly 30 c\tGear", "Responsivness:\tNormal"};
    const QString pdf = dir_.filePath(QStringLiteral("summary.pdf"));
    QCOMPARE(PrintSummary(lines, pdf), QString());

    // The printed rows, top to bottom, as (y, words with their left edges).
    QMap<double, QList<QPair<double, QString>>> rows;
    double charWidth = 0;
    for (const corv::test::PdfWord& w : corv::test::pdfWords(pdf)) {
        rows[w.yMin].append({w.xMin, w.text});
        if (w.text == u"Trigger")
            charWidth = (w.xMax - w.xMin) / 7;
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
    QCOMPARE(PrintSummary({"line"}, dir_.filePath(QStringLiteral("no/such/folder/x.pdf"))),
             QStringLiteral("Unable to begin printing."));
}

QTEST_MAIN(tst_SummaryPrinter)
#include "tst_SummaryPrinter.moc"
