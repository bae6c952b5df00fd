#include "platform/HotKeyService.h"
#include "platform/x11/X11HotKeyService.h"
#include "platform/xtest/XTestKeyInjector.h"

#include "KeyRecorderWindow.h"
#include "PrivateXServer.h"
#include "RunProgram.h"

#include <QSignalSpy>
#include <QTest>
#include <X11/XKBlib.h>
#include <X11/keysym.h>

using corv::HotKeyService;
using corv::X11HotKeyService;
using corv::XTestKeyInjector;
using corv::test::runProgram;

namespace
{

unsigned numLockMask(Display* dpy)
{
    return XkbKeysymToModifiers(dpy, XK_Num_Lock);
}

void tap(XTestKeyInjector& keys, std::initializer_list<int> vks)
{
    for (int vk : vks)
        keys.keyDown(vk);
    for (auto it = std::rbegin(vks); it != std::rend(vks); ++it)
        keys.keyUp(*it);
}

} // namespace

class TestX11HotKeyService : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            QSKIP("needs an X server");
        QString error;
        keys_ = XTestKeyInjector::open({}, &error);
        QVERIFY2(keys_, qPrintable(error));
    }
    void cleanupTestCase() { keys_.reset(); }

    void firesOnlyWithItsModifiers_data()
    {
        QTest::addColumn<unsigned>("modifiers");
        QTest::addColumn<QList<int>>("pressed");
        QTest::addColumn<bool>("fires");
        QTest::newRow("plain key") << 0u << QList<int>{116} << true;
        QTest::newRow("plain key, ctrl held") << 0u << QList<int>{17, 116} << false;
        QTest::newRow("ctrl+shift") << unsigned(HotKeyService::ModControl | HotKeyService::ModShift)
                                    << QList<int>{17, 16, 116} << true;
        QTest::newRow("ctrl+shift, ctrl only")
            << unsigned(HotKeyService::ModControl | HotKeyService::ModShift) << QList<int>{17, 116}
            << false;
        QTest::newRow("alt") << unsigned(HotKeyService::ModAlt) << QList<int>{18, 116} << true;
    }
    void firesOnlyWithItsModifiers()
    {
        QFETCH(unsigned, modifiers);
        QFETCH(QList<int>, pressed);
        QFETCH(bool, fires);
        KeyRecorderWindow window;
        X11HotKeyService service;
        QVERIFY(service.registerHotKey(3, modifiers, 116));
        QSignalSpy spy(&service, &HotKeyService::hotKeyPressed);
        for (int vk : pressed)
            keys_->keyDown(vk);
        for (auto it = pressed.crbegin(); it != pressed.crend(); ++it)
            keys_->keyUp(*it);
        // The window sees F5 exactly when the grab did not take it.
        window.waitFor(2 * pressed.size() - (fires ? 2 : 0));
        QTRY_COMPARE(spy.size(), fires ? 1 : 0);
        QTest::qWait(50);
        QCOMPARE(spy.size(), fires ? 1 : 0);
        if (fires)
            QCOMPARE(spy.at(0).at(0).toInt(), 3);
        QCOMPARE(window.read().contains(QStringLiteral("F5 down")), !fires);
    }

    void firesWithNumLockAndCapsLockOn()
    {
        X11HotKeyService service;
        QVERIFY(service.registerHotKey(0, 0, 97)); // keypad 1
        QVERIFY(service.registerHotKey(1, 0, 66));
        QSignalSpy spy(&service, &HotKeyService::hotKeyPressed);
        Display* dpy = XOpenDisplay(nullptr);
        const unsigned numLock = numLockMask(dpy);
        QVERIFY(numLock != 0);
        XkbLockModifiers(dpy, XkbUseCoreKbd, numLock | LockMask, numLock | LockMask);
        XSync(dpy, False);
        tap(*keys_, {97});
        tap(*keys_, {66});
        QTRY_COMPARE(spy.size(), 2);
        XkbLockModifiers(dpy, XkbUseCoreKbd, numLock | LockMask, 0);
        XCloseDisplay(dpy);
        QCOMPARE(spy.at(0).at(0).toInt(), 0);
        QCOMPARE(spy.at(1).at(0).toInt(), 1);
    }

    void keyHeldElsewhereIsRefused_data()
    {
        // The other client holds one variant; every variant we had taken
        // before meeting it must be given back.
        QTest::addColumn<unsigned>("heldMask");
        QTest::newRow("plain") << 0u;
        QTest::newRow("caps lock variant") << unsigned(LockMask);
    }
    void keyHeldElsewhereIsRefused()
    {
        QFETCH(unsigned, heldMask);
        Display* other = XOpenDisplay(nullptr);
        const Window root = DefaultRootWindow(other);
        const KeyCode f7 = XKeysymToKeycode(other, XK_F7);
        XGrabKey(other, f7, heldMask, root, False, GrabModeAsync, GrabModeAsync);
        XSync(other, False);

        X11HotKeyService service;
        QVERIFY(!service.registerHotKey(7, 0, 118)); // the process lives on
        XUngrabKey(other, f7, heldMask, root);
        XSync(other, False);

        // Nothing of ours is left: the other client can take every variant.
        static bool refused;
        refused = false;
        auto* previous = XSetErrorHandler([](Display*, XErrorEvent*) {
            refused = true;
            return 0;
        });
        for (unsigned mask : {0u, unsigned(LockMask)}) {
            XGrabKey(other, f7, mask, root, False, GrabModeAsync, GrabModeAsync);
            XSync(other, False);
        }
        XSetErrorHandler(previous);
        QVERIFY(!refused);
        // A second service grabs it cleanly once the other client lets go.
        XCloseDisplay(other);
        X11HotKeyService again;
        QVERIFY(again.registerHotKey(7, 0, 118));
        QVERIFY(service.registerHotKey(8, 0, 119));
    }

    void ungrabGivesTheKeyBack()
    {
        KeyRecorderWindow window;
        X11HotKeyService service;
        QVERIFY(service.registerHotKey(2, HotKeyService::ModControl, 120)); // Ctrl+F9
        QSignalSpy spy(&service, &HotKeyService::hotKeyPressed);
        tap(*keys_, {17, 120});
        QTRY_COMPARE(spy.size(), 1);
        QCOMPARE(window.waitFor(2), (QStringList{"Control_L down", "Control_L up"}));

        service.unregisterHotKey(2);
        window.keys.clear();
        tap(*keys_, {17, 120});
        QCOMPARE(window.waitFor(4),
                 (QStringList{"Control_L down", "F9 down", "F9 up", "Control_L up"}));
        QCOMPARE(spy.size(), 1);
        // Unregistering frees the id for a new registration.
        QVERIFY(service.registerHotKey(2, 0, 120));
    }

    void followsALayoutChange()
    {
        X11HotKeyService service;
        QVERIFY(service.registerHotKey(4, 0, 81)); // q moves on AZERTY
        QSignalSpy spy(&service, &HotKeyService::hotKeyPressed);
        const int usQ = keys_->keycodeFor(81);
        QCOMPARE(runProgram(QStringLiteral("setxkbmap"), {QStringLiteral("fr")}).exitCode, 0);
        QTRY_VERIFY(keys_->keycodeFor(81) != usQ);
        QTest::qWait(100); // the service reads the same map change on its own connection
        tap(*keys_, {81});
        QTRY_COMPARE(spy.size(), 1);
        QCOMPARE(runProgram(QStringLiteral("setxkbmap"), {QStringLiteral("us")}).exitCode, 0);
        QTRY_VERIFY(keys_->keycodeFor(81) == usQ);
        QTest::qWait(100);
        tap(*keys_, {81});
        QTRY_COMPARE(spy.size(), 2);
    }

    void refusals_data()
    {
        QTest::addColumn<int>("vk");
        QTest::newRow("no key") << 0;
        QTest::newRow("code not in the table") << 7;
        QTest::newRow("keysym not on this keymap") << 135; // F24
        QTest::newRow("out of range") << 300;
    }
    void refusals()
    {
        QFETCH(int, vk);
        X11HotKeyService service;
        QVERIFY(!service.registerHotKey(1, 0, vk));
    }

    void sameIdTwiceIsRefused()
    {
        X11HotKeyService service;
        QVERIFY(service.registerHotKey(1, 0, 121));
        QVERIFY(!service.registerHotKey(1, 0, 122));
    }

    void withoutDisplayEverythingFails()
    {
        X11HotKeyService service(QStringLiteral(":9876"));
        QVERIFY(!service.registerHotKey(0, 0, 65));
        service.unregisterHotKey(0);
    }

    // A server that went away unnoticed is found gone by the close in the
    // destructor: that must not reach what the destructor freed already.
    void serverGoneUnnoticedUntilDestroyed()
    {
        for (int backend = 0; backend < 2; ++backend) {
            PrivateXServer x;
            if (!x.start())
                QSKIP("Xvfb cannot be started");
            QString error;
            auto service = std::make_unique<X11HotKeyService>(x.display);
            auto injector = XTestKeyInjector::open(x.display, &error);
            QVERIFY2(injector, qPrintable(error));
            QVERIFY(service->registerHotKey(1, 0, 121));
            x.process.kill();
            QVERIFY(x.process.waitForFinished(10000));
            if (backend == 0)
                service.reset();
            else
                injector.reset();
        }
    }

private:
    std::unique_ptr<XTestKeyInjector> keys_;
};

QTEST_GUILESS_MAIN(TestX11HotKeyService)
#include "tst_X11HotKeyService.moc"
