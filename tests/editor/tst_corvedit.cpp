// The real corvedit process on the test X server: a joystick it cannot
// capture, and the options answered without a window. Its start on the
// virtual joystick is the keyboard test's.
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "RunProgram.h"
#include "XWindows.h"

namespace
{

constexpr int kTimeout = 10000;

} // namespace

class TestCorvedit : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        dpy_ = openDisplay();
        if (!dpy_)
            QSKIP("needs an X display");
        QVERIFY(QFile::exists(QStringLiteral(CORVEDIT_PATH)));
    }
    void cleanupTestCase()
    {
        if (dpy_)
            XCloseDisplay(dpy_);
    }

    void captureFailureShowsBoxAndExitsWithOne()
    {
        QTemporaryDir dir;
        QProcess run;
        run.start(CORVEDIT_PATH, {"--joystick", "virtual:" + dir.filePath("missing")});
        QVERIFY(run.waitForStarted(kTimeout));
        Window box = 0;
        QVERIFY(QTest::qWaitFor([&] { return (box = findWindow(dpy_, run.processId(), "Error")); },
                                kTimeout));
        QVERIFY(!findWindow(dpy_, run.processId(), "Corvane"));
        closeWindow(dpy_, box);
        QVERIFY(run.waitForFinished(kTimeout));
        QCOMPARE(run.exitStatus(), QProcess::NormalExit);
        QCOMPARE(run.exitCode(), 1);
        QVERIFY(run.readAllStandardError().contains("Cannot detect a joystick driver"));
    }

    void captureFailureWithoutDisplayEnds()
    {
        // No display to answer the box: the message goes to standard error.
        QTemporaryDir dir;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        const corv::test::ProgramRun run = corv::test::runProgram(
            CORVEDIT_PATH, {"--joystick", "virtual:" + dir.filePath("missing")}, env);
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.err.count("Cannot detect a joystick driver"), 1);
    }

    void optionsWithoutWindow()
    {
        using corv::test::runProgram;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("DISPLAY");
        const corv::test::ProgramRun version = runProgram(CORVEDIT_PATH, {"--version"}, env);
        QCOMPARE(version.exitCode, 0);
        QCOMPARE(version.out.trimmed(), QByteArray("corvedit " CORVANE_VERSION));
        const QByteArray help = runProgram(CORVEDIT_PATH, {"--help"}, env).out;
        QVERIFY(help.contains("--joystick") && help.contains("--list-joysticks"));
        QVERIFY(!help.contains("--keys"));
    }

private:
    Display* dpy_ = nullptr;
};

QTEST_GUILESS_MAIN(TestCorvedit)
#include "tst_corvedit.moc"
