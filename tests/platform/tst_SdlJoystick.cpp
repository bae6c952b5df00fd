#include "platform/sdl/JoystickScript.h"
#include "platform/sdl/SdlJoystick.h"

#include "ScriptPipe.h"
#include "TestFiles.h"

#include <QEventLoop>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <SDL.h>

using corv::JoyInfo;
using corv::Joystick;
using corv::SdlJoystick;
using corv::test::makeFifo;
using corv::test::writeFile;

namespace
{

// A device of SDL's own, attached and driven by the test like hardware.
class VirtualPad
{
public:
    explicit VirtualPad(const char* name, int buttons = 40, int hats = 1)
    {
        SDL_VirtualJoystickDesc desc{};
        desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        desc.type = SDL_JOYSTICK_TYPE_UNKNOWN;
        desc.nbuttons = static_cast<Uint16>(buttons);
        desc.nhats = static_cast<Uint16>(hats);
        desc.name = name;
        const int index = SDL_JoystickAttachVirtualEx(&desc);
        joy = SDL_JoystickOpen(index);
        instance = SDL_JoystickInstanceID(joy);
    }
    ~VirtualPad() { unplug(); }
    void unplug()
    {
        if (!joy)
            return;
        SDL_JoystickClose(joy);
        joy = nullptr;
        for (int i = 0; i < SDL_NumJoysticks(); ++i) {
            if (SDL_JoystickGetDeviceInstanceID(i) == instance)
                SDL_JoystickDetachVirtual(i);
        }
    }
    void button(int n, bool down) { SDL_JoystickSetVirtualButton(joy, n - 1, down); }
    void hat(Uint8 value) { SDL_JoystickSetVirtualHat(joy, 0, value); }

    SDL_Joystick* joy = nullptr;
    SDL_JoystickID instance = -1;
};

// Timers of the joystick that wake the program more often than the slow
// hot-plug check.
int fastTimers(const SdlJoystick& joystick)
{
    int count = 0;
    for (const QTimer* timer : joystick.findChildren<QTimer*>())
        count += timer->isActive() && timer->interval() < SdlJoystick::HotPlugMs;
    return count;
}

int virtualDevices()
{
    int devices = 0;
    for (int i = 0; i < SDL_NumJoysticks(); ++i)
        devices += QByteArray(SDL_JoystickNameForIndex(i)) == SdlJoystick::VirtualName;
    return devices;
}

QList<uint32_t> words(const QSignalSpy& spy)
{
    QList<uint32_t> out;
    for (const auto& args : spy)
        out << args.at(0).value<uint32_t>();
    return out;
}

// Each event as "b3:1" (button 3 down), "h0:2" (hat right), "a5:-32768".
QStringList events(const QSignalSpy& spy)
{
    QStringList out;
    for (const auto& args : spy) {
        const auto e = args.at(0).value<corv::JoyEvent>();
        out << QStringLiteral("%1%2:%3").arg(QChar("bhar"[e.kind])).arg(e.index).arg(e.value);
    }
    return out;
}

} // namespace

class TestSdlJoystick : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        QCOMPARE(SDL_InitSubSystem(SDL_INIT_JOYSTICK), 0);
    }
    void cleanupTestCase() { SDL_QuitSubSystem(SDL_INIT_JOYSTICK); }

    void pollMask_data()
    {
        QTest::addColumn<QList<int>>("pressed");
        QTest::addColumn<uint32_t>("mask");
        QTest::newRow("none") << QList<int>{} << 0u;
        QTest::newRow("button 1") << QList<int>{1} << 1u;
        QTest::newRow("button 4") << QList<int>{4} << 8u;
        QTest::newRow("1 and 2") << QList<int>{1, 2} << 3u;
        QTest::newRow("1, 3 and 32") << QList<int>{1, 3, 32} << 0x80000005u;
        QTest::newRow("past 32 dropped") << QList<int>{2, 33, 40} << 2u;
    }
    void pollMask()
    {
        QFETCH(QList<int>, pressed);
        QFETCH(uint32_t, mask);
        VirtualPad pad("Mask pad");
        SdlJoystick joystick(QStringLiteral("mask pad"));
        QCOMPARE(joystick.capture(), int(Joystick::Captured));
        for (int n : pressed)
            pad.button(n, true);
        joystick.pump();
        QCOMPARE(joystick.poll().dwButtons, mask);
    }

    void hatAngle_data()
    {
        QTest::addColumn<int>("hat");
        QTest::addColumn<uint32_t>("angle");
        QTest::newRow("centred") << int(SDL_HAT_CENTERED) << 65535u;
        QTest::newRow("up") << int(SDL_HAT_UP) << 0u;
        QTest::newRow("right up") << int(SDL_HAT_RIGHTUP) << 4500u;
        QTest::newRow("right") << int(SDL_HAT_RIGHT) << 9000u;
        QTest::newRow("right down") << int(SDL_HAT_RIGHTDOWN) << 13500u;
        QTest::newRow("down") << int(SDL_HAT_DOWN) << 18000u;
        QTest::newRow("left down") << int(SDL_HAT_LEFTDOWN) << 22500u;
        QTest::newRow("left") << int(SDL_HAT_LEFT) << 27000u;
        QTest::newRow("left up") << int(SDL_HAT_LEFTUP) << 31500u;
    }
    void hatAngle()
    {
        QFETCH(int, hat);
        QFETCH(uint32_t, angle);
        VirtualPad pad("Hat pad");
        SdlJoystick joystick(QStringLiteral("Hat pad"));
        QCOMPARE(joystick.capture(), int(Joystick::Captured));
        pad.hat(static_cast<Uint8>(hat));
        pad.button(2, true);
        joystick.pump();
        const JoyInfo info = joystick.poll();
        QCOMPARE(info.dwPOV, angle);
        QCOMPARE(info.dwButtons, 2u);
    }

    void noHatIsCentred()
    {
        VirtualPad pad("Hatless pad", 8, 0);
        SdlJoystick joystick(QStringLiteral("hatless"));
        QCOMPARE(joystick.capture(), int(Joystick::Captured));
        joystick.pump();
        QCOMPARE(joystick.poll().dwPOV, JoyInfo::PovCentered);
    }

    void buttonMessages_data()
    {
        // Steps: +n presses button n, -n releases it; one pump after each.
        QTest::addColumn<QList<int>>("steps");
        QTest::addColumn<QList<uint32_t>>("downs");
        QTest::addColumn<QList<uint32_t>>("ups");
        QTest::newRow("button 1") << QList<int>{1, -1} << QList<uint32_t>{257}
                                  << QList<uint32_t>{256};
        QTest::newRow("button 2") << QList<int>{2} << QList<uint32_t>{514} << QList<uint32_t>{};
        QTest::newRow("button 3") << QList<int>{3} << QList<uint32_t>{1028} << QList<uint32_t>{};
        QTest::newRow("button 4") << QList<int>{4} << QList<uint32_t>{2056} << QList<uint32_t>{};
        QTest::newRow("2 while 1 held")
            << QList<int>{1, 2, -1, -2} << QList<uint32_t>{257, 515} << QList<uint32_t>{258, 512};
        QTest::newRow("above 4 silent")
            << QList<int>{5, 12, -5} << QList<uint32_t>{} << QList<uint32_t>{};
    }
    void buttonMessages()
    {
        QFETCH(QList<int>, steps);
        QFETCH(QList<uint32_t>, downs);
        QFETCH(QList<uint32_t>, ups);
        VirtualPad pad("Message pad");
        SdlJoystick joystick(QStringLiteral("message pad"));
        QCOMPARE(joystick.capture(), int(Joystick::Captured));
        joystick.setMessagesWanted(true);
        QSignalSpy downSpy(&joystick, &Joystick::buttonDown);
        QSignalSpy upSpy(&joystick, &Joystick::buttonUp);
        for (int step : steps) {
            pad.button(std::abs(step), step > 0);
            joystick.pump();
        }
        // Sent from the event loop, never from inside the pump.
        QCOMPARE(downSpy.size(), 0);
        QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
        QCOMPARE(words(downSpy), downs);
        QCOMPARE(words(upSpy), ups);
    }

    void pumpedOnlyWhileMessagesAreWanted()
    {
        // This pad has no device node to watch, so the pump is a timer.
        VirtualPad pad("Loop pad");
        SdlJoystick joystick(QStringLiteral("loop pad"));
        QCOMPARE(joystick.capture(), int(Joystick::Captured));
        QSignalSpy downSpy(&joystick, &Joystick::buttonDown);
        QCOMPARE(fastTimers(joystick), 0);
        pad.button(1, true);
        QTest::qWait(50);
        QCOMPARE(joystick.poll().dwButtons, 1u); // a poll reads the device itself
        QCOMPARE(downSpy.size(), 0);

        joystick.setMessagesWanted(true);
        QCOMPARE(fastTimers(joystick), 1);
        pad.button(2, true);
        QTRY_COMPARE_WITH_TIMEOUT(words(downSpy), QList<uint32_t>{515}, 2000);

        joystick.setMessagesWanted(false);
        QCOMPARE(fastTimers(joystick), 0);
        pad.button(3, true);
        QTest::qWait(50);
        QCOMPARE(downSpy.size(), 1);
    }

    void hotPlugNoticedWithoutPolls()
    {
        // Nobody polls and nobody wants messages: the slow check still sees
        // the device go and come back.
        auto pad = std::make_unique<VirtualPad>("Slow pad");
        SdlJoystick joystick(QStringLiteral("slow pad"));
        QCOMPARE(joystick.capture(), int(Joystick::Captured));
        pad->unplug();
        QTRY_VERIFY_WITH_TIMEOUT(!joystick.isOpen(), 3 * SdlJoystick::HotPlugMs);
        pad = std::make_unique<VirtualPad>("Slow pad");
        QTRY_VERIFY_WITH_TIMEOUT(joystick.isOpen(), 3 * SdlJoystick::HotPlugMs);
    }

    void nestedLoopInAMessage_data()
    {
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<uint32_t>("up");
        QTest::newRow("released") << QByteArray("press 1\nwait 100\nrelease 1\n") << 256u;
        QTest::newRow("released with another")
            << QByteArray("press 1\nwait 50\npress 2\nrelease 1\n") << 258u;
        QTest::newRow("unplugged") << QByteArray("press 1\nwait 100\nunplug\n") << 256u;
    }
    void nestedLoopInAMessage()
    {
        QFETCH(QByteArray, script);
        QFETCH(uint32_t, up);
        QTemporaryDir dir;
        const QString path = writeFile(dir.filePath(QStringLiteral("script")), script);

        SdlJoystick joystick(QStringLiteral("virtual:") + path);
        joystick.setMessagesWanted(true);
        QList<uint32_t> upsInside;
        QList<uint32_t> ups;
        connect(&joystick, &Joystick::buttonUp, this, [&](uint32_t word) { ups << word; });
        connect(&joystick, &Joystick::buttonDown, this, [&](uint32_t word) {
            if (word != 257)
                return;
            // As the player's repeat loop does: wait here for the release.
            QEventLoop loop;
            QTimer::singleShot(3000, &loop, &QEventLoop::quit);
            connect(&joystick, &Joystick::buttonUp, &loop, &QEventLoop::quit);
            loop.exec();
            upsInside = ups;
        });
        QCOMPARE(joystick.capture(), int(Joystick::Captured));
        QTRY_COMPARE_WITH_TIMEOUT(upsInside, QList<uint32_t>{up}, 5000);
    }

    void floodOfPressesNestsNoDeeper()
    {
        // Each press nests a loop that its release ends; a thousand of them
        // back to back must not stack up.
        ScriptPipe pipe;
        SdlJoystick joystick(pipe.spec());
        joystick.setMessagesWanted(true);
        int depth = 0;
        int deepest = 0;
        int downs = 0;
        int ups = 0;
        connect(&joystick, &Joystick::buttonUp, this, [&] { ++ups; });
        connect(&joystick, &Joystick::buttonDown, this, [&] {
            ++downs;
            QEventLoop loop;
            connect(&joystick, &Joystick::buttonUp, &loop, &QEventLoop::quit);
            deepest = std::max(deepest, ++depth);
            loop.exec();
            --depth;
        });
        QCOMPARE(joystick.capture(), int(Joystick::Captured));
        QVERIFY(pipe.send(QByteArray("press 1\nrelease 1\n").repeated(1000)));
        QTRY_COMPARE_WITH_TIMEOUT(ups, 1000, 10000);
        QCOMPARE(downs, 1000);
        QCOMPARE(deepest, 1);
    }

    void tapBetweenPolls_data()
    {
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<uint32_t>("buttons");
        QTest::addColumn<uint32_t>("pov");
        QTest::newRow("10 ms") << QByteArray("press 2\nwait 10\nrelease 2\n") << 2u << 65535u;
        QTest::newRow("30 ms") << QByteArray("press 2\nwait 30\nrelease 2\n") << 2u << 65535u;
        QTest::newRow("60 ms") << QByteArray("press 2\nwait 60\nrelease 2\n") << 2u << 65535u;
        QTest::newRow("two buttons one after the other")
            << QByteArray("press 1\nwait 10\nrelease 1\npress 3\nrelease 3\n") << 5u << 65535u;
        QTest::newRow("hat") << QByteArray("hat 9000\nwait 30\nhat centre\n") << 0u << 9000u;
    }
    void tapBetweenPolls()
    {
        QFETCH(QByteArray, script);
        QFETCH(uint32_t, buttons);
        QFETCH(uint32_t, pov);
        ScriptPipe pipe;
        SdlJoystick joystick(pipe.spec());
        QCOMPARE(joystick.capture(), int(Joystick::Captured));
        QCOMPARE(joystick.poll().dwButtons, 0u);
        const auto* reader = joystick.findChild<corv::JoystickScript*>();
        QSignalSpy arrived(reader, &corv::JoystickScript::commandsArrived);
        QVERIFY(pipe.send(script));
        // The whole tap has been played when the last line has been taken.
        QTRY_VERIFY_WITH_TIMEOUT(!arrived.isEmpty() && reader->pending().empty(), 2000);

        const JoyInfo tap = joystick.poll();
        QCOMPARE(tap.dwButtons, buttons);
        QCOMPARE(tap.dwPOV, pov);
        const JoyInfo after = joystick.poll();
        QCOMPARE(after.dwButtons, 0u);
        QCOMPARE(after.dwPOV, JoyInfo::PovCentered);
    }

    void scriptUnplugsAndPlugs()
    {
        ScriptPipe pipe;
        SdlJoystick joystick(pipe.spec());
        joystick.setMessagesWanted(true);
        QSignalSpy downSpy(&joystick, &Joystick::buttonDown);
        QSignalSpy upSpy(&joystick, &Joystick::buttonUp);
        QCOMPARE(joystick.capture(), int(Joystick::Captured));
        QVERIFY(pipe.send("press 1\nhat 9000\nunplug\n"));
        QTRY_VERIFY_WITH_TIMEOUT(!joystick.isOpen(), 2000);
        QTRY_COMPARE_WITH_TIMEOUT(words(upSpy), QList<uint32_t>{256}, 2000);
        // Not even a press made just before: nothing comes from a device that is gone.
        const JoyInfo gone = joystick.poll();
        QCOMPARE(gone.dwButtons, 0u);
        QCOMPARE(gone.dwPOV, JoyInfo::PovCentered);
        QCOMPARE(virtualDevices(), 0);

        // Changes made while unplugged show once it is back.
        QVERIFY(pipe.send("release 1\npress 2\nplug\nunplug\nplug\n"));
        QTRY_COMPARE_WITH_TIMEOUT(words(downSpy), (QList<uint32_t>{257, 514, 514}), 2000);
        QCOMPARE(words(upSpy), (QList<uint32_t>{256, 512}));
        QVERIFY(joystick.isOpen());
        const JoyInfo back = joystick.poll();
        QCOMPARE(back.dwButtons, 2u);
        QCOMPARE(back.dwPOV, 9000u);
        QCOMPARE(virtualDevices(), 1);
    }

    void captureResult_data()
    {
        QTest::addColumn<bool>("withPad");
        QTest::addColumn<QString>("spec");
        QTest::addColumn<int>("result");
        QTest::newRow("first found") << true << QString() << int(Joystick::Captured);
        QTest::newRow("by index") << true << QStringLiteral("0") << int(Joystick::Captured);
        QTest::newRow("by name, any case")
            << true << QStringLiteral("CAPTURE") << int(Joystick::Captured);
        QTest::newRow("index past the list")
            << true << QStringLiteral("5") << int(Joystick::BadDevice);
        QTest::newRow("negative index") << true << QStringLiteral("-1") << int(Joystick::BadDevice);
        QTest::newRow("unknown name")
            << true << QStringLiteral("wheel") << int(Joystick::BadDevice);
        QTest::newRow("nothing connected") << false << QString() << int(Joystick::Unplugged);
        QTest::newRow("missing script")
            << false << QStringLiteral("virtual:/nonexistent/script") << int(Joystick::BadDevice);
    }
    void captureResult()
    {
        QFETCH(bool, withPad);
        QFETCH(QString, spec);
        QFETCH(int, result);
        if (!withPad && SDL_NumJoysticks() > 0)
            QSKIP("a joystick is connected to this machine");
        std::unique_ptr<VirtualPad> pad;
        if (withPad)
            pad = std::make_unique<VirtualPad>("Capture pad");
        SdlJoystick joystick(spec);
        QCOMPARE(joystick.capture(), result);
        QCOMPARE(joystick.isOpen(), result == Joystick::Captured);
    }

    void unplugWhileHeldAndReplug()
    {
        auto pad = std::make_unique<VirtualPad>("Plug pad");
        SdlJoystick joystick(QStringLiteral("plug"));
        QCOMPARE(joystick.capture(), int(Joystick::Captured));
        joystick.setMessagesWanted(true);
        pad->button(1, true);
        pad->button(6, true);
        pad->hat(SDL_HAT_LEFT);
        joystick.pump();
        QCOMPARE(joystick.poll().dwButtons, 33u);
        QCoreApplication::processEvents(QEventLoop::AllEvents, 100);

        QSignalSpy downSpy(&joystick, &Joystick::buttonDown);
        QSignalSpy upSpy(&joystick, &Joystick::buttonUp);
        pad->unplug();
        joystick.pump();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
        QVERIFY(!joystick.isOpen());
        const JoyInfo gone = joystick.poll();
        QCOMPARE(gone.dwButtons, 0u);
        QCOMPARE(gone.dwPOV, JoyInfo::PovCentered);
        // The held button is reported released once; nothing else is sent.
        QCOMPARE(words(upSpy), QList<uint32_t>{256});
        QCOMPARE(downSpy.size(), 0);

        pad = std::make_unique<VirtualPad>("Plug pad");
        joystick.pump();
        QVERIFY(joystick.isOpen());
        pad->button(3, true);
        joystick.pump();
        QCOMPARE(joystick.poll().dwButtons, 4u);
        QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
        QCOMPARE(words(downSpy), QList<uint32_t>{1028});
    }

    void replugOfAnotherDevice_data()
    {
        QTest::addColumn<QString>("spec");
        QTest::addColumn<bool>("reopens");
        QTest::newRow("no name: the first joystick found") << QString() << true;
        QTest::newRow("named: only the device captured") << QStringLiteral("first") << false;
    }

    void replugOfAnotherDevice()
    {
        QFETCH(QString, spec);
        QFETCH(bool, reopens);
        if (spec.isEmpty() && SDL_NumJoysticks() > 0)
            QSKIP("a joystick is connected to this machine");
        auto pad = std::make_unique<VirtualPad>("First pad");
        SdlJoystick joystick(spec);
        QCOMPARE(joystick.capture(), int(Joystick::Captured));
        pad->unplug();
        joystick.pump();
        QVERIFY(!joystick.isOpen());

        VirtualPad other("Other pad");
        joystick.pump();
        QCOMPARE(joystick.isOpen(), reopens);
        other.button(2, true);
        joystick.pump();
        QCOMPARE(joystick.poll().dwButtons, reopens ? 2u : 0u);
    }

    void virtualCaptureRetriedAfterFailure()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("later"));
        SdlJoystick joystick(QStringLiteral("virtual:") + path);
        QCOMPARE(joystick.capture(), int(Joystick::BadDevice));
        QCOMPARE(joystick.capture(), int(Joystick::BadDevice));

        writeFile(path, "press 2\n");
        QCOMPARE(joystick.capture(), int(Joystick::Captured));
        QTRY_COMPARE_WITH_TIMEOUT(joystick.poll().dwButtons, 2u, 2000);
        // One script reader and one device, whatever the failures before.
        QCOMPARE(joystick.findChildren<corv::JoystickScript*>().size(), 1);
        QCOMPARE(virtualDevices(), 1);
    }

    void scriptDrivesTheVirtualDevice()
    {
        QTemporaryDir dir;
        // A press and release with no wait between must both reach us.
        const QString path =
            writeFile(dir.filePath(QStringLiteral("script")),
                      "press 1\nrelease 1\nhat 9000\npress 2\npress 40\npress 3\n");

        SdlJoystick joystick(QStringLiteral("virtual:") + path);
        joystick.setMessagesWanted(true);
        QSignalSpy downSpy(&joystick, &Joystick::buttonDown);
        QSignalSpy upSpy(&joystick, &Joystick::buttonUp);
        QTest::ignoreMessage(QtWarningMsg,
                             "virtual joystick: line 5: button must be 1 to 32, not '40'");
        QCOMPARE(joystick.capture(), int(Joystick::Captured));
        QTRY_COMPARE_WITH_TIMEOUT(joystick.poll().dwButtons, 6u, 2000);
        QCOMPARE(joystick.poll().dwPOV, 9000u);
        QTRY_COMPARE_WITH_TIMEOUT(words(downSpy), (QList<uint32_t>{257, 514, 1030}), 2000);
        QCOMPARE(words(upSpy), QList<uint32_t>{256});

        QString error;
        const QStringList list = SdlJoystick::describeJoysticks(&error);
        QVERIFY(list.contains(
            QStringLiteral("0: Corvane virtual joystick (32 buttons, 1 hat, 6 axes)")));
    }

    void scriptWaitsAndKeepsStateAtEnd()
    {
        QTemporaryDir dir;
        const QString path = writeFile(dir.filePath(QStringLiteral("script")),
                                       "buttons 9\nwait 300\nbuttons 2"); // no newline at the end

        SdlJoystick joystick(QStringLiteral("virtual:") + path);
        QCOMPARE(joystick.capture(), int(Joystick::Captured));
        QTRY_COMPARE_WITH_TIMEOUT(joystick.poll().dwButtons, 9u, 2000);
        QElapsedTimer clock;
        clock.start();
        QTRY_COMPARE_WITH_TIMEOUT(joystick.poll().dwButtons, 2u, 3000);
        QVERIFY(clock.elapsed() >= 250);
        QTest::qWait(50);
        QCOMPARE(joystick.poll().dwButtons, 2u);
    }

    void scriptEvents_data()
    {
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<bool>("wanted");
        QTest::addColumn<QStringList>("sent");
        QStringList all;
        for (int b = 0; b < 64; ++b)
            all << QStringLiteral("b%1:%2").arg(b % 32 + 1).arg(int(b < 32));
        QTest::newRow("buttons, hat bits, axes coalesced")
            << QByteArray("buttons 4294967295\nbuttons 0\nhat 4500\nhat 22500\nhat centre\naxis 1 "
                          "5\naxis 1 6\naxis 6 0\naxis 1 8\naxis 6 rest\n")
            << true
            << all + QStringList{"h0:3", "h0:12", "h0:0", "a1:6", "a6:0", "a1:8", "a6:-32768"};
        QTest::newRow("rests on unplug, state again on plug")
            << QByteArray("press 3\nhat 9000\naxis 2 -32768\naxis 5 32767\nunplug\nplug\n") << true
            << QStringList{"b3:1", "h0:2", "a2:-32768", "a5:32767", "a2:0", "a5:-32768", "b3:0",
                           "h0:0", "r0:0", "a2:-32768", "a5:32767", "b3:1", "h0:2"};
        QTest::newRow("not wanted")
            << QByteArray("press 3\naxis 1 9\nunplug\nplug\n") << false << QStringList{};
    }
    void scriptEvents()
    {
        QFETCH(QByteArray, script);
        QFETCH(bool, wanted);
        QFETCH(QStringList, sent);
        QTemporaryDir dir;
        SdlJoystick joystick(QStringLiteral("virtual:") +
                             writeFile(dir.filePath(QStringLiteral("script")), script));
        joystick.setEventsWanted(wanted);
        QSignalSpy spy(&joystick, &Joystick::joyEvent);
        QCOMPARE(joystick.capture(), int(Joystick::Captured));
        QCOMPARE(joystick.axisRest(5), -32768);
        const auto* reader = joystick.findChild<corv::JoystickScript*>();
        QTRY_VERIFY(reader->atEnd() && !reader->hasPending());
        QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
        QCOMPARE(events(spy), sent);
    }

    void pressedAgainBetweenPolls_data()
    {
        QTest::addColumn<QByteArray>("press");
        QTest::addColumn<QByteArray>("release");
        QTest::newRow("button") << QByteArray("press 7\n") << QByteArray("release 7\n");
        QTest::newRow("hat") << QByteArray("hat 9000\n") << QByteArray("hat centre\n");
    }
    void pressedAgainBetweenPolls()
    {
        // 30 presses of 100 ms, 25 to 65 ms apart (16 gaps between two polls),
        // polled every 80 ms; what happens before a poll is sent just before it.
        QFETCH(QByteArray, press);
        QFETCH(QByteArray, release);
        QList<std::pair<int, QByteArray>> timeline;
        for (int i = 0, t = 10; i < 30; ++i, t += 125 + (i * 23) % 41)
            timeline << std::pair(t, press) << std::pair(t + 100, release);
        ScriptPipe pipe;
        SdlJoystick joystick(pipe.spec());
        QCOMPARE(joystick.capture(), int(Joystick::Captured));
        const auto* reader = joystick.findChild<corv::JoystickScript*>();
        QSignalSpy arrived(reader, &corv::JoystickScript::commandsArrived);
        int newPresses = 0, wasPressed = 0;
        for (qsizetype next = 0, poll = 80; next < timeline.size(); poll += 80) {
            QByteArray lines;
            for (; next < timeline.size() && timeline[next].first <= poll; ++next)
                lines += timeline[next].second;
            const qsizetype before = arrived.size();
            QVERIFY(pipe.send(lines));
            QTRY_VERIFY(lines.isEmpty() || (arrived.size() > before && !reader->hasPending()));
            const JoyInfo info = joystick.poll();
            newPresses += !info.nothingPressed() && (info.pressedAgain || !wasPressed);
            wasPressed = !info.nothingPressed();
        }
        QCOMPARE(newPresses, 30);
    }

    void namedPipeTakesLaterWriters()
    {
        QTemporaryDir dir;
        const QString path = makeFifo(dir.filePath(QStringLiteral("fifo")));
        SdlJoystick joystick(QStringLiteral("virtual:") + path);
        QCOMPARE(joystick.capture(), int(Joystick::Captured));
        for (const char* line : {"press 4\n", "release 4\npress 7\n"}) {
            writeFile(path, line); // a writer of its own each time
            QTest::qWait(20);
        }
        QTRY_COMPARE_WITH_TIMEOUT(joystick.poll().dwButtons, 64u, 2000);
    }
};

QTEST_GUILESS_MAIN(TestSdlJoystick)
#include "tst_SdlJoystick.moc"
