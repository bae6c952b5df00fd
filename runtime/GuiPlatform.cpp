#include "runtime/GuiPlatform.h"

#include "platform/Platform.h"
#include "runtime/Messages.h"

#include <QGuiApplication>

namespace corv
{

namespace
{

bool unreachableDisplay()
{
    Messages::PrintMessage(
        QStringLiteral("cannot connect to display %1").arg(qEnvironmentVariable("DISPLAY")),
        QStringLiteral("check that the X server runs and that DISPLAY (and XAUTHORITY) name it, "
                       "or unset DISPLAY to play without a window"));
    return false;
}

} // namespace

bool GuiPlatform::Choose()
{
    const QString chosen = qEnvironmentVariable("QT_QPA_PLATFORM");
    const bool x = !qEnvironmentVariableIsEmpty("DISPLAY");
    const bool wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (!chosen.isEmpty()) {
        // The user's choice; only a display it cannot reach is ours to tell.
        if (chosen == u"xcb" && !Platform::displayReachable())
            return unreachableDisplay();
        return true;
    }
    if (!x && !wayland) {
        // A dry run still plays the template without any display.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return true;
    }
    if (x && Platform::displayReachable()) {
        // Keys are typed and the hot key grabbed through X, and only X lets
        // the window keep its place, so X is taken where both are offered.
        qputenv("QT_QPA_PLATFORM", "xcb");
        return true;
    }
    if (wayland) {
        qputenv("QT_QPA_PLATFORM", "wayland;offscreen");
        waylandFallback_ = true;
        return true;
    }
    return unreachableDisplay();
}

void GuiPlatform::Settle()
{
    const QString name = QGuiApplication::platformName();
    if (Unattended(name))
        Messages::MessageBoxes = false;
    if (waylandFallback_ && name != u"wayland")
        Messages::PrintMessage(
            QStringLiteral("no usable Qt platform plugin for Wayland; running without a window"),
            QStringLiteral("install qt6-wayland, or start from an X session"));
}

bool GuiPlatform::Unattended(const QString& platformName)
{
    return platformName == u"offscreen" || platformName == u"minimal";
}

} // namespace corv
