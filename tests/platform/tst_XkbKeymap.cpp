#include "platform/uinput/UinputKeyInjector.h"
#include "platform/xkb/XkbKeymap.h"

#include <QTest>
#include <fcntl.h>
#include <linux/uinput.h>
#include <unistd.h>

using corv::UinputDevice;
using corv::UinputKeyInjector;
using corv::XkbKeymap;
using corv::XkbLayoutChoice;

namespace
{

std::shared_ptr<XkbKeymap> compiled(const QString& layout, const QString& variant = {})
{
    QString error;
    std::shared_ptr<XkbKeymap> keymap =
        XkbKeymap::compile({layout, variant, {}, QStringLiteral("test")}, &error);
    if (!keymap)
        qFatal("%s", qPrintable(error));
    return keymap;
}

} // namespace

class TestXkbKeymap : public QObject
{
    Q_OBJECT
private slots:
    void choice_data()
    {
        QTest::addColumn<QString>("spec");
        QTest::addColumn<QStringList>("env"); // layout, variant, options
        QTest::addColumn<QString>("defaultKeyboard");
        QTest::addColumn<QString>("xorg");
        QTest::addColumn<QString>("described");
        QTest::addColumn<QString>("source");
        const QString quoted = "# comment\nXKBMODEL=\"pc105\"\nXKBLAYOUT=\"de\"\n"
                               "XKBVARIANT=\"nodeadkeys\"\nXKBOPTIONS=\"\"\n";
        const QString xorg = "Section \"InputClass\"\n  Identifier \"system-keyboard\"\n"
                             "  Option \"XkbLayout\" \"fr\"\n  option \"XkbOptions\" "
                             "\"compose:ralt\"\nEndSection\n";
        QTest::newRow("environment wins over files")
            << "" << QStringList{"us", "dvorak", ""} << quoted << xorg << "us:dvorak"
            << "from XKB_DEFAULT_LAYOUT";
        QTest::newRow("default/keyboard, quoted, variant")
            << "" << QStringList{"", "intl", ""} << quoted << xorg << "de:nodeadkeys"
            << "from /etc/default/keyboard";
        QTest::newRow("default/keyboard, unquoted")
            << "" << QStringList{} << "XKBLAYOUT=fr # azerty\nXKBVARIANT=\n"
            << ""
            << "fr"
            << "from /etc/default/keyboard";
        QTest::newRow("xorg.conf, empty default/keyboard")
            << "" << QStringList{} << "XKBLAYOUT=\"\"\n"
            << xorg << "fr with options compose:ralt"
            << "from /etc/X11/xorg.conf.d/00-keyboard.conf";
        QTest::newRow("nothing") << "" << QStringList{} << ""
                                 << ""
                                 << "us"
                                 << "the default";
        QTest::newRow("command line wins") << "de:neo" << QStringList{"us", "", "x"} << quoted << ""
                                           << "de:neo"
                                           << "from --keyboard-layout";
    }
    void choice()
    {
        QFETCH(QString, spec);
        QFETCH(QStringList, env);
        env.resize(3);
        QFETCH(QString, defaultKeyboard);
        QFETCH(QString, xorg);
        const XkbLayoutChoice c =
            XkbKeymap::choose(spec, {env[0], env[1], env[2], defaultKeyboard, xorg});
        QTEST(c.describe(), "described");
        QTEST(c.source, "source");
    }

    void lookup_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<uint>("c");
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("shift");
        QTest::addColumn<bool>("altGr");
        QTest::newRow("de # on its own key")
            << "de" << uint('#') << KEY_BACKSLASH << false << false;
        QTest::newRow("de { with AltGr") << "de" << uint('{') << KEY_7 << false << true;
        QTest::newRow("de z") << "de" << uint('z') << KEY_Y << false << false;
        QTest::newRow("de euro by legacy keysym") << "de" << 0x20acu << KEY_E << false << true;
        QTest::newRow("fr a") << "fr" << uint('a') << KEY_Q << false << false;
        QTest::newRow("fr 1 with Shift") << "fr" << uint('1') << KEY_1 << true << false;
        QTest::newRow("us:dvorak o") << "us:dvorak" << uint('o') << KEY_S << false << false;
        QTest::newRow("us,de: first layout") << "us,de" << uint('z') << KEY_Z << false << false;
        QTest::newRow("us has no AltGr level") << "us" << 0xe9u << 0 << false << false;
        QTest::newRow("newline is Return") << "us" << uint('\n') << KEY_ENTER << false << false;
        QTest::newRow("no layout has it") << "de" << 0x263au << 0 << false << false;
        QTest::newRow("surrogate") << "de" << 0xd800u << 0 << false << false;
    }
    void lookup()
    {
        QFETCH(QString, layout);
        QFETCH(uint, c);
        auto keymap = compiled(layout.section(':', 0, 0), layout.section(':', 1));
        const XkbKeymap::Place place = keymap->characterPlace(char32_t(c));
        QTEST(place.code, "code");
        QTEST(place.shift, "shift");
        QTEST(place.altGr, "altGr");
        QCOMPARE(keymap->onLayout(char32_t(c)), place.code != 0);
    }

    void unknownLayoutFails()
    {
        QString error;
        QVERIFY(!XkbKeymap::compile({"zz-none", {}, {}, "from --keyboard-layout"}, &error));
        QCOMPARE(error, "cannot compile the keyboard layout zz-none (from --keyboard-layout)");
    }

    // One device on de: the set-up requests, what each kind of press
    // writes, and the release of a held key before the device goes.
    void uinputOnLayout()
    {
        int fds[2];
        QCOMPARE(::pipe2(fds, O_NONBLOCK), 0);
        QList<QPair<unsigned long, uintptr_t>> requests;
        QList<int> written; // code, value pairs, checked for a SYN_REPORT after each
        const auto drain = [&] {
            input_event ev{};
            while (::read(fds[0], &ev, sizeof ev) == ssize_t(sizeof ev)) {
                if (ev.type == EV_KEY)
                    written << ev.code << ev.value;
                else
                    QVERIFY(ev.type == EV_SYN && ev.code == SYN_REPORT && written.size() % 2 == 0);
            }
        };
        UinputDevice device;
        device.path = "test";
        device.open = [&] { return fds[1]; };
        device.ioctl = [&](int, unsigned long request, uintptr_t arg) {
            if (request == UI_DEV_DESTROY)
                drain(); // what was written before it
            requests.append({request, request == UI_DEV_SETUP ? 0 : arg});
            return 0;
        };
        QString error;
        auto injector = UinputKeyInjector::open(device, compiled("de"), &error);
        QVERIFY2(injector, qPrintable(error));
        QVERIFY(injector->typesCharacters());
        QVERIFY(injector->canType(U'{') && !injector->canType(U'☺'));
        injector->setPositional(true);
        injector->keyDown('Z');
        injector->keyUp('Z');
        injector->setPositional(false);
        injector->shiftedDown('3'); // '#'
        injector->shiftedUp('3');
        injector->characterDown(U'{');
        injector->characterUp(U'{');
        injector->keyDown(16); // the slot's Shift, shared with the level of '"'
        injector->characterDown(U'"');
        injector->keyUp(16);
        injector->characterUp(U'"');
        injector->keyDown('Z');
        injector->keyDown('Z');        // again while held: a repeat, which the kernel passes on
        injector->characterDown(U'☺'); // not on the layout: nothing
        injector.reset();
        const QList<int> expected{KEY_Z,         1, KEY_Z, 0, KEY_BACKSLASH, 1, KEY_BACKSLASH, 0,
                                  KEY_RIGHTALT,  1, KEY_7, 1, KEY_7,         0, KEY_RIGHTALT,  0,
                                  KEY_LEFTSHIFT, 1, KEY_2, 1, KEY_2,         0, KEY_LEFTSHIFT, 0,
                                  KEY_Y,         1, KEY_Y, 2, KEY_Y,         0};
        QCOMPARE(written, expected);
        QVERIFY(requests.contains(qMakePair(UI_SET_KEYBIT, uintptr_t(KEY_RIGHTALT))));
        QVERIFY(requests.contains(qMakePair(UI_SET_KEYBIT, uintptr_t(KEY_102ND)))); // de's <>
        QCOMPARE(requests.count(qMakePair(UI_SET_KEYBIT, uintptr_t(KEY_A))), 1);
        QCOMPARE(requests.mid(requests.size() - 3),
                 (QList<QPair<unsigned long, uintptr_t>>{
                     {UI_DEV_SETUP, 0}, {UI_DEV_CREATE, 0}, {UI_DEV_DESTROY, 0}}));
        ::close(fds[0]);
    }
};

QTEST_GUILESS_MAIN(TestXkbKeymap)
#include "tst_XkbKeymap.moc"
