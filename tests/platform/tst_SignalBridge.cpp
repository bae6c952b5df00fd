#include "platform/SignalBridge.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <csignal>

using corv::SignalBridge;

class TestSignalBridge : public QObject
{
    Q_OBJECT
private slots:
    void signalEndsTheEventLoop_data()
    {
        QTest::addColumn<int>("signum");
        QTest::newRow("SIGINT") << SIGINT;
        QTest::newRow("SIGTERM") << SIGTERM;
    }
    void signalEndsTheEventLoop()
    {
        QFETCH(int, signum);
        SignalBridge bridge;
        QSignalSpy spy(&bridge, &SignalBridge::signalReceived);
        QTimer::singleShot(0, [signum] { std::raise(signum); });
        QTimer::singleShot(5000, [] { QCoreApplication::exit(1); }); // never hang
        QCOMPARE(QCoreApplication::exec(), 0);
        QCOMPARE(spy.size(), 1);
        QCOMPARE(spy.at(0).at(0).toInt(), signum);
    }

    void handlersGoWithTheBridge()
    {
        {
            SignalBridge bridge(false);
        }
        struct sigaction current {
        };
        sigaction(SIGTERM, nullptr, &current);
        QVERIFY(current.sa_handler == SIG_DFL);
    }
};

QTEST_GUILESS_MAIN(TestSignalBridge)
#include "tst_SignalBridge.moc"
