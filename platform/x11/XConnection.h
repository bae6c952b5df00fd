#pragma once

#include <QString>
#include <functional>

typedef struct _XDisplay Display;

namespace corv
{

// An Xlib connection of our own that outlives the X server. Xlib's answer to
// a broken connection is a message and the end of the process; here the
// owner is told instead, once, from inside the Xlib call that found the
// break, and may go on without the display. Xlib calls on it do nothing
// from then on.
class XConnection
{
public:
    // Opens the display named, or $DISPLAY when empty; display() is null
    // when that fails.
    explicit XConnection(const QString& name = {});
    ~XConnection();
    XConnection(const XConnection&) = delete;
    XConnection& operator=(const XConnection&) = delete;

    // Keeps a connection to $DISPLAY opened before any XConnection (to
    // learn whether the display can be reached at all) for the first
    // XConnection to $DISPLAY, which takes it over instead of opening one
    // more.
    static void keepSpare(Display* dpy);

    Display* display() const { return dpy_; }
    // The display's name as Xlib resolved it, for messages.
    QString name() const;
    bool lost() const { return lost_; }
    // Runs inside Xlib when the connection breaks: keep it short, and make
    // no Xlib call on this display from it.
    void setOnLost(std::function<void()> onLost) { onLost_ = std::move(onLost); }

private:
    static void connectionBroke(Display* dpy, void* self);

    Display* dpy_ = nullptr;
    bool lost_ = false;
    std::function<void()> onLost_;
};

} // namespace corv
