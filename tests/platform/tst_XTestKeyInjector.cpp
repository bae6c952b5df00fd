#include "platform/Platform.h"
#include "platform/VkTable.h"
#include "platform/xtest/XTestKeyInjector.h"
#include "template/KeyTable.h"

#include "KeyRecorderWindow.h"
#include "PrivateXServer.h"
#include "RunProgram.h"

#include <QRegularExpression>
#include <QTest>
#include <unistd.h>

using corv::KeyTable;
using corv::VkTable;
using corv::XTestKeyInjector;

namespace
{

bool setLayout(const QString& layout)
{
    return corv::test::runProgram(QStringLiteral("setxkbmap"), {layout}).exitCode == 0;
}

// A test on a layout: the layout set (and us again at the end, once the
// injector and the window are gone), a window that records what arrives,
// opened after the change so it reads the new layout, and an injector.
struct OnLayout {
    explicit OnLayout(const QString& layout) : set(setLayout(layout)) {}
    struct Restore {
        ~Restore() { setLayout(QStringLiteral("us")); }
    } restore;
    bool set;
    KeyRecorderWindow window;
    QString error;
    std::unique_ptr<XTestKeyInjector> injector = XTestKeyInjector::open({}, &error);
};

} // namespace

class TestXTestKeyInjector : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            QSKIP("needs an X server");
    }

    void deliversInOrder()
    {
        KeyRecorderWindow window;
        QVERIFY(window.mapped);
        QString error;
        auto injector = XTestKeyInjector::open({}, &error);
        QVERIFY2(injector, qPrintable(error));
        injector->keyDown(17);
        injector->keyDown(16);
        injector->keyDown(65);
        injector->keyUp(65);
        injector->keyUp(16);
        injector->keyUp(17);
        const QStringList expected{"Control_L down", "Shift_L down", "a down",
                                   "a up",           "Shift_L up",   "Control_L up"};
        QCOMPARE(window.waitFor(expected.size()), expected);
    }

    void releasesHeldKeysWhenDestroyed()
    {
        KeyRecorderWindow window;
        QString error;
        auto injector = XTestKeyInjector::open({}, &error);
        QVERIFY2(injector, qPrintable(error));
        injector->keyDown(18);
        injector->keyDown(112);
        injector.reset();
        const QStringList expected{"Alt_L down", "F1 down", "Alt_L up", "F1 up"};
        QCOMPARE(window.waitFor(expected.size()), expected);
    }

    void letterFollowsTheLayout_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::newRow("French AZERTY") << "fr";
        QTest::newRow("German QWERTZ") << "de";
    }
    void letterFollowsTheLayout()
    {
        QFETCH(QString, layout);
        QString error;
        auto injector = XTestKeyInjector::open({}, &error);
        QVERIFY2(injector, qPrintable(error));
        const int usA = injector->keycodeFor(65);
        const int usY = injector->keycodeFor(89);
        KeyRecorderWindow window;
        QVERIFY(setLayout(layout));
        // The map change reaches the injector as an event of its own.
        QTRY_VERIFY(injector->keycodeFor(65) != usA || injector->keycodeFor(89) != usY);
        injector->keyDown(65);
        injector->keyUp(65);
        injector->keyDown(89);
        injector->keyUp(89);
        const QStringList keys = window.waitFor(4);
        QVERIFY(setLayout(QStringLiteral("us")));
        QCOMPARE(keys, (QStringList{"a down", "a up", "y down", "y up"}));
    }

    void positionsKeepTheUsKeys_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<int>("vk");
        QTest::addColumn<QString>("key");
        QTest::newRow("A on AZERTY") << "fr" << 65 << "q";
        QTest::newRow("1 on AZERTY") << "fr" << 49 << "ampersand";
        QTest::newRow("Y on QWERTZ") << "de" << 89 << "z";
        QTest::newRow("/ on QWERTZ") << "de" << 191 << "minus";
    }
    void positionsKeepTheUsKeys()
    {
        QFETCH(QString, layout);
        QFETCH(int, vk);
        QFETCH(QString, key);
        OnLayout on(layout);
        QVERIFY(on.set);
        QVERIFY2(on.injector, qPrintable(on.error));
        auto& window = on.window;
        auto& injector = on.injector;
        injector->setPositional(true);
        injector->keyDown(vk);
        injector->keyUp(vk);
        QCOMPARE(window.waitFor(2), (QStringList{key + " down", key + " up"}));
    }

    void printableRowsTypeTheirCharacter_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::newRow("US") << "us";
        QTest::newRow("German QWERTZ") << "de";
        QTest::newRow("French AZERTY") << "fr";
    }
    // Digits, letters and punctuation: whatever level of the layout the
    // character sits on, that character arrives, or nothing where the
    // layout lacks it.
    void printableRowsTypeTheirCharacter()
    {
        QFETCH(QString, layout);
        OnLayout on(layout);
        QVERIFY(on.set);
        QVERIFY2(on.injector, qPrintable(on.error));
        auto& window = on.window;
        auto& injector = on.injector;
        QString expected;
        QString missing;
        for (const auto& row : KeyTable) {
            const QByteArray name(row.Name);
            if (row.Code == 0 || (name.size() > 1 && name[1] != ' '))
                continue; // not one character
            if (XKeysymToKeycode(window.dpy, KeySym(name[0])) != 0)
                expected += QLatin1Char(name[0]);
            else
                missing += QLatin1Char(name[0]);
            injector->keyDown(row.Code);
            injector->keyUp(row.Code);
        }
        qInfo("%s lacks \"%s\"", qPrintable(layout), qPrintable(missing));
        QTRY_COMPARE((window.read(), window.text), expected);
    }

    void charactersArriveOnEveryLayout_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<uint>("character"); // 0: every printable key alone and with Shift
        QTest::addColumn<bool>("spare");
        QTest::newRow("US keys") << "us" << 0u << false;
        QTest::newRow("German QWERTZ keys") << "de" << 0u << false;
        QTest::newRow("French AZERTY keys") << "fr" << 0u << false;
        QTest::newRow("é on its own key") << "fr" << 0xe9u << false;
        QTest::newRow("€ with AltGr") << "de" << 0x20acu << false;
        QTest::newRow("é the layout lacks") << "us" << 0xe9u << true;
        QTest::newRow("☺ beyond Latin-1") << "us" << 0x263au << true;
    }
    // A key with or without Shift types its US character, and a character
    // whatever key it needs here, at any level or bound to a spare keycode
    // that is empty again afterwards; the slot's Ctrl stays around it.
    void charactersArriveOnEveryLayout()
    {
        QFETCH(QString, layout);
        QFETCH(uint, character);
        QFETCH(bool, spare);
        OnLayout on(layout);
        QVERIFY(on.set);
        QVERIFY2(on.injector, qPrintable(on.error));
        auto& window = on.window;
        auto& injector = on.injector;
        const char32_t c = character;
        QString expected = QString::fromUcs4(&c, 1);
        if (c != 0) {
            QVERIFY(injector->canType(c));
            injector->keyDown(17);
            injector->characterDown(c);
            injector->characterUp(c);
            injector->keyUp(17);
            QTRY_COMPARE((window.read(), window.keys.value(window.keys.size() - 1)),
                         QStringLiteral("Control_L up"));
            QCOMPARE(window.characters, expected);
            const auto key = KeyCode(window.keycodes.at(1));
            if (spare)
                QTRY_COMPARE((window.read(), XkbKeycodeToKeysym(window.dpy, key, 0, 0)), NoSymbol);
            return;
        }
        for (expected.clear(); const auto& row : VkTable::rows()) {
            for (bool shift : {false, true}) {
                const char32_t us = VkTable::usCharacter(row.vk, shift);
                if (us == 0)
                    break;
                expected += QString::fromUcs4(&us, 1);
                shift ? injector->shiftedDown(row.vk) : injector->keyDown(row.vk);
                shift ? injector->shiftedUp(row.vk) : injector->keyUp(row.vk);
            }
        }
        // Keys that type nothing leave it short: count what came anyway.
        (void)QTest::qWaitFor([&] { return window.read(), window.text.size() >= expected.size(); });
        int arrived = 0;
        for (char ascii = '!'; ascii <= '~'; ++ascii)
            arrived += window.text.contains(QLatin1Char(ascii));
        qInfo("%s: %d of 94 printable ASCII characters arrive", qPrintable(layout), arrived);
        QCOMPARE(window.text, expected);
    }

    // Shift held for the slot is the Shift the level needs: it is neither
    // pressed again nor let go before the slot ends.
    void slotShiftServesTheLevel()
    {
        OnLayout on(QStringLiteral("de"));
        QVERIFY(on.set);
        QVERIFY2(on.injector, qPrintable(on.error));
        auto& window = on.window;
        auto& injector = on.injector;
        injector->keyDown(16);
        injector->keyDown(191); // "/" is Shift+7 here
        injector->keyUp(191);
        injector->keyUp(16);
        QCOMPARE(window.waitFor(4), (QStringList{"Shift_L down", "7 down", "7 up", "Shift_L up"}));
        QCOMPARE(window.text, QStringLiteral("/"));
    }

    // A level's Shift that another slot also holds goes up with the last.
    void sharedShiftOutlastsTheLevel()
    {
        OnLayout on(QStringLiteral("de"));
        QVERIFY(on.set);
        QVERIFY2(on.injector, qPrintable(on.error));
        auto& window = on.window;
        auto& injector = on.injector;
        injector->shiftedDown(49); // "!" is Shift+1 here too
        injector->keyDown(16);
        injector->shiftedUp(49);
        QCOMPARE(window.waitFor(3), (QStringList{"Shift_L down", "1 down", "1 up"}));
        injector->keyUp(16);
        QCOMPARE(window.waitFor(4).last(), QStringLiteral("Shift_L up"));
        QCOMPARE(window.text, QStringLiteral("!"));
    }

    void keyHeldAcrossLayoutChangeIsReleased()
    {
        QString error;
        auto injector = XTestKeyInjector::open({}, &error);
        QVERIFY2(injector, qPrintable(error));
        const int usA = injector->keycodeFor(65);
        KeyRecorderWindow window;
        injector->keyDown(65);
        QVERIFY(setLayout(QStringLiteral("fr")));
        QTRY_VERIFY(injector->keycodeFor(65) != usA);
        injector->keyUp(65);
        QVERIFY(setLayout(QStringLiteral("us")));
        QCOMPARE(window.waitFor(2).size(), 2);
        // The key that went down is the one that goes up, whatever the map
        // calls it by then.
        QCOMPARE(window.keycodes.at(1), window.keycodes.at(0));
    }

    // The server going away is reported once, at once, and typing after it
    // is harmless.
    void waylandChoiceFollowsTheFocus_data()
    {
        QTest::addColumn<bool>("xFocus");
        QTest::addColumn<QString>("reason");
        QTest::newRow("an X window has the focus") << true << "which has the focus";
        QTest::newRow("no X window has it, no uinput")
            << false << "which reaches X programs only: /dev/uinput is not writable";
    }
    // On Wayland, auto types through XTest while an XWayland window has the
    // focus, and says why it chose so.
    void waylandChoiceFollowsTheFocus()
    {
        QFETCH(bool, xFocus);
        QFETCH(QString, reason);
        if (::access("/dev/uinput", W_OK) == 0)
            QSKIP("this machine has a writable /dev/uinput");
        KeyRecorderWindow window; // takes the focus
        QVERIFY(window.mapped);
        if (!xFocus) {
            XSetInputFocus(window.dpy, None, RevertToNone, CurrentTime);
            XSync(window.dpy, False);
        }
        qputenv("WAYLAND_DISPLAY", "wayland-corvane-test");
        const auto unset = qScopeGuard([] { qunsetenv("WAYLAND_DISPLAY"); });
        QTest::ignoreMessage(
            QtInfoMsg, QRegularExpression("^Wayland session: typing through XTest on XWayland "
                                          "display .+, " +
                                          QRegularExpression::escape(reason) + "$"));
        QString error;
        QVERIFY2(corv::Platform::createKeyInjector(QStringLiteral("auto"), &error),
                 qPrintable(error));
    }

    void lostServerIsReported()
    {
        PrivateXServer x;
        if (!x.start())
            QSKIP("Xvfb cannot be started");
        QString error;
        auto injector = XTestKeyInjector::open(x.display, &error);
        QVERIFY2(injector, qPrintable(error));
        int lost = 0;
        injector->setOnLost([&] { ++lost; });
        injector->keyDown(16);
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral(
                                 "^lost the X display .+; keys can no longer be typed$")));
        x.process.kill();
        QTRY_COMPARE(lost, 1);
        injector->keyDown(191);
        injector->keyUp(191);
        injector.reset(); // lets Shift go on a server that is gone
        QCOMPARE(lost, 1);
    }

    // Lists the codes this server's keymap cannot type; they are no-ops.
    void gapsOfTheKeymap()
    {
        QString error;
        auto injector = XTestKeyInjector::open({}, &error);
        QVERIFY2(injector, qPrintable(error));
        QStringList missing;
        for (const auto& row : VkTable::rows()) {
            if (injector->keycodeFor(row.vk) == 0)
                missing << QString::number(row.vk);
        }
        qInfo("codes without a keycode here: %s", qPrintable(missing.join(u' ')));
        // Every letter, digit and the keys the runtime presses must be typeable.
        for (int vk :
             {8, 9, 13, 16, 17, 18, 27, 32, 37, 38, 39, 40, 48, 57, 65, 90, 96, 105, 112, 123})
            QVERIFY2(injector->keycodeFor(vk) != 0, qPrintable(QString::number(vk)));
    }
};

QTEST_GUILESS_MAIN(TestXTestKeyInjector)
#include "tst_XTestKeyInjector.moc"
