#include "widgets/TLinePrinter.h"

#include "widgets/TPrntProgDlg.h"

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

namespace corv
{

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
        systemPrinter_ = std::make_unique<QPrinter>(info, QPrinter::HighResolution);

    setFont(QFont(QStringLiteral("Courier New"), 10));
    setLineSpacing(lsSingleSpace);
    tabSize_ = 8;
    wordWrap_ = true;
    alignment_ = taLeftJustify;
    pageBorders_ = {};
    setOrientation(poPortrait);
    showProgress_ = false;
    setTitle(QString());
    setMarginTop(TopOffset());
    setMarginBottom(BottomEdge());
    setMarginLeft(LeftOffset());
    setMarginRight(RightEdge());
    borderOffset_ = 0;
    defaultColWidth_ = 0;
    measureUnit_ = muInches;
    tableGrid_ = false;
}

TLinePrinter::~TLinePrinter()
{
    if (painter_ && painter_->isActive())
        painter_->end();
    delete progress_.data();
}

QPrinter* TLinePrinter::device() const
{
    return pdfPrinter_ ? pdfPrinter_.get() : systemPrinter_.get();
}

void TLinePrinter::setOutputFileName(const QString& v)
{
    requireIdle("Unable to change the output file while printing");
    const TPrinterOrientation orientation = Orientation();
    outputFileName_ = v;
    pdfPrinter_.reset();
    if (!v.isEmpty())
        createPdfPrinter();
    setOrientation(orientation);
    // Another device realises the font at its own resolution.
    computeLineHeight();
}

void TLinePrinter::createPdfPrinter()
{
    pdfPrinter_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    pdfPrinter_->setOutputFormat(QPrinter::PdfFormat);
    if (systemPrinter_) {
        // Render the same page the printer would print.
        pdfPrinter_->setPageLayout(systemPrinter_->pageLayout());
        pdfPrinter_->setResolution(systemPrinter_->resolution());
    } else {
        // The geometry a printer-less system assumes: letter paper, quarter-inch edges.
        pdfPrinter_->setPageLayout(QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait,
                                               QMarginsF(0.25, 0.25, 0.25, 0.25),
                                               QPageLayout::Inch));
        pdfPrinter_->setResolution(kFallbackDpi);
    }
    pdfPrinter_->setFullPage(false);
    pdfPrinter_->setOutputFileName(outputFileName_);
    pdfPrinter_->setDocName(title_);
}

void TLinePrinter::requireIdle(const char* what) const
{
    if (Printing())
        throw ELinePrinter(QString::fromLatin1(what));
}

bool TLinePrinter::Printing() const
{
    return painter_ && painter_->isActive();
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
    const double f = measureUnit_ == muInches ? 1.0 : kInchPerMm;
    return roundEven(DpiX() * v * f);
}

int TLinePrinter::UnitsToPixelsY(double v) const
{
    const double f = measureUnit_ == muInches ? 1.0 : kInchPerMm;
    return roundEven(DpiY() * v * f);
}

double TLinePrinter::PixelsToUnitsX(int p) const
{
    const int dpi = DpiX() > 0 ? DpiX() : kFallbackDpi;
    const double in = double(p) / dpi;
    return measureUnit_ == muInches ? in : in * kMmPerInch;
}

double TLinePrinter::PixelsToUnitsY(int p) const
{
    const int dpi = DpiY() > 0 ? DpiY() : kFallbackDpi;
    const double in = double(p) / dpi;
    return measureUnit_ == muInches ? in : in * kMmPerInch;
}

double TLinePrinter::paperMeasure(int which) const
{
    if (!queryable())
        return kFallback[measureUnit_][which];
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
           UnitsToPixelsX(marginRight_ - RightEdge());
}

int TLinePrinter::TextAreaHeight() const
{
    return UnitsToPixelsY(PrintableHeight()) - TextAreaTop() -
           UnitsToPixelsY(marginBottom_ - BottomEdge());
}

// ---- property setters ----

void TLinePrinter::setMarginTop(float v)
{
    requireIdle("Unable to change top margin while printing");
    const float lo = TopOffset(), hi = PaperHeight() - BottomEdge();
    marginTop_ = v < lo ? lo : (v > hi ? hi : v);
}

void TLinePrinter::setMarginBottom(float v)
{
    requireIdle("Unable to change bottom margin while printing");
    const float lo = BottomEdge(), hi = PaperHeight() - TopOffset();
    marginBottom_ = v < lo ? lo : (v > hi ? hi : v);
}

void TLinePrinter::setMarginLeft(float v)
{
    requireIdle("Unable to change left margin while printing");
    const float lo = LeftOffset(), hi = PaperWidth() - RightEdge();
    marginLeft_ = v < lo ? lo : (v > hi ? hi : v);
}

void TLinePrinter::setMarginRight(float v)
{
    requireIdle("Unable to change right margin while printing");
    const float lo = RightEdge(), hi = PaperWidth() - LeftOffset();
    marginRight_ = v < lo ? lo : (v > hi ? hi : v);
}

void TLinePrinter::setMeasureUnit(TMeasureUnit v)
{
    if (v != measureUnit_) {
        measureUnit_ = v;
        const double f = v == muMillimeters ? kMmPerInch : kInchPerMm;
        if (Printing()) {
            // The margins are locked while printing; converting them keeps the
            // same physical lengths instead of reinterpreting them in the new unit.
            marginTop_ = float(marginTop_ * f);
            marginBottom_ = float(marginBottom_ * f);
            marginLeft_ = float(marginLeft_ * f);
            marginRight_ = float(marginRight_ * f);
        } else {
            setMarginTop(float(marginTop_ * f));
            setMarginBottom(float(marginBottom_ * f));
            setMarginLeft(float(marginLeft_ * f));
            setMarginRight(float(marginRight_ * f));
        }
        setBorderOffset(float(borderOffset_ * f));
        setDefaultColWidth(float(defaultColWidth_ * f));
    }
    if (!Printing()) {
        setMarginTop(marginTop_);
        setMarginBottom(marginBottom_);
        setMarginLeft(marginLeft_);
        setMarginRight(marginRight_);
    }
}

void TLinePrinter::setLineSpacing(TLineSpacing v)
{
    lineSpacing_ = v;
    computeLineHeight();
}

void TLinePrinter::setDefaultColWidth(float v)
{
    if (v < 0) {
        defaultColWidth_ = 0;
        throw ELinePrinter(QStringLiteral("DefaultColWidth must be greater than or equal to 0"));
    }
    defaultColWidth_ = v;
}

void TLinePrinter::setFont(const QFont& f)
{
    // Point sizes are realised at the device's resolution by QFontMetrics/QPainter.
    font_ = f;
    if (!queryable())
        return;
    if (Printing()) {
        painter_->setFont(font_);
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
    if (systemPrinter_)
        systemPrinter_->setPageOrientation(o);
    if (pdfPrinter_)
        pdfPrinter_->setPageOrientation(o);
}

void TLinePrinter::setTitle(const QString& v)
{
    requireIdle("Unable to change title while printing");
    title_ = v;
    if (systemPrinter_)
        systemPrinter_->setDocName(v);
    if (pdfPrinter_)
        pdfPrinter_->setDocName(v);
}

// ---- metrics ----

void TLinePrinter::readMetrics()
{
    const QFontMetrics fm(font_, device());
    charHeight_ = fm.height();
    externalLeading_ = std::max(0, fm.leading());
}

void TLinePrinter::computeLineHeight()
{
    int base = 10;
    if (Printing())
        base = charHeight_ + externalLeading_;
    else if (queryable())
        base = QFontMetrics(font_, device()).height();
    switch (lineSpacing_) {
    case lsHalfSpace:
        lineHeight_ = base / 2;
        break;
    case lsSingleSpace:
        lineHeight_ = base;
        break;
    case lsSingleAndAHalf:
        lineHeight_ = base + base / 2;
        break;
    case lsDoubleSpace:
        lineHeight_ = 2 * base;
        break;
    }
}

int TLinePrinter::TextWidth(const QString& text) const
{
    if (!queryable())
        return 0;
    return QFontMetrics(font_, device()).horizontalAdvance(text);
}

// ---- text helpers ----

QString TLinePrinter::ExpandTabs(const QString& text) const
{
    QString out;
    out.reserve(text.size());
    const int tab = std::max<uint>(tabSize_, 1);
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
        {QStringLiteral("{$LINE}"), QString::number(lineNumber_)},
        {QStringLiteral("{$PAGE}"), QString::number(pageNumber_)},
        {QStringLiteral("{$DATE}"), loc.toString(QDate::currentDate(), QLocale::ShortFormat)},
        {QStringLiteral("{$TIME}"), loc.toString(QTime::currentTime(), QLocale::LongFormat)},
        {QStringLiteral("{$TITLE}"), title_},
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
    p->setDocName(title_);
    painter_ = std::make_unique<QPainter>();
    if (!painter_->begin(p)) {
        painter_.reset();
        throw ELinePrinter(QStringLiteral("Unable to begin printing."));
    }
    pageNumber_ = 1;
    painter_->setFont(font_);
    readMetrics();
    UpdateProgress(QStringLiteral("Preparing to Print"));
    StartPage();
}

void TLinePrinter::EndDoc()
{
    UpdateProgress(QStringLiteral("Finished Printing"));
    const bool ok = painter_ && painter_->end();
    painter_.reset();
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
    ++pageNumber_;
    StartPage();
    return pageNumber_;
}

int TLinePrinter::NewLine()
{
    x_ = 0;
    y_ += lineHeight_;
    if (y_ + lineHeight_ < TextAreaHeight())
        ++lineNumber_;
    else
        NewPage();
    emit OnNewLine(this);
    return lineNumber_;
}

void TLinePrinter::StartPage()
{
    UpdateProgress(QStringLiteral("Currently Printing"));
    const QString savedFormat = tableFormat_;
    const bool savedGrid = tableGrid_;
    tableGrid_ = false;
    // Header and footer stand outside the text area and never advance the body;
    // a footer band narrower than a line would otherwise reach into the text
    // area, break the page and print the footer again without end.
    inHeaderFooter_ = true;
    try {
        if (!header_.isEmpty()) {
            const int band = TextAreaTop();
            y_ = (band - lineHeight_) / 2 - band;
            tableFormat_ = headerFormat_;
            WriteTableLine(header_);
        }
        if (!footer_.isEmpty()) {
            const int band = UnitsToPixelsY(marginBottom_ - BottomEdge());
            y_ = TextAreaHeight() + (band - lineHeight_) / 2;
            tableFormat_ = footerFormat_;
            WriteTableLine(footer_);
        }
    } catch (...) {
        inHeaderFooter_ = false;
        tableFormat_ = savedFormat;
        tableGrid_ = savedGrid;
        throw;
    }
    inHeaderFooter_ = false;
    tableFormat_ = savedFormat;
    tableGrid_ = savedGrid;
    x_ = 0;
    y_ = 0;
    lineNumber_ = 0;
    emit OnNewPage(this);
    emit OnNewLine(this);

    const int l = TextAreaLeft(), t = TextAreaTop(), w = TextAreaWidth(), h = TextAreaHeight();
    const int bx = UnitsToPixelsX(borderOffset_), by = UnitsToPixelsY(borderOffset_);
    const int hw = (DpiY() / 300) * 2, vw = (DpiX() / 300) * 2;
    if (pageBorders_ & pbTop)
        drawRule(l - by, t - by, l + w + by, t - by, hw);
    if (pageBorders_ & pbBottom)
        drawRule(l - by, t + h + by, l + w + by, t + h + by, hw);
    if (pageBorders_ & pbLeft)
        drawRule(l - bx, t - bx, l - bx, t + h + bx, vw);
    if (pageBorders_ & pbRight)
        drawRule(l + w + bx, t - bx, l + w + bx, t + h + bx, vw);
}

void TLinePrinter::drawRule(int x1, int y1, int x2, int y2, int width)
{
    if (!Printing())
        return;
    painter_->setPen(QPen(fontColor_, width, Qt::SolidLine, Qt::FlatCap));
    painter_->drawLine(x1, y1, x2, y2);
}

void TLinePrinter::WriteLine(const QString& text)
{
    const QString t = text.contains(QLatin1Char('\t')) ? ExpandTabs(text) : text;
    const int w = TextWidth(t);
    const int areaWidth = TextAreaWidth();
    // One character is printed even when too wide: splitting it again would never end.
    if (w > areaWidth && t.size() > 1) {
        if (wordWrap_)
            WrapLine(t);
        else
            WriteLine(FitText(t, areaWidth));
        return;
    }
    if (alignment_ == taRightJustify)
        x_ = areaWidth - w;
    else if (alignment_ == taCenter)
        x_ = (areaWidth - w) / 2;
    else
        x_ = 0;
    if (y_ + lineHeight_ >= TextAreaHeight())
        NewPage();
    if (Printing() && !t.isEmpty()) {
        painter_->setPen(fontColor_);
        painter_->drawText(
            QPoint(TextAreaLeft() + x_, TextAreaTop() + y_ + painter_->fontMetrics().ascent()), t);
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
    ColumnSpec cs{taLeftJustify, defaultColWidth_};
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
    const QStringList specs = tableFormat_.split(QLatin1Char('|'));
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
                painter_->setPen(fontColor_);
                painter_->drawText(
                    QPoint(x + offset, TextAreaTop() + y_ + painter_->fontMetrics().ascent()),
                    cell);
            }
            if (tableGrid_) {
                int lead = externalLeading_;
                switch (lineSpacing_) {
                case lsHalfSpace:
                    lead = externalLeading_ / 2;
                    break;
                case lsSingleSpace:
                    break;
                case lsSingleAndAHalf:
                    lead = roundEven(1.5 * externalLeading_);
                    break;
                case lsDoubleSpace:
                    lead = 2 * externalLeading_;
                    break;
                }
                const int yt = TextAreaTop() + y_ - lead;
                const int hw = (DpiY() / 300) * 2, vw = (DpiX() / 300) * 2;
                drawRule(x, yt, x + cw, yt, hw);
                drawRule(x, yt + lineHeight_, x + cw, yt + lineHeight_, hw);
                drawRule(x, yt, x, yt + lineHeight_, vw);
                drawRule(x + cw, yt, x + cw, yt + lineHeight_, vw);
            }
        }
        x += cw;
    }
    if (!inHeaderFooter_ && y_ >= 0 && y_ < TextAreaHeight())
        NewLine();
}

void TLinePrinter::PrintLines(bool tableMode)
{
    const QStringList lines = lines_; // callbacks may assign Lines meanwhile
    for (const QString& line : lines) {
        if (tableMode && !tableFormat_.isEmpty())
            WriteTableLine(line);
        else
            WriteLine(line);
    }
}

void TLinePrinter::UpdateProgress(const QString& text)
{
    if (showProgress_ && Printing()) {
        if (!progress_)
            progress_ = new TPrntProgDlg();
        if (!progress_->isVisible())
            progress_->show();
        if (!text.isEmpty())
            progress_->lblStatus->setText(text);
        progress_->lblTitle->setText(title_);
        progress_->lblPageNumber->setText(QString::number(pageNumber_));
        if (progress_->isVisible())
            progress_->repaint();
    } else if (progress_) {
        progress_->hide();
        delete progress_.data();
        progress_ = nullptr;
    }
}

} // namespace corv
