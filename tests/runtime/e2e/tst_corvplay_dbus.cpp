// The real corvplay under a private session bus: the client options, one
// player per session, and playing on where no bus can be reached.
#include "CorvplayProcess.h"
#include "RunProgram.h"

#include <QDBusConnection>
#include <QSignalSpy>
#include <QTest>

using namespace corv::test;

namespace
{

// Relays the player's D-Bus signals into Qt ones a spy can count.
class ModeListener : public QObject
{
    Q_OBJECT
public:
    ModeListener()
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        const QString service = QStringLiteral("org.corvane.Player");
        const QString path = QStringLiteral("/org/corvane/Player");
        bus.connect(service, path, service, QStringLiteral("ModeChanged"), this,
                    SLOT(relay(int, QString)));
        bus.connect(service, path, QStringLiteral("org.freedesktop.DBus.Properties"),
                    QStringLiteral("PropertiesChanged"), this,
                    SLOT(relayProperties(QString, QVariantMap, QStringList)));
    }
signals:
    void changed(int mode, const QString& name);
    void propertiesChanged(const QVariantMap& changed);
private slots:
    void relay(int mode, const QString& name) { emit changed(mode, name); }
    void relayProperties(const QString& interface, const QVariantMap& changed, const QStringList&)
    {
        if (interface == QLatin1String("org.corvane.Player"))
            emit propertiesChanged(changed);
    }
};

// No display: the player picks Qt's offscreen platform and shows no boxes.
QProcessEnvironment headless(QProcessEnvironment env)
{
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    return env;
}

struct Result {
    int status = -1;
    QString out;
    QString err;
};

Result corvplay(const QStringList& arguments,
                corv::test::SourcePlace where = corv::test::SourcePlace::current())
{
    const ProgramRun p = runProgram(QStringLiteral(CORVPLAY_PATH), arguments,
                                    headless(QProcessEnvironment::systemEnvironment()), where);
    return {p.exitCode, QString::fromUtf8(p.out), QString::fromUtf8(p.err)};
}

// Started: it answers and its engine is on.
bool playing()
{
    return corvplay({QStringLiteral("--status")}).out.contains(QStringLiteral("state: enabled"));
}

// Plays joy headless on the test's session bus; true once it is playing.
bool startPlaying(CorvplayProcess& run, const QString& joy)
{
    run.startIn(headless(run.environment()), QStringLiteral("print"), joy);
    return QTest::qWaitFor(playing, kTimeout);
}

} // namespace

class TestCorvplayDbus : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void clientsWithoutPlayer_data();
    void clientsWithoutPlayer();
    void switchesModes();
    void disableStopsTypingUntilEnable();
    void quitReleasesEveryKey();
    void secondPlayerRefusedReplaceTakesOver();
    void playsWithoutSessionBus();
};

void TestCorvplayDbus::initTestCase()
{
    if (!QDBusConnection::sessionBus().isConnected())
        QSKIP("needs a session bus (the test command runs this under dbus-run-session)");
    QVERIFY(QFile::exists(QStringLiteral(CORVPLAY_PATH)));
}

void TestCorvplayDbus::clientsWithoutPlayer_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");
    const QString none = QStringLiteral("corvplay is not running");
    for (const char* option : {"--next-mode", "--enable", "--disable", "--quit", "--status"})
        QTest::newRow(option) << QStringList{QString::fromLatin1(option)} << 4 << none;
    QTest::newRow("--mode 2") << QStringList{"--mode", "2"} << 4 << none;
    // Usage is checked before anything is asked of the bus.
    QTest::newRow("--mode x") << QStringList{"--mode", "x"} << 2
                              << QStringLiteral("--mode needs a mode number");
    QTest::newRow("two at once") << QStringList{"--enable", "--quit"} << 2
                                 << QStringLiteral("give one option");
}

void TestCorvplayDbus::clientsWithoutPlayer()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, message);
    const Result r = corvplay(arguments);
    QCOMPARE(r.status, status);
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
}

void TestCorvplayDbus::switchesModes()
{
    CorvplayProcess run;
    const QString joy = run.templateWith({{QStringLiteral("MODES"), QStringLiteral("3")}});
    QVERIFY(startPlaying(run, joy));
    ModeListener listener;
    QSignalSpy changed(&listener, &ModeListener::changed);
    QSignalSpy properties(&listener, &ModeListener::propertiesChanged);

    QCOMPARE(corvplay({QStringLiteral("--next-mode")}).status, 0);
    QCOMPARE(corvplay({QStringLiteral("--mode"), QStringLiteral("3")}).status, 0);
    QTRY_COMPARE_WITH_TIMEOUT(run.lines().filter(QStringLiteral("mode ")),
                              QStringList({"mode 1 Ground", "mode 2 Air", "mode 3 Mode 3"}),
                              kTimeout);
    QTRY_COMPARE_WITH_TIMEOUT(changed.size(), 2, kTimeout);
    QCOMPARE(changed.last(), QVariantList({3, QStringLiteral("Mode 3")}));
    QTRY_COMPARE_WITH_TIMEOUT(properties.size(), 2, kTimeout);
    QCOMPARE(properties.last().first().toMap(),
             QVariantMap({{"Mode", 3}, {"ModeName", QStringLiteral("Mode 3")}}));
    QCOMPARE(corvplay({QStringLiteral("--status")}).out,
             QStringLiteral("template: %1\nmode: 3 Mode 3\nstate: enabled\n").arg(joy));

    // Out of range: refused with the range, and the mode stays.
    for (const char* bad : {"0", "4"}) {
        const Result r = corvplay({QStringLiteral("--mode=") + QLatin1String(bad)});
        QCOMPARE(r.status, 2);
        QVERIFY2(r.err.contains(QStringLiteral("modes 1 to 3")), qPrintable(r.err));
    }
    QVERIFY(corvplay({QStringLiteral("--status")}).out.contains(QStringLiteral("mode: 3 ")));
}

void TestCorvplayDbus::disableStopsTypingUntilEnable()
{
    CorvplayProcess run;
    QVERIFY(startPlaying(run, sourceFile(QStringLiteral("examples/flight.joy"))));
    ModeListener listener;
    QSignalSpy properties(&listener, &ModeListener::propertiesChanged);

    QCOMPARE(corvplay({QStringLiteral("--disable")}).status, 0);
    QVERIFY(corvplay({QStringLiteral("--status")}).out.contains(QStringLiteral("disabled")));
    // As for the hot key, no mode switch while disabled.
    const Result next = corvplay({QStringLiteral("--next-mode")});
    QCOMPARE(next.status, 1);
    QVERIFY2(next.err.contains(QStringLiteral("disabled")), qPrintable(next.err));
    QVERIFY(run.send("press 2\nwait 400\nrelease 2\n"));
    QTest::qWait(800);
    QCOMPARE(run.lines(), QStringList({"mode 1 Ground"}));

    QCOMPARE(corvplay({QStringLiteral("--enable")}).status, 0);
    QVERIFY(run.send("press 2\nwait 200\nrelease 2\n"));
    QTRY_VERIFY_WITH_TIMEOUT(run.lines().contains(QStringLiteral("key 32 down Space")), kTimeout);
    // One change each way; a second Enable changes nothing.
    QCOMPARE(corvplay({QStringLiteral("--enable")}).status, 0);
    QTRY_COMPARE_WITH_TIMEOUT(properties.size(), 2, kTimeout);
    QCOMPARE(properties.at(0).first().toMap(), QVariantMap({{"Enabled", false}}));
    QCOMPARE(properties.at(1).first().toMap(), QVariantMap({{"Enabled", true}}));
}

void TestCorvplayDbus::quitReleasesEveryKey()
{
    CorvplayProcess run;
    QVERIFY(startPlaying(run, sourceFile(QStringLiteral("examples/flight.joy"))));
    // Fire repeats while held; quit in the middle of it.
    QVERIFY(run.send("press 1\n"));
    QTRY_VERIFY_WITH_TIMEOUT(run.lines().count(QStringLiteral("key 65 up a")) >= 2, kTimeout);

    // The client returns once the player has ended.
    QCOMPARE(corvplay({QStringLiteral("--quit")}).status, 0);
    QVERIFY(run.process.waitForFinished(kTimeout));
    QCOMPARE(run.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(run.process.exitCode(), 0);
    QCOMPARE(run.keysDown(), QSet<QString>());
    QCOMPARE(corvplay({QStringLiteral("--status")}).status, 4);
}

void TestCorvplayDbus::secondPlayerRefusedReplaceTakesOver()
{
    CorvplayProcess first;
    const QString joy = first.templateWith({});
    QVERIFY(startPlaying(first, joy));

    CorvplayProcess second;
    second.startIn(headless(second.environment()), QStringLiteral("print"), joy);
    QVERIFY(second.process.waitForFinished(kTimeout));
    QCOMPARE(second.process.exitCode(), 5);
    QVERIFY(QString::fromUtf8(second.process.readAllStandardError())
                .split(u'\n')
                .contains(QStringLiteral("corvplay is already running (template %1); use --quit "
                                         "first or --replace")
                              .arg(joy)));
    QVERIFY(playing()); // the first one plays on

    CorvplayProcess third;
    third.startIn(headless(third.environment()), QStringLiteral("print"), joy,
                  {QStringLiteral("--replace")});
    QVERIFY(first.process.waitForFinished(kTimeout));
    QCOMPARE(first.process.exitCode(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(playing(), kTimeout);
    // The new one plays, and answers.
    QVERIFY(third.send("press 2\nwait 200\nrelease 2\n"));
    QTRY_VERIFY_WITH_TIMEOUT(third.lines().contains(QStringLiteral("key 32 down Space")), kTimeout);
    QCOMPARE(corvplay({QStringLiteral("--quit")}).status, 0);
    QVERIFY(third.process.waitForFinished(kTimeout));
    QCOMPARE(third.process.exitCode(), 0);
}

void TestCorvplayDbus::playsWithoutSessionBus()
{
    CorvplayProcess run;
    QProcessEnvironment env = headless(run.environment());
    run.withoutBus(env);
    run.startIn(env, QStringLiteral("print"), sourceFile(QStringLiteral("examples/flight.joy")));
    QVERIFY(run.send("press 2\nwait 200\nrelease 2\n"));
    QTRY_VERIFY_WITH_TIMEOUT(run.lines().contains(QStringLiteral("key 32 up Space")), kTimeout);
    const QStringList said = QString::fromUtf8(run.process.readAllStandardError())
                                 .split(u'\n')
                                 .filter(QStringLiteral("session bus"));
    QCOMPARE(said.size(), 1);
    // The bus the test runs on knows nothing of it.
    QCOMPARE(corvplay({QStringLiteral("--status")}).status, 4);
    run.process.terminate();
    QVERIFY(run.process.waitForFinished(kTimeout));
    QCOMPARE(run.process.exitCode(), 0);
}

QTEST_GUILESS_MAIN(TestCorvplayDbus)
#include "tst_corvplay_dbus.moc"
