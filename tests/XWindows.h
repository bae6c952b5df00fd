#pragma once

// Windows of the programs under test on the test X server, found and handled
// through Xlib. Include after Qt's headers: X11's macros would break them.
#include <QByteArray>
#include <QList>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

// The test X server, or null. The programs' windows come and go while they
// are looked at, so a request about one that has gone is no error.
inline Display* openDisplay()
{
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    return XOpenDisplay(nullptr);
}

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

// The viewable window with this title that the process owns, or 0.
inline Window findWindow(Display* dpy, qint64 pid, const QByteArray& title)
{
    for (Window w : windowsOfPid(dpy, DefaultRootWindow(dpy), pid)) {
        if (windowName(dpy, w) == title && viewable(dpy, w))
            return w;
    }
    return 0;
}

// Asks a window to close, as a window manager's close box does.
inline void closeWindow(Display* dpy, Window w)
{
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = w;
    ev.xclient.message_type = XInternAtom(dpy, "WM_PROTOCOLS", False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = long(XInternAtom(dpy, "WM_DELETE_WINDOW", False));
    ev.xclient.data.l[1] = CurrentTime;
    XSendEvent(dpy, w, False, NoEventMask, &ev);
    XFlush(dpy);
}
