#include "platform/x11/X11FocusService.h"

#include <QMap>
#include <QTest>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

using namespace corv;

static QString describe(const FocusedWindow& w)
{
    return w.isNone() ? QString() : w.instance + u' ' + w.windowClass + u' ' + w.title;
}

// The test plays the window manager, which names the active window on the
// root, for plain windows of its own.
class TestX11FocusService : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            QSKIP("needs an X server");
        QVERIFY(dpy_ = XOpenDisplay(nullptr));
        root_ = DefaultRootWindow(dpy_);
        QVERIFY(!X11FocusService(QStringLiteral(":9876")).available()); // no such display
    }
    void cleanupTestCase()
    {
        if (dpy_)
            XCloseDisplay(dpy_);
    }
    void init()
    {
        frame_ = XCreateSimpleWindow(dpy_, root_, 0, 0, 10, 10, 0, 0, 0);
        a_ = window(frame_, "corv-a", "CorvA");
        b_ = window(root_, "corv-b", "CorvB");
        setTitle(b_, "B");
        setSupported(true);
    }
    // The test server has no window manager: the root had neither property.
    void cleanup()
    {
        XDeleteProperty(dpy_, root_, XInternAtom(dpy_, "_NET_SUPPORTED", False));
        XDeleteProperty(dpy_, root_, XInternAtom(dpy_, "_NET_ACTIVE_WINDOW", False));
        XDestroyWindow(dpy_, frame_);
        XDestroyWindow(dpy_, b_);
        XSync(dpy_, False);
    }

    void followsTheActiveWindow_data()
    {
        QTest::addColumn<QByteArray>("netWmName"); // UTF-8
        QTest::addColumn<QByteArray>("wmName");    // Latin-1
        // Steps, each followed by what is announced then ("-" for nothing).
        QTest::addColumn<QStringList>("script");
        const auto row = [](const char* name, QByteArray net, QByteArray wm, QStringList script) {
            QTest::newRow(name) << net << wm << script;
        };
        const QString a = "corv-a CorvA ";
        const QString b = "corv-b CorvB ";
        row("class, UTF-8 title before WM_NAME", "Grüße ✓", "old", {"A", a + "Grüße ✓"});
        row("WM_NAME alone", {}, "caf\xe9", {"A", a + "café"});
        row("frame without class; title, same title, class", "t", {},
            {"frame", a + "t", "A:title", a + "renamed", "A:title", "-", "A:class",
             "corv-c CorvC renamed"});
        row("window manager stops announcing, starts again", "t", {},
            {"A", a + "t", "wm-off", "", "B", "-", "wm-on", b + "B"});
        row("none active", "t", {}, {"A", a + "t", "none", ""});
        row("root active", "t", {}, {"A", a + "t", "root", ""});
        row("previous window changes", "t", {},
            {"A", a + "t", "B", b + "B", "A:title", "-", "B:title", b + "renamed"});
        row("window gone before it is read", "t", {}, {"A", a + "t", "gone", ""});
    }
    void followsTheActiveWindow()
    {
        QFETCH(QByteArray, netWmName);
        QFETCH(QByteArray, wmName);
        QFETCH(QStringList, script);
        if (!netWmName.isNull())
            setTitle(a_, netWmName);
        if (!wmName.isNull())
            XStoreName(dpy_, a_, wmName.constData());
        setActive(None);
        X11FocusService service;
        QStringList seen;
        QStringList expected;
        bool supported = true;
        connect(&service, &FocusService::focusChanged, &service, [&](const FocusedWindow& w) {
            seen << describe(w);
            QCOMPARE(describe(service.current()), seen.last()); // settled before the signal
        });
        const QMap<QString, Window> windows{
            {"A", a_}, {"B", b_}, {"frame", frame_}, {"root", root_}, {"none", None}};
        for (qsizetype i = 0; i + 1 < script.size(); i += 2) {
            const QString& step = script[i];
            if (step == u"gone") { // grabbed, so that it is gone before the service asks
                XGrabServer(dpy_);
                const Window gone = window(root_, "corv-g", "CorvG");
                setActive(gone);
                XDestroyWindow(dpy_, gone);
                XUngrabServer(dpy_);
            } else if (step.endsWith(u":title")) {
                setTitle(step[0] == u'A' ? a_ : b_, "renamed");
            } else if (step == u"A:class") {
                setClass(a_, "corv-c", "CorvC");
            } else if (step.startsWith(u"wm-")) {
                setSupported(supported = step == u"wm-on");
            } else {
                setActive(windows.value(step));
            }
            XSync(dpy_, False);
            if (script[i + 1] == u"-")
                QTest::qWait(100); // time for a wrong announcement to show
            else
                expected << script[i + 1];
            QTRY_COMPARE(seen, expected);
            QCOMPARE(service.available(), supported);
        }
    }

private:
    void put(Window w, const char* name, const char* type, int format, const void* data, int count)
    {
        XChangeProperty(dpy_, w, XInternAtom(dpy_, name, False), XInternAtom(dpy_, type, False),
                        format, PropModeReplace, static_cast<const unsigned char*>(data), count);
        XSync(dpy_, False);
    }
    void setTitle(Window w, const QByteArray& utf8)
    {
        put(w, "_NET_WM_NAME", "UTF8_STRING", 8, utf8.data(), int(utf8.size()));
    }
    void setActive(Window w) { put(root_, "_NET_ACTIVE_WINDOW", "WINDOW", 32, &w, 1); }
    // Without _NET_ACTIVE_WINDOW among what the window manager supports.
    void setSupported(bool activeWindow)
    {
        const Atom atoms[] = {XInternAtom(dpy_, "_NET_WM_NAME", False),
                              XInternAtom(dpy_, "_NET_ACTIVE_WINDOW", False)};
        put(root_, "_NET_SUPPORTED", "ATOM", 32, atoms, activeWindow ? 2 : 1);
    }
    void setClass(Window w, const char* instance, const char* windowClass)
    {
        XClassHint hint{const_cast<char*>(instance), const_cast<char*>(windowClass)};
        XSetClassHint(dpy_, w, &hint);
    }
    Window window(Window parent, const char* instance, const char* windowClass)
    {
        const Window w = XCreateSimpleWindow(dpy_, parent, 0, 0, 10, 10, 0, 0, 0);
        setClass(w, instance, windowClass);
        return w;
    }

    Display* dpy_ = nullptr;
    Window root_ = None;
    Window frame_ = None;
    Window a_ = None;
    Window b_ = None;
};

QTEST_GUILESS_MAIN(TestX11FocusService)
#include "tst_X11FocusService.moc"
