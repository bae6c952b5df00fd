// The real corvplay process ending: signals racing joystick input, a
// shutdown held up by a box, Shutdown chosen during start-up, the X server
// going away; and the exact lines of its dry run.
#include "CorvplayProcess.h"
#include "PrivateXServer.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QTest>
#include <csignal>

#include "CorvplayWindows.h"

#include <X11/keysym.h>
#undef Bool // Xlib's, which the meta-object code below would meet

using namespace corv::test;

namespace
{

const QString StartLine = QStringLiteral("mode 1 Ground");

// A notification-area host on the test's private session bus, as a
// desktop's D-Bus tray would be: the toolkit then puts the tray icon there.
class FakeTrayWatcher : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
public:
    bool hostRegistered() const { return true; }
    QStringList items;

public slots:
    void RegisterStatusNotifierItem(const QString& service) { items << service; }
};

// Waits until start-up has ended: the dry run's first line says so.
bool waitStarted(CorvplayProcess& run)
{
    return run.process.waitForStarted(kTimeout) &&
           QTest::qWaitFor([&] { return run.lines().contains(StartLine); }, kTimeout);
}

} // namespace

class TestCorvplayShutdown : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void pressQueuedBehindSigint();
    void nothingTypedWhileShutdownBoxWaits();
    void trayShutdownDuringStartupBox();
    void losingTheXServer_data();
    void losingTheXServer();
    void dryRunLines_data();
    void dryRunLines();

private:
    Display* dpy_ = nullptr;
};

void TestCorvplayShutdown::initTestCase()
{
    std::signal(SIGPIPE, SIG_IGN);
    dpy_ = XOpenDisplay(nullptr);
    if (!dpy_)
        QSKIP("needs an X display");
}

void TestCorvplayShutdown::cleanupTestCase()
{
    if (dpy_)
        XCloseDisplay(dpy_);
}

// A press of a repeating analog button handled in the same pass of the
// event loop as SIGINT, whichever comes first: the program ends without a
// flood of keys. The press is written while the program is stopped, or
// falls due then at the end of a scripted wait.
void TestCorvplayShutdown::pressQueuedBehindSigint()
{
    for (int attempt = 0; attempt < 6; ++attempt) { // the order varies from run to run
        CorvplayProcess run;
        run.start(QStringLiteral("print"), run.templateWith(AnalogExample));
        QVERIFY(waitStarted(run));
        const pid_t pid = pid_t(run.process.processId());
        const bool whileStopped = attempt % 2 == 0;
        if (!whileStopped)
            QVERIFY(run.send("wait 200\npress 1\n"));
        ::kill(pid, SIGSTOP);
        if (whileStopped)
            QVERIFY(run.send("press 1\n"));
        else
            QTest::qWait(400);
        ::kill(pid, SIGINT);
        ::kill(pid, SIGCONT);
        QVERIFY(run.process.waitForFinished(5000));
        QCOMPARE(run.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(run.process.exitCode(), 0);
        const qsizetype keys = run.lines().filter(QStringLiteral("key ")).size();
        QVERIFY2(keys < 100, qPrintable(QString::number(keys)));
        QCOMPARE(run.keysDown(), QSet<QString>());
    }
}

// The position cannot be saved, so a box on the test X server holds the
// shutdown up: the engine has stopped by then, and a second SIGTERM ends the
// program.
void TestCorvplayShutdown::nothingTypedWhileShutdownBoxWaits()
{
    CorvplayProcess run;
    writeFile(run.dir.filePath(QStringLiteral("config")), {}); // where the settings folder goes
    run.start(QStringLiteral("print"), sourceFile(QStringLiteral("examples/flight.joy")));
    QVERIFY(waitStarted(run));
    QVERIFY(run.send("press 1\nwait 600000\n"));
    QTRY_VERIFY_WITH_TIMEOUT(run.lines().filter(QStringLiteral("key 65 down")).size() >= 2,
                             kTimeout);

    run.process.terminate();
    QTRY_VERIFY_WITH_TIMEOUT(
        !run.errorLines().filter(QStringLiteral("Failed to create key")).isEmpty(), kTimeout);
    const QStringList atBox = run.lines();
    QTest::qWait(500); // six ticks of the held, repeating button
    QCOMPARE(run.lines(), atBox);
    QCOMPARE(run.keysDown(), QSet<QString>());

    run.process.terminate();
    QVERIFY(run.process.waitForFinished(kTimeout));
    QCOMPARE(run.process.exitCode(), 0);
}

// Shutdown from a tray whose menu stays usable while a start-up box is
// shown (a D-Bus tray): start-up ends and the player never starts.
void TestCorvplayShutdown::trayShutdownDuringStartupBox()
{
    QDBusConnection connection = QDBusConnection::sessionBus();
    if (!connection.isConnected())
        QSKIP("needs the private session bus of the test command");
    FakeTrayWatcher watcher;
    const QString service = QStringLiteral("org.kde.StatusNotifierWatcher");
    const QString path = QStringLiteral("/StatusNotifierWatcher");
    QVERIFY(connection.registerObject(path, &watcher, QDBusConnection::ExportAllContents));
    QVERIFY(connection.registerService(service));
    const auto unregister = qScopeGuard([&] {
        connection.unregisterService(service);
        connection.unregisterObject(path);
    });

    CorvplayProcess run;
    QProcessEnvironment env = run.environment(); // with the session bus
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    run.startIn(env, QStringLiteral("print"), run.templateWith({{"BACKCOLOURS", "clPlaid"}}));
    QTRY_VERIFY_WITH_TIMEOUT(!run.errorLines().filter(QStringLiteral("clPlaid")).isEmpty(),
                             kTimeout);
    QTRY_VERIFY_WITH_TIMEOUT(!watcher.items.isEmpty(), kTimeout);

    // The host's right click, then Shutdown.
    connection.call(QDBusMessage::createMethodCall(
                        watcher.items.first(), QStringLiteral("/StatusNotifierItem"),
                        QStringLiteral("org.kde.StatusNotifierItem"), QStringLiteral("ContextMenu"))
                        << 10 << 10,
                    QDBus::NoBlock);
    QTRY_VERIFY_WITH_TIMEOUT(popupShown(dpy_, run.process.processId()), kTimeout);
    chooseShutdown(dpy_);
    QVERIFY(run.process.waitForFinished(kTimeout));
    QCOMPARE(run.process.exitCode(), 0);
    QVERIFY(!run.lines().contains(StartLine));
    QVERIFY(!QFile::exists(run.settingsFile()));
}

void TestCorvplayShutdown::losingTheXServer_data()
{
    QTest::addColumn<QString>("platform");
    QTest::addColumn<bool>("keepsPlaying");
    // Only the hot key was on X, as with uinput keys under Wayland.
    QTest::newRow("window offscreen, hot key on X") << "offscreen" << true;
    QTest::newRow("window on X") << "xcb" << false;
}

void TestCorvplayShutdown::losingTheXServer()
{
    QFETCH(QString, platform);
    QFETCH(bool, keepsPlaying);
    PrivateXServer x;
    if (!x.start())
        QSKIP("Xvfb cannot be started");
    CorvplayProcess run;
    QProcessEnvironment env = run.environment();
    env.insert(QStringLiteral("DISPLAY"), x.display);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
    run.withoutBus(env);
    run.startIn(env, QStringLiteral("print"), run.templateWith({{"MODE_SWITCH_KEY", "112"}}));
    QVERIFY(waitStarted(run));
    QVERIFY(run.send("press 1\n")); // fire held, repeating
    QTRY_VERIFY_WITH_TIMEOUT(run.lines().filter(QStringLiteral("key 65 down")).size() >= 2,
                             kTimeout);
    const qsizetype errorsBefore = run.errorLines().size();

    x.process.kill();
    QElapsedTimer clock;
    clock.start();
    if (!keepsPlaying) {
        QVERIFY(run.process.waitForFinished(kTimeout));
        qInfo("ended %lld ms after the X server", clock.elapsed());
        QCOMPARE(run.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(run.process.exitCode(), 1);
        QCOMPARE(run.keysDown(), QSet<QString>());
        return;
    }
    QTRY_VERIFY_WITH_TIMEOUT(run.errorLines().size() > errorsBefore, kTimeout);
    QVERIFY(run.send("release 1\npress 2\nwait 100\nrelease 2\n"));
    QTRY_VERIFY_WITH_TIMEOUT(run.lines().contains(QStringLiteral("key 32 up Space")), kTimeout);
    const QStringList errors = run.errorLines().mid(errorsBefore);
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors[0].startsWith(QStringLiteral("corvplay: lost the X display ")) &&
                 errors[0].endsWith(QStringLiteral("; hot keys no longer work")),
             qPrintable(errors[0]));
    run.process.terminate();
    QVERIFY(run.process.waitForFinished(kTimeout));
    QCOMPARE(run.process.exitCode(), 0);
}

void TestCorvplayShutdown::dryRunLines_data()
{
    QTest::addColumn<QString>("backend");
    QTest::newRow("print") << "print";
    QTest::newRow("any case") << "PRINT";
}

// Jump, the mode switch, then the missile: Enter, the empty slot, Tab.
void TestCorvplayShutdown::dryRunLines()
{
    QFETCH(QString, backend);
    CorvplayProcess run;
    run.platform = QStringLiteral("offscreen");
    run.start(backend, sourceFile(QStringLiteral("examples/flight.joy")));
    QVERIFY(waitStarted(run));
    QVERIFY(run.send("press 2\nwait 200\nrelease 2\nwait 200\npress 3\nwait 200\nrelease 3\n"
                     "wait 200\npress 1\nwait 200\nrelease 1\n"));
    QTRY_VERIFY_WITH_TIMEOUT(run.lines().contains(QStringLiteral("key 9 up Tab")), kTimeout);
    QCOMPARE(run.lines(), QStringList({"mode 1 Ground", "key 32 down Space", "key 32 up Space",
                                       "mode 2 Air", "key 13 down Enter", "key 13 up Enter",
                                       "key 9 down Tab", "key 9 up Tab"}));
}

QTEST_GUILESS_MAIN(TestCorvplayShutdown)
#include "tst_corvplay_shutdown.moc"
