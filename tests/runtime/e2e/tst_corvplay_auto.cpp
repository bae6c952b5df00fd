// corvplay --auto on an X server of its own with a real window manager
// (openbox), which names the active window: the template follows the window
// xdotool activates, a key held at the switch comes up, templates added and
// removed while it runs are picked up, and the session bus says what plays.
#include "CorvplayProcess.h"
#include "RunProgram.h"

#include <QDir>
#include <QTest>
#include <csignal>

#include "XWindows.h"
#include <X11/Xutil.h>

using namespace corv::test;

namespace
{

// A gamepad template for the class given, whose B1 holds vk.
QByteArray gamepadTemplate(const QByteArray& apps, int vk, const QByteArray& action = "TAP")
{
    return "[GLOBAL]\nMODE_SWITCH_BUTTON=\nMODE1NAME=" + apps + "\nMODES=1\nBUTTONS=1\n" +
           "DIGITAL=1\nINPUTS=SEPARATE\n" + (apps.isEmpty() ? "" : "APPS=" + apps + "\n") +
           "[MAPPING]\nBUTTON1=B1\n[MODE1]\nBUTTON1_COUNT=1\nBUTTON1_1=" + QByteArray::number(vk) +
           "\nBUTTON1_ACTION=" + action + "\n";
}

} // namespace

class TestCorvplayAuto : public QObject
{
    Q_OBJECT
    CorvplayProcess run_;
    QProcess xvfb_;
    QProcess openbox_;
    QString display_;
    Display* dpy_ = nullptr;
    QHash<QString, Window> windows_;
    qsizetype seen_ = 0; // lines of output waited for

    QString folder() const { return run_.dir.filePath(QStringLiteral("templates")); }

    // A plain window of the class given, mapped and managed by openbox.
    Window openWindow(const char* instance, const char* windowClass)
    {
        const Window w =
            XCreateSimpleWindow(dpy_, DefaultRootWindow(dpy_), 10, 10, 200, 100, 0, 0, 0);
        XClassHint hint{const_cast<char*>(instance), const_cast<char*>(windowClass)};
        XSetClassHint(dpy_, w, &hint);
        XMapWindow(dpy_, w);
        XSync(dpy_, False);
        return w;
    }

    // The windows a root window property of the window manager names.
    QList<Window> rootWindows(const char* property)
    {
        return longProperty(dpy_, DefaultRootWindow(dpy_), property, XA_WINDOW);
    }

    // Activated as a click would, once the window manager says so.
    bool activate(const QString& name)
    {
        const Window w = windows_.value(name);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), display_);
        return runProgram(QStringLiteral("xdotool"),
                          {QStringLiteral("windowactivate"), QString::number(w)}, env)
                       .exitCode == 0 &&
               QTest::qWaitFor(
                   [&] { return rootWindows("_NET_ACTIVE_WINDOW") == QList<Window>{w}; }, kTimeout);
    }

    // Whether line comes after the last one waited for; if not, what was printed.
    bool waitForLine(const QString& line)
    {
        if (QTest::qWaitFor(
                [&] {
                    const qsizetype at = run_.lines().indexOf(line, seen_);
                    seen_ = at >= 0 ? at + 1 : seen_;
                    return at >= 0;
                },
                kTimeout))
            return true;
        qWarning("%s", qPrintable((run_.lines() + run_.errorLines()).join(u'\n')));
        return false;
    }

    // Taps B1, and what it typed once `keys` lines came (or, for none, a
    // moment passed): "key 65 down a" as "65+".
    QString tap(int keys = 2)
    {
        const qsizetype first = run_.lines().size();
        run_.send("press 1\nwait 30\nrelease 1\n");
        const auto typed = [&] { return typedOf(run_.lines().mid(first)); };
        if (keys == 0)
            QTest::qWait(300); // time for a wrong key to show
        else if (!QTest::qWaitFor([&] { return typed().size() >= keys; }, kTimeout))
            qWarning("%s", qPrintable(run_.errorLines().join(u'\n')));
        return typed().join(u' ');
    }

    ProgramRun client(const QString& option)
    {
        return runProgram(QStringLiteral(CORVPLAY_PATH), {option},
                          run_.process.processEnvironment());
    }

private slots:
    void initTestCase()
    {
        std::signal(SIGPIPE, SIG_IGN);
        // An X server and a window manager of our own: the shared test server
        // has no window manager, and other tests must not meet this one.
        xvfb_.start(QStringLiteral("sh"),
                    {QStringLiteral("-c"), QStringLiteral("exec Xvfb -displayfd 1 -nolisten tcp "
                                                          "-screen 0 800x600x24 2>/dev/null")});
        QVERIFY(xvfb_.waitForStarted(kTimeout));
        QVERIFY(QTest::qWaitFor([&] { return xvfb_.canReadLine() || xvfb_.waitForReadyRead(100); },
                                kTimeout));
        display_ = u':' + QString::fromLatin1(xvfb_.readLine().trimmed());
        dpy_ = XOpenDisplay(display_.toLocal8Bit().constData());
        QVERIFY(dpy_);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), display_);
        openbox_.setProcessEnvironment(env);
        openbox_.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
        QVERIFY2(openbox_.waitForStarted(kTimeout), "openbox is needed: scripts/install-deps.sh");
        QVERIFY(QTest::qWaitFor([&] { return !rootWindows("_NET_SUPPORTING_WM_CHECK").isEmpty(); },
                                kTimeout));
        windows_[QStringLiteral("term")] = openWindow("corvterm", "CorvTerm");
        windows_[QStringLiteral("game")] = openWindow("corvgame", "CorvGame");
        windows_[QStringLiteral("other")] = openWindow("corvother", "CorvOther");
        // Managed before they can be activated. A window mapped while openbox
        // is still starting is not, and is mapped again.
        bool managed = false;
        for (int i = 0; i < 20 && !managed; ++i) {
            managed = QTest::qWaitFor(
                [&] { return rootWindows("_NET_CLIENT_LIST").size() == windows_.size(); }, 500);
            for (Window w : std::as_const(windows_)) {
                if (!managed && !rootWindows("_NET_CLIENT_LIST").contains(w)) {
                    XUnmapWindow(dpy_, w);
                    XMapWindow(dpy_, w);
                }
            }
            XSync(dpy_, False);
        }
        QVERIFY(managed);

        QVERIFY(QDir().mkpath(folder()));
        writeFile(folder() + QStringLiteral("/term.joy"), gamepadTemplate("corvterm", 65, "HOLD"));
        writeFile(folder() + QStringLiteral("/game.joy"), gamepadTemplate("CorvGame", 66));
        writeFile(folder() + QStringLiteral("/default.joy"), gamepadTemplate({}, 67));
        QVERIFY(activate(QStringLiteral("term")));

        QProcessEnvironment playEnv = run_.environment();
        playEnv.insert(QStringLiteral("DISPLAY"), display_);
        playEnv.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        run_.startWith(playEnv, {QStringLiteral("--auto"), folder(), QStringLiteral("--joystick"),
                                 run_.spec(), QStringLiteral("--keys"), QStringLiteral("print")});
        QVERIFY2(waitForLine(QStringLiteral("template term.joy for CorvTerm")),
                 qPrintable(run_.errorLines().join(u'\n')));
    }

    void cleanupTestCase()
    {
        if (run_.process.state() != QProcess::NotRunning) {
            run_.process.terminate();
            QVERIFY(run_.process.waitForFinished(kTimeout));
            QCOMPARE(run_.process.exitCode(), 0);
        }
        QCOMPARE(run_.keysDown(), QSet<QString>());
        if (dpy_)
            XCloseDisplay(dpy_);
        openbox_.kill();
        openbox_.waitForFinished(kTimeout);
        xvfb_.kill();
        xvfb_.waitForFinished(kTimeout);
    }

    // Each window plays its own template; the one held at the switch comes
    // up before the next template plays.
    void followsTheActiveWindow()
    {
        QCOMPARE(tap(), QStringLiteral("65+ 65-"));
        run_.send("press 1\n");
        QVERIFY(QTest::qWaitFor([&] { return run_.keysDown().contains(QStringLiteral("65")); },
                                kTimeout));
        QVERIFY(activate(QStringLiteral("game")));
        QVERIFY(waitForLine(QStringLiteral("template game.joy for CorvGame")));
        QCOMPARE(run_.keysDown(), QSet<QString>());
        run_.send("release 1\n");
        QCOMPARE(tap(), QStringLiteral("66+ 66-"));
        QVERIFY(activate(QStringLiteral("other")));
        QVERIFY(waitForLine(QStringLiteral("template default.joy for CorvOther")));
        QCOMPARE(tap(), QStringLiteral("67+ 67-"));
        // The session bus names the program and the template.
        const QByteArray status = client(QStringLiteral("--status")).out;
        QVERIFY2(status.contains("program: CorvOther\n") && status.contains("/default.joy\n"),
                 status.constData());
    }

    // Templates written and removed while it runs.
    void followsTheFolder()
    {
        const QString other =
            writeFile(folder() + QStringLiteral("/other.joy"), gamepadTemplate("corvother", 68));
        QVERIFY(waitForLine(QStringLiteral("template other.joy for CorvOther")));
        QCOMPARE(tap(), QStringLiteral("68+ 68-"));
        writeFile(other, gamepadTemplate("corvother", 69)); // changed in place
        QVERIFY(waitForLine(QStringLiteral("template other.joy for CorvOther")));
        QCOMPARE(tap(), QStringLiteral("69+ 69-"));
        QVERIFY(QFile::remove(other));
        QVERIFY(QFile::remove(folder() + QStringLiteral("/default.joy")));
        QVERIFY(waitForLine(QStringLiteral("template none for CorvOther")));
        QCOMPARE(tap(0), QString());
        QVERIFY(client(QStringLiteral("--status")).out.startsWith("template: none\n"));
        writeFile(folder() + QStringLiteral("/default.joy"), gamepadTemplate({}, 67));
        QVERIFY(waitForLine(QStringLiteral("template default.joy for CorvOther")));
        // --reload reads it again, although it has not changed.
        QCOMPARE(client(QStringLiteral("--reload")).exitCode, 0);
        QVERIFY(waitForLine(QStringLiteral("template default.joy for CorvOther")));
        QCOMPARE(tap(), QStringLiteral("67+ 67-"));
    }
};

QTEST_GUILESS_MAIN(TestCorvplayAuto)
#include "tst_corvplay_auto.moc"
