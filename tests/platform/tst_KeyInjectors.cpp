#include "platform/Platform.h"
#include "platform/print/PrintKeyInjector.h"
#include "platform/uinput/UinputKeyInjector.h"

#include <QTest>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <linux/input.h>
#include <unistd.h>

using corv::KeyInjector;
using corv::Platform;
using corv::PrintKeyInjector;
using corv::UinputKeyInjector;

namespace
{

QByteArray readAll(std::FILE* file)
{
    std::rewind(file);
    QByteArray out;
    char buffer[256];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        out.append(buffer, static_cast<qsizetype>(n));
    return out;
}

struct Event {
    int type, code, value;
    bool operator==(const Event&) const = default;
};

QList<Event> drain(int fd)
{
    QList<Event> out;
    input_event ev{};
    while (::read(fd, &ev, sizeof ev) == static_cast<ssize_t>(sizeof ev))
        out.append({ev.type, ev.code, ev.value});
    return out;
}

} // namespace

class TestKeyInjectors : public QObject
{
    Q_OBJECT
private slots:
    void printWritesEachEvent()
    {
        std::FILE* out = std::tmpfile();
        QVERIFY(out);
        {
            PrintKeyInjector injector(out);
            injector.keyDown(17);
            injector.keyDown(65);
            injector.keyUp(65);
            injector.keyDown(0);   // an empty slot: typed by no backend, so not shown
            injector.keyDown(256); // out of range: never reaches the backend
            injector.keyDown(124); // F13 is not in the key table: no name
            injector.keyDown(219);
            injector.keyDown(107);
            // All but 65 are still down and go up when the injector goes.
        }
        QCOMPARE(readAll(out), QByteArray("key 17 down Ctrl\nkey 65 down a\nkey 65 up a\n"
                                          "key 124 down\nkey 219 down [\nkey 107 down Numpad +\n"
                                          "key 17 up Ctrl\nkey 107 up Numpad +\nkey 124 up\n"
                                          "key 219 up [\n"));
        std::fclose(out);
    }

    void uinputEncoding_data()
    {
        QTest::addColumn<int>("vk");
        QTest::addColumn<int>("code");
        QTest::newRow("letter a") << 65 << int(KEY_A);
        QTest::newRow("digit 0") << 48 << int(KEY_0);
        QTest::newRow("keypad 5") << 101 << int(KEY_KP5);
        QTest::newRow("left ctrl") << 17 << int(KEY_LEFTCTRL);
        QTest::newRow("F24") << 135 << int(KEY_F24);
        QTest::newRow("open bracket") << 219 << int(KEY_LEFTBRACE);
        QTest::newRow("quote") << 222 << int(KEY_APOSTROPHE);
        QTest::newRow("num lock") << 144 << int(KEY_NUMLOCK);
    }
    void uinputEncoding()
    {
        QFETCH(int, vk);
        QFETCH(int, code);
        int fds[2];
        QCOMPARE(::pipe2(fds, O_NONBLOCK), 0);
        {
            auto injector = UinputKeyInjector::fromFd(fds[1]);
            injector->keyDown(vk);
            injector->keyUp(vk);
        }
        const QList<Event> expected{
            {EV_KEY, code, 1}, {EV_SYN, SYN_REPORT, 0}, {EV_KEY, code, 0}, {EV_SYN, SYN_REPORT, 0}};
        QCOMPARE(drain(fds[0]), expected);
        ::close(fds[0]);
    }

    void uinputSkipsUnknownAndReleasesHeld()
    {
        int fds[2];
        QCOMPARE(::pipe2(fds, O_NONBLOCK), 0);
        {
            auto injector = UinputKeyInjector::fromFd(fds[1]);
            injector->keyDown(0);
            injector->keyDown(7); // no key has this code
            injector->keyDown(16);
        }
        const QList<Event> expected{{EV_KEY, KEY_LEFTSHIFT, 1},
                                    {EV_SYN, SYN_REPORT, 0},
                                    {EV_KEY, KEY_LEFTSHIFT, 0},
                                    {EV_SYN, SYN_REPORT, 0}};
        QCOMPARE(drain(fds[0]), expected);
        ::close(fds[0]);
    }

    void uinputStopsOnWriteError()
    {
        int fds[2];
        QCOMPARE(::pipe2(fds, O_NONBLOCK), 0);
        ::close(fds[0]); // nobody reads: writes fail with EPIPE
        std::signal(SIGPIPE, SIG_IGN);
        auto injector = UinputKeyInjector::fromFd(fds[1]);
        injector->keyDown(65);
        QVERIFY(injector->failed());
        injector->keyDown(66); // must not touch the closed fd again
        injector.reset();
    }

    void backendChoice_data()
    {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<QString>("error");
        QTest::newRow("unknown")
            << "telepathy"
            << "Unknown key backend 'telepathy': use auto, xtest, uinput or print.";
        QTest::newRow("xtest without display") << "xtest"
                                               << "Cannot open the X display :9876";
        QTest::newRow("auto without anything")
            << "auto"
            << "Cannot type keys: no X display with the XTEST extension is reachable and "
               "/dev/uinput is not writable. Install the udev rule 60-corvane-uinput.rules, load "
               "the uinput module (modprobe uinput) and log in again, or run from an X session.";
    }
    void backendChoice()
    {
        QFETCH(QString, backend);
        QFETCH(QString, error);
        if (::access("/dev/uinput", W_OK) == 0)
            QSKIP("this machine has a writable /dev/uinput");
        qputenv("DISPLAY", ":9876");
        QString message;
        QVERIFY(!Platform::createKeyInjector(backend, &message));
        QCOMPARE(message, error);
    }

    void printIsAlwaysAvailable()
    {
        QString message;
        QVERIFY(Platform::createKeyInjector(QStringLiteral("PRINT"), &message) != nullptr);
        QVERIFY(message.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestKeyInjectors)
#include "tst_KeyInjectors.moc"
