#include "XTestKeyInjector.h"

#include "VkTable.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace corv
{

namespace
{

Display* openDisplay(const QString& name)
{
    const QByteArray native = name.toLocal8Bit();
    return XOpenDisplay(name.isEmpty() ? nullptr : native.constData());
}

bool hasXTest(Display* dpy)
{
    int event = 0, error = 0, major = 0, minor = 0;
    return XTestQueryExtension(dpy, &event, &error, &major, &minor);
}

} // namespace

std::unique_ptr<XTestKeyInjector> XTestKeyInjector::open(const QString& display, QString* error)
{
    Display* dpy = openDisplay(display);
    if (!dpy) {
        *error = QStringLiteral("Cannot open the X display %1")
                     .arg(display.isEmpty() ? qEnvironmentVariable("DISPLAY") : display);
        return nullptr;
    }
    if (!hasXTest(dpy)) {
        XCloseDisplay(dpy);
        *error = QStringLiteral("The X server has no XTEST extension");
        return nullptr;
    }
    // Other clients' grabs must not hold our synthetic keys back.
    XTestGrabControl(dpy, True);
    return std::unique_ptr<XTestKeyInjector>(new XTestKeyInjector(dpy));
}

bool XTestKeyInjector::available(const QString& display)
{
    Display* dpy = openDisplay(display);
    if (!dpy)
        return false;
    const bool ok = hasXTest(dpy);
    XCloseDisplay(dpy);
    return ok;
}

XTestKeyInjector::~XTestKeyInjector()
{
    releaseAll();
    XCloseDisplay(dpy_);
}

void XTestKeyInjector::readMappingChanges()
{
    // Only keyboard map changes arrive on this connection.
    while (XPending(dpy_) > 0) {
        XEvent ev;
        XNextEvent(dpy_, &ev);
        keymap_.handle(ev);
    }
}

int XTestKeyInjector::keycodeFor(int vk)
{
    readMappingChanges();
    const unsigned long sym = VkTable::keysym(vk);
    return sym == 0 ? 0 : XKeysymToKeycode(dpy_, sym);
}

void XTestKeyInjector::sendKey(int vk, bool down)
{
    auto& held = downCode_[static_cast<size_t>(vk)];
    int keycode = held;
    if (down || keycode == 0)
        keycode = keycodeFor(vk);
    held = down ? static_cast<unsigned char>(keycode) : 0;
    if (keycode == 0)
        return;
    XTestFakeKeyEvent(dpy_, static_cast<unsigned>(keycode), down ? True : False, CurrentTime);
    XFlush(dpy_);
}

} // namespace corv
