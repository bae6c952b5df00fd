#pragma once

#include <QString>
#include <QUrl>

namespace corv::editor
{

// The user manual shipped with the running program; empty when it is missing.
QUrl ManualUrl();
// The same, for a program in programDir.
QUrl ManualUrl(const QString& programDir);

// Opens the manual in the desktop's browser.
void OpenManual();

} // namespace corv::editor
