#pragma once

// Runs a program to its end and hands back how it ended and what it wrote.
// A program that cannot start, crashes or hangs fails the current test at
// the caller's line, with the command and its standard error; the exit code
// is the caller's to judge.
#include "SourcePlace.h"
#include <QProcess>
#include <QTest>

namespace corv::test
{

struct ProgramRun {
    int exitCode = -1; // -1 unless the program exited by itself
    QByteArray out;
    QByteArray err;
};

// Far longer than any program of the tests takes, even on a loaded machine.
constexpr int kProgramTimeout = 30000;

inline ProgramRun
runProgram(const QString& program, const QStringList& args,
           const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment(),
           corv::test::SourcePlace where = corv::test::SourcePlace::current())
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    QString failure;
    if (!p.waitForStarted(kProgramTimeout)) {
        failure = QStringLiteral("cannot start: ") + p.errorString();
    } else if (!p.waitForFinished(kProgramTimeout)) {
        failure = QStringLiteral("still running after %1 ms").arg(kProgramTimeout);
        p.kill();
        p.waitForFinished(kProgramTimeout);
    } else if (p.exitStatus() != QProcess::NormalExit) {
        failure = QStringLiteral("crashed");
    }
    ProgramRun run;
    run.out = p.readAllStandardOutput();
    run.err = p.readAllStandardError();
    if (failure.isEmpty()) {
        run.exitCode = p.exitCode();
    } else {
        const QString command = (QStringList{program} + args).join(u' ');
        QTest::qFail(qPrintable(command + QStringLiteral(": ") + failure + QLatin1Char('\n') +
                                QString::fromLocal8Bit(run.err)),
                     where.file, where.line);
    }
    return run;
}

} // namespace corv::test
