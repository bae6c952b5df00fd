#include "runtime/components/TNoTask.h"

#include <QEvent>
#include <QGuiApplication>
#include <QWidget>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <vector>

namespace corv
{

namespace
{

constexpr long NetWmStateRemove = 0;
constexpr long NetWmStateAdd = 1;
constexpr long SourceApplication = 1;

// A window the window manager does not manage yet: edit the property itself,
// keeping every other state in it. Qt merges its own states into it on map.
void setUnmappedState(Display* dpy, Window win, Atom state, Atom skip, bool on)
{
    std::vector<Atom> atoms;
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(dpy, win, state, 0, 1024, False, XA_ATOM, &type, &format, &count, &after,
                           &data) == Success &&
        data) {
        if (type == XA_ATOM && format == 32) {
            const auto* values = reinterpret_cast<const Atom*>(data);
            for (unsigned long i = 0; i < count; ++i) {
                if (values[i] != skip)
                    atoms.push_back(values[i]);
            }
        }
        XFree(data);
    }
    if (on)
        atoms.push_back(skip);
    XChangeProperty(dpy, win, state, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(atoms.data()),
                    static_cast<int>(atoms.size()));
}

// A managed window: ask the window manager, as EWMH requires.
void requestState(Display* dpy, Window win, Atom state, Atom skip, bool on)
{
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = win;
    ev.xclient.message_type = state;
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = on ? NetWmStateAdd : NetWmStateRemove;
    ev.xclient.data.l[1] = static_cast<long>(skip);
    ev.xclient.data.l[3] = SourceApplication;
    XSendEvent(dpy, DefaultRootWindow(dpy), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &ev);
}

} // namespace

TNoTask::TNoTask(QWidget* owner) : QObject(owner), owner_(owner)
{
    if (owner)
        owner->installEventFilter(this);
}

void TNoTask::SetHideForm(bool value)
{
    hideForm_ = value;
    apply();
}

bool TNoTask::eventFilter(QObject* watched, QEvent* event)
{
    // Qt sends Show before it maps the window: the state must be in place by
    // then, and window managers drop it when a window is withdrawn.
    if (watched == owner_ && event->type() == QEvent::Show)
        apply();
    return QObject::eventFilter(watched, event);
}

void TNoTask::apply()
{
    if (!owner_ || !owner_->testAttribute(Qt::WA_WState_Created))
        return;
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->display())
        return;
    Display* dpy = x11->display();
    const Window win = static_cast<Window>(owner_->winId());
    const Atom state = XInternAtom(dpy, "_NET_WM_STATE", False);
    const Atom skip = XInternAtom(dpy, "_NET_WM_STATE_SKIP_TASKBAR", False);
    XWindowAttributes attrs{};
    const bool mapped = XGetWindowAttributes(dpy, win, &attrs) && attrs.map_state != IsUnmapped;
    if (mapped)
        requestState(dpy, win, state, skip, hideForm_);
    else
        setUnmappedState(dpy, win, state, skip, hideForm_);
    XFlush(dpy);
}

} // namespace corv
