#pragma once

#include "platform/FocusService.h"
#include "platform/x11/XConnection.h"

#include <QString>

typedef struct _XDisplay Display;
class QSocketNotifier;

namespace corv
{

// The focused window as the window manager names it in _NET_ACTIVE_WINDOW
// on the root window, followed through property changes (never polled) on a
// private Xlib connection whose events are read on the GUI thread. The active
// window's WM_CLASS and title are watched too, so a new title is a new
// focus. When the X server goes away this says so once on standard error
// and stops: current() is none from then on.
class X11FocusService : public FocusService
{
    Q_OBJECT
public:
    // Without a reachable display the service is not available.
    explicit X11FocusService(const QString& display = {}, QObject* parent = nullptr);
    ~X11FocusService() override;

    bool available() const override;
    FocusedWindow current() const override { return current_; }

private:
    void readEvents();
    // Whether the window manager announces the active window.
    void readSupport();
    // Reads the active window and its properties again; announce says
    // whether a change is emitted.
    void refresh(bool announce);
    // The window that carries the class: w itself, or for a frame without
    // one its first child that has it.
    unsigned long clientOf(unsigned long w) const;
    bool hasProperty(unsigned long w, unsigned long property) const;
    FocusedWindow describe(unsigned long w) const;
    void connectionLost();

    XConnection connection_;
    Display* dpy_ = nullptr; // connection_'s; null when it could not be opened
    unsigned long root_ = 0;
    unsigned long netSupported_ = 0;
    unsigned long netActiveWindow_ = 0;
    unsigned long netWmName_ = 0;
    unsigned long utf8String_ = 0;
    // The window whose property changes we asked for; 0 for none.
    unsigned long watched_ = 0;
    bool supported_ = false;
    QSocketNotifier* notifier_ = nullptr;
    FocusedWindow current_;
};

} // namespace corv
