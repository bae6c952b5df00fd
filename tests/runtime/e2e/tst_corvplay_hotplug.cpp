// The real corvplay process, on Qt's offscreen platform, with its virtual
// joystick unplugged and plugged back, tapped and held.
#include "CorvplayProcess.h"

#include <QDir>
#include <QTest>
#include <csignal>

namespace
{

class Run : public CorvplayProcess
{
public:
    explicit Run(bool digital)
    {
        platform = QStringLiteral("offscreen");
        start(QStringLiteral("print"),
              templateWith(digital ? decltype(AnalogExample){} : AnalogExample));
    }

    // True once a tap of button 2 has been typed, which proves start-up
    // over; the lines from then on are the test's.
    bool ready()
    {
        QElapsedTimer sinceTap;
        const bool typed = QTest::qWaitFor(
            [&] {
                if (!sinceTap.isValid() || sinceTap.elapsed() > 250) {
                    send("press 2\nwait 30\nrelease 2\n");
                    sinceTap.start();
                }
                return lines().contains(QStringLiteral("key 32 up Space"));
            },
            kTimeout);
        QTest::qWait(400); // a tap still on its way
        first = lines().size();
        return typed;
    }

    QStringList newLines() { return lines().mid(first); }

    int fds() const
    {
        return int(QDir(QStringLiteral("/proc/%1/fd").arg(process.processId()))
                       .entryList(QDir::NoDotAndDotDot | QDir::AllEntries)
                       .size());
    }

    double rssMiB() const
    {
        QFile status(QStringLiteral("/proc/%1/status").arg(process.processId()));
        if (!status.open(QIODevice::ReadOnly))
            return -1;
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("VmRSS:"))
                return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
        }
        return -1;
    }

    qsizetype first = 0;
};

} // namespace

class TestCorvplayHotplug : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        std::signal(SIGPIPE, SIG_IGN);
        QVERIFY(QFile::exists(QStringLiteral(CORVPLAY_PATH)));
    }

    void analogRepeatEndsOnRelease()
    {
        Run run(false);
        QVERIFY(run.ready());
        // The jump right after the release marks it in the output.
        QVERIFY(run.send("press 1\nwait 1000\nrelease 1\npress 2\nrelease 2\n"));
        QTRY_VERIFY_WITH_TIMEOUT(run.newLines().contains(QStringLiteral("key 32 up Space")),
                                 kTimeout);
        QTest::qWait(300);
        const QStringList lines = run.newLines();
        const qsizetype mark = lines.indexOf(QStringLiteral("key 32 down Space"));
        // About 13 sends in the held second, then none.
        QVERIFY2(lines.first(mark).count(QStringLiteral("key 65 down a")) >= 5,
                 qPrintable(lines.join(u' ')));
        QCOMPARE(lines.mid(mark).count(QStringLiteral("key 65 down a")), 0);
        QCOMPARE(keysDown(lines), QSet<QString>());
    }

    void unplugStopsAndPlugPlaysAgain_data()
    {
        QTest::addColumn<bool>("digital");
        QTest::newRow("digital") << true;
        QTest::newRow("analog") << false;
    }
    void unplugStopsAndPlugPlaysAgain()
    {
        QFETCH(bool, digital);
        Run run(digital);
        QVERIFY(run.ready());
        // Fire held at the unplug; a jump while unplugged; after the plug a
        // jump, fire again, and a last jump as the end mark.
        QVERIFY(run.send("press 1\nwait 300\nunplug\nrelease 1\nwait 1000\n"
                         "press 2\nwait 200\nrelease 2\nwait 200\nplug\nwait 200\n"
                         "press 2\nwait 200\nrelease 2\nwait 200\n"
                         "press 1\nwait 300\nrelease 1\nwait 200\n"
                         "press 2\nwait 200\nrelease 2\n"));
        const auto jumps = [&] { return run.newLines().count(QStringLiteral("key 32 up Space")); };
        QTRY_COMPARE_WITH_TIMEOUT(jumps(), 2, kTimeout);
        QTest::qWait(300);
        const QStringList lines = run.newLines();
        QCOMPARE(lines.count(QStringLiteral("key 32 down Space")), 2);
        const qsizetype plugged = lines.indexOf(QStringLiteral("key 32 down Space"));
        const qsizetype end = lines.lastIndexOf(QStringLiteral("key 32 down Space"));
        // 300 ms held gives about 4 sends; a second more while unplugged
        // would have given a dozen more.
        const auto beforeUnplug = lines.first(plugged).count(QStringLiteral("key 65 down a"));
        QVERIFY2(beforeUnplug >= 1 && beforeUnplug <= 8, qPrintable(lines.join(u' ')));
        QVERIFY(lines.mid(plugged, end - plugged).count(QStringLiteral("key 65 down a")) >= 1);
        QCOMPARE(keysDown(lines), QSet<QString>());
        QCOMPARE(run.process.state(), QProcess::Running);
    }

    void tapsFireOnce_data()
    {
        QTest::addColumn<int>("ms");
        QTest::newRow("10 ms") << 10;
        QTest::newRow("30 ms") << 30;
        QTest::newRow("60 ms") << 60;
    }
    void tapsFireOnce()
    {
        QFETCH(int, ms);
        Run run(true);
        QVERIFY(run.ready());
        const QByteArray tap =
            QStringLiteral("press 2\nwait %1\nrelease 2\nwait 300\n").arg(ms).toUtf8();
        QVERIFY(run.send(tap.repeated(5)));
        QTest::qWait(5 * (ms + 300) + 500);
        QCOMPARE(run.newLines().count(QStringLiteral("key 32 down Space")), 5);
    }

    void hundredUnplugCycles()
    {
        // Analog: every press is a message, so each cycle types exactly once.
        Run run(false);
        QVERIFY(run.ready());
        const QByteArray cycle("press 1\nwait 20\nunplug\nrelease 1\nwait 5\nplug\n"
                               "press 2\nwait 20\nrelease 2\nwait 20\n");
        const auto jumps = [&] { return run.newLines().count(QStringLiteral("key 32 up Space")); };
        QVERIFY(run.send(cycle.repeated(10)));
        QTRY_COMPARE_WITH_TIMEOUT(jumps(), 10, kTimeout);
        const int fds = run.fds();
        const double rss = run.rssMiB();
        QVERIFY(run.send(cycle.repeated(90)));
        QTRY_COMPARE_WITH_TIMEOUT(jumps(), 100, 3 * kTimeout);
        QTest::qWait(200);
        qInfo("after 10 cycles: %d fds, %.1f MiB resident; after 100: %d fds, %.1f MiB", fds, rss,
              run.fds(), run.rssMiB());
        const QStringList lines = run.newLines();
        QCOMPARE(lines.count(QStringLiteral("key 32 down Space")), 100);
        QVERIFY(lines.count(QStringLiteral("key 65 down a")) >= 100);
        QCOMPARE(keysDown(lines), QSet<QString>());
        QCOMPARE(run.fds(), fds);
        QCOMPARE(run.process.state(), QProcess::Running);
    }
};

QTEST_GUILESS_MAIN(TestCorvplayHotplug)
#include "tst_corvplay_hotplug.moc"
