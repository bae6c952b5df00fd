#include "platform/sdl/JoystickScript.h"

#include "TestFiles.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <fcntl.h>
#include <unistd.h>

using corv::JoystickScript;
using corv::ScriptCommand;

Q_DECLARE_METATYPE(ScriptCommand)

class TestJoystickScript : public QObject
{
    Q_OBJECT
private slots:
    void goodLines_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("kind");
        QTest::addColumn<uint32_t>("value");
        QTest::newRow("press lowest") << "press 1" << int(ScriptCommand::Press) << 1u;
        QTest::newRow("release highest") << "release 32" << int(ScriptCommand::Release) << 32u;
        QTest::newRow("spaces and case") << "  PRESS   7  " << int(ScriptCommand::Press) << 7u;
        QTest::newRow("mask of all")
            << "buttons 4294967295" << int(ScriptCommand::Buttons) << 0xFFFFFFFFu;
        QTest::newRow("mask none") << "buttons 0" << int(ScriptCommand::Buttons) << 0u;
        QTest::newRow("hat forward") << "hat 0" << int(ScriptCommand::Hat) << 0u;
        QTest::newRow("hat diagonal") << "hat 31500" << int(ScriptCommand::Hat) << 31500u;
        QTest::newRow("hat centre") << "hat centre" << int(ScriptCommand::Hat) << 65535u;
        QTest::newRow("hat center") << "hat Center" << int(ScriptCommand::Hat) << 65535u;
        QTest::newRow("wait") << "wait 250" << int(ScriptCommand::Wait) << 250u;
        QTest::newRow("tab between") << "press\t5" << int(ScriptCommand::Press) << 5u;
        QTest::newRow("tabs and blanks") << "\tHAT \t 9000" << int(ScriptCommand::Hat) << 9000u;
        QTest::newRow("carriage return") << "press 3\r" << int(ScriptCommand::Press) << 3u;
        QTest::newRow("unplug") << " unplug " << int(ScriptCommand::Unplug) << 0u;
        QTest::newRow("plug") << "PLUG" << int(ScriptCommand::Plug) << 0u;
        QTest::newRow("axis") << "axis 1 -32768" << int(ScriptCommand::Axis) << 1u;
        QTest::newRow("axis rest") << "AXIS\t6 Rest" << int(ScriptCommand::Axis) << 6u;
    }
    void goodLines()
    {
        QFETCH(QString, line);
        QFETCH(int, kind);
        QFETCH(uint32_t, value);
        QString error;
        const auto command = JoystickScript::parseLine(line, &error);
        QVERIFY2(command.has_value(), qPrintable(error));
        QCOMPARE(int(command->kind), kind);
        QCOMPARE(command->value, value);
    }

    void ignoredAndBadLines_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("bad");
        QTest::newRow("blank") << "   " << false;
        QTest::newRow("comment") << "# press 1" << false;
        QTest::newRow("button 0") << "press 0" << true;
        QTest::newRow("button 33") << "release 33" << true;
        QTest::newRow("negative") << "press -1" << true;
        QTest::newRow("plus sign") << "press +1" << true;
        QTest::newRow("not a number") << "press one" << true;
        QTest::newRow("missing value") << "press" << true;
        QTest::newRow("extra word") << "press 1 2" << true;
        QTest::newRow("mask too big") << "buttons 4294967296" << true;
        QTest::newRow("hex mask") << "buttons 0x3" << true;
        QTest::newRow("hat off the eight") << "hat 1000" << true;
        QTest::newRow("hat past the circle") << "hat 36000" << true;
        QTest::newRow("hat as word") << "hat up" << true;
        QTest::newRow("wait negative") << "wait -5" << true;
        QTest::newRow("unknown") << "jump 1" << true;
        QTest::newRow("unplug with a value") << "unplug 1" << true;
        QTest::newRow("axis 7") << "axis 7 0" << true;
        QTest::newRow("axis past the top") << "axis 1 32768" << true;
        QTest::newRow("axis past the bottom") << "axis 2 -32769" << true;
        QTest::newRow("axis centre") << "axis 4 centre" << true;
        QTest::newRow("axis without value") << "axis 1" << true;
    }
    void ignoredAndBadLines()
    {
        QFETCH(QString, line);
        QFETCH(bool, bad);
        QString error;
        QVERIFY(!JoystickScript::parseLine(line, &error).has_value());
        QCOMPARE(!error.isEmpty(), bad);
    }

    void fileWarnsByLineAndGoesOn()
    {
        QTemporaryDir dir;
        const QString path =
            corv::test::writeFile(dir.filePath(QStringLiteral("script")),
                                  "# demo\npress 2\nfly 3\n\nhat 9001\nrelease 2\nwait 5");

        JoystickScript script;
        QSignalSpy spy(&script, &JoystickScript::commandsArrived);
        QTest::ignoreMessage(QtWarningMsg, "virtual joystick: line 3: unknown command 'fly'");
        QTest::ignoreMessage(
            QtWarningMsg,
            "virtual joystick: line 5: hat takes 0, 4500, ... 31500 or centre, not '9001'");
        QString error;
        QVERIFY(script.open(path, &error));
        QTRY_VERIFY(script.atEnd());
        const std::deque<ScriptCommand> expected{
            {ScriptCommand::Press, 2}, {ScriptCommand::Release, 2}, {ScriptCommand::Wait, 5}};
        QVERIFY(script.pending() == expected);
        QVERIFY(spy.size() >= 1);
    }

    void queueIsBounded()
    {
        // A writer far ahead of the script is held back by the pipe.
        QTemporaryDir dir;
        const QByteArray path =
            QFile::encodeName(corv::test::makeFifo(dir.filePath(QStringLiteral("fifo"))));
        JoystickScript script;
        QString error;
        QVERIFY(script.open(QFile::decodeName(path), &error));
        const int writer = ::open(path.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        QVERIFY(writer >= 0);
        const auto closeWriter = qScopeGuard([&] { ::close(writer); });

        const QByteArray line("press 1\n");
        const size_t total = 3 * JoystickScript::MaxPending;
        size_t written = 0;
        size_t taken = 0;
        size_t most = 0;
        QElapsedTimer clock;
        clock.start();
        while (taken < total && clock.elapsed() < 10000) {
            while (written < total && ::write(writer, line.constData(), 8) == 8)
                ++written;
            QCoreApplication::processEvents();
            most = std::max(most, script.pending().size());
            // Taken only once the writer has had to wait.
            if (written < total && script.pending().size() < JoystickScript::MaxPending)
                continue;
            while (script.hasPending()) {
                QCOMPARE(script.takeNext(), (ScriptCommand{ScriptCommand::Press, 1}));
                ++taken;
            }
        }
        QCOMPARE(taken, total);
        // At most one read past the bound.
        QVERIFY2(most <= JoystickScript::MaxPending + 4096 / 8, qPrintable(QString::number(most)));
    }

    void badLinesAreCapped()
    {
        auto script = std::make_unique<JoystickScript>();
        const QRegularExpression bad(
            QStringLiteral("^virtual joystick: line \\d+: '\\?{24}\\.\\.\\.' needs a value$"));
        for (int i = 0; i < JoystickScript::MaxWarnings; ++i)
            QTest::ignoreMessage(QtWarningMsg, bad);
        QTest::failOnWarning(bad);
        QString error;
        QVERIFY(script->open(QStringLiteral("/dev/zero"), &error));
        QTest::qWait(100);
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral("^virtual joystick: \\d+ more bad "
                                                               "lines skipped$")));
        script.reset();
    }

    void missingFileFails()
    {
        JoystickScript script;
        QString error;
        QVERIFY(!script.open(QStringLiteral("/nonexistent/dir/script"), &error));
        QVERIFY(error.contains(QStringLiteral("/nonexistent/dir/script")));
    }
};

QTEST_GUILESS_MAIN(TestJoystickScript)
#include "tst_JoystickScript.moc"
