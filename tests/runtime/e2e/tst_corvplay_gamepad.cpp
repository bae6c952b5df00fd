// The real corvplay process playing a gamepad (separate inputs) template on
// the virtual joystick's buttons, hat and axes, headless with the print
// backend, on the test's private session bus: what goes through the
// joystick's events end to end, and no key left down however play stops.
#include "CorvplayProcess.h"
#include "RunProgram.h"

#include <QTest>
#include <csignal>
#include <memory>

using namespace corv::test;

namespace
{

// Mode 1 walks on the left stick and fires on the right trigger (AXIS6, at
// rest at -32768, with a threshold of its own) or B3; B1 and B2 tap alone and
// give Escape together; B4 holds X; B5 goes to mode 3 and back; B6 is a
// layer to mode 2. B8 taps Z in every mode: the end mark of each step.
const char* const Inputs[] = {"AXIS1_POS", "AXIS1_NEG", "AXIS2_NEG", "AXIS6_POS", "AXIS6_NEG",
                              "B1",        "B2",        "B1+B2",     "B3",        "B4",
                              "B5",        "B6",        "B8"};
// Mode, button number, key code (the target mode of MODE and LAYER), action.
struct Action {
    int mode;
    int k;
    int code;
    const char* action;
};
const Action Actions[] = {
    {1, 1, 68, "HOLD"}, {1, 2, 65, "HOLD"},  {1, 3, 87, "HOLD"}, {1, 4, 32, "TAP"},
    {1, 5, 78, "TAP"},  {1, 6, 69, "TAP"},   {1, 7, 82, "TAP"},  {1, 8, 27, "TAP"},
    {1, 9, 70, "TAP"},  {1, 10, 88, "HOLD"}, {1, 11, 3, "MODE"}, {1, 12, 2, "LAYER"},
    {1, 13, 90, "TAP"}, {2, 6, 67, "HOLD"},  {2, 13, 90, "TAP"}, {3, 1, 68, "HOLD"},
    {3, 11, 1, "MODE"}, {3, 12, 2, "LAYER"}, {3, 13, 90, "TAP"}};

QByteArray gamepadTemplate()
{
    QString t = QStringLiteral("[GLOBAL]\nMODE1NAME=Walk\nMODE2NAME=Menu\nMODE3NAME=Fly\nMODES=3\n"
                               "MODE_SWITCH_BUTTON=\nMODE_SWITCH_KEY=\nINPUTS=SEPARATE\n"
                               "CHORD_MS=50\nAXIS_THRESHOLD=50\nAXIS6_THRESHOLD=30\nBUTTONS=%1\n"
                               "[MAPPING]\n")
                    .arg(std::size(Inputs));
    for (size_t k = 1; k <= std::size(Inputs); ++k)
        t += QStringLiteral("BUTTON%1=%2\n").arg(k).arg(QLatin1String(Inputs[k - 1]));
    for (int mode = 1; mode <= 3; ++mode) {
        t += QStringLiteral("[MODE%1]\n").arg(mode);
        for (const Action& a : Actions) {
            if (a.mode != mode)
                continue;
            const QString key = QStringLiteral("BUTTON%1_").arg(a.k);
            if (a.code <= 3) // MODE and LAYER
                t += key + QStringLiteral("MODE=%1\n").arg(a.code);
            else
                t += key + QStringLiteral("COUNT=1\n") + key + QStringLiteral("1=%1\n").arg(a.code);
            t += key + QStringLiteral("ACTION=") + QLatin1String(a.action) + u'\n';
        }
    }
    return t.toUtf8();
}

const QString StartLine = QStringLiteral("mode 1 Walk");
const QByteArray Mark = "wait 20\npress 8\nwait 20\nrelease 8\n";

// No display: the player picks Qt's offscreen platform and shows no boxes.
QProcessEnvironment headless(QProcessEnvironment env)
{
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    return env;
}

int corvplayClient(const QString& option,
                   corv::test::SourcePlace where = corv::test::SourcePlace::current())
{
    return runProgram(QStringLiteral(CORVPLAY_PATH), {option},
                      headless(QProcessEnvironment::systemEnvironment()), where)
        .exitCode;
}

// "key 68 down d" as "68+", "key 68 up d" as "68-", "mode 3 Fly" as "m3".
QStringList tokens(const QStringList& lines)
{
    QStringList out;
    for (const QString& line : lines) {
        const QStringList w = line.split(u' ');
        if (w.size() >= 3 && w[0] == u"key")
            out << w[1] + (w[2] == u"down" ? u'+' : u'-');
        else if (w.size() >= 2 && w[0] == u"mode")
            out << u'm' + w[1];
    }
    return out;
}

class Gamepad : public CorvplayProcess
{
public:
    // Started, and past start-up once the first mark has come through. Off
    // the bus, beside the player that holds it.
    bool begin(bool onBus = true)
    {
        const QString joy =
            writeFile(dir.filePath(QStringLiteral("gamepad.joy")), gamepadTemplate());
        QProcessEnvironment env = headless(environment());
        if (!onBus)
            env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        startIn(env, QStringLiteral("print"), joy);
        return process.waitForStarted(kTimeout) &&
               QTest::qWaitFor([&] { return lines().contains(StartLine); }, kTimeout) &&
               play({}) == QString();
    }

    QStringList tokensFrom(qsizetype first) { return tokens(lines().mid(first)); }

    // Plays script, then the mark; what it typed before the mark.
    QString play(const QByteArray& script)
    {
        const qsizetype first = lines().size();
        send(script + Mark);
        if (!QTest::qWaitFor([&] { return tokensFrom(first).contains(QStringLiteral("90-")); },
                             kTimeout))
            return QStringLiteral("(no mark) ") + tokensFrom(first).join(u' ');
        const QStringList t = tokensFrom(first);
        return t.first(t.indexOf(QStringLiteral("90+"))).join(u' ');
    }
};

} // namespace

class TestCorvplayGamepad : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void plays_data();
    void plays();
    void nothingLeftDown_data();
    void nothingLeftDown();

private:
    std::unique_ptr<Gamepad> run_;
};

void TestCorvplayGamepad::initTestCase()
{
    std::signal(SIGPIPE, SIG_IGN);
    QVERIFY(QFile::exists(QStringLiteral(CORVPLAY_PATH)));
    run_ = std::make_unique<Gamepad>();
    QVERIFY2(run_->begin(), qPrintable(run_->errorLines().join(u'\n')));
}

void TestCorvplayGamepad::cleanupTestCase()
{
    if (!run_)
        return;
    run_->process.terminate();
    QVERIFY(run_->process.waitForFinished(kTimeout));
    QCOMPARE(run_->process.exitCode(), 0);
    QCOMPARE(run_->keysDown(), QSet<QString>());
}

// Each row starts and ends in mode 1 with nothing held; what it typed must
// match the pattern whole.
void TestCorvplayGamepad::plays_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QString>("expected");
    QTest::newRow("a stick held is one down and one up")
        << QByteArray("axis 1 20000\nwait 400\naxis 1 -5000\nwait 50\naxis 1 0\n") << "68\\+ 68-";
    QTest::newRow("fire by trigger and by button while walking")
        << QByteArray("axis 2 -30000\nwait 50\naxis 6 0\nwait 30\naxis 6 -32768\nwait 30\n"
                      "press 3\nwait 30\nrelease 3\nwait 30\naxis 2 0\n")
        << "87\\+ 32\\+ 32- 70\\+ 70- 87-";
    // 27 % of the way from rest is below AXIS6_THRESHOLD, 35 % past it; at
    // -32768 the trigger is at rest, not all the way to its negative side.
    QTest::newRow("a trigger is quiet at rest and fires past its threshold")
        << QByteArray("axis 6 -32768\nwait 30\naxis 6 -15000\nwait 30\naxis 6 -32768\nwait 30\n"
                      "axis 6 -10000\nwait 30\naxis 6 -32768\nwait 30\n")
        << "32\\+ 32-";
    // 55 % and 45 % of the way, against a threshold of 50 %.
    QTest::newRow("a stick wobbling around the threshold does not chatter")
        << QByteArray("axis 1 18022\nwait 20\naxis 1 14746\nwait 20\n").repeated(6) + "axis 1 0\n"
        << "68\\+ 68-";
    QTest::newRow("a chord 30 ms apart, 20 times in 20")
        << QByteArray("press 1\nwait 30\npress 2\nwait 60\nrelease 1\nrelease 2\nwait 40\n")
               .repeated(20)
        << "(27\\+ 27- ?){20}";
    QTest::newRow("a chord member alone fires after the window")
        << QByteArray("press 1\nwait 150\nrelease 1\nwait 40\npress 2\nwait 150\nrelease 2\n")
        << "69\\+ 69- 82\\+ 82-";
    QTest::newRow("a layer returns to the mode before it")
        << QByteArray("press 6\nwait 30\npress 1\nwait 30\nrelease 1\nwait 30\nrelease 6\n"
                      "wait 30\npress 5\nwait 30\nrelease 5\nwait 30\npress 6\nwait 30\n"
                      "release 6\nwait 30\npress 5\nwait 30\nrelease 5\n")
        << "m2 67\\+ 67- m1 m3 m2 m3 m1";
}

void TestCorvplayGamepad::plays()
{
    QFETCH(QByteArray, script);
    QFETCH(QString, expected);
    QVERIFY(run_);
    const QString typed = run_->play(script);
    QVERIFY2(QRegularExpression(QStringLiteral("^(?:%1)$").arg(expected)).match(typed).hasMatch(),
             qPrintable(typed));
    QCOMPARE(run_->keysDown(), QSet<QString>());
}

// The stick and B4 hold D and X, held long enough to show they stay down;
// then play stops one way or another, in the middle of the hold.
void TestCorvplayGamepad::nothingLeftDown_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("mode change") << "mode";
    QTest::newRow("disable from a second process") << "disable";
    QTest::newRow("unplug") << "unplug";
    QTest::newRow("SIGTERM") << "sigterm";
}

void TestCorvplayGamepad::nothingLeftDown()
{
    QFETCH(QString, how);
    QVERIFY(run_);
    std::unique_ptr<Gamepad> own;
    if (how == u"sigterm") { // the shared player plays on for the other rows
        own = std::make_unique<Gamepad>();
        QVERIFY2(own->begin(false), qPrintable(own->errorLines().join(u'\n')));
    }
    Gamepad& run = own ? *own : *run_;
    const qsizetype first = run.lines().size();
    QVERIFY(run.send("axis 1 20000\npress 4\n"));
    const QStringList held{"68+", "88+"};
    QTRY_COMPARE_WITH_TIMEOUT(run.tokensFrom(first), held, kTimeout);
    QTest::qWait(300);
    QCOMPARE(run.tokensFrom(first), held);

    const QSet<QString> nothing;
    if (how == u"mode") {
        QVERIFY(run.send("press 5\nwait 30\nrelease 5\n"));
        QTRY_VERIFY_WITH_TIMEOUT(run.tokensFrom(first).contains(QStringLiteral("m3")), kTimeout);
        QCOMPARE(run.keysDown(), nothing);
        // Still held in mode 3, where the stick holds D too: it waits for a
        // new push.
        QCOMPARE(run.play("wait 100\n"), QString());
        QCOMPARE(run.play("axis 1 0\nrelease 4\npress 5\nwait 30\nrelease 5\n"), "m1");
    } else if (how == u"disable") {
        QCOMPARE(corvplayClient(QStringLiteral("--disable")), 0);
        QTRY_COMPARE_WITH_TIMEOUT(run.keysDown(), nothing, kTimeout);
        // Nothing typed while disabled, not even the mark.
        const qsizetype disabled = run.lines().size();
        QVERIFY(run.send("axis 1 0\nrelease 4\npress 3\nwait 30\nrelease 3\n" + Mark));
        QTest::qWait(400);
        QCOMPARE(run.tokensFrom(disabled), QStringList());
        QCOMPARE(corvplayClient(QStringLiteral("--enable")), 0);
        QTRY_COMPARE_WITH_TIMEOUT(run.tokensFrom(disabled), QStringList{"m1"}, kTimeout);
        QCOMPARE(run.play("press 3\nwait 30\nrelease 3\n"), "70+ 70-");
    } else if (how == u"unplug") {
        QVERIFY(run.send("unplug\n"));
        QTRY_COMPARE_WITH_TIMEOUT(run.keysDown(), nothing, kTimeout);
        QCOMPARE(run.process.state(), QProcess::Running);
        QVERIFY(run.send("wait 200\nplug\nwait 200\naxis 1 0\nrelease 4\n"));
        // Plugged in again, the joystick plays on.
        const QString after = run.play("wait 100\npress 3\nwait 30\nrelease 3\n");
        QVERIFY2(after.endsWith(QStringLiteral("70+ 70-")), qPrintable(after));
    } else {
        run.process.terminate();
        QVERIFY(run.process.waitForFinished(kTimeout));
        QCOMPARE(run.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(run.process.exitCode(), 0);
    }
    QCOMPARE(run.keysDown(), nothing);
    const QStringList typed = run.tokensFrom(first);
    QCOMPARE(typed.filter(QStringLiteral("+")).size(), typed.filter(QStringLiteral("-")).size());
}

QTEST_GUILESS_MAIN(TestCorvplayGamepad)
#include "tst_corvplay_gamepad.moc"
