#pragma once

typedef struct _XDisplay Display;
typedef union _XEvent XEvent;

namespace corv
{

// Keeps an Xlib connection's keysym/keycode map in step with the server.
// Core MappingNotify alone is not enough: a layout loaded with setxkbmap is
// only announced through XKB's own keyboard notifications.
class KeymapWatch
{
public:
    // Asks the server for the notifications on dpy's core keyboard.
    explicit KeymapWatch(Display* dpy);

    // True when ev changed the keyboard map; the map is read again then.
    bool handle(XEvent& ev);

private:
    int xkbEvent_ = -1;
};

} // namespace corv
