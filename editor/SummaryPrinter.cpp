#include "editor/SummaryPrinter.h"

#include "widgets/TLinePrinter.h"

#include <QPrinterInfo>

namespace corv::editor
{

bool HasDefaultPrinter()
{
    return !QPrinterInfo::defaultPrinter().isNull();
}

QString PrintSummary(const QStringList& lines, const QString& pdfFile)
{
    try {
        TLinePrinter printer;
        printer.setTabSize(30);
        QFont font(QStringLiteral("Courier New"), 12);
        // Where Courier New is missing, another fixed-pitch font keeps the columns.
        font.setStyleHint(QFont::TypeWriter);
        font.setFixedPitch(true);
        printer.setFont(font);
        if (!pdfFile.isEmpty())
            printer.setOutputFileName(pdfFile);
        printer.setLines(lines);
        printer.BeginDoc();
        printer.PrintLines(false);
        printer.EndDoc();
    } catch (const ELinePrinter& e) {
        return e.message();
    } catch (const std::exception& e) {
        return QString::fromLocal8Bit(e.what());
    }
    return QString();
}

} // namespace corv::editor
