#pragma once

// The windows of a corvplay process on the test X server. Include after
// Qt's headers: X11's macros would break them.
#include "CorvplayProcess.h"

#include "XWindows.h"

#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

// Presses and releases the key of sym, as a user would.
inline void tapKey(Display* dpy, KeySym sym)
{
    const KeyCode code = XKeysymToKeycode(dpy, sym);
    XTestFakeKeyEvent(dpy, code, True, CurrentTime);
    XTestFakeKeyEvent(dpy, code, False, CurrentTime);
    XSync(dpy, False);
}

// A right click at (x, y) of window w, as a user would.
inline void rightClick(Display* dpy, Window w, int x, int y)
{
    int rootX = 0;
    int rootY = 0;
    Window child = 0;
    XTranslateCoordinates(dpy, w, DefaultRootWindow(dpy), x, y, &rootX, &rootY, &child);
    XTestFakeMotionEvent(dpy, DefaultScreen(dpy), rootX, rootY, CurrentTime);
    XTestFakeButtonEvent(dpy, 3, True, CurrentTime);
    XTestFakeButtonEvent(dpy, 3, False, CurrentTime);
    XSync(dpy, False);
}

// A popup of the process, such as its menu, is on screen.
inline bool popupShown(Display* dpy, qint64 pid)
{
    for (Window w : windowsOfPid(dpy, DefaultRootWindow(dpy), pid)) {
        if (viewable(dpy, w) && overrideRedirect(dpy, w))
            return true;
    }
    return false;
}

// Chooses Shutdown in the open menu from the keyboard: up from the bottom,
// past Cancel.
inline void chooseShutdown(Display* dpy)
{
    tapKey(dpy, XK_Up);
    tapKey(dpy, XK_Up);
    tapKey(dpy, XK_Return);
}

// A run on the test X server, with its mode window once it is on screen.
class Corvplay : public CorvplayProcess
{
public:
    Window modeWindow(Display* dpy) const
    {
        if (process.state() != QProcess::Running)
            return 0;
        return findWindow(dpy, process.processId(), "Corvane");
    }
};
