// The real corvedit process on the test X server: its start on the virtual
// joystick, a joystick it cannot capture, and the options answered without
// a window.
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <X11/Xlib.h>

namespace
{

constexpr int kTimeout = 10000;

QList<Window> children(Display* dpy, Window w)
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

// A viewable window with this title, or 0. Tests on the X server run one at
// a time, so it is the program's.
Window findWindow(Display* dpy, const QByteArray& title)
{
    QList<Window> todo = children(dpy, DefaultRootWindow(dpy));
    while (!todo.isEmpty()) {
        const Window w = todo.takeFirst();
        todo << children(dpy, w);
        char* name = nullptr;
        XWindowAttributes a{};
        const bool match = XFetchName(dpy, w, &name) && name && title == name &&
                           XGetWindowAttributes(dpy, w, &a) && a.map_state == IsViewable;
        if (name)
            XFree(name);
        if (match)
            return w;
    }
    return 0;
}

// Asks a window to close, as a window manager's close box does.
void closeWindow(Display* dpy, Window w)
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

} // namespace

class TestCorvedit : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        dpy = XOpenDisplay(nullptr);
        if (!dpy)
            QSKIP("needs an X display");
        QVERIFY(QFile::exists(QStringLiteral(CORVEDIT_PATH)));
    }
    void cleanupTestCase()
    {
        if (dpy)
            XCloseDisplay(dpy);
    }

    void startsOnTheVirtualJoystick()
    {
        QTemporaryDir dir;
        QFile script(dir.filePath("joy"));
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("press 1\n");
        script.close();
        QProcess run;
        run.start(CORVEDIT_PATH, {"--joystick", "virtual:" + script.fileName()});
        QVERIFY(run.waitForStarted(kTimeout));
        QVERIFY2(QTest::qWaitFor([&] { return findWindow(dpy, "Corvane"); }, kTimeout),
                 run.readAllStandardError().constData());
        run.kill();
        run.waitForFinished(kTimeout);
    }

    void captureFailureShowsBoxAndExitsWithOne()
    {
        QTemporaryDir dir;
        QProcess run;
        run.start(CORVEDIT_PATH, {"--joystick", "virtual:" + dir.filePath("missing")});
        QVERIFY(run.waitForStarted(kTimeout));
        Window box = 0;
        QVERIFY(QTest::qWaitFor([&] { return (box = findWindow(dpy, "Error")); }, kTimeout));
        QVERIFY(!findWindow(dpy, "Corvane"));
        closeWindow(dpy, box);
        QVERIFY(run.waitForFinished(kTimeout));
        QCOMPARE(run.exitStatus(), QProcess::NormalExit);
        QCOMPARE(run.exitCode(), 1);
        QVERIFY(run.readAllStandardError().contains("Cannot detect a joystick driver"));
    }

    void optionsWithoutWindow()
    {
        QProcess run;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("DISPLAY");
        run.setProcessEnvironment(env);
        run.start(CORVEDIT_PATH, {"--version"});
        QVERIFY(run.waitForFinished(kTimeout));
        QCOMPARE(run.exitCode(), 0);
        QCOMPARE(run.readAllStandardOutput().trimmed(), QByteArray("corvedit " CORVANE_VERSION));
        run.start(CORVEDIT_PATH, {"--help"});
        QVERIFY(run.waitForFinished(kTimeout));
        const QByteArray help = run.readAllStandardOutput();
        QVERIFY(help.contains("--joystick") && help.contains("--list-joysticks"));
        QVERIFY(!help.contains("--keys"));
    }

private:
    Display* dpy = nullptr;
};

QTEST_GUILESS_MAIN(TestCorvedit)
#include "tst_corvedit.moc"
