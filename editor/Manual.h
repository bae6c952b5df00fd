#pragma once

#include <QString>
#include <QUrl>

namespace corv::editor
{

// Where the manual stands relative to the program's folder, both installed
// (<prefix>/bin and <prefix>/share/doc/corvane/manual) and in the build tree.
inline constexpr char ManualRelativePath[] = "../share/doc/corvane/manual/index.html";

// The user manual shipped with the running program; empty when it is missing.
QUrl ManualUrl();
// The same, for a program in programDir.
QUrl ManualUrl(const QString& programDir);

} // namespace corv::editor
