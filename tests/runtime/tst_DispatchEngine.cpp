#include "FakeHotKeyService.h"
#include "FakeJoystick.h"
#include "RecordingKeyInjector.h"
#include "TSuperTimer.h"
#include "TSysHotKey.h"
#include "TfrmMain.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>
#include <functional>

using namespace corv;

namespace
{

constexpr int VkA = 65, VkB = 66, VkC = 67, VkD = 68, VkE = 69, VkX = 88;

Mapping Keys(std::initializer_list<int> vks, bool repeat = false)
{
    Mapping m;
    int n = 0;
    for (int vk : vks)
        m.Keys[size_t(n++)].VirtualKey = uint8_t(vk);
    m.Count = n;
    m.Repeat = repeat;
    return m;
}

// Digital: buttons 1, 2, the combination 1+2, the hat right, a repeating
// button 3 and the mode-switch button 4. Modes "Walk", "Run", "Fly".
RuntimeTemplate DigitalTemplate()
{
    RuntimeTemplate t;
    t.ModeCount = 3;
    t.ButtonCount = 6;
    t.ButtonIds = {1, 2, 3, 9000, 4, 8};
    t.ModeSwitchButton = 8;
    t.ModeNames = {"Walk", "Run", "Fly", "Mode 4", "Mode 5"};
    t.Mappings[0][0] = Keys({VkA});
    t.Mappings[0][1] = Keys({VkB});
    t.Mappings[0][2] = Keys({VkC});
    t.Mappings[0][3] = Keys({VkD});
    t.Mappings[0][4] = Keys({VkE}, true);
    t.Mappings[1][0] = Keys({VkX});
    t.Mappings[1][4] = Keys({VkX}, true);
    return t;
}

// Analog: the same keys on message identities; button 4 (2056) switches modes.
RuntimeTemplate AnalogTemplate()
{
    RuntimeTemplate t = DigitalTemplate();
    t.DigitalDevice = false;
    t.ButtonIds = {257, 514, 515, 0, 1028, 2056};
    t.ModeSwitchButton = 2056;
    return t;
}

// Calls a hook after each key press it records, so that a test can act in
// the middle of a repeat loop.
class HookedInjector : public RecordingKeyInjector
{
public:
    std::function<void(int pressCount)> onPress;
    int presses = 0;

protected:
    void sendKey(int vk, bool down) override
    {
        RecordingKeyInjector::sendKey(vk, down);
        if (down && onPress)
            onPress(++presses);
    }
};

struct Engine {
    FakeJoystick joy;
    HookedInjector keys;
    FakeHotKeyService hotKeys;
    TfrmMain form{&joy, &keys, &hotKeys};

    explicit Engine(const RuntimeTemplate& t)
    {
        form.LoadTables(t);
        form.DispatchEnabled = true;
    }
    // One poll that reads "mask" or "mask/pov".
    void Tick(const QString& state)
    {
        const QStringList parts = state.split(u'/');
        joy.state.dwButtons = parts[0].toUInt();
        joy.state.dwPOV = parts.size() > 1 ? parts[1].toUInt() : JoyInfo::PovCentered;
        form.SuperTimer1Timer(form.SuperTimer1);
    }
};

} // namespace

Q_DECLARE_METATYPE(corv::Mapping)

class TestDispatchEngine : public QObject
{
    Q_OBJECT
private slots:
    void digitalTicks_data();
    void digitalTicks();
    void modeSwitchButtonCycles();
    void sendMappingOrder_data();
    void sendMappingOrder();
    void analogPress_data();
    void analogPress();
    void analogRepeatIsPacedUntilRelease();
    void hotKeyDuringRepeatSendsNewMode();
    void shutdownEndsRepeats();
    void registerModeSwitchKey_data();
    void registerModeSwitchKey();
    void applyResponse_data();
    void applyResponse();
    void captureJoystick_data();
    void captureJoystick();
    void valuesBeyondTablesStayInside();
    void timerTicksDriveThePoll();
};

void TestDispatchEngine::digitalTicks_data()
{
    QTest::addColumn<QString>("ticks");
    QTest::addColumn<QString>("keys");
    QTest::newRow("held button fires once per press") << "1 1 1 0 1 1"
                                                      << "65+ 65- 65+ 65-";
    QTest::newRow("repeating button fires every tick") << "4 4 4 4 0"
                                                       << "69+ 69- 69+ 69- 69+ 69- 69+ 69-";
    QTest::newRow("combination is its own identity") << "3 3 0"
                                                     << "67+ 67-";
    QTest::newRow("second button while first held") << "1 3 3 2 0"
                                                    << "65+ 65-";
    QTest::newRow("hat right") << "0/9000 0/9000 0"
                               << "68+ 68-";
    QTest::newRow("button beats hat") << "2/9000"
                                      << "66+ 66-";
    QTest::newRow("all-ones hat is centred") << "1 0/4294967295 1"
                                             << "65+ 65- 65+ 65-";
    QTest::newRow("unmapped identity holds") << "16 1 0 1"
                                             << "65+ 65-";
    QTest::newRow("hat angle not mapped") << "0/18000 0/9000 0 0/9000"
                                          << "68+ 68-";
}

void TestDispatchEngine::digitalTicks()
{
    QFETCH(QString, ticks);
    QFETCH(QString, keys);
    Engine e(DigitalTemplate());
    for (const QString& t : ticks.split(u' '))
        e.Tick(t);
    QCOMPARE(e.keys.text(), keys);
    QCOMPARE(e.form.CurrentMode, 1);
}

void TestDispatchEngine::modeSwitchButtonCycles()
{
    Engine e(DigitalTemplate());
    std::FILE* echo = std::tmpfile();
    e.form.SetModeEcho(echo);
    QStringList shown;
    for (int press = 0; press < 3; ++press) {
        e.Tick("8");
        e.Tick("8");
        e.Tick("8");
        shown << e.form.lblModeString->text();
        e.Tick("0");
    }
    QCOMPARE(shown, QStringList({"Run", "Fly", "Walk"}));
    QVERIFY(e.keys.events.empty());

    // The mode's own mapping is used after a switch.
    e.Tick("8");
    e.Tick("0");
    e.Tick("1");
    QCOMPARE(e.keys.text(), QString("88+ 88-"));

    std::rewind(echo);
    char buf[128] = {};
    const size_t n = std::fread(buf, 1, sizeof buf - 1, echo);
    std::fclose(echo);
    QCOMPARE(QString::fromUtf8(buf, qsizetype(n)),
             QString("mode 2 Run\nmode 3 Fly\nmode 1 Walk\nmode 2 Run\n"));
}

void TestDispatchEngine::sendMappingOrder_data()
{
    QTest::addColumn<Mapping>("mapping");
    QTest::addColumn<QString>("keys");
    Mapping ctrlAlt = Keys({VkA});
    ctrlAlt.Keys[0].Ctrl = ctrlAlt.Keys[0].Alt = true;
    QTest::newRow("ctrl alt") << ctrlAlt << "17+ 18+ 65+ 65- 18- 17-";
    Mapping all = Keys({VkA});
    all.Keys[0].Ctrl = all.Keys[0].Shift = all.Keys[0].Alt = true;
    QTest::newRow("ctrl shift alt") << all << "17+ 16+ 18+ 65+ 65- 18- 16- 17-";
    Mapping two = Keys({VkA, VkB});
    two.Keys[0].Shift = true;
    QTest::newRow("count 2, slot by slot") << two << "16+ 65+ 65- 16- 66+ 66-";
    QTest::newRow("count 3, slot 2 empty") << Keys({VkA, 0, VkC}) << "65+ 65- 0+ 0- 67+ 67-";
    Mapping none = Keys({VkA});
    none.Count = 0;
    QTest::newRow("count 0") << none << "";
    none.Count = -3;
    QTest::newRow("negative count") << none << "";
    Mapping over = Keys({1, 2, 3, 4, 5, 6});
    over.Count = 40;
    QTest::newRow("count above six") << over << "1+ 1- 2+ 2- 3+ 3- 4+ 4- 5+ 5- 6+ 6-";
}

void TestDispatchEngine::sendMappingOrder()
{
    QFETCH(Mapping, mapping);
    QFETCH(QString, keys);
    Engine e(DigitalTemplate());
    e.form.Mappings[0][1] = mapping;
    e.form.SendMapping(2);
    QCOMPARE(e.keys.text(), keys);
}

void TestDispatchEngine::analogPress_data()
{
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("digital");
    QTest::addColumn<QString>("keys");
    QTest::newRow("button 1 is 257") << true << false << "65+ 65- 66+ 66-";
    QTest::newRow("dispatch off") << false << false << "";
    QTest::newRow("digital ignores messages") << true << true << "";
}

void TestDispatchEngine::analogPress()
{
    QFETCH(bool, enabled);
    QFETCH(bool, digital);
    QFETCH(QString, keys);
    Engine e(AnalogTemplate());
    e.form.DispatchEnabled = enabled;
    e.form.DigitalDevice = digital;
    e.joy.press(1);
    e.joy.press(4); // 1+4 held: 2057 is nothing, not the mode switch
    e.joy.release(4);
    e.joy.release(1);
    e.joy.press(2);
    e.joy.release(2);
    QCOMPARE(e.keys.text(), keys);
    QCOMPARE(e.form.CurrentMode, 1);

    e.joy.press(4); // 2056 alone
    QCOMPARE(e.form.CurrentMode, enabled && !digital ? 2 : 1);
}

void TestDispatchEngine::analogRepeatIsPacedUntilRelease()
{
    Engine e(AnalogTemplate());
    // Counts how often events ran before each send.
    QTimer probe;
    int probeTicks = 0;
    QList<int> ticksBeforeSend;
    connect(&probe, &QTimer::timeout, [&] { ++probeTicks; });
    probe.start(10);
    e.keys.onPress = [&](int n) {
        ticksBeforeSend << probeTicks;
        if (n == 4) // any button's release ends the loop, not only its own
            QTimer::singleShot(0, &e.joy, [&] { e.joy.release(1); });
    };
    e.joy.press(3); // 1028 repeats
    QCOMPARE(e.keys.text(), QString("69+ 69- 69+ 69- 69+ 69- 69+ 69-"));
    QVERIFY(!e.form.ButtonHeld);
    QCOMPARE(ticksBeforeSend.size(), 4);
    for (int i = 1; i < ticksBeforeSend.size(); ++i)
        QVERIFY2(ticksBeforeSend[i] > ticksBeforeSend[i - 1], "no events ran between sends");
}

void TestDispatchEngine::hotKeyDuringRepeatSendsNewMode()
{
    Engine e(AnalogTemplate());
    e.form.ModeSwitchKey = 112;
    e.form.RegisterModeSwitchKey();
    e.keys.onPress = [&](int n) {
        if (n == 2)
            QTimer::singleShot(0, &e.hotKeys, [&] { e.hotKeys.trigger(0); });
        if (n == 3)
            QTimer::singleShot(0, &e.joy, [&] { e.joy.release(3); });
    };
    e.joy.press(3);
    QCOMPARE(e.keys.text(), QString("69+ 69- 69+ 69- 88+ 88-"));
    QCOMPARE(e.form.lblModeString->text(), QString("Run"));
}

// Once shutdown is asked nothing more is typed: a running repeat ends at its
// next wait, and a later press starts none.
void TestDispatchEngine::shutdownEndsRepeats()
{
    Engine e(AnalogTemplate());
    e.keys.onPress = [&](int n) {
        if (n == 2)
            e.form.RequestShutdown();
        if (n >= 10) // the loop went on regardless
            QTimer::singleShot(0, &e.joy, [&] { e.joy.release(3); });
    };
    e.joy.press(3);
    e.joy.release(3);
    e.joy.press(3);
    QCOMPARE(e.keys.text(), QString("69+ 69- 69+ 69-"));
}

void TestDispatchEngine::registerModeSwitchKey_data()
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

void TestDispatchEngine::registerModeSwitchKey()
{
    QFETCH(int, stored);
    QFETCH(int, grabbed);
    Engine e(DigitalTemplate());
    e.form.ModeSwitchKey = stored;
    e.form.RegisterModeSwitchKey();
    QCOMPARE(e.form.SysHotKey1->Active(), stored != RuntimeTemplate::NoSwitchKey);
    QCOMPARE(e.hotKeys.grabs.size(), grabbed ? 1 : 0);
    if (grabbed) {
        QCOMPARE(e.hotKeys.grabs.first().vk, grabbed);
        QCOMPARE(e.hotKeys.grabs.first().modifiers, 0u);
        e.hotKeys.trigger(e.hotKeys.grabs.firstKey());
        QCOMPARE(e.form.lblModeString->text(), QString("Run"));
    }
}

void TestDispatchEngine::applyResponse_data()
{
    QTest::addColumn<int>("response");
    QTest::addColumn<TSuperTimer::TThreadPriority>("priority");
    QTest::newRow("0 idle") << 0 << TSuperTimer::tpIdle;
    QTest::newRow("1 lowest") << 1 << TSuperTimer::tpLowest;
    QTest::newRow("4 higher") << 4 << TSuperTimer::tpHigher;
    QTest::newRow("6 time-critical") << 6 << TSuperTimer::tpTimeCritical;
    QTest::newRow("9 unchanged") << 9 << TSuperTimer::tpNormal;
    QTest::newRow("-1 unchanged") << -1 << TSuperTimer::tpNormal;
}

void TestDispatchEngine::applyResponse()
{
    QFETCH(int, response);
    QFETCH(TSuperTimer::TThreadPriority, priority);
    Engine e(DigitalTemplate());
    e.form.ApplyResponse(response);
    QCOMPARE(e.form.SuperTimer1->ThreadPriority(), priority);
    QCOMPARE(e.form.SuperTimer1->Interval(), quint16(80));
}

void TestDispatchEngine::captureJoystick_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message"); // empty: no box
    QTest::newRow("captured") << 0 << "";
    QTest::newRow("no driver") << 6 << "Cannot detect a joystick driver";
    QTest::newRow("bad device") << 165 << "Cannot detect a joystick driver";
    QTest::newRow("cannot capture") << 166 << "Cannot capture joystick input";
    QTest::newRow("unplugged") << 167 << "Cannot detect a connected joystick";
    QTest::newRow("other") << 42 << "Undetermined joystick error";
}

void TestDispatchEngine::captureJoystick()
{
    QFETCH(int, code);
    QFETCH(QString, message);
    Engine e(DigitalTemplate());
    e.joy.captureResult = code;
    QString shown, title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QTimer closer;
    connect(&closer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shown = box->text();
            title = box->windowTitle();
            icon = box->icon();
            box->accept();
        }
    });
    closer.start(10);
    QCOMPARE(e.form.CaptureJoystick(), code);
    QCOMPARE(shown, message);
    if (!message.isEmpty()) {
        QCOMPARE(title, QString("Error"));
        QCOMPARE(icon, QMessageBox::Critical);
    }
    QCOMPARE(e.joy.captureCalls, 1);
    QCOMPARE(e.joy.pollCalls, 1);
}

void TestDispatchEngine::valuesBeyondTablesStayInside()
{
    RuntimeTemplate t = DigitalTemplate();
    t.ModeCount = 9;
    t.ButtonCount = 99;
    Engine e(t);
    QCOMPARE(e.form.ModeCount, 5);
    QCOMPARE(e.form.ButtonCount, 32);
    for (int i = 0; i < 5; ++i)
        e.form.AdvanceMode();
    QCOMPARE(e.form.CurrentMode, 1);

    // Values set around the loader are bounded where they are used.
    e.form.ModeCount = 40;
    e.form.ButtonCount = 1000;
    e.form.CurrentMode = 5;
    e.form.AdvanceMode();
    QCOMPARE(e.form.CurrentMode, 1);
    e.form.CurrentButtonId = -7;
    QCOMPARE(e.form.FindButtonIndex(), 0);
    e.form.CurrentMode = 6;
    e.form.SendMapping(1);
    e.form.CurrentMode = 1;
    e.form.SendMapping(33);
    e.form.SendMapping(0);
    QVERIFY(e.keys.events.empty());
}

void TestDispatchEngine::timerTicksDriveThePoll()
{
    Engine e(DigitalTemplate());
    int ticks = 0;
    connect(e.form.SuperTimer1, &TSuperTimer::OnTimer, [&] {
        if (++ticks == 4)
            e.form.SuperTimer1->SetEnabled(false);
    });
    e.joy.state.dwButtons = 4; // repeating
    e.form.SuperTimer1->SetEnabled(true);
    QTRY_COMPARE_WITH_TIMEOUT(ticks, 4, 10000);
    QTest::qWait(200);
    QCOMPARE(ticks, 4);
    QCOMPARE(e.keys.text(), QString("69+ 69- 69+ 69- 69+ 69- 69+ 69-"));
}

QTEST_MAIN(TestDispatchEngine)
#include "tst_DispatchEngine.moc"
