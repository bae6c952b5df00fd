#include "PlayerTest.h"
#include "runtime/Messages.h"
#include "runtime/TfrmMain.h"
#include "runtime/components/TSuperTimer.h"
#include "runtime/components/TSysHotKey.h"
#include "runtime/components/TWinTaskbar.h"

#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QSettings>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QtTest>

using namespace corv;

class TestModeWindow : public PlayerTest
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void positionPerScreenWidth();
    void startupRestoresAndShutdownSavesPosition();
    void unwritableStoreStillShutsDown();
    void anyCloseEndsTheProgram_data();
    void anyCloseEndsTheProgram();
    void menuStateMachine_data();
    void menuStateMachine();
    void windowFitsTheModeNames_data();
    void windowFitsTheModeNames();
    void rightClickOnWindowOpensMenu();
    void dragMovesWindowWithoutWindowManager();
    void registerModeSwitchKey_data();
    void registerModeSwitchKey();
    void timerTicksDriveThePoll();

private:
    void startWith(const QByteArray& global);
    int screenWidth() const { return QGuiApplication::primaryScreen()->geometry().width(); }
};

void TestModeWindow::initTestCase()
{
    QVERIFY(dir.isValid());
}

void TestModeWindow::init()
{
    useStore(dir.filePath(QTest::currentTestFunction()));
    createPlayer();
}

void TestModeWindow::cleanup()
{
    destroyPlayer();
}

void TestModeWindow::startWith(const QByteArray& global)
{
    frm->Arguments = {
        writeFile("t.joy", "[GLOBAL]\nMODE_SWITCH_BUTTON=4\nMODE1NAME=Ground\nMODES=1\n" + global)};
    QVERIFY(frm->FormCreate(frm.get()));
}

void TestModeWindow::positionPerScreenWidth()
{
    QCOMPARE(TfrmMain::ReadPosition(800), QPoint(0, 0));
    QVERIFY(TfrmMain::WritePosition(800, {10, 20}));
    QVERIFY(TfrmMain::WritePosition(1024, {-30, 40}));
    QCOMPARE(TfrmMain::ReadPosition(800), QPoint(10, 20));
    QCOMPARE(TfrmMain::ReadPosition(1024), QPoint(-30, 40));
    QCOMPARE(TfrmMain::ReadPosition(1280), QPoint(0, 0));

    // A value of another type leaves that coordinate at 0.
    QSettings store(QStringLiteral("Corvane"), QStringLiteral("corvplay"));
    store.setValue("KVR-640/Top", "high");
    store.setValue("KVR-640/Left", 7);
    store.sync();
    QCOMPARE(TfrmMain::ReadPosition(640), QPoint(7, 0));
}

void TestModeWindow::startupRestoresAndShutdownSavesPosition()
{
    QVERIFY(TfrmMain::WritePosition(screenWidth(), {33, 44}));
    startWith({});
    QCOMPARE(frm->pos(), QPoint(33, 44));
    QCOMPARE(frm->size(), QSize(80, 19));

    frm->move(55, 66);
    frm->Shutdown1Click(frm->Shutdown1);
    QVERIFY(!frm->isVisible());
    QCOMPARE(TfrmMain::ReadPosition(screenWidth()), QPoint(55, 66));
    QVERIFY(closer->seen.isEmpty());
}

// The store's file cannot be written (a folder stands in its place): the
// user is told, and the program closes all the same.
void TestModeWindow::unwritableStoreStillShutsDown()
{
    const QString store = dir.filePath("blocked");
    QVERIFY(QDir().mkpath(store + "/Corvane/corvplay.conf"));
    useStore(store);
    startWith({});
    frm->Shutdown1Click(frm->Shutdown1);
    QVERIFY(!frm->isVisible());
    QCOMPARE(closer->seen.size(), 1);
    QCOMPARE(closer->seen[0].title, QStringLiteral("Error"));
    QCOMPARE(closer->seen[0].text,
             QStringLiteral("Failed to create key KVR-%1").arg(screenWidth()));
}

void TestModeWindow::anyCloseEndsTheProgram_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("status");
    QTest::newRow("window manager") << "close" << 0;
    QTest::newRow("signal") << "signal" << 0;
    // Keys that can no longer be typed end the program as a failure.
    QTest::newRow("keys lost") << "lost" << 1;
}

// A close asked for by the window manager ends the program too, rather than
// leaving it running unseen; a signal once running does the same.
void TestModeWindow::anyCloseEndsTheProgram()
{
    QFETCH(QString, how);
    QFETCH(int, status);
    startWith({});
    QTimer timeout;
    timeout.setSingleShot(true);
    connect(&timeout, &QTimer::timeout, this, [] { QCoreApplication::exit(1); });
    timeout.start(5000);
    QTimer::singleShot(0, frm.get(), [this, how] {
        if (how == u"signal")
            frm->RequestShutdown();
        else if (how == u"lost")
            keys->loseBackend();
        else
            frm->close();
    });
    QCOMPARE(QCoreApplication::exec(), 0); // 1: nothing ended the program
    QCOMPARE(frm->ExitCode, status);
    QVERIFY(!frm->isVisible());
}

void TestModeWindow::menuStateMachine_data()
{
    QTest::addColumn<QByteArray>("global");
    QTest::addColumn<bool>("hotKey");
    QTest::addColumn<bool>("tray");
    QTest::newRow("digital with switch key") << QByteArray("MODE_SWITCH_KEY=112\n") << true << true;
    QTest::newRow("analog without switch key") << QByteArray("DIGITAL=0\n") << false << true;
    QTest::newRow("no notification area") << QByteArray("MODE_SWITCH_KEY=112\n") << true << false;
}

void TestModeWindow::menuStateMachine()
{
    QFETCH(QByteArray, global);
    QFETCH(bool, hotKey);
    QFETCH(bool, tray);
    Messages::NotificationArea = tray ? [] { return true; } : [] { return false; };
    const auto restore =
        qScopeGuard([] { Messages::NotificationArea = &QSystemTrayIcon::isSystemTrayAvailable; });
    startWith(global);

    const QList<QAction*> items = frm->PopupMenu1->actions();
    QCOMPARE(items.size(), 6);
    QCOMPARE(items[0]->text(), QStringLiteral("Enable/Show Mode Window"));
    QCOMPARE(items[1]->text(), QStringLiteral("Disable/Hide Mode Window"));
    QVERIFY(items[2]->isSeparator());
    QCOMPARE(items[3]->text(), QStringLiteral("Shutdown CORVPLAY"));
    QVERIFY(items[4]->isSeparator());
    QCOMPARE(items[5]->text(), QStringLiteral("Cancel"));

    // Saturation of the red knob of the tray icon: gone when greyed.
    const auto iconColour = [&] {
        return QColor(frm->WinTaskbar1->Icon().pixmap(32).toImage().pixel(16, 8)).hsvSaturation();
    };
    auto expectEnabled = [&](bool on) {
        // Without a notification area the window stays, greyed, to be clicked.
        QCOMPARE(frm->isVisible(), on || !tray);
        QCOMPARE(frm->lblModeString->isEnabled(), on || tray);
        QCOMPARE(iconColour() > 100, on);
        QCOMPARE(frm->Engine().DispatchEnabled(), on);
        QCOMPARE(frm->Enable1->isChecked(), on);
        QCOMPARE(frm->Disable1->isChecked(), !on);
        QCOMPARE(frm->SysHotKey1->Active(), on && hotKey);
        QCOMPARE(hotKeys->grabs.size(), on && hotKey ? 1 : 0);
    };
    expectEnabled(true);
    QCOMPARE(frm->SuperTimer1->Enabled(), !global.contains("DIGITAL=0"));

    for (int round = 0; round < 2; ++round) { // choosing a state again repeats it
        frm->Disable1->trigger();
        expectEnabled(false);
        QVERIFY(!frm->SuperTimer1->Enabled());
    }
    frm->Cancel1->trigger();
    expectEnabled(false);
    frm->Enable1->trigger();
    expectEnabled(true);
    QVERIFY(frm->SuperTimer1->Enabled()); // whatever the device type
    frm->Cancel1->trigger();
    expectEnabled(true);
}

void TestModeWindow::windowFitsTheModeNames_data()
{
    QTest::addColumn<QByteArray>("global");
    QTest::addColumn<bool>("atRightEdge");
    QTest::addColumn<bool>("least");
    const QByteArray longName = "Carrier landing, hook down";
    QTest::newRow("short name") << QByteArray("MODE1NAME=Ground\nMODES=1\n") << false << true;
    QTest::newRow("long second name") << "MODE1NAME=Ground\nMODES=2\nMODE2NAME=" + longName + "\n"
                                      << false << false;
    QTest::newRow("FONTSIZE=24") << QByteArray("MODE1NAME=Ground\nFONTSIZE=24\n") << false << false;
    QTest::newRow("long name at the right edge") << "MODE1NAME=" + longName + "\n" << true << false;
}

// 80 x 19 at least; grown to the right to hold the longest name in the
// template's font, and kept on the screen.
void TestModeWindow::windowFitsTheModeNames()
{
    QFETCH(QByteArray, global);
    QFETCH(bool, atRightEdge);
    QFETCH(bool, least);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const QPoint stored(atRightEdge ? screen.right() - 100 : 30, 40);
    QVERIFY(TfrmMain::WritePosition(screenWidth(), stored));
    frm->Arguments = {writeFile("fit.joy", "[GLOBAL]\nMODE_SWITCH_BUTTON=\n" + global)};
    QVERIFY(frm->FormCreate(frm.get()));

    const QFontMetrics metrics(frm->lblModeString->font());
    int text = 0;
    const RuntimeTemplate& t = frm->Engine().Tables();
    for (int m = 0; m < std::max(t.ModeCount, 1); ++m)
        text = std::max(text, metrics.horizontalAdvance(t.ModeNames[size_t(m)]));
    QVERIFY(frm->lblModeString->width() >= text);
    QVERIFY(frm->lblModeString->height() >= metrics.height());
    QCOMPARE(frm->size() == QSize(80, 19), least);
    QVERIFY(frm->width() >= 80 && frm->height() >= 19);
    QCOMPARE(frm->pos(), QPoint(std::min(stored.x(), screen.right() + 1 - frm->width()), 40));
}

// Where there is no notification area the window's own menu is the way out.
void TestModeWindow::rightClickOnWindowOpensMenu()
{
    startWith({});
    QVERIFY(!frm->PopupMenu1->isVisible());
    // Through the window, as the platform delivers it, so Qt makes the
    // context-menu event.
    QTest::mouseClick(frm->windowHandle(), Qt::RightButton, {}, QPoint(10, 5));
    QTRY_VERIFY(frm->PopupMenu1->isVisible());
    frm->PopupMenu1->close();
}

void TestModeWindow::dragMovesWindowWithoutWindowManager()
{
    startWith({});
    const QPoint start = frm->pos();
    QTest::mousePress(frm->lblModeString, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseMove(frm->lblModeString, QPoint(25, 15));
    QTest::mouseRelease(frm->lblModeString, Qt::LeftButton, {}, QPoint(25, 15));
    QCOMPARE(frm->pos(), start + QPoint(20, 10));
    QTest::mouseMove(frm->lblModeString, QPoint(40, 15)); // released: no more moving
    QCOMPARE(frm->pos(), start + QPoint(20, 10));
}

void TestModeWindow::registerModeSwitchKey_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("grabbed"); // 0: nothing grabbed
    QTest::newRow("none") << int(RuntimeTemplate::NoSwitchKey) << 0;
    QTest::newRow("numpad 1, not a letter") << 97 << 97;
    QTest::newRow("F1, not a letter") << 112 << 112;
    QTest::newRow("letter") << 65 << 65;
    QTest::newRow("punctuation") << 189 << 0;
    QTest::newRow("shift") << 16 << 0;
    QTest::newRow("zero") << 0 << 0;
    QTest::newRow("beyond a byte") << 65 + 256 << 0;
}

// The hot key advances the mode: the label shows it and the dry run says it.
void TestModeWindow::registerModeSwitchKey()
{
    QFETCH(int, stored);
    QFETCH(int, grabbed);
    RuntimeTemplate t;
    t.ModeCount = 2;
    t.ModeNames = {"Walk", "Run"};
    t.ModeSwitchKey = stored;
    frm->Engine().LoadTables(t);
    std::FILE* echo = std::tmpfile();
    const auto closeEcho = qScopeGuard([echo] { std::fclose(echo); });
    frm->SetModeEcho(echo);
    frm->RegisterModeSwitchKey();
    QCOMPARE(frm->SysHotKey1->Active(), stored != RuntimeTemplate::NoSwitchKey);
    QCOMPARE(hotKeys->grabs.size(), grabbed ? 1 : 0);
    if (!grabbed)
        return;
    QCOMPARE(hotKeys->grabs.first().vk, grabbed);
    QCOMPARE(hotKeys->grabs.first().modifiers, 0u);
    hotKeys->trigger(hotKeys->grabs.firstKey());
    QCOMPARE(frm->lblModeString->text(), QString("Run"));
    std::rewind(echo);
    char buf[64] = {};
    QCOMPARE(QByteArray(buf, qsizetype(std::fread(buf, 1, sizeof buf - 1, echo))),
             QByteArray("mode 2 Run\n"));
}

void TestModeWindow::timerTicksDriveThePoll()
{
    RuntimeTemplate t;
    t.ButtonCount = 1;
    t.ButtonIds[0] = 4;
    t.Mappings[0][0].Count = 1;
    t.Mappings[0][0].Keys[0].VirtualKey = 69;
    t.Mappings[0][0].Repeat = true;
    frm->Engine().LoadTables(t);
    int ticks = 0;
    connect(frm->SuperTimer1, &TSuperTimer::OnTimer, [&] {
        if (++ticks == 4)
            frm->SuperTimer1->SetEnabled(false);
    });
    joystick->state.dwButtons = 4;
    frm->SuperTimer1->SetEnabled(true);
    QTRY_COMPARE_WITH_TIMEOUT(ticks, 4, 10000);
    QTest::qWait(200);
    QCOMPARE(ticks, 4);
    QCOMPARE(keys->text(), QString("69+ 69- 69+ 69- 69+ 69- 69+ 69-"));
}

QTEST_MAIN(TestModeWindow)
#include "tst_ModeWindow.moc"
