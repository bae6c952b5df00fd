#pragma once

#include <QString>
#include <QStringList>

namespace corv::editor
{

// Whether the system has a default printer to print on.
bool HasDefaultPrinter();

// Prints the summary lines as body lines, tabs every 30 characters, in a
// Courier font of 12 points: on the default printer, or into pdfFile when it
// is not empty. Returns an empty text when it printed, else the printer's
// message; it never throws, so a printer failure cannot end the editor.
QString PrintSummary(const QStringList& lines, const QString& pdfFile = {});

} // namespace corv::editor
