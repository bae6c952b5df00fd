#include "engine/DispatchEngine.h"
#include "platform/fake/FakeJoystick.h"
#include "platform/fake/RecordingKeyInjector.h"

#include <QCoreApplication>
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

// A bare engine, wired to its joystick's messages as the player wires it.
struct Engine {
    FakeJoystick joy;
    HookedInjector keys;
    DispatchEngine engine{&joy, &keys};

    explicit Engine(const RuntimeTemplate& t)
    {
        QObject::connect(&joy, &Joystick::buttonDown, &engine, &DispatchEngine::JoyButtonDown);
        QObject::connect(&joy, &Joystick::buttonUp, &engine, &DispatchEngine::JoyButtonUp);
        engine.LoadTables(t);
        engine.SetEnabled(true);
    }
    // One poll that reads "mask" or "mask/pov".
    void Tick(const QString& state)
    {
        const QStringList parts = state.split(u'/');
        joy.state.dwButtons = parts[0].toUInt();
        joy.state.dwPOV = parts.size() > 1 ? parts[1].toUInt() : JoyInfo::PovCentered;
        engine.Tick();
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
    void stopEndsRepeats();
    void valuesBeyondTablesStayInside();
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
    QCOMPARE(e.engine.CurrentMode(), 1);
}

void TestDispatchEngine::modeSwitchButtonCycles()
{
    Engine e(DigitalTemplate());
    // A listener hears of a change once the engine is in the new mode.
    QStringList announced;
    QObject::connect(&e.engine, &DispatchEngine::ModeChanged, [&](int32_t mode, QString name) {
        QCOMPARE(e.engine.CurrentMode(), mode);
        announced << QStringLiteral("%1 %2").arg(mode).arg(name);
    });
    QStringList shown;
    for (int press = 0; press < 3; ++press) {
        e.Tick("8");
        e.Tick("8");
        e.Tick("8");
        shown << e.engine.ModeName();
        e.Tick("0");
    }
    QCOMPARE(shown, QStringList({"Run", "Fly", "Walk"}));
    QVERIFY(e.keys.events.empty());

    // The mode's own mapping is used after a switch.
    e.Tick("8");
    e.Tick("0");
    e.Tick("1");
    QCOMPARE(e.keys.text(), QString("88+ 88-"));
    QCOMPARE(announced, QStringList({"2 Run", "3 Fly", "1 Walk", "2 Run"}));
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
    RuntimeTemplate t = DigitalTemplate();
    t.Mappings[0][1] = mapping;
    Engine e(t);
    e.Tick("2");
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
    RuntimeTemplate t = AnalogTemplate();
    t.DigitalDevice = digital;
    Engine e(t);
    e.engine.SetEnabled(enabled);
    e.joy.press(1);
    e.joy.press(4); // 1+4 held: 2057 is nothing, not the mode switch
    e.joy.release(4);
    e.joy.release(1);
    e.joy.press(2);
    e.joy.release(2);
    QCOMPARE(e.keys.text(), keys);
    QCOMPARE(e.engine.CurrentMode(), 1);

    e.joy.press(4); // 2056 alone
    QCOMPARE(e.engine.CurrentMode(), enabled && !digital ? 2 : 1);
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
    QVERIFY(!e.engine.ButtonHeld());
    QCOMPARE(ticksBeforeSend.size(), 4);
    for (int i = 1; i < ticksBeforeSend.size(); ++i)
        QVERIFY2(ticksBeforeSend[i] > ticksBeforeSend[i - 1], "no events ran between sends");
}

void TestDispatchEngine::hotKeyDuringRepeatSendsNewMode()
{
    Engine e(AnalogTemplate());
    e.keys.onPress = [&](int n) {
        if (n == 2) // what the hot key's handler does
            QTimer::singleShot(0, &e.engine, [&] { e.engine.AdvanceMode(); });
        if (n == 3)
            QTimer::singleShot(0, &e.joy, [&] { e.joy.release(3); });
    };
    e.joy.press(3);
    QCOMPARE(e.keys.text(), QString("69+ 69- 69+ 69- 88+ 88-"));
    QCOMPARE(e.engine.ModeName(), QString("Run"));
}

// Once stopped nothing more is typed: a running repeat ends at its next
// wait, and a later press, tick or Enable starts none.
void TestDispatchEngine::stopEndsRepeats()
{
    Engine e(AnalogTemplate());
    QSignalSpy enabled(&e.engine, &DispatchEngine::EnabledChanged);
    e.keys.onPress = [&](int n) {
        if (n == 2) // as a signal or the menu would: from the event loop
            QTimer::singleShot(0, &e.engine, [&] { e.engine.Stop(); });
        if (n >= 10) // the loop went on regardless
            QTimer::singleShot(0, &e.joy, [&] { e.joy.release(3); });
    };
    e.joy.press(3);
    e.joy.release(3);
    e.engine.SetEnabled(true);
    e.joy.press(3);
    e.Tick("4");
    QCOMPARE(e.keys.text(), QString("69+ 69- 69+ 69-"));
    QVERIFY(!e.engine.DispatchEnabled());
    QCOMPARE(enabled.size(), 0); // the program is ending: nobody is told
}

void TestDispatchEngine::valuesBeyondTablesStayInside()
{
    RuntimeTemplate t = DigitalTemplate();
    t.ModeCount = 9;
    t.ButtonCount = 99;
    t.Mappings[4][0] = Keys({VkB});
    Engine e(t);
    QCOMPARE(e.engine.Tables().ModeCount, 5);
    QCOMPARE(e.engine.Tables().ButtonCount, 32);
    for (int i = 0; i < 4; ++i)
        e.engine.AdvanceMode();
    QCOMPARE(e.engine.CurrentMode(), 5);
    e.Tick("1");
    e.Tick("0");
    e.engine.AdvanceMode();
    QCOMPARE(e.engine.CurrentMode(), 1);

    // Modes outside the tables are not shown; identities outside them send nothing.
    for (int mode : {0, 6, -1, 1 << 30})
        e.engine.ShowMode(mode);
    QCOMPARE(e.engine.CurrentMode(), 1);
    e.Tick("4294967289"); // ButtonId -7
    QCOMPARE(e.keys.text(), QString("66+ 66-"));
}

QTEST_GUILESS_MAIN(TestDispatchEngine)
#include "tst_DispatchEngine.moc"
