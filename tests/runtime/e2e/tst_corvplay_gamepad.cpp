// The real corvplay process playing a gamepad (separate inputs) template on
// the virtual joystick, headless with the print backend: what the engine's
// unit test cannot show, the real event delivery's timing, the virtual
// joystick's rest values, and no key left down however play stops.
#include "CorvplayProcess.h"
#include "RunProgram.h"

#include <QTest>
#include <csignal>
#include <utility>

using namespace corv::test;

// examples/gamepad.joy: the stick holds D, the trigger (AXIS6, at rest at
// -32768) fires F past its own threshold, B1 and B2 tap Space and E alone,
// Escape together, B6 is a layer; B3 taps R, the mark that ends each step.
static const QByteArray Mark = "wait 20\npress 3\nwait 20\nrelease 3\n";

class TestCorvplayGamepad : public QObject
{
    Q_OBJECT
    CorvplayProcess run_;

    // "key 68 down d" as "68+", "mode 2 Items" as "m2", the mark's tap of R as ";".
    QString typedFrom(qsizetype first)
    {
        return typedOf(run_.lines().mid(first), true)
            .join(u' ')
            .replace(QStringLiteral("82+ 82-"), QStringLiteral(";"));
    }

    // Plays script, then the mark. A line "mark" plays the mark there and
    // waits for it, "released" waits for every key to be up, and "--option"
    // runs a second corvplay with it. What it typed.
    QString play(const QByteArray& script)
    {
        const qsizetype first = run_.lines().size();
        QByteArray part;
        for (const QByteArray& line : (script + "\nmark").split('\n')) {
            const qsizetype marks = typedFrom(first).count(u';') + 1;
            bool ok = true;
            if (line.startsWith("--"))
                ok = runProgram(QStringLiteral(CORVPLAY_PATH), {QString::fromLatin1(line)},
                                run_.process.processEnvironment())
                         .exitCode == 0;
            else if (line == "released")
                ok = run_.send(std::exchange(part, {})) &&
                     QTest::qWaitFor([&] { return run_.keysDown().isEmpty(); }, kTimeout);
            else if (line == "mark")
                ok = run_.send(std::exchange(part, {}) + Mark) &&
                     QTest::qWaitFor([&] { return typedFrom(first).count(u';') == marks; },
                                     kTimeout);
            else
                part += line + '\n';
            if (!ok)
                return QStringLiteral("(stuck at %1) ").arg(QString::fromLatin1(line)) +
                       typedFrom(first);
        }
        return typedFrom(first);
    }

private slots:
    void initTestCase()
    {
        std::signal(SIGPIPE, SIG_IGN);
        // No display: the player picks Qt's offscreen platform and shows no boxes.
        QProcessEnvironment env = run_.environment();
        // Without XDG_RUNTIME_DIR too, which Qt would warn of.
        for (const char* name :
             {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_RUNTIME_DIR"})
            env.remove(QString::fromLatin1(name));
        run_.startIn(env, QStringLiteral("print"),
                     sourceFile(QStringLiteral("examples/gamepad.joy")));
        QTRY_VERIFY2_WITH_TIMEOUT(run_.lines().contains(QStringLiteral("mode 1 Walk")),
                                  qPrintable(run_.errorLines().join(u'\n')), kTimeout);
        // Quiet at start-up, the trigger at rest.
        QCOMPARE(play({}), QStringLiteral(";"));
    }

    // SIGTERM while the stick holds D.
    void cleanupTestCase()
    {
        QCOMPARE(play("axis 1 20000\n"), QStringLiteral("68+ ;"));
        run_.process.terminate();
        QVERIFY(run_.process.waitForFinished(kTimeout));
        QCOMPARE(run_.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(run_.process.exitCode(), 0);
        QCOMPARE(run_.keysDown(), QSet<QString>());
        // Standard error holds the player's own lines only, not Qt's.
        const QString errors = run_.errorLines().join(u'\n');
        for (const char* noise : {"XDG_RUNTIME_DIR", "does not support", "QObject::"})
            QVERIFY2(!errors.contains(QLatin1String(noise)), qPrintable(errors));
    }

    // Each row starts and ends in mode 1 with nothing held; what it typed
    // must match the pattern whole. A mark while a key is held shows it still
    // down there.
    void plays_data()
    {
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<QString>("expected");
        // 27 % of the way from rest is below AXIS6_THRESHOLD, 35 % past it.
        QTest::newRow("a held stick, and a trigger from its rest past its threshold")
            << QByteArray("axis 1 20000\nwait 300\naxis 6 -15000\nwait 30\naxis 6 -32768\n"
                          "wait 30\naxis 6 -10000\nwait 30\naxis 6 -32768\nwait 30\naxis 1 0\n")
            << "68\\+ 70\\+ 70- 68- ;";
        QTest::newRow("a chord 30 ms apart, 20 times in 20")
            << QByteArray("press 1\nwait 30\npress 2\nwait 60\nrelease 1\nrelease 2\nwait 40\n")
                   .repeated(20)
            << "(27\\+ 27- ){20};";
        QTest::newRow("a mode change (the layer) lets go")
            << QByteArray("axis 1 20000\nwait 200\nmark\npress 6\nwait 100\naxis 1 0\nrelease 6\n")
            << "68\\+ ; 68- m2 m1 ;";
        QTest::newRow("corvplay --disable lets go")
            << QByteArray("axis 1 20000\nwait 200\nmark\n--disable\nreleased\n--enable\naxis 1 0\n")
            << "68\\+ ; 68- m1 ;";
        // The mark after the plug shows the joystick plays on.
        QTest::newRow("unplugging lets go")
            << QByteArray(
                   "axis 1 20000\nwait 200\nmark\nunplug\nreleased\naxis 1 0\nplug\nwait 300\n")
            << "68\\+ ; 68- ;";
    }
    void plays()
    {
        QFETCH(QByteArray, script);
        QFETCH(QString, expected);
        const QString typed = play(script);
        QVERIFY2(QRegularExpression(u'^' + expected + u'$').match(typed).hasMatch(),
                 qPrintable(typed));
        QCOMPARE(run_.keysDown(), QSet<QString>());
    }
};

QTEST_GUILESS_MAIN(TestCorvplayGamepad)
#include "tst_corvplay_gamepad.moc"
