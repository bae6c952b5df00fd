#pragma once

#include <QElapsedTimer>
#include <QStringList>
#include <QTest>
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

// A plain X window on its own connection that takes the keyboard focus and
// records the keys it receives as "Control_L down", "a up", ..., and the
// characters they type.
class KeyRecorderWindow
{
public:
    KeyRecorderWindow()
    {
        dpy = XOpenDisplay(nullptr);
        if (!dpy)
            return;
        window = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 200, 100, 0, 0, 0);
        XSelectInput(dpy, window, KeyPressMask | KeyReleaseMask | StructureNotifyMask);
        XMapRaised(dpy, window);
        for (XEvent ev; !mapped;) {
            XNextEvent(dpy, &ev);
            mapped = ev.type == MapNotify;
        }
        focus();
    }
    ~KeyRecorderWindow()
    {
        if (dpy)
            XCloseDisplay(dpy);
    }

    void focus()
    {
        XSetInputFocus(dpy, window, RevertToPointerRoot, CurrentTime);
        XSync(dpy, False);
    }

    // Reads what has arrived; the keysym is the key's base level in the map
    // of the moment, read again whenever the map changes.
    QStringList& read()
    {
        XSync(dpy, False);
        while (XPending(dpy) > 0) {
            XEvent ev;
            XNextEvent(dpy, &ev);
            if (ev.type == MappingNotify) {
                XRefreshKeyboardMapping(&ev.xmapping);
            } else if (ev.type == KeyPress || ev.type == KeyRelease) {
                if (ev.type == KeyPress) {
                    char buffer[8];
                    KeySym typed = NoSymbol;
                    const int n = XLookupString(&ev.xkey, buffer, sizeof buffer, &typed, nullptr);
                    text += QString::fromLocal8Bit(buffer, n);
                    // Latin-1 and Unicode keysyms are their character, whatever the locale.
                    if (typed == XK_EuroSign)
                        typed = 0x10020ac;
                    if ((typed >= 0x20 && typed <= 0xff) ||
                        (typed >= 0x1000100 && typed <= 0x110ffff)) {
                        const char32_t c = char32_t(typed & 0xffffff);
                        characters += QString::fromUcs4(&c, 1);
                    }
                }
                const KeySym sym =
                    XkbKeycodeToKeysym(dpy, static_cast<KeyCode>(ev.xkey.keycode), 0, 0);
                keycodes << static_cast<int>(ev.xkey.keycode);
                keys << QString::fromLatin1(XKeysymToString(sym)) +
                            (ev.type == KeyPress ? QLatin1String(" down") : QLatin1String(" up"));
            }
        }
        return keys;
    }

    // Waits until at least count keys have arrived, or two seconds.
    QStringList waitFor(qsizetype count)
    {
        QElapsedTimer clock;
        clock.start();
        while (read().size() < count && clock.elapsed() < 2000)
            QTest::qWait(10);
        return keys;
    }

    Display* dpy = nullptr;
    Window window = 0;
    bool mapped = false;
    QStringList keys;
    QList<int> keycodes;
    QString text;
    QString characters; // what the key presses typed, by keysym
};
