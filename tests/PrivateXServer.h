#pragma once

#include <QProcess>

// An X server of a test's own, for tests that kill it; the shared test
// server must outlive every test.
struct PrivateXServer {
    QProcess process;
    QString display; // ":N" once started

    ~PrivateXServer()
    {
        process.kill();
        process.waitForFinished(10000);
    }

    bool start()
    {
        process.start(QStringLiteral("Xvfb"), {"-displayfd", "1", "-nolisten", "tcp", "-noreset"});
        if (!process.waitForStarted(10000) || !process.waitForReadyRead(10000))
            return false;
        display = QLatin1Char(':') + QString::fromLatin1(process.readLine().trimmed());
        return display.size() > 1;
    }
};
