#pragma once

#include <QObject>
#include <QString>

namespace corv
{

// The window that has the keyboard focus, as the desktop names it.
struct FocusedWindow {
    // WM_CLASS: the instance ("xterm") and the class ("XTerm").
    QString instance;
    QString windowClass;
    QString title;
    // Empty when no window has the focus (the desktop, or no window manager).
    bool isNone() const { return instance.isEmpty() && windowClass.isEmpty() && title.isEmpty(); }
    bool operator==(const FocusedWindow&) const = default;
};

// Follows the focused window. The X11 backend reads it from the window
// manager; a Wayland compositor's own protocol can be added beside it
// without the player knowing.
class FocusService : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~FocusService() override = default;

    // False when the focus cannot be followed here (no display, no window
    // manager that announces the active window); current() is then none.
    virtual bool available() const = 0;
    virtual FocusedWindow current() const = 0;

signals:
    // Another window has the focus, or the focused window's class or title
    // changed. Emitted from the event loop, once the new state is current().
    void focusChanged(const corv::FocusedWindow& window);
};

} // namespace corv
