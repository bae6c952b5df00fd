#include "PdfText.h"
#include "widgets/TLinePrinter.h"

#include <QLabel>
#include <QPrinterInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

using namespace corv;

namespace
{
// One word of the PDF text as pdftotext reports it, in printer pixels (300 dpi)
// from the corner of the printable area (a quarter inch in from the paper edge).
struct Word {
    int page;
    double x0, y0, x1;
    QString text;
};

QList<Word> readWords(const QString& pdf,
                      corv::test::SourcePlace where = corv::test::SourcePlace::current())
{
    QList<Word> words;
    const double k = 300.0 / 72.0;
    for (const corv::test::PdfWord& w : corv::test::pdfWords(pdf, where))
        words.append({w.page, w.xMin * k - 75, w.yMin * k - 75, w.xMax * k - 75, w.text});
    return words;
}

const Word* find(const QList<Word>& words, const QString& text, int page = 0)
{
    for (const Word& w : words)
        if (w.text == text && (page == 0 || w.page == page))
            return &w;
    return nullptr;
}

// Margins that give a text area of exactly the given pixel size; the printable
// area of the file renderer is 2400 x 3150 pixels with quarter-inch edges.
void setTextArea(TLinePrinter& lp, int width, int height)
{
    lp.setMarginLeft(1.0f);
    lp.setMarginTop(1.0f);
    lp.setMarginRight(0.25f + float(2400 - 225 - width) / 300.0f);
    lp.setMarginBottom(0.25f + float(3150 - 225 - height) / 300.0f);
}
} // namespace

class tst_TLinePrinter : public QObject
{
    Q_OBJECT
    QTemporaryDir dir_;
    QString pdf_;

    void toPdf(TLinePrinter& lp) { lp.setOutputFileName(pdf_); }

private slots:
    void init()
    {
        pdf_ = dir_.filePath(QStringLiteral("%1.pdf").arg(QTest::currentTestFunction()));
    }

    void fallbackGeometryWithoutPrinter_data();
    void fallbackGeometryWithoutPrinter();
    void bodyLineWidthLimit_data();
    void bodyLineWidthLimit();
    void wrapAtBlank_data();
    void wrapAtBlank();
    void expandTabs_data();
    void expandTabs();
    void tabsPrintAtStops();
    void pageBreak_data();
    void pageBreak();
    void headerAndFooter();
    void footerInNarrowBand();
    void tableColumns();
    void tableModeWithoutFormatPrintsBody();
    void badColumnWidthKeepsDocumentOpen();
    void unitSwitch();
    void unitSwitchWhilePrintingKeepsLengths();
    void defaultColWidthNegative();
    void lockedWhilePrinting_data();
    void lockedWhilePrinting();
    void progressDialog();
};

void tst_TLinePrinter::fallbackGeometryWithoutPrinter_data()
{
    QTest::addColumn<int>("unit");
    QTest::addColumn<QList<double>>("expected"); // paper w/h, printable w/h, offsets, edges
    QTest::newRow("inches") << int(TLinePrinter::muInches)
                            << QList<double>{8.5, 11, 8.0, 10.5, 0.25, 0.25, 0.25, 0.25};
    QTest::newRow("millimetres") << int(TLinePrinter::muMillimeters)
                                 << QList<double>{210, 297, 198, 284, 6, 6, 6, 7};
}

void tst_TLinePrinter::fallbackGeometryWithoutPrinter()
{
    if (!QPrinterInfo::defaultPrinter().isNull())
        QSKIP("a default printer is installed");
    QFETCH(int, unit);
    QFETCH(QList<double>, expected);
    TLinePrinter lp;
    QCOMPARE(lp.MarginLeft(), 0.25f);
    QCOMPARE(lp.MarginBottom(), 0.25f);
    QCOMPARE(lp.LineHeight(), 10);
    lp.setMeasureUnit(TLinePrinter::TMeasureUnit(unit));
    const QList<double> got{lp.PaperWidth(),      lp.PaperHeight(), lp.PrintableWidth(),
                            lp.PrintableHeight(), lp.LeftOffset(),  lp.TopOffset(),
                            lp.RightEdge(),       lp.BottomEdge()};
    for (int i = 0; i < got.size(); ++i)
        QVERIFY2(qAbs(got[i] - expected[i]) < 1e-4, qPrintable(QString::number(i)));
    QCOMPARE(lp.DpiX(), 300);
    QCOMPARE(lp.UnitsToPixelsX(unit == 0 ? 1.0 : 25.4), 300);
    // Nothing to print on: opening a document fails with the printer's message.
    try {
        lp.BeginDoc();
        QFAIL("BeginDoc succeeded without a printer");
    } catch (const ELinePrinter& e) {
        QCOMPARE(e.message(), QStringLiteral("Unable to begin printing."));
    }
    QVERIFY(!lp.Printing());
}

void tst_TLinePrinter::bodyLineWidthLimit_data()
{
    QTest::addColumn<int>("slack");
    QTest::addColumn<bool>("wrap");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("exact fit") << 0 << true << QStringList{"abcdefghij"};
    QTest::newRow("1px narrower wraps inside the word")
        << -1 << true << QStringList{"abcdefghi", "j"};
    QTest::newRow("1px narrower without wrap is cut") << -1 << false << QStringList{"abcdefghi"};
}

void tst_TLinePrinter::bodyLineWidthLimit()
{
    QFETCH(int, slack);
    QFETCH(bool, wrap);
    QFETCH(QStringList, lines);
    TLinePrinter lp;
    toPdf(lp);
    const QString text = QStringLiteral("abcdefghij");
    const int w = lp.TextWidth(text) + slack;
    setTextArea(lp, w, 2000);
    QCOMPARE(lp.TextAreaWidth(), w);
    lp.setWordWrap(wrap);
    lp.BeginDoc();
    lp.WriteLine(text);
    lp.WriteLine(QStringLiteral("end"));
    lp.EndDoc();
    const auto words = readWords(pdf_);
    QCOMPARE(words.size(), lines.size() + 1);
    for (int i = 0; i < lines.size(); ++i) {
        QCOMPARE(words[i].text, lines[i]);
        QVERIFY(qAbs(words[i].x0 - 225) < 2);
        QVERIFY(qAbs(words[i].y0 - (225 + i * lp.LineHeight())) < 2);
    }
}

void tst_TLinePrinter::wrapAtBlank_data()
{
    QTest::addColumn<QString>("fits");
    QTest::addColumn<bool>("keepsBlank");
    QTest::newRow("'aaa b' fits: break after the blank") << "aaa b" << true;
    QTest::newRow("'aaa' fits: blank consumed") << "aaa" << false;
}

void tst_TLinePrinter::wrapAtBlank()
{
    QFETCH(QString, fits);
    QFETCH(bool, keepsBlank);
    TLinePrinter lp;
    toPdf(lp);
    const int area = lp.TextWidth(fits);
    setTextArea(lp, area, 2000);
    // Right alignment shows whether the first piece kept its trailing blank.
    lp.setAlignment(TLinePrinter::taRightJustify);
    lp.BeginDoc();
    lp.WriteLine(QStringLiteral("aaa bbb"));
    lp.EndDoc();
    const auto words = readWords(pdf_);
    QCOMPARE(words.size(), 2);
    QCOMPARE(words[0].text, QStringLiteral("aaa"));
    QCOMPARE(words[1].text, QStringLiteral("bbb"));
    QVERIFY(words[1].y0 > words[0].y0 + lp.LineHeight() / 2);
    const int blank = lp.TextWidth(QStringLiteral("aaa ")) - lp.TextWidth(QStringLiteral("aaa"));
    const double right = 225 + area - (keepsBlank ? blank : 0);
    QVERIFY2(qAbs(words[0].x1 - right) < 2, qPrintable(QString::number(words[0].x1)));
    QVERIFY(qAbs(words[1].x1 - (225 + area)) < 2);
}

void tst_TLinePrinter::expandTabs_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<uint>("tabSize");
    QTest::addColumn<QString>("expected");
    QTest::newRow("to the next stop") << "ab\tc" << 8u << "ab      c";
    QTest::newRow("at a stop: a full tab") << "abcdefgh\tx" << 8u << "abcdefgh        x";
    QTest::newRow("leading") << "\tx" << 4u << "    x";
    QTest::newRow("several") << "a\tbc\td" << 3u << "a  bc d";
}

void tst_TLinePrinter::expandTabs()
{
    QFETCH(QString, text);
    QFETCH(uint, tabSize);
    QFETCH(QString, expected);
    TLinePrinter lp;
    lp.setTabSize(tabSize);
    QCOMPARE(lp.ExpandTabs(text), expected);
}

void tst_TLinePrinter::tabsPrintAtStops()
{
    TLinePrinter lp;
    toPdf(lp);
    setTextArea(lp, 1800, 2000);
    lp.BeginDoc();
    lp.WriteLine(QStringLiteral("ab\tc"));
    lp.EndDoc();
    const auto words = readWords(pdf_);
    const Word* c = find(words, QStringLiteral("c"));
    QVERIFY(c);
    QVERIFY(qAbs(c->x0 - (225 + lp.TextWidth(QStringLiteral("abcdefgh")))) < 2);
}

void tst_TLinePrinter::pageBreak_data()
{
    QTest::addColumn<int>("extra");
    QTest::addColumn<int>("perPage");
    // The page breaks when the next line would reach the bottom of the text area.
    QTest::newRow("3 line heights hold 2 lines") << 0 << 2;
    QTest::newRow("1px more holds 3") << 1 << 3;
}

void tst_TLinePrinter::pageBreak()
{
    QFETCH(int, extra);
    QFETCH(int, perPage);
    TLinePrinter lp;
    toPdf(lp);
    const int lh = lp.LineHeight();
    QVERIFY(lh > 0);
    setTextArea(lp, 1800, 3 * lh + extra);
    QCOMPARE(lp.TextAreaHeight(), 3 * lh + extra);
    QList<int> pages;
    connect(&lp, &TLinePrinter::OnNewPage, this, [&] { pages.append(lp.PageNumber()); });
    lp.BeginDoc();
    for (int i = 1; i <= 6; ++i)
        lp.WriteLine(QStringLiteral("L%1").arg(i));
    lp.EndDoc();
    const auto words = readWords(pdf_);
    QCOMPARE(words.size(), 6);
    for (int i = 0; i < 6; ++i) {
        QCOMPARE(words[i].page, i / perPage + 1);
        QVERIFY(qAbs(words[i].y0 - (225 + (i % perPage) * lh)) < 2);
    }
    QCOMPARE(pages.first(), 1);
    QCOMPARE(pages.size(), 6 / perPage + 1); // the last NewLine starts an empty page
}

void tst_TLinePrinter::headerAndFooter()
{
    TLinePrinter lp;
    toPdf(lp);
    lp.setTitle(QStringLiteral("Summary"));
    lp.setMarginTop(1.0f);
    lp.setMarginBottom(1.0f);
    lp.setMarginLeft(1.0f);
    lp.setHeader(QStringLiteral("{$PAGE} of {$TITLE}"));
    lp.setHeaderFormat(QStringLiteral("<4"));
    lp.setFooter(QStringLiteral("Z{$LINE}|unused"));
    lp.setDefaultColWidth(0.0f); // empty format: one column of the default width
    lp.BeginDoc();
    lp.WriteLine(QStringLiteral("body"));
    lp.NewPage();
    QCOMPARE(lp.NewPage(), 3);
    lp.EndDoc();
    const auto words = readWords(pdf_);
    const int lh = lp.LineHeight();
    const double headerTop = (225 - lh) / 2; // centred in the 225 px header band
    const Word* three = find(words, QStringLiteral("3"), 3);
    QVERIFY(three);
    QVERIFY(find(words, QStringLiteral("Summary"), 3));
    QVERIFY2(qAbs(three->y0 - headerTop) < 2, qPrintable(QString::number(three->y0)));
    QVERIFY(qAbs(three->x0 - (225 + 6)) < 2); // left inset of a narrow cell
    // Footer: centred in the band below the text area; a zero-wide column shows
    // only its first character.
    const Word* z = find(words, QStringLiteral("Z"), 2);
    QVERIFY(z);
    const double footerTop = lp.TextAreaTop() + lp.TextAreaHeight() + (225 - lh) / 2;
    QVERIFY2(qAbs(z->y0 - footerTop) < 2, qPrintable(QString::number(z->y0)));
    QVERIFY(!find(words, QStringLiteral("unused")));
    // The body line still starts at the top of the text area.
    const Word* body = find(words, QStringLiteral("body"), 1);
    QVERIFY(body && qAbs(body->y0 - 225) < 2);
}

void tst_TLinePrinter::footerInNarrowBand()
{
    // Default margins leave no footer band: the footer is centred on the
    // bottom edge of the text area and must not move the body or break pages.
    TLinePrinter lp;
    toPdf(lp);
    lp.setFooter(QStringLiteral("foot"));
    lp.setFooterFormat(QStringLiteral("<2"));
    lp.BeginDoc();
    QCOMPARE(lp.LineNumber(), 0);
    lp.WriteLine(QStringLiteral("body"));
    QCOMPARE(lp.NewPage(), 2);
    lp.EndDoc();
    const auto words = readWords(pdf_);
    QCOMPARE(words.size(), 3);
    const Word* foot = find(words, QStringLiteral("foot"), 2);
    QVERIFY(foot);
    QVERIFY(qAbs(foot->y0 - (lp.TextAreaHeight() - lp.LineHeight() / 2)) < 2);
    const Word* body = find(words, QStringLiteral("body"), 1);
    QVERIFY(body && qAbs(body->y0) < 2);
}

void tst_TLinePrinter::tableColumns()
{
    TLinePrinter lp;
    toPdf(lp);
    setTextArea(lp, 2000, 2000);
    lp.setTableFormat(QStringLiteral("<2|>2|^2"));
    lp.setTableGrid(true);
    lp.BeginDoc();
    lp.WriteTableLine(QStringLiteral("L|R|C|extra"));
    lp.WriteTableLine(QStringLiteral("only"));
    lp.EndDoc();
    const auto words = readWords(pdf_);
    QCOMPARE(words.size(), 4);
    const Word* l = find(words, QStringLiteral("L"));
    const Word* r = find(words, QStringLiteral("R"));
    const Word* c = find(words, QStringLiteral("C"));
    QVERIFY(l && r && c);
    QVERIFY(!find(words, QStringLiteral("extra")));
    QVERIFY(qAbs(l->x0 - (225 + 6)) < 2);
    QVERIFY(qAbs(r->x1 - (225 + 1200 - 6)) < 2);
    QVERIFY(qAbs((c->x0 + c->x1) / 2 - (225 + 1200 + 300)) < 2);
    const Word* only = find(words, QStringLiteral("only"));
    QVERIFY(only && qAbs(only->y0 - (225 + lp.LineHeight())) < 2);
}

void tst_TLinePrinter::tableModeWithoutFormatPrintsBody()
{
    TLinePrinter lp;
    toPdf(lp);
    lp.setLines({QStringLiteral("a|b"), QStringLiteral("c")});
    lp.BeginDoc();
    lp.PrintLines(true);
    lp.EndDoc();
    const auto words = readWords(pdf_);
    QCOMPARE(words.size(), 2);
    QCOMPARE(words[0].text, QStringLiteral("a|b"));
}

void tst_TLinePrinter::badColumnWidthKeepsDocumentOpen()
{
    TLinePrinter lp;
    toPdf(lp);
    lp.setTableFormat(QStringLiteral("<1|>wide"));
    lp.BeginDoc();
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, lp.WriteTableLine(QStringLiteral("a|b")));
    QVERIFY(lp.Printing());
    lp.EndDoc();
    QVERIFY(!lp.Printing());
}

void tst_TLinePrinter::unitSwitch()
{
    TLinePrinter lp;
    toPdf(lp);
    lp.setMarginLeft(1.0f);
    lp.setBorderOffset(0.5f);
    lp.setDefaultColWidth(2.0f);
    const int left = lp.TextAreaLeft();
    lp.setMeasureUnit(TLinePrinter::muMillimeters);
    QCOMPARE(lp.MarginLeft(), 25.4f);
    QCOMPARE(lp.BorderOffset(), 12.7f);
    QCOMPARE(lp.DefaultColWidth(), 50.8f);
    QCOMPARE(lp.TextAreaLeft(), left);
    lp.setMeasureUnit(TLinePrinter::muInches);
    QVERIFY(qAbs(lp.MarginLeft() - 1.0f) < 1e-5);
}

void tst_TLinePrinter::unitSwitchWhilePrintingKeepsLengths()
{
    TLinePrinter lp;
    toPdf(lp);
    lp.setMarginLeft(1.0f);
    lp.BeginDoc();
    lp.setMeasureUnit(TLinePrinter::muMillimeters);
    QCOMPARE(lp.MarginLeft(), 25.4f);
    QCOMPARE(lp.TextAreaLeft(), 225);
    lp.EndDoc();
}

void tst_TLinePrinter::defaultColWidthNegative()
{
    TLinePrinter lp;
    lp.setDefaultColWidth(1.5f);
    try {
        lp.setDefaultColWidth(-1.0f);
        QFAIL("no exception");
    } catch (const ELinePrinter& e) {
        QCOMPARE(e.message(), QStringLiteral("DefaultColWidth must be greater than or equal to 0"));
    }
    QCOMPARE(lp.DefaultColWidth(), 0.0f);
}

void tst_TLinePrinter::lockedWhilePrinting_data()
{
    using Set = std::function<void(TLinePrinter&)>;
    QTest::addColumn<Set>("set");
    QTest::addColumn<QString>("message");
    QTest::newRow("title") << Set([](TLinePrinter& l) { l.setTitle(QStringLiteral("x")); })
                           << "Unable to change title while printing";
    QTest::newRow("orientation") << Set([](TLinePrinter& l) {
        l.setOrientation(TLinePrinter::poLandscape);
    }) << "Unable to change orientation while printing";
    QTest::newRow("top") << Set([](TLinePrinter& l) { l.setMarginTop(1); })
                         << "Unable to change top margin while printing";
    QTest::newRow("bottom") << Set([](TLinePrinter& l) { l.setMarginBottom(1); })
                            << "Unable to change bottom margin while printing";
    QTest::newRow("left") << Set([](TLinePrinter& l) { l.setMarginLeft(1); })
                          << "Unable to change left margin while printing";
    QTest::newRow("right") << Set([](TLinePrinter& l) { l.setMarginRight(1); })
                           << "Unable to change right margin while printing";
}

void tst_TLinePrinter::lockedWhilePrinting()
{
    using Set = std::function<void(TLinePrinter&)>;
    QFETCH(Set, set);
    QFETCH(QString, message);
    TLinePrinter lp;
    toPdf(lp);
    lp.BeginDoc();
    try {
        set(lp);
        QFAIL("no exception");
    } catch (const ELinePrinter& e) {
        QCOMPARE(e.message(), message);
    }
    lp.EndDoc();
    set(lp); // idle again: allowed
}

void tst_TLinePrinter::progressDialog()
{
    TLinePrinter lp;
    toPdf(lp);
    lp.setShowProgress(true);
    lp.setTitle(QStringLiteral("Job"));
    QStringList seen;
    auto dialog = [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == QLatin1String("PrntProgDlg"))
                return w;
        return static_cast<QWidget*>(nullptr);
    };
    connect(&lp, &TLinePrinter::OnNewPage, this, [&] {
        QWidget* d = dialog();
        QVERIFY(d && d->isVisible());
        QCOMPARE(d->windowTitle(), QStringLiteral("Print Progress"));
        seen << d->findChild<QLabel*>(QStringLiteral("lblStatus"))->text() + QLatin1Char('/') +
                    d->findChild<QLabel*>(QStringLiteral("lblTitle"))->text() + QLatin1Char('/') +
                    d->findChild<QLabel*>(QStringLiteral("lblPageNumber"))->text();
    });
    lp.BeginDoc();
    lp.NewPage();
    lp.EndDoc();
    QCOMPARE(seen, (QStringList{"Currently Printing/Job/1", "Currently Printing/Job/2"}));
    QVERIFY(!dialog());
}

QTEST_MAIN(tst_TLinePrinter)
#include "tst_TLinePrinter.moc"
