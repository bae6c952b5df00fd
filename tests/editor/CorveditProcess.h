#pragma once

// The real corvedit on the test X server with a scripted virtual joystick,
// typed to through xdotool. Include after Qt's headers: X11's macros would
// break them.
#include <QImage>
#include <QTest>

#include "CorvplayProcess.h"
#include "RunProgram.h"
#include "TestFiles.h"
#include "XWindows.h"

#include <X11/XKBlib.h>
#include <X11/Xutil.h>

namespace corv::test
{

// The bells rung on the display. The editor beeps for each press it shows
// and each button operation that succeeds, which tells the test that the
// program has caught up with what it was sent.
class Bells
{
public:
    explicit Bells(Display* dpy) : dpy_(dpy)
    {
        int opcode = 0;
        int error = 0;
        int major = XkbMajorVersion;
        int minor = XkbMinorVersion;
        ok_ = XkbQueryExtension(dpy, &opcode, &eventBase_, &error, &major, &minor) &&
              XkbSelectEvents(dpy, XkbUseCoreKbd, XkbBellNotifyMask, XkbBellNotifyMask);
        XSync(dpy, False);
    }
    bool ok() const { return ok_; }

    // Waits until n more bells than the last wait expected have rung.
    bool waitFor(int n)
    {
        expected_ += n;
        return QTest::qWaitFor([&] { return count() >= expected_; }, kTimeout);
    }

private:
    int count()
    {
        while (XPending(dpy_)) {
            XEvent ev{};
            XNextEvent(dpy_, &ev);
            if (ev.type == eventBase_ &&
                reinterpret_cast<XkbEvent*>(&ev)->any.xkb_type == XkbBellNotify)
                ++count_;
        }
        return count_;
    }

    Display* dpy_;
    bool ok_ = false;
    int eventBase_ = 0;
    int count_ = 0;
    int expected_ = 0;
};

inline bool xdotool(const QStringList& args)
{
    return corv::test::runProgram(QStringLiteral("xdotool"), args).exitCode == 0;
}

// Keys as xdotool names them, such as "alt+a Return".
inline bool keys(const QString& names)
{
    return xdotool(
        QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("30")} +
        names.split(u' '));
}

inline bool type(const QString& text)
{
    return xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"), text});
}

inline bool focus(Window w)
{
    return xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), QString::number(w)});
}

// The title as stored, also where it is not Latin-1 (compound text keeps
// its ASCII parts as they are), which XFetchName does not give.
inline QByteArray rawTitle(Display* dpy, Window w)
{
    XTextProperty text{};
    QByteArray result;
    if (XGetWMName(dpy, w, &text) && text.value) {
        result = QByteArray(reinterpret_cast<const char*>(text.value), int(text.nitems));
        XFree(text.value);
    }
    return result;
}

inline QImage grab(Display* dpy, Window w)
{
    XWindowAttributes a{};
    if (!XGetWindowAttributes(dpy, w, &a))
        return {};
    XImage* shot =
        XGetImage(dpy, w, 0, 0, unsigned(a.width), unsigned(a.height), AllPlanes, ZPixmap);
    if (!shot)
        return {};
    QImage image(a.width, a.height, QImage::Format_RGB32);
    for (int y = 0; y < a.height; ++y) {
        for (int x = 0; x < a.width; ++x)
            image.setPixel(x, y, 0xff000000u | QRgb(XGetPixel(shot, x, y)));
    }
    XDestroyImage(shot);
    return image;
}

// The editor's window, its pipe and private folders as a corvplay run has them.
class Corvedit : public CorvplayProcess
{
public:
    bool start(Display* dpy, const QStringList& more = {})
    {
        process.setProcessEnvironment(environment());
        process.start(
            QStringLiteral(CORVEDIT_PATH),
            QStringList{QStringLiteral("--joystick"), QStringLiteral("virtual:") + fifoPath} +
                more);
        return QTest::qWaitFor([&] { return (window = mainWindow(dpy)) != 0; }, kTimeout) &&
               focus(window);
    }
    // The main window: "Corvane", or a template's name before it ("flight.joy — Corvane").
    Window mainWindow(Display* dpy) const
    {
        for (Window w : windowsOfPid(dpy, DefaultRootWindow(dpy), process.processId())) {
            const QByteArray name = rawTitle(dpy, w);
            if ((name == "Corvane" || name.endsWith(" Corvane")) && viewable(dpy, w))
                return w;
        }
        return 0;
    }
    Window findWindow(Display* dpy, const QByteArray& title) const
    {
        return ::findWindow(dpy, process.processId(), title);
    }
    // Waits for a box or dialog, types text into it and then the keys, and
    // waits for it to go. The test server has no window manager, which would
    // give the focus back to the main window: so does the test.
    bool answer(Display* dpy, const QByteArray& title, const QString& text,
                const QString& answerKeys, bool back = true)
    {
        Window box = 0;
        return QTest::qWaitFor([&] { return (box = findWindow(dpy, title)) != 0; }, kTimeout) &&
               focus(box) && (text.isEmpty() || type(text)) && keys(answerKeys) &&
               QTest::qWaitFor([&] { return !viewable(dpy, box); }, kTimeout) &&
               (!back || focus(window));
    }
    // Answers the exit question; the program then ends with status 0.
    bool exit(Display* dpy)
    {
        return keys(QStringLiteral("alt+x")) &&
               answer(dpy, "Confirm", {}, QStringLiteral("Return"), false) &&
               process.waitForFinished(kTimeout) && process.exitCode() == 0;
    }

    Window window = 0;
};

} // namespace corv::test
