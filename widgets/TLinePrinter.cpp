#include "TLinePrinter.h"

#include "TPrntProgDlg.h"

#include <QDate>
#include <QFontMetrics>
#include <QLabel>
#include <QLocale>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTime>

#include <cmath>

namespace
{
constexpr double kMmPerInch = 25.4;
constexpr double kInchPerMm = 0.039370078740157;
constexpr int kFallbackDpi = 300;

// Geometry used when no printer can be queried, per unit (inches, millimetres).
enum Measure { PaperW, PaperH, PrintW, PrintH, OffsetL, OffsetT };
constexpr double kFallback[2][6] = {
    {8.5, 11, 8.0, 10.5, 0.25, 0.25},
    {210, 297, 198, 284, 6, 6},
};

// Round half to even, as the printer arithmetic expects (2.5 -> 2, 3.5 -> 4).
int roundEven(double v)
{
    return static_cast<int>(std::nearbyint(v));
}
} // namespace

TLinePrinter::TLinePrinter(QObject* owner) : QObject(owner)
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (!info.isNull())
        m_systemPrinter = std::make_unique<QPrinter>(info, QPrinter::HighResolution);

    setFont(QFont(QStringLiteral("Courier New"), 10));
    setLineSpacing(lsSingleSpace);
    m_tabSize = 8;
    m_wordWrap = true;
    m_alignment = taLeftJustify;
    m_pageBorders = {};
    setOrientation(poPortrait);
    m_showProgress = false;
    setTitle(QString());
    setMarginTop(TopOffset());
    setMarginBottom(BottomEdge());
    setMarginLeft(LeftOffset());
    setMarginRight(RightEdge());
    m_borderOffset = 0;
    m_defaultColWidth = 0;
    m_measureUnit = muInches;
    m_tableGrid = false;
}

TLinePrinter::~TLinePrinter()
{
    if (m_painter && m_painter->isActive())
        m_painter->end();
    delete m_progress.data();
}

QPrinter* TLinePrinter::device() const
{
    return m_pdfPrinter ? m_pdfPrinter.get() : m_systemPrinter.get();
}

void TLinePrinter::setOutputFileName(const QString& v)
{
    requireIdle("Unable to change the output file while printing");
    const TPrinterOrientation orientation = Orientation();
    m_outputFileName = v;
    m_pdfPrinter.reset();
    if (!v.isEmpty())
        createPdfPrinter();
    setOrientation(orientation);
    // Another device realises the font at its own resolution.
    computeLineHeight();
}

void TLinePrinter::createPdfPrinter()
{
    m_pdfPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
    m_pdfPrinter->setOutputFormat(QPrinter::PdfFormat);
    if (m_systemPrinter) {
        // Render the same page the printer would print.
        m_pdfPrinter->setPageLayout(m_systemPrinter->pageLayout());
        m_pdfPrinter->setResolution(m_systemPrinter->resolution());
    } else {
        // The geometry a printer-less system assumes: letter paper, quarter-inch edges.
        m_pdfPrinter->setPageLayout(QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait,
                                                QMarginsF(0.25, 0.25, 0.25, 0.25),
                                                QPageLayout::Inch));
        m_pdfPrinter->setResolution(kFallbackDpi);
    }
    m_pdfPrinter->setFullPage(false);
    m_pdfPrinter->setOutputFileName(m_outputFileName);
    m_pdfPrinter->setDocName(m_title);
}

void TLinePrinter::requireIdle(const char* what) const
{
    if (Printing())
        throw ELinePrinter(QString::fromLatin1(what));
}

bool TLinePrinter::Printing() const
{
    return m_painter && m_painter->isActive();
}

// ---- geometry ----

int TLinePrinter::DpiX() const
{
    return queryable() ? device()->logicalDpiX() : kFallbackDpi;
}

int TLinePrinter::DpiY() const
{
    return queryable() ? device()->logicalDpiY() : kFallbackDpi;
}

int TLinePrinter::UnitsToPixelsX(double v) const
{
    const double f = m_measureUnit == muInches ? 1.0 : kInchPerMm;
    return roundEven(DpiX() * v * f);
}

int TLinePrinter::UnitsToPixelsY(double v) const
{
    const double f = m_measureUnit == muInches ? 1.0 : kInchPerMm;
    return roundEven(DpiY() * v * f);
}

double TLinePrinter::PixelsToUnitsX(int p) const
{
    const int dpi = DpiX() > 0 ? DpiX() : kFallbackDpi;
    const double in = double(p) / dpi;
    return m_measureUnit == muInches ? in : in * kMmPerInch;
}

double TLinePrinter::PixelsToUnitsY(int p) const
{
    const int dpi = DpiY() > 0 ? DpiY() : kFallbackDpi;
    const double in = double(p) / dpi;
    return m_measureUnit == muInches ? in : in * kMmPerInch;
}

double TLinePrinter::paperMeasure(int which) const
{
    if (!queryable())
        return kFallback[m_measureUnit][which];
    const QPrinter* p = device();
    const QRect paper = p->paperRect(QPrinter::DevicePixel).toRect();
    const QRect page = p->pageRect(QPrinter::DevicePixel).toRect();
    switch (which) {
    case PaperW:
        return PixelsToUnitsX(paper.width());
    case PaperH:
        return PixelsToUnitsY(paper.height());
    case PrintW:
        return PixelsToUnitsX(page.width());
    case PrintH:
        return PixelsToUnitsY(page.height());
    case OffsetL:
        return PixelsToUnitsX(page.left() - paper.left());
    default:
        return PixelsToUnitsY(page.top() - paper.top());
    }
}

float TLinePrinter::PaperWidth() const
{
    return float(paperMeasure(PaperW));
}
float TLinePrinter::PaperHeight() const
{
    return float(paperMeasure(PaperH));
}
float TLinePrinter::PrintableWidth() const
{
    return float(paperMeasure(PrintW));
}
float TLinePrinter::PrintableHeight() const
{
    return float(paperMeasure(PrintH));
}
float TLinePrinter::LeftOffset() const
{
    return float(paperMeasure(OffsetL));
}
float TLinePrinter::TopOffset() const
{
    return float(paperMeasure(OffsetT));
}

int TLinePrinter::TextAreaWidth() const
{
    return UnitsToPixelsX(PrintableWidth()) - TextAreaLeft() -
           UnitsToPixelsX(m_marginRight - RightEdge());
}

int TLinePrinter::TextAreaHeight() const
{
    return UnitsToPixelsY(PrintableHeight()) - TextAreaTop() -
           UnitsToPixelsY(m_marginBottom - BottomEdge());
}

// ---- property setters ----

void TLinePrinter::setMarginTop(float v)
{
    requireIdle("Unable to change top margin while printing");
    const float lo = TopOffset(), hi = PaperHeight() - BottomEdge();
    m_marginTop = v < lo ? lo : (v > hi ? hi : v);
}

void TLinePrinter::setMarginBottom(float v)
{
    requireIdle("Unable to change bottom margin while printing");
    const float lo = BottomEdge(), hi = PaperHeight() - TopOffset();
    m_marginBottom = v < lo ? lo : (v > hi ? hi : v);
}

void TLinePrinter::setMarginLeft(float v)
{
    requireIdle("Unable to change left margin while printing");
    const float lo = LeftOffset(), hi = PaperWidth() - RightEdge();
    m_marginLeft = v < lo ? lo : (v > hi ? hi : v);
}

void TLinePrinter::setMarginRight(float v)
{
    requireIdle("Unable to change right margin while printing");
    const float lo = RightEdge(), hi = PaperWidth() - LeftOffset();
    m_marginRight = v < lo ? lo : (v > hi ? hi : v);
}

void TLinePrinter::setMeasureUnit(TMeasureUnit v)
{
    if (v != m_measureUnit) {
        m_measureUnit = v;
        const double f = v == muMillimeters ? kMmPerInch : kInchPerMm;
        if (Printing()) {
            // The margins are locked while printing; converting them keeps the
            // same physical lengths instead of reinterpreting them in the new unit.
            m_marginTop = float(m_marginTop * f);
            m_marginBottom = float(m_marginBottom * f);
            m_marginLeft = float(m_marginLeft * f);
            m_marginRight = float(m_marginRight * f);
        } else {
            setMarginTop(float(m_marginTop * f));
            setMarginBottom(float(m_marginBottom * f));
            setMarginLeft(float(m_marginLeft * f));
            setMarginRight(float(m_marginRight * f));
        }
        setBorderOffset(float(m_borderOffset * f));
        setDefaultColWidth(float(m_defaultColWidth * f));
    }
    if (!Printing()) {
        setMarginTop(m_marginTop);
        setMarginBottom(m_marginBottom);
        setMarginLeft(m_marginLeft);
        setMarginRight(m_marginRight);
    }
}

void TLinePrinter::setLineSpacing(TLineSpacing v)
{
    m_lineSpacing = v;
    computeLineHeight();
}

void TLinePrinter::setDefaultColWidth(float v)
{
    if (v < 0) {
        m_defaultColWidth = 0;
        throw ELinePrinter(QStringLiteral("DefaultColWidth must be greater than or equal to 0"));
    }
    m_defaultColWidth = v;
}

void TLinePrinter::setFont(const QFont& f)
{
    // Point sizes are realised at the device's resolution by QFontMetrics/QPainter.
    m_font = f;
    if (!queryable())
        return;
    if (Printing()) {
        m_painter->setFont(m_font);
        readMetrics();
    }
    computeLineHeight();
}

TLinePrinter::TPrinterOrientation TLinePrinter::Orientation() const
{
    if (!queryable())
        return poPortrait;
    return device()->pageLayout().orientation() == QPageLayout::Landscape ? poLandscape
                                                                          : poPortrait;
}

void TLinePrinter::setOrientation(TPrinterOrientation v)
{
    requireIdle("Unable to change orientation while printing");
    const auto o = v == poLandscape ? QPageLayout::Landscape : QPageLayout::Portrait;
    if (m_systemPrinter)
        m_systemPrinter->setPageOrientation(o);
    if (m_pdfPrinter)
        m_pdfPrinter->setPageOrientation(o);
}

void TLinePrinter::setTitle(const QString& v)
{
    requireIdle("Unable to change title while printing");
    m_title = v;
    if (m_systemPrinter)
        m_systemPrinter->setDocName(v);
    if (m_pdfPrinter)
        m_pdfPrinter->setDocName(v);
}

// ---- metrics ----

void TLinePrinter::readMetrics()
{
    const QFontMetrics fm(m_font, device());
    m_charHeight = fm.height();
    m_externalLeading = std::max(0, fm.leading());
}

void TLinePrinter::computeLineHeight()
{
    int base = 10;
    if (Printing())
        base = m_charHeight + m_externalLeading;
    else if (queryable())
        base = QFontMetrics(m_font, device()).height();
    switch (m_lineSpacing) {
    case lsHalfSpace:
        m_lineHeight = base / 2;
        break;
    case lsSingleSpace:
        m_lineHeight = base;
        break;
    case lsSingleAndAHalf:
        m_lineHeight = base + base / 2;
        break;
    case lsDoubleSpace:
        m_lineHeight = 2 * base;
        break;
    }
}

int TLinePrinter::TextWidth(const QString& text) const
{
    if (!queryable())
        return 0;
    return QFontMetrics(m_font, device()).horizontalAdvance(text);
}

// ---- text helpers ----

QString TLinePrinter::ExpandTabs(const QString& text) const
{
    QString out;
    out.reserve(text.size());
    const int tab = std::max<uint>(m_tabSize, 1);
    for (const QChar c : text) {
        if (c == QLatin1Char('\t'))
            out.append(QString(tab - out.size() % tab, QLatin1Char(' ')));
        else
            out.append(c);
    }
    return out;
}

QString TLinePrinter::FitText(const QString& text, int maxWidth) const
{
    if (!queryable() || TextWidth(text) <= maxWidth)
        return text;
    int low = 1, high = int(text.size()), mid = -1, last = -1;
    for (;;) {
        mid = (low + high) / 2;
        if (mid == last)
            break;
        last = mid;
        const int w = TextWidth(text.left(mid));
        if (w > maxWidth)
            high = mid;
        else if (w < maxWidth)
            low = mid;
        else
            break;
    }
    return text.left(mid);
}

QString TLinePrinter::ExpandCodes(const QString& cell) const
{
    const QLocale loc;
    const std::pair<QString, QString> codes[] = {
        {QStringLiteral("{$LINE}"), QString::number(m_lineNumber)},
        {QStringLiteral("{$PAGE}"), QString::number(m_pageNumber)},
        {QStringLiteral("{$DATE}"), loc.toString(QDate::currentDate(), QLocale::ShortFormat)},
        {QStringLiteral("{$TIME}"), loc.toString(QTime::currentTime(), QLocale::LongFormat)},
        {QStringLiteral("{$TITLE}"), m_title},
    };
    QString out = cell;
    for (const auto& [code, value] : codes) {
        // A value holding its own code would expand forever; leave it alone.
        if (!value.contains(code))
            out.replace(code, value);
    }
    return out;
}

// ---- document ----

void TLinePrinter::BeginDoc()
{
    emit OnBeginDoc(this);
    QPrinter* p = device();
    if (!p || Printing())
        throw ELinePrinter(QStringLiteral("Unable to begin printing."));
    p->setDocName(m_title);
    m_painter = std::make_unique<QPainter>();
    if (!m_painter->begin(p)) {
        m_painter.reset();
        throw ELinePrinter(QStringLiteral("Unable to begin printing."));
    }
    m_pageNumber = 1;
    m_painter->setFont(m_font);
    readMetrics();
    UpdateProgress(QStringLiteral("Preparing to Print"));
    StartPage();
}

void TLinePrinter::EndDoc()
{
    UpdateProgress(QStringLiteral("Finished Printing"));
    const bool ok = m_painter && m_painter->end();
    m_painter.reset();
    UpdateProgress(QString());
    if (!ok)
        throw ELinePrinter(QStringLiteral("Unable to finish printing."));
    emit OnEndDoc(this);
}

int TLinePrinter::NewPage()
{
    QPrinter* p = device();
    if (!Printing() || !p->newPage())
        throw ELinePrinter(QStringLiteral("Unable to print a new page."));
    ++m_pageNumber;
    StartPage();
    return m_pageNumber;
}

int TLinePrinter::NewLine()
{
    m_x = 0;
    m_y += m_lineHeight;
    if (m_y + m_lineHeight < TextAreaHeight())
        ++m_lineNumber;
    else
        NewPage();
    emit OnNewLine(this);
    return m_lineNumber;
}

void TLinePrinter::StartPage()
{
    UpdateProgress(QStringLiteral("Currently Printing"));
    const QString savedFormat = m_tableFormat;
    const bool savedGrid = m_tableGrid;
    m_tableGrid = false;
    // Header and footer stand outside the text area and never advance the body;
    // a footer band narrower than a line would otherwise reach into the text
    // area, break the page and print the footer again without end.
    m_inHeaderFooter = true;
    try {
        if (!m_header.isEmpty()) {
            const int band = TextAreaTop();
            m_y = (band - m_lineHeight) / 2 - band;
            m_tableFormat = m_headerFormat;
            WriteTableLine(m_header);
        }
        if (!m_footer.isEmpty()) {
            const int band = UnitsToPixelsY(m_marginBottom - BottomEdge());
            m_y = TextAreaHeight() + (band - m_lineHeight) / 2;
            m_tableFormat = m_footerFormat;
            WriteTableLine(m_footer);
        }
    } catch (...) {
        m_inHeaderFooter = false;
        m_tableFormat = savedFormat;
        m_tableGrid = savedGrid;
        throw;
    }
    m_inHeaderFooter = false;
    m_tableFormat = savedFormat;
    m_tableGrid = savedGrid;
    m_x = 0;
    m_y = 0;
    m_lineNumber = 0;
    emit OnNewPage(this);
    emit OnNewLine(this);

    const int l = TextAreaLeft(), t = TextAreaTop(), w = TextAreaWidth(), h = TextAreaHeight();
    const int bx = UnitsToPixelsX(m_borderOffset), by = UnitsToPixelsY(m_borderOffset);
    const int hw = (DpiY() / 300) * 2, vw = (DpiX() / 300) * 2;
    if (m_pageBorders & pbTop)
        drawRule(l - by, t - by, l + w + by, t - by, hw);
    if (m_pageBorders & pbBottom)
        drawRule(l - by, t + h + by, l + w + by, t + h + by, hw);
    if (m_pageBorders & pbLeft)
        drawRule(l - bx, t - bx, l - bx, t + h + bx, vw);
    if (m_pageBorders & pbRight)
        drawRule(l + w + bx, t - bx, l + w + bx, t + h + bx, vw);
}

void TLinePrinter::drawRule(int x1, int y1, int x2, int y2, int width)
{
    if (!Printing())
        return;
    m_painter->setPen(QPen(m_fontColor, width, Qt::SolidLine, Qt::FlatCap));
    m_painter->drawLine(x1, y1, x2, y2);
}

void TLinePrinter::WriteLine(const QString& text)
{
    const QString t = text.contains(QLatin1Char('\t')) ? ExpandTabs(text) : text;
    const int w = TextWidth(t);
    const int areaWidth = TextAreaWidth();
    // One character is printed even when too wide: splitting it again would never end.
    if (w > areaWidth && t.size() > 1) {
        if (m_wordWrap)
            WrapLine(t);
        else
            WriteLine(FitText(t, areaWidth));
        return;
    }
    if (m_alignment == taRightJustify)
        m_x = areaWidth - w;
    else if (m_alignment == taCenter)
        m_x = (areaWidth - w) / 2;
    else
        m_x = 0;
    if (m_y + m_lineHeight >= TextAreaHeight())
        NewPage();
    if (Printing() && !t.isEmpty()) {
        m_painter->setPen(m_fontColor);
        m_painter->drawText(
            QPoint(TextAreaLeft() + m_x, TextAreaTop() + m_y + m_painter->fontMetrics().ascent()),
            t);
    }
    NewLine();
}

void TLinePrinter::WrapLine(const QString& text)
{
    QString rest = text;
    while (!rest.isEmpty()) {
        QString piece = FitText(rest, TextAreaWidth());
        qsizetype n = piece.size();
        if (n < rest.size()) {
            if (rest.at(n).unicode() <= 32) {
                ++n; // the break blank is consumed, not printed
            } else {
                qsizetype i = n - 1;
                while (i >= 0 && piece.at(i).unicode() > 32)
                    --i;
                if (i >= 0) {
                    piece.truncate(i + 1);
                    n = i + 1;
                }
            }
        }
        WriteLine(piece);
        rest.remove(0, n);
    }
}

TLinePrinter::ColumnSpec TLinePrinter::ParseColumnSpec(const QString& spec) const
{
    ColumnSpec cs{taLeftJustify, m_defaultColWidth};
    if (spec.isEmpty())
        return cs;
    QString rest = spec;
    const QChar c = rest.at(0);
    if (c == QLatin1Char('<') || c == QLatin1Char('>') || c == QLatin1Char('^')) {
        cs.align = c == QLatin1Char('>') ? taRightJustify
                                         : (c == QLatin1Char('^') ? taCenter : taLeftJustify);
        rest.remove(0, 1);
        if (rest.isEmpty())
            return cs;
    }
    bool ok = false;
    cs.width = QLocale().toDouble(rest.trimmed(), &ok);
    if (!ok)
        throw std::invalid_argument(
            QStringLiteral("'%1' is not a valid floating point value").arg(rest).toStdString());
    return cs;
}

void TLinePrinter::WriteTableLine(const QString& text)
{
    const QStringList specs = m_tableFormat.split(QLatin1Char('|'));
    const QStringList cells = text.split(QLatin1Char('|'));
    int x = TextAreaLeft();
    const int inset = (DpiX() / 300) * 6;
    for (qsizetype i = 0; i < specs.size(); ++i) {
        const ColumnSpec cs = ParseColumnSpec(specs.at(i));
        const int cw = UnitsToPixelsX(cs.width);
        QString cell = i < cells.size() ? cells.at(i) : QString();
        if (cell.contains(QLatin1String("{$")))
            cell = ExpandCodes(cell);
        cell = FitText(cell, cw);
        const int tw = TextWidth(cell);
        int offset = 0;
        if (cs.align == taRightJustify)
            offset = cw - tw;
        else if (cs.align == taCenter)
            offset = (cw - tw) / 2;
        if (tw < cw - inset) {
            if (cs.align == taRightJustify)
                offset -= inset;
            else if (cs.align == taLeftJustify)
                offset += inset;
        }
        if (Printing()) {
            if (!cell.isEmpty()) {
                m_painter->setPen(m_fontColor);
                m_painter->drawText(
                    QPoint(x + offset, TextAreaTop() + m_y + m_painter->fontMetrics().ascent()),
                    cell);
            }
            if (m_tableGrid) {
                int lead = m_externalLeading;
                switch (m_lineSpacing) {
                case lsHalfSpace:
                    lead = m_externalLeading / 2;
                    break;
                case lsSingleSpace:
                    break;
                case lsSingleAndAHalf:
                    lead = roundEven(1.5 * m_externalLeading);
                    break;
                case lsDoubleSpace:
                    lead = 2 * m_externalLeading;
                    break;
                }
                const int yt = TextAreaTop() + m_y - lead;
                const int hw = (DpiY() / 300) * 2, vw = (DpiX() / 300) * 2;
                drawRule(x, yt, x + cw, yt, hw);
                drawRule(x, yt + m_lineHeight, x + cw, yt + m_lineHeight, hw);
                drawRule(x, yt, x, yt + m_lineHeight, vw);
                drawRule(x + cw, yt, x + cw, yt + m_lineHeight, vw);
            }
        }
        x += cw;
    }
    if (!m_inHeaderFooter && m_y >= 0 && m_y < TextAreaHeight())
        NewLine();
}

void TLinePrinter::PrintLines(bool tableMode)
{
    const QStringList lines = m_lines; // callbacks may assign Lines meanwhile
    for (const QString& line : lines) {
        if (tableMode && !m_tableFormat.isEmpty())
            WriteTableLine(line);
        else
            WriteLine(line);
    }
}

void TLinePrinter::UpdateProgress(const QString& text)
{
    if (m_showProgress && Printing()) {
        if (!m_progress)
            m_progress = new TPrntProgDlg();
        if (!m_progress->isVisible())
            m_progress->show();
        if (!text.isEmpty())
            m_progress->lblStatus->setText(text);
        m_progress->lblTitle->setText(m_title);
        m_progress->lblPageNumber->setText(QString::number(m_pageNumber));
        if (m_progress->isVisible())
            m_progress->repaint();
    } else if (m_progress) {
        m_progress->hide();
        delete m_progress.data();
        m_progress = nullptr;
    }
}
