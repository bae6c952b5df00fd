#pragma once

#include <QColor>
#include <QFont>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <memory>
#include <stdexcept>

class QPrinter;
class QPainter;

namespace corv
{

class TPrntProgDlg;

// Failure of a print operation; what() is the message shown to the user.
class ELinePrinter : public std::runtime_error
{
public:
    explicit ELinePrinter(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message)
    {
    }
    QString message() const { return message_; }

private:
    QString message_;
};

// Prints plain text line by line (body lines, table lines, header, footer,
// borders) onto the default printer, or into a PDF file when OutputFileName
// is set. Lengths are in MeasureUnit; drawing is in printer pixels.
class TLinePrinter : public QObject
{
    Q_OBJECT
public:
    enum TMeasureUnit { muInches, muMillimeters };
    Q_ENUM(TMeasureUnit)
    enum TLineSpacing { lsHalfSpace, lsSingleSpace, lsSingleAndAHalf, lsDoubleSpace };
    Q_ENUM(TLineSpacing)
    enum TAlignment { taLeftJustify, taRightJustify, taCenter };
    Q_ENUM(TAlignment)
    enum TPrinterOrientation { poPortrait, poLandscape };
    Q_ENUM(TPrinterOrientation)
    enum TPageBorderStyle { pbTop = 0x1, pbBottom = 0x2, pbLeft = 0x4, pbRight = 0x8 };
    Q_DECLARE_FLAGS(TPageBorders, TPageBorderStyle)
    Q_FLAG(TPageBorders)

    Q_PROPERTY(float MarginTop READ MarginTop WRITE setMarginTop)
    Q_PROPERTY(float MarginBottom READ MarginBottom WRITE setMarginBottom)
    Q_PROPERTY(float MarginLeft READ MarginLeft WRITE setMarginLeft)
    Q_PROPERTY(float MarginRight READ MarginRight WRITE setMarginRight)
    Q_PROPERTY(TMeasureUnit MeasureUnit READ MeasureUnit WRITE setMeasureUnit)
    Q_PROPERTY(TLineSpacing LineSpacing READ LineSpacing WRITE setLineSpacing)
    Q_PROPERTY(uint TabSize READ TabSize WRITE setTabSize)
    Q_PROPERTY(bool WordWrap READ WordWrap WRITE setWordWrap)
    Q_PROPERTY(QStringList Lines READ Lines WRITE setLines)
    Q_PROPERTY(TAlignment Alignment READ Alignment WRITE setAlignment)
    Q_PROPERTY(QString Header READ Header WRITE setHeader)
    Q_PROPERTY(QString Footer READ Footer WRITE setFooter)
    Q_PROPERTY(QString HeaderFormat READ HeaderFormat WRITE setHeaderFormat)
    Q_PROPERTY(QString FooterFormat READ FooterFormat WRITE setFooterFormat)
    Q_PROPERTY(QString TableFormat READ TableFormat WRITE setTableFormat)
    Q_PROPERTY(float DefaultColWidth READ DefaultColWidth WRITE setDefaultColWidth)
    Q_PROPERTY(bool TableGrid READ TableGrid WRITE setTableGrid)
    Q_PROPERTY(TPageBorders PageBorders READ PageBorders WRITE setPageBorders)
    Q_PROPERTY(float BorderOffset READ BorderOffset WRITE setBorderOffset)
    Q_PROPERTY(bool ShowProgress READ ShowProgress WRITE setShowProgress)
    Q_PROPERTY(QFont Font READ Font WRITE setFont)
    Q_PROPERTY(QColor FontColor READ FontColor WRITE setFontColor)
    Q_PROPERTY(TPrinterOrientation Orientation READ Orientation WRITE setOrientation)
    Q_PROPERTY(QString Title READ Title WRITE setTitle)
    Q_PROPERTY(QString OutputFileName READ OutputFileName WRITE setOutputFileName)
    Q_PROPERTY(bool Printing READ Printing)
    Q_PROPERTY(int PageNumber READ PageNumber)
    Q_PROPERTY(int LineNumber READ LineNumber)

    explicit TLinePrinter(QObject* owner = nullptr);
    ~TLinePrinter() override;

    float MarginTop() const { return marginTop_; }
    float MarginBottom() const { return marginBottom_; }
    float MarginLeft() const { return marginLeft_; }
    float MarginRight() const { return marginRight_; }
    void setMarginTop(float v);
    void setMarginBottom(float v);
    void setMarginLeft(float v);
    void setMarginRight(float v);
    TMeasureUnit MeasureUnit() const { return measureUnit_; }
    void setMeasureUnit(TMeasureUnit v);
    TLineSpacing LineSpacing() const { return lineSpacing_; }
    void setLineSpacing(TLineSpacing v);
    uint TabSize() const { return tabSize_; }
    void setTabSize(uint v) { tabSize_ = v; }
    bool WordWrap() const { return wordWrap_; }
    void setWordWrap(bool v) { wordWrap_ = v; }
    QStringList Lines() const { return lines_; }
    void setLines(const QStringList& v) { lines_ = v; }
    TAlignment Alignment() const { return alignment_; }
    void setAlignment(TAlignment v) { alignment_ = v; }
    QString Header() const { return header_; }
    void setHeader(const QString& v) { header_ = v; }
    QString Footer() const { return footer_; }
    void setFooter(const QString& v) { footer_ = v; }
    QString HeaderFormat() const { return headerFormat_; }
    void setHeaderFormat(const QString& v) { headerFormat_ = v; }
    QString FooterFormat() const { return footerFormat_; }
    void setFooterFormat(const QString& v) { footerFormat_ = v; }
    QString TableFormat() const { return tableFormat_; }
    void setTableFormat(const QString& v) { tableFormat_ = v; }
    float DefaultColWidth() const { return defaultColWidth_; }
    void setDefaultColWidth(float v);
    bool TableGrid() const { return tableGrid_; }
    void setTableGrid(bool v) { tableGrid_ = v; }
    TPageBorders PageBorders() const { return pageBorders_; }
    void setPageBorders(TPageBorders v) { pageBorders_ = v; }
    float BorderOffset() const { return borderOffset_; }
    void setBorderOffset(float v) { borderOffset_ = v; }
    bool ShowProgress() const { return showProgress_; }
    void setShowProgress(bool v) { showProgress_ = v; }
    QFont Font() const { return font_; }
    void setFont(const QFont& f);
    QColor FontColor() const { return fontColor_; }
    void setFontColor(const QColor& c) { fontColor_ = c; }
    TPrinterOrientation Orientation() const;
    void setOrientation(TPrinterOrientation v);
    QString Title() const { return title_; }
    void setTitle(const QString& v);
    // Empty: print on the default printer. Otherwise render into this PDF file.
    QString OutputFileName() const { return outputFileName_; }
    void setOutputFileName(const QString& v);

    bool Printing() const;
    int PageNumber() const { return pageNumber_; }
    int LineNumber() const { return lineNumber_; }

    void BeginDoc();
    void EndDoc();
    int NewPage();
    int NewLine();
    void WriteLine(const QString& text);
    void WriteTableLine(const QString& text);
    void PrintLines(bool tableMode);

    // Geometry queries, in the current unit (fallback values without a printer).
    float PaperWidth() const;
    float PaperHeight() const;
    float PrintableWidth() const;
    float PrintableHeight() const;
    float LeftOffset() const;
    float TopOffset() const;
    float RightEdge() const { return PaperWidth() - PrintableWidth() - LeftOffset(); }
    float BottomEdge() const { return PaperHeight() - PrintableHeight() - TopOffset(); }
    int DpiX() const;
    int DpiY() const;
    int UnitsToPixelsX(double v) const;
    int UnitsToPixelsY(double v) const;
    double PixelsToUnitsX(int p) const;
    double PixelsToUnitsY(int p) const;
    // Text area in printer pixels, relative to the printable area's corner.
    int TextAreaLeft() const { return UnitsToPixelsX(marginLeft_ - LeftOffset()); }
    int TextAreaTop() const { return UnitsToPixelsY(marginTop_ - TopOffset()); }
    int TextAreaWidth() const;
    int TextAreaHeight() const;
    int LineHeight() const { return lineHeight_; }
    // Width of a text in the printer font; 0 when the printer can't be queried.
    int TextWidth(const QString& text) const;
    QString ExpandTabs(const QString& text) const;
    QString FitText(const QString& text, int maxWidth) const;
    QString ExpandCodes(const QString& cell) const;

signals:
    void OnBeginDoc(TLinePrinter* sender);
    void OnEndDoc(TLinePrinter* sender);
    void OnNewLine(TLinePrinter* sender);
    void OnNewPage(TLinePrinter* sender);

private:
    struct ColumnSpec {
        TAlignment align;
        double width;
    };
    QPrinter* device() const;
    bool queryable() const { return device() != nullptr; }
    void createPdfPrinter();
    void realiseFont();
    void readMetrics();
    void computeLineHeight();
    void StartPage();
    void WrapLine(const QString& text);
    void UpdateProgress(const QString& text);
    void drawRule(int x1, int y1, int x2, int y2, int width);
    ColumnSpec ParseColumnSpec(const QString& spec) const;
    double paperMeasure(int which) const;
    void requireIdle(const char* what) const;

    std::unique_ptr<QPrinter> systemPrinter_; // null when none is installed
    std::unique_ptr<QPrinter> pdfPrinter_;    // set while OutputFileName is
    std::unique_ptr<QPainter> painter_;       // open while a document is
    QPointer<TPrntProgDlg> progress_;

    float marginTop_ = 0, marginBottom_ = 0, marginLeft_ = 0, marginRight_ = 0;
    TMeasureUnit measureUnit_ = muInches;
    TLineSpacing lineSpacing_ = lsSingleSpace;
    uint tabSize_ = 8;
    bool wordWrap_ = true;
    QStringList lines_;
    TAlignment alignment_ = taLeftJustify;
    QString header_, footer_, headerFormat_, footerFormat_, tableFormat_;
    float defaultColWidth_ = 0;
    bool tableGrid_ = false;
    TPageBorders pageBorders_;
    float borderOffset_ = 0;
    bool showProgress_ = false;
    QFont font_;
    QColor fontColor_ = Qt::black;
    QString title_;
    QString outputFileName_;

    int charHeight_ = 0, externalLeading_ = 0;
    int lineHeight_ = 10;
    int x_ = 0, y_ = 0;
    int pageNumber_ = 0, lineNumber_ = 0;
    bool inHeaderFooter_ = false;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TLinePrinter::TPageBorders)

} // namespace corv
