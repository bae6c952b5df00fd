#include "platform/x11/XConnection.h"

#include <X11/Xlib.h>
#include <mutex>
#include <set>
#include <utility>

namespace corv
{

namespace
{

// The I/O error handler is one for the whole process: it stays quiet for
// our own connections, whose owners say what the loss means, and leaves
// every other connection (the toolkit's) to the handler it had before.
std::mutex gMutex;
std::set<Display*> gOurs;
XIOErrorHandler gPrevious = nullptr;
bool gInstalled = false;

// Held until an XConnection takes it; one nobody took goes with the process.
Display* gSpare = nullptr;

int quietForOurs(Display* dpy)
{
    XIOErrorHandler previous = nullptr;
    {
        const std::lock_guard lock(gMutex);
        if (gOurs.count(dpy))
            return 0;
        previous = gPrevious;
    }
    return previous ? previous(dpy) : 0;
}

} // namespace

void XConnection::keepSpare(Display* dpy)
{
    Display* old = nullptr;
    {
        const std::lock_guard lock(gMutex);
        old = std::exchange(gSpare, dpy);
    }
    if (old)
        XCloseDisplay(old);
}

XConnection::XConnection(const QString& name)
{
    if (name.isEmpty()) {
        const std::lock_guard lock(gMutex);
        std::swap(dpy_, gSpare);
    }
    const QByteArray native = name.toLocal8Bit();
    if (!dpy_)
        dpy_ = XOpenDisplay(name.isEmpty() ? nullptr : native.constData());
    if (!dpy_)
        return;
    {
        const std::lock_guard lock(gMutex);
        gOurs.insert(dpy_);
        if (!gInstalled) {
            gPrevious = XSetIOErrorHandler(quietForOurs);
            gInstalled = true;
        }
    }
    XSetIOErrorExitHandler(dpy_, &XConnection::connectionBroke, this);
}

XConnection::~XConnection()
{
    if (!dpy_)
        return;
    // After a loss this only frees the client side.
    XCloseDisplay(dpy_);
    const std::lock_guard lock(gMutex);
    gOurs.erase(dpy_);
}

QString XConnection::name() const
{
    return dpy_ ? QString::fromLocal8Bit(DisplayString(dpy_)) : QString();
}

void XConnection::connectionBroke(Display*, void* self)
{
    // Returning here, instead of exiting, makes the Xlib call that found the
    // break return as if empty.
    auto* connection = static_cast<XConnection*>(self);
    if (connection->lost_)
        return;
    connection->lost_ = true;
    if (connection->onLost_)
        connection->onLost_();
}

} // namespace corv
