#pragma once

#include <QMessageBox>
#include <QString>
#include <QSystemTrayIcon>

namespace corv
{

// How corvplay tells the user what went wrong: a modal box that is also
// written to standard error, so a start from a terminal or a script says it
// too, or the lines on standard error alone.
class Messages
{
public:
    // The hint, the cause and what to do about it, is a second line and the
    // box's detail.
    static void ShowMessage(QMessageBox::Icon icon, const QString& title, const QString& text,
                            const QString& hint = {});
    static void PrintMessage(const QString& text, const QString& hint = {});

    // Off where nobody could see or answer a box (no display, or a platform
    // without windows): the lines on standard error are then the message.
    static inline bool MessageBoxes = true;
    // Whether a notification area can show the icon; without one Disable
    // leaves the window up, greyed, as the way back. Tests replace it.
    static inline bool (*NotificationArea)() = &QSystemTrayIcon::isSystemTrayAvailable;
};

} // namespace corv
