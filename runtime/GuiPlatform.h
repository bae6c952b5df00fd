#pragma once

#include <QString>

namespace corv
{

// Picks the Qt platform of the mode window before the application exists,
// so that a display that cannot be reached is a message and status 1, not
// an abort inside Qt, and tells start-up whether anybody can answer a box.
class GuiPlatform
{
public:
    // Sets QT_QPA_PLATFORM where the user has not. False, with the reason
    // and what to do on standard error, when the X display is unreachable.
    static bool Choose();
    // Once the application exists: no boxes where nobody can see them, and a
    // warning when Wayland had to fall back to no window at all.
    static void Settle();
    // Platforms that show nothing to anybody.
    static bool Unattended(const QString& platformName);

private:
    static inline bool waylandFallback_ = false;
};

} // namespace corv
