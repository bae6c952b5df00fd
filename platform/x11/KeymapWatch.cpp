#include "platform/x11/KeymapWatch.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>

namespace corv
{

KeymapWatch::KeymapWatch(Display* dpy)
{
    int opcode = 0, error = 0, major = XkbMajorVersion, minor = XkbMinorVersion;
    int event = 0;
    if (!XkbQueryExtension(dpy, &opcode, &event, &error, &major, &minor))
        return;
    constexpr unsigned long mask = XkbNewKeyboardNotifyMask | XkbMapNotifyMask;
    if (XkbSelectEvents(dpy, XkbUseCoreKbd, mask, mask))
        xkbEvent_ = event;
}

bool KeymapWatch::handle(XEvent& ev)
{
    if (ev.type == MappingNotify) {
        if (ev.xmapping.request == MappingPointer)
            return false;
        XRefreshKeyboardMapping(&ev.xmapping);
        return true;
    }
    if (ev.type != xkbEvent_)
        return false;
    auto& xkb = reinterpret_cast<XkbEvent&>(ev);
    if (xkb.any.xkb_type != XkbNewKeyboardNotify && xkb.any.xkb_type != XkbMapNotify)
        return false;
    XkbRefreshKeyboardMapping(&xkb.map);
    return true;
}

} // namespace corv
