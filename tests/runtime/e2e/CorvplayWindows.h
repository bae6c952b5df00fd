#pragma once

// The windows of a corvplay process on the test X server. Include after
// Qt's headers: X11's macros would break them.
#include "CorvplayProcess.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

// Reads a list property of 32-bit values; empty when absent.
inline QList<unsigned long> longProperty(Display* dpy, Window w, const char* name, Atom type)
{
    QList<unsigned long> values;
    Atom actual = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(dpy, w, XInternAtom(dpy, name, False), 0, 64, False, type, &actual,
                           &format, &count, &after, &data) == Success &&
        data) {
        if (format == 32) {
            const auto* v = reinterpret_cast<const unsigned long*>(data);
            values = QList<unsigned long>(v, v + count);
        }
        XFree(data);
    }
    return values;
}

inline QByteArray windowName(Display* dpy, Window w)
{
    char* name = nullptr;
    QByteArray result;
    if (XFetchName(dpy, w, &name) && name) {
        result = name;
        XFree(name);
    }
    return result;
}

inline QList<Window> children(Display* dpy, Window w)
{
    Window root = 0;
    Window parent = 0;
    Window* kids = nullptr;
    unsigned count = 0;
    QList<Window> result;
    if (XQueryTree(dpy, w, &root, &parent, &kids, &count) && kids) {
        result = QList<Window>(kids, kids + count);
        XFree(kids);
    }
    return result;
}

inline Window parentOf(Display* dpy, Window w)
{
    Window root = 0;
    Window parent = 0;
    Window* kids = nullptr;
    unsigned count = 0;
    if (XQueryTree(dpy, w, &root, &parent, &kids, &count) && kids)
        XFree(kids);
    return parent;
}

inline bool viewable(Display* dpy, Window w)
{
    XWindowAttributes a{};
    return XGetWindowAttributes(dpy, w, &a) && a.map_state == IsViewable;
}

// Popups such as menus place themselves, past any window manager.
inline bool overrideRedirect(Display* dpy, Window w)
{
    XWindowAttributes a{};
    return XGetWindowAttributes(dpy, w, &a) && a.override_redirect;
}

// Every window below `from` (depth first) that a process with this pid owns.
inline QList<Window> windowsOfPid(Display* dpy, Window from, qint64 pid)
{
    QList<Window> found;
    for (Window w : children(dpy, from)) {
        if (longProperty(dpy, w, "_NET_WM_PID", XA_CARDINAL).value(0) == quint64(pid))
            found << w;
        found << windowsOfPid(dpy, w, pid);
    }
    return found;
}

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
        for (Window w : windowsOfPid(dpy, DefaultRootWindow(dpy), process.processId())) {
            if (windowName(dpy, w) == "Corvane" && viewable(dpy, w))
                return w;
        }
        return 0;
    }
};
