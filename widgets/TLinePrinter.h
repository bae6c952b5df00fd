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
class TPrntProgDlg;

// Failure of a print operation; what() is the message shown to the user.
class ELinePrinter : public std::runtime_error
{
public:
    explicit ELinePrinter(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {
    }
    QString message() const { return m_message; }

private:
    QString m_message;
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

    float MarginTop() const { return m_marginTop; }
    float MarginBottom() const { return m_marginBottom; }
    float MarginLeft() const { return m_marginLeft; }
    float MarginRight() const { return m_marginRight; }
    void setMarginTop(float v);
    void setMarginBottom(float v);
    void setMarginLeft(float v);
    void setMarginRight(float v);
    TMeasureUnit MeasureUnit() const { return m_measureUnit; }
    void setMeasureUnit(TMeasureUnit v);
    TLineSpacing LineSpacing() const { return m_lineSpacing; }
    void setLineSpacing(TLineSpacing v);
    uint TabSize() const { return m_tabSize; }
    void setTabSize(uint v) { m_tabSize = v; }
    bool WordWrap() const { return m_wordWrap; }
    void setWordWrap(bool v) { m_wordWrap = v; }
    QStringList Lines() const { return m_lines; }
    void setLines(const QStringList& v) { m_lines = v; }
    TAlignment Alignment() const { return m_alignment; }
    void setAlignment(TAlignment v) { m_alignment = v; }
    QString Header() const { return m_header; }
    void setHeader(const QString& v) { m_header = v; }
    QString Footer() const { return m_footer; }
    void setFooter(const QString& v) { m_footer = v; }
    QString HeaderFormat() const { return m_headerFormat; }
    void setHeaderFormat(const QString& v) { m_headerFormat = v; }
    QString FooterFormat() const { return m_footerFormat; }
    void setFooterFormat(const QString& v) { m_footerFormat = v; }
    QString TableFormat() const { return m_tableFormat; }
    void setTableFormat(const QString& v) { m_tableFormat = v; }
    float DefaultColWidth() const { return m_defaultColWidth; }
    void setDefaultColWidth(float v);
    bool TableGrid() const { return m_tableGrid; }
    void setTableGrid(bool v) { m_tableGrid = v; }
    TPageBorders PageBorders() const { return m_pageBorders; }
    void setPageBorders(TPageBorders v) { m_pageBorders = v; }
    float BorderOffset() const { return m_borderOffset; }
    void setBorderOffset(float v) { m_borderOffset = v; }
    bool ShowProgress() const { return m_showProgress; }
    void setShowProgress(bool v) { m_showProgress = v; }
    QFont Font() const { return m_font; }
    void setFont(const QFont& f);
    QColor FontColor() const { return m_fontColor; }
    void setFontColor(const QColor& c) { m_fontColor = c; }
    TPrinterOrientation Orientation() const;
    void setOrientation(TPrinterOrientation v);
    QString Title() const { return m_title; }
    void setTitle(const QString& v);
    // Empty: print on the default printer. Otherwise render into this PDF file.
    QString OutputFileName() const { return m_outputFileName; }
    void setOutputFileName(const QString& v);

    bool Printing() const;
    int PageNumber() const { return m_pageNumber; }
    int LineNumber() const { return m_lineNumber; }

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
    int TextAreaLeft() const { return UnitsToPixelsX(m_marginLeft - LeftOffset()); }
    int TextAreaTop() const { return UnitsToPixelsY(m_marginTop - TopOffset()); }
    int TextAreaWidth() const;
    int TextAreaHeight() const;
    int LineHeight() const { return m_lineHeight; }
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

    std::unique_ptr<QPrinter> m_systemPrinter; // null when none is installed
    std::unique_ptr<QPrinter> m_pdfPrinter;    // set while OutputFileName is
    std::unique_ptr<QPainter> m_painter;       // open while a document is
    QPointer<TPrntProgDlg> m_progress;

    float m_marginTop = 0, m_marginBottom = 0, m_marginLeft = 0, m_marginRight = 0;
    TMeasureUnit m_measureUnit = muInches;
    TLineSpacing m_lineSpacing = lsSingleSpace;
    uint m_tabSize = 8;
    bool m_wordWrap = true;
    QStringList m_lines;
    TAlignment m_alignment = taLeftJustify;
    QString m_header, m_footer, m_headerFormat, m_footerFormat, m_tableFormat;
    float m_defaultColWidth = 0;
    bool m_tableGrid = false;
    TPageBorders m_pageBorders;
    float m_borderOffset = 0;
    bool m_showProgress = false;
    QFont m_font;
    QColor m_fontColor = Qt::black;
    QString m_title;
    QString m_outputFileName;

    int m_charHeight = 0, m_externalLeading = 0;
    int m_lineHeight = 10;
    int m_x = 0, m_y = 0;
    int m_pageNumber = 0, m_lineNumber = 0;
    bool m_inHeaderFooter = false;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TLinePrinter::TPageBorders)
