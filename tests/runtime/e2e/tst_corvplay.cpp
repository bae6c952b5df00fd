// The real corvplay process on the test X server, driven through a virtual
// joystick fed from a named pipe, with its settings in a private directory.
#include <QSettings>
#include <QTest>
#include <csignal>

#include "CorvplayWindows.h"
#include "KeyRecorderWindow.h"

#include <X11/XKBlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

using corv::test::sourceFile;

class TestCorvplay : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void xtestTypesTheTemplateInOrder();
    void everyLayoutTypesTheUsCharacters_data();
    void everyLayoutTypesTheUsCharacters();
    void modeSwitchKeyAdvancesMode_data();
    void modeSwitchKeyAdvancesMode();
    void sigtermShutsDownCleanly_data();
    void sigtermShutsDownCleanly();
    void trayIconDocksAndOpensMenu();

private:
    // Waits for the mode window and for the first button a tick has seen.
    bool waitReady(Corvplay& run);

    Display* dpy_ = nullptr;
};

void TestCorvplay::initTestCase()
{
    // A pipe whose reader died must fail a write, not end the test.
    std::signal(SIGPIPE, SIG_IGN);
    dpy_ = XOpenDisplay(nullptr);
    if (!dpy_)
        QSKIP("needs an X display");
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(dpy_, &event, &error, &major, &minor))
        QSKIP("needs the XTEST extension");
    QVERIFY(QFile::exists(QStringLiteral(CORVPLAY_PATH)));
}

void TestCorvplay::cleanupTestCase()
{
    if (dpy_)
        XCloseDisplay(dpy_);
}

bool TestCorvplay::waitReady(Corvplay& run)
{
    auto fail = qScopeGuard(
        [&] { qWarning("corvplay stderr: %s", run.process.readAllStandardError().constData()); });
    if (!run.process.waitForStarted(kTimeout))
        return false;
    if (!QTest::qWaitFor([&] { return run.modeWindow(dpy_) != 0; }, kTimeout))
        return false;
    fail.dismiss();
    return true;
}

void TestCorvplay::xtestTypesTheTemplateInOrder()
{
    // A plain window that holds the focus and records what it is typed.
    const Window target = XCreateSimpleWindow(dpy_, DefaultRootWindow(dpy_), 300, 300, 200, 100, 0,
                                              0, WhitePixel(dpy_, DefaultScreen(dpy_)));
    const auto destroy = qScopeGuard([&] { XDestroyWindow(dpy_, target), XSync(dpy_, False); });
    XSelectInput(dpy_, target, KeyPressMask | KeyReleaseMask | StructureNotifyMask);
    XMapWindow(dpy_, target);
    XSync(dpy_, False);
    QTRY_VERIFY_WITH_TIMEOUT(viewable(dpy_, target), kTimeout);
    XSetInputFocus(dpy_, target, RevertToPointerRoot, CurrentTime);
    XSync(dpy_, False);

    Corvplay run;
    run.start(QStringLiteral("xtest"), sourceFile(QStringLiteral("examples/flight.joy")));
    QVERIFY(waitReady(run));

    // Fire held long enough to repeat, jump, the mode switch, then the
    // missile: Enter, the empty slot, Tab.
    QVERIFY(run.send("press 1\nwait 500\nrelease 1\nwait 300\n"
                     "press 2\nwait 200\nrelease 2\nwait 300\n"
                     "press 3\nwait 200\nrelease 3\nwait 300\n"
                     "press 1\nwait 200\nrelease 1\n"));
    QStringList typed;
    const auto drain = [&] {
        while (XPending(dpy_) > 0) {
            XEvent ev;
            XNextEvent(dpy_, &ev);
            if (ev.type != KeyPress && ev.type != KeyRelease)
                continue;
            const KeySym sym = XkbKeycodeToKeysym(dpy_, KeyCode(ev.xkey.keycode), 0, 0);
            typed << (ev.type == KeyPress ? u'+' : u'-') +
                         QString::fromLatin1(XKeysymToString(sym));
        }
        return typed.contains(QStringLiteral("-Tab"));
    };
    QTRY_VERIFY_WITH_TIMEOUT(drain(), kTimeout);

    const QStringList fire = {"+Control_L", "+Shift_L", "+a", "-a", "-Shift_L", "-Control_L"};
    const QStringList rest = {"+space", "-space", "+Return", "-Return", "+Tab", "-Tab"};
    qsizetype repeats = 0;
    while (typed.mid(repeats * fire.size(), fire.size()) == fire)
        ++repeats;
    // Half a second at the 80 ms tick: several sends, never fewer than two.
    QVERIFY2(repeats >= 2, qPrintable(typed.join(u' ')));
    QCOMPARE(typed.mid(repeats * fire.size()), rest);

    // The mode window never took the focus from the game.
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(dpy_, &focus, &revert);
    QCOMPARE(focus, target);
}

void TestCorvplay::everyLayoutTypesTheUsCharacters_data()
{
    QTest::addColumn<QString>("layout");
    QTest::newRow("US") << "us";
    QTest::newRow("German QWERTZ") << "de";
    QTest::newRow("French AZERTY") << "fr";
}

// A template of every printable key, alone and with Shift, then a U+00E9
// slot and the text "#pray" and Enter: the player types the US characters
// of those keystrokes whatever the layout.
void TestCorvplay::everyLayoutTypesTheUsCharacters()
{
    QFETCH(QString, layout);
    const auto setLayout = [](const QString& name) {
        return QProcess::execute(QStringLiteral("setxkbmap"), {name}) == 0;
    };
    if (!setLayout(layout))
        QSKIP("needs setxkbmap");
    const auto restore = qScopeGuard([&] { setLayout(QStringLiteral("us")); });
    const QString alone = QStringLiteral("0123456789abcdefghijklmnopqrstuvwxyz;=,-./`[\\]'");
    const QString shifted = QStringLiteral(")!@#$%^&*(ABCDEFGHIJKLMNOPQRSTUVWXYZ:+<_>?~{|}\"");
    const int codes[] = {48, 49, 50, 51, 52,  53,  54,  55,  56,  57,  65,  66,  67,  68,  69, 70,
                         71, 72, 73, 74, 75,  76,  77,  78,  79,  80,  81,  82,  83,  84,  85, 86,
                         87, 88, 89, 90, 186, 187, 188, 189, 190, 191, 192, 219, 220, 221, 222};
    QByteArray mapping;
    QByteArray modes = "[MODE1]\n";
    QByteArray script;
    int slot = 0;
    int button = 0;
    for (bool shift : {false, true}) {
        for (const int code : codes) {
            if (slot % 6 == 0) {
                ++button;
                mapping += QByteArray("BUTTON%1=B%1\n").replace("%1", QByteArray::number(button));
                modes += "BUTTON" + QByteArray::number(button) +
                         "_COUNT=" + QByteArray::number(std::min(6, 94 - slot)) + '\n';
                script += "press " + QByteArray::number(button) + "\nwait 30\nrelease " +
                          QByteArray::number(button) + "\nwait 30\n";
            }
            const QByteArray key =
                "BUTTON" + QByteArray::number(button) + '_' + QByteArray::number(slot % 6 + 1);
            modes += key + '=' + QByteArray::number(code) + '\n';
            if (shift)
                modes += key + "_Shift=1\n";
            ++slot;
        }
    }
    ++button;
    const QByteArray last = "BUTTON" + QByteArray::number(button);
    mapping += last + "=B" + QByteArray::number(button) + '\n';
    modes += last + "_COUNT=1\n" + last + "_1_CHAR=U+00E9\n" + last + "_TEXT=#pray\\n\n";
    script += "press " + QByteArray::number(button) + "\nwait 30\nrelease " +
              QByteArray::number(button) + '\n';

    Corvplay run;
    const QString path = corv::test::writeFile(
        run.dir.filePath(QStringLiteral("layout.joy")),
        "[GLOBAL]\nMODE_SWITCH_BUTTON=\nINPUTS=SEPARATE\nBUTTONS=" + QByteArray::number(button) +
            "\nMODES=1\nMODE1NAME=Keys\n[MAPPING]\n" + mapping + modes);
    KeyRecorderWindow window; // after the change, so that it reads the layout
    run.start(QStringLiteral("xtest"), path);
    QVERIFY(waitReady(run));
    window.focus();
    QVERIFY(run.send(script));
    const QString expected = alone + shifted + QStringLiteral("\u00e9#pray");
    QTRY_VERIFY_WITH_TIMEOUT((window.read(), window.keys.contains(QStringLiteral("Return up"))),
                             kTimeout);
    int arrived = 0;
    for (char ascii = '!'; ascii <= '~'; ++ascii)
        arrived += window.characters.contains(QLatin1Char(ascii));
    qInfo("%s: %d of 94 printable ASCII characters arrive", qPrintable(layout), arrived);
    QCOMPARE(window.characters, expected);
}

void TestCorvplay::modeSwitchKeyAdvancesMode_data()
{
    // The hot key must work whatever lock the user has on.
    QTest::addColumn<QString>("lockKey");
    QTest::newRow("no lock") << QString();
    QTest::newRow("Caps Lock on") << QStringLiteral("Caps_Lock");
    QTest::newRow("Num Lock on") << QStringLiteral("Num_Lock");
}

void TestCorvplay::modeSwitchKeyAdvancesMode()
{
    QFETCH(QString, lockKey);
    Corvplay run;
    const QString joy =
        run.templateWith({{QStringLiteral("MODE_SWITCH_KEY"), QStringLiteral("112")}});
    QVERIFY(!joy.isEmpty());
    run.start(QStringLiteral("print"), joy);
    QVERIFY(waitReady(run));
    // A tick that has typed a button proves start-up has finished, hot key included.
    QVERIFY(run.send("press 2\nwait 200\nrelease 2\n"));
    QTRY_VERIFY_WITH_TIMEOUT(run.lines().contains(QStringLiteral("key 32 up Space")), kTimeout);

    const KeySym lock = lockKey.isEmpty() ? NoSymbol : XStringToKeysym(qPrintable(lockKey));
    const auto lockedMods = [&] {
        XkbStateRec state{};
        XkbGetState(dpy_, XkbUseCoreKbd, &state);
        return state.locked_mods;
    };
    const unsigned char lockedBefore = lockedMods();
    if (lock != NoSymbol)
        tapKey(dpy_, lock);
    const auto unlock = qScopeGuard([&] {
        if (lock != NoSymbol)
            tapKey(dpy_, lock);
    });
    // The lock really is on for this row.
    QCOMPARE(lockedMods() != lockedBefore, lock != NoSymbol);

    tapKey(dpy_, XK_F1);
    QTRY_VERIFY_WITH_TIMEOUT(run.lines().contains(QStringLiteral("mode 2 Air")), kTimeout);
    tapKey(dpy_, XK_F1);
    QTRY_VERIFY_WITH_TIMEOUT(run.lines().count(QStringLiteral("mode 1 Ground")) == 2, kTimeout);
    // The key advances once per press, and types nothing itself.
    const QStringList lines = run.lines();
    QCOMPARE(lines.filter(QStringLiteral("mode ")),
             QStringList({QStringLiteral("mode 1 Ground"), QStringLiteral("mode 2 Air"),
                          QStringLiteral("mode 1 Ground")}));
    QCOMPARE(lines.filter(QStringLiteral("key 112")), QStringList());
}

void TestCorvplay::sigtermShutsDownCleanly_data()
{
    QTest::addColumn<bool>("analog");
    QTest::addColumn<QPoint>("moveTo");
    QTest::newRow("digital, fire held") << false << QPoint(123, 45);
    // An analog device repeats a held button in a wait loop of its own; the
    // signal must end that loop too.
    QTest::newRow("analog, fire held") << true << QPoint(640, 7);
}

void TestCorvplay::sigtermShutsDownCleanly()
{
    QFETCH(bool, analog);
    QFETCH(QPoint, moveTo);
    Corvplay run;
    const QString joy = run.templateWith(analog ? AnalogExample : decltype(AnalogExample){});
    QVERIFY(!joy.isEmpty());
    run.start(QStringLiteral("print"), joy);
    QVERIFY(waitReady(run));

    // Moved as a window manager or a drag would; the place where it ends up
    // is the one to keep.
    XMoveWindow(dpy_, run.modeWindow(dpy_), moveTo.x(), moveTo.y());
    XSync(dpy_, False);
    QVERIFY(run.send("press 2\nwait 200\nrelease 2\nwait 100\npress 1\n"));
    QTRY_VERIFY_WITH_TIMEOUT(run.lines().count(QStringLiteral("key 65 down a")) >= 2, kTimeout);

    run.process.terminate();
    QVERIFY(run.process.waitForFinished(kTimeout));
    QCOMPARE(run.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(run.process.exitCode(), 0);

    QCOMPARE(run.keysDown(), QSet<QString>());

    QVERIFY(QFile::exists(run.settingsFile()));
    QSettings store(run.settingsFile(), QSettings::IniFormat);
    store.beginGroup(QStringLiteral("KVR-%1").arg(DisplayWidth(dpy_, DefaultScreen(dpy_))));
    QCOMPARE(store.value(QStringLiteral("Left")).toInt(), moveTo.x());
    QCOMPARE(store.value(QStringLiteral("Top")).toInt(), moveTo.y());
}

void TestCorvplay::trayIconDocksAndOpensMenu()
{
    const Atom traySelection = XInternAtom(
        dpy_, qPrintable(QStringLiteral("_NET_SYSTEM_TRAY_S%1").arg(DefaultScreen(dpy_))), False);
    QProcess trayer;
    const auto stopTrayer = qScopeGuard([&] {
        trayer.kill();
        trayer.waitForFinished(kTimeout);
    });
    if (XGetSelectionOwner(dpy_, traySelection) == None) {
        trayer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        trayer.start(QStringLiteral("trayer"),
                     // At the bottom, clear of the mode window in the top left corner.
                     {QStringLiteral("--edge"), QStringLiteral("bottom"), QStringLiteral("--align"),
                      QStringLiteral("left"), QStringLiteral("--widthtype"),
                      QStringLiteral("request"), QStringLiteral("--height"), QStringLiteral("32")});
        if (!trayer.waitForStarted(kTimeout))
            QSKIP("trayer, the tray host for this test, cannot be started");
        QTRY_VERIFY_WITH_TIMEOUT(XGetSelectionOwner(dpy_, traySelection) != None, kTimeout);
    }

    Corvplay run;
    run.start(QStringLiteral("print"), sourceFile(QStringLiteral("examples/flight.joy")));
    QVERIFY(waitReady(run));

    // Docked: the icon's window has been taken into the host's window tree.
    const Window root = DefaultRootWindow(dpy_);
    Window icon = 0;
    const auto docked = [&] {
        for (Window w : windowsOfPid(dpy_, root, run.process.processId())) {
            if (parentOf(dpy_, w) != root && viewable(dpy_, w))
                icon = w;
        }
        return icon != 0;
    };
    QTRY_VERIFY_WITH_TIMEOUT(docked(), kTimeout);

    XWindowAttributes a{};
    QVERIFY(XGetWindowAttributes(dpy_, icon, &a));
    rightClick(dpy_, icon, a.width / 2, a.height / 2);

    QTRY_VERIFY_WITH_TIMEOUT(popupShown(dpy_, run.process.processId()), kTimeout);

    // The menu works from the keyboard too.
    chooseShutdown(dpy_);
    QVERIFY(run.process.waitForFinished(kTimeout));
    QCOMPARE(run.process.exitCode(), 0);
}

QTEST_GUILESS_MAIN(TestCorvplay)
#include "tst_corvplay.moc"
