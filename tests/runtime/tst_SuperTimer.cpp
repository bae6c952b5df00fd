#include "runtime/components/TSuperTimer.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QThread>
#include <QtTest>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

using namespace corv;

class TestSuperTimer : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void tickLimitStops();
    void countDownStopsAtZero();
    void intervalZeroDisables();
    void reenablingContinuesElapsedTime();
    void countDownChangeTurnsFromCurrentValue();
    void priorityChangesAtOnce_data();
    void priorityChangesAtOnce();
    void queuedTickOfDisabledTimerIsDropped();
    void slowHandlerSkipsTicks_data();
    void slowHandlerSkipsTicks();
    void destructionReleasesWorker_data();
    void destructionReleasesWorker();

private:
    bool mayRaisePriority_ = false;
};

void TestSuperTimer::initTestCase()
{
    // Raising priority needs privilege; find out on a scratch thread.
    std::thread probe([this] { mayRaisePriority_ = setpriority(PRIO_PROCESS, 0, -1) == 0; });
    probe.join();
}

void TestSuperTimer::tickLimitStops()
{
    TSuperTimer t;
    t.SetInterval(100);
    t.SetTickLimit(10);
    QStringList order;
    bool onGuiThread = true;
    connect(&t, &TSuperTimer::OnTimer, [&](QObject* sender) {
        onGuiThread = onGuiThread &&
                      QThread::currentThread() == QCoreApplication::instance()->thread() &&
                      sender == &t;
        order << "tick";
    });
    connect(&t, &TSuperTimer::OnStop, [&] { order << "stop"; });
    t.SetEnabled(true);
    QTRY_VERIFY_WITH_TIMEOUT(order.contains("stop"), 20000);
    QTest::qWait(300);
    QStringList expected(10, "tick");
    expected << "stop";
    QCOMPARE(order, expected);
    QVERIFY(onGuiThread);
    QVERIFY(!t.Enabled());
    QCOMPARE(t.Ticks(), 10);
}

void TestSuperTimer::countDownStopsAtZero()
{
    TSuperTimer t;
    t.SetInterval(20);
    t.SetElapsedTime(200);
    t.SetCountDown(true);
    QList<int> elapsed;
    int stops = 0;
    connect(&t, &TSuperTimer::OnTimer, [&] { elapsed << t.ElapsedTime(); });
    connect(&t, &TSuperTimer::OnStop, [&] { ++stops; });
    t.SetEnabled(true);
    QTRY_COMPARE_WITH_TIMEOUT(stops, 1, 20000);
    QTest::qWait(100);
    QCOMPARE(stops, 1);
    QVERIFY(elapsed.last() <= 0);
    for (int i = 0; i + 1 < elapsed.size(); ++i) {
        QVERIFY(elapsed[i] > 0);
        if (i > 0)
            QVERIFY(elapsed[i] < elapsed[i - 1]);
    }
}

void TestSuperTimer::intervalZeroDisables()
{
    TSuperTimer t;
    t.SetInterval(10);
    int ticks = 0;
    connect(&t, &TSuperTimer::OnTimer, [&] { ++ticks; });
    t.SetEnabled(true);
    QTRY_VERIFY_WITH_TIMEOUT(ticks > 0, 10000);
    t.SetInterval(0);
    QVERIFY(!t.Enabled());
    QCOMPARE(t.Ticks(), 0);
    const int seen = ticks;
    t.SetEnabled(true); // a zero interval cannot run
    QVERIFY(!t.Enabled());
    QTest::qWait(100);
    QCOMPARE(ticks, seen);
}

void TestSuperTimer::reenablingContinuesElapsedTime()
{
    TSuperTimer t;
    t.SetInterval(20);
    QList<int> elapsed;
    connect(&t, &TSuperTimer::OnTimer, [&] {
        elapsed << t.ElapsedTime();
        if (elapsed.size() == 3 || elapsed.size() == 4)
            t.SetEnabled(false);
    });
    t.SetEnabled(true);
    QTRY_COMPARE_WITH_TIMEOUT(elapsed.size(), 3, 10000);
    const int atDisable = t.ElapsedTime();
    QTest::qWait(500); // far longer than the interval: none of it may count
    QCOMPARE(elapsed.size(), 3);
    QCOMPARE(t.ElapsedTime(), atDisable);
    t.SetEnabled(true);
    QTRY_COMPARE_WITH_TIMEOUT(elapsed.size(), 4, 10000);
    QVERIFY(elapsed[3] >= atDisable + 20);
    QVERIFY(elapsed[3] < atDisable + 400);
}

void TestSuperTimer::countDownChangeTurnsFromCurrentValue()
{
    TSuperTimer t;
    t.SetInterval(20);
    QList<int> elapsed;
    connect(&t, &TSuperTimer::OnTimer, [&] {
        elapsed << t.ElapsedTime();
        if (elapsed.size() == 3)
            t.SetCountDown(true);
        if (elapsed.size() == 5)
            t.SetEnabled(false);
    });
    t.SetEnabled(true);
    QTRY_COMPARE_WITH_TIMEOUT(elapsed.size(), 5, 10000);
    QVERIFY(elapsed[1] > elapsed[0] && elapsed[2] > elapsed[1]);
    QVERIFY(elapsed[3] < elapsed[2] && elapsed[4] < elapsed[3]);
    QVERIFY(elapsed[3] > 0);
}

void TestSuperTimer::priorityChangesAtOnce_data()
{
    QTest::addColumn<TSuperTimer::TThreadPriority>("priority");
    QTest::addColumn<int>("nice");
    QTest::newRow("idle") << TSuperTimer::tpIdle << 15;
    QTest::newRow("lowest") << TSuperTimer::tpLowest << 2;
    QTest::newRow("lower") << TSuperTimer::tpLower << 1;
    QTest::newRow("normal") << TSuperTimer::tpNormal << 0;
    QTest::newRow("higher") << TSuperTimer::tpHigher << -1;
    QTest::newRow("highest") << TSuperTimer::tpHighest << -2;
    QTest::newRow("time-critical") << TSuperTimer::tpTimeCritical << -15;
}

void TestSuperTimer::priorityChangesAtOnce()
{
    QFETCH(TSuperTimer::TThreadPriority, priority);
    QFETCH(int, nice);
    if (getpriority(PRIO_PROCESS, 0) != 0)
        QSKIP("run at another nice level: normal could not be set back");
    TSuperTimer t;
    t.SetThreadPriority(TSuperTimer::tpNormal);
    t.SetInterval(20);
    int ticks = 0;
    connect(&t, &TSuperTimer::OnTimer, [&] { ++ticks; });
    t.SetEnabled(true);
    QTRY_VERIFY_WITH_TIMEOUT(ticks > 0, 10000);
    const auto tid = static_cast<id_t>(t.WorkerThreadId());
    QCOMPARE(getpriority(PRIO_PROCESS, tid), 0);

    t.SetThreadPriority(priority);
    // A refused raise is ignored: the thread keeps its priority.
    QCOMPARE(getpriority(PRIO_PROCESS, tid), nice < 0 && !mayRaisePriority_ ? 0 : nice);
    QCOMPARE(t.ThreadPriority(), priority);
    const int seen = ticks;
    QTRY_VERIFY_WITH_TIMEOUT(ticks > seen, 10000); // still ticking
}

void TestSuperTimer::queuedTickOfDisabledTimerIsDropped()
{
    TSuperTimer t;
    t.SetInterval(5);
    int ticks = 0;
    connect(&t, &TSuperTimer::OnTimer, [&] { ++ticks; });
    t.SetEnabled(true);
    // The GUI thread is busy: the worker's tick waits in the queue.
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    t.SetEnabled(false);
    QTest::qWait(50);
    QCOMPARE(ticks, 0);
}

void TestSuperTimer::slowHandlerSkipsTicks_data()
{
    QTest::addColumn<bool>("nestedLoop");
    QTest::newRow("GUI thread busy") << false;
    QTest::newRow("handler runs a nested event loop") << true;
}

// A handler that takes 2.5 intervals: the deadlines that fall inside it are
// left out, so no tick starts inside another, and none is queued to follow
// it straight away.
void TestSuperTimer::slowHandlerSkipsTicks()
{
    QFETCH(bool, nestedLoop);
    constexpr int interval = 40;
    TSuperTimer t;
    t.SetInterval(interval);
    int depth = 0;
    int deepest = 0;
    QElapsedTimer clock;
    clock.start();
    QList<qint64> starts;
    connect(&t, &TSuperTimer::OnTimer, [&] {
        deepest = std::max(deepest, ++depth);
        starts << clock.elapsed();
        if (nestedLoop)
            QTest::qWait(interval * 5 / 2);
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(interval * 5 / 2));
        --depth;
    });
    t.SetEnabled(true);
    QTRY_VERIFY_WITH_TIMEOUT(starts.size() >= 5, 20000);
    t.SetEnabled(false);
    QCOMPARE(deepest, 1);
    for (int i = 1; i < starts.size(); ++i)
        QVERIFY2(starts[i] - starts[i - 1] >= interval * 5 / 2,
                 qPrintable(QStringLiteral("ticks %1 ms apart").arg(starts[i] - starts[i - 1])));
}

void TestSuperTimer::destructionReleasesWorker_data()
{
    QTest::addColumn<QString>("when");
    QTest::newRow("never enabled") << "never";
    QTest::newRow("disabled") << "disabled";
    QTest::newRow("tick queued") << "queued";
    QTest::newRow("inside its own tick") << "handler";
    QTest::newRow("sleeping a long interval") << "sleeping";
}

void TestSuperTimer::destructionReleasesWorker()
{
    QFETCH(QString, when);
    auto* t = new TSuperTimer;
    QPointer<TSuperTimer> alive(t);
    int ticks = 0;
    connect(t, &TSuperTimer::OnTimer, [&] {
        ++ticks;
        if (when == "handler")
            delete t;
    });
    if (when == "never") {
        delete t;
    } else if (when == "disabled") {
        t->SetInterval(10);
        t->SetEnabled(true);
        QTRY_VERIFY_WITH_TIMEOUT(ticks > 0, 10000);
        t->SetEnabled(false);
        delete t;
    } else if (when == "queued") {
        t->SetInterval(5);
        t->SetEnabled(true);
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
        delete t; // the tick the worker posted never runs
    } else if (when == "handler") {
        t->SetInterval(10);
        t->SetEnabled(true);
        QTRY_VERIFY_WITH_TIMEOUT(!alive, 10000);
    } else {
        t->SetInterval(60000);
        t->SetEnabled(true);
        QTest::qWait(20);
        delete t;
    }
    QVERIFY(!alive);
    const int seen = ticks;
    QTest::qWait(50); // nothing queued may run against the dead timer
    QCOMPARE(ticks, seen);
}

QTEST_GUILESS_MAIN(TestSuperTimer)
#include "tst_SuperTimer.moc"
