#pragma once

// One run of the real corvplay process, with its own settings directory and a
// virtual joystick fed from a named pipe.
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

constexpr int kTimeout = 10000;

inline QString sourceFile(const QString& relative)
{
    return qEnvironmentVariable("CORV_SOURCE_DIR") + QLatin1Char('/') + relative;
}

class CorvplayProcess
{
public:
    CorvplayProcess()
    {
        fifoPath = dir.filePath(QStringLiteral("joy"));
        if (::mkfifo(QFile::encodeName(fifoPath).constData(), 0600) == 0)
            // Held open both ways so that writes never block nor find no reader.
            fifo = ::open(QFile::encodeName(fifoPath).constData(), O_RDWR | O_CLOEXEC);
    }
    ~CorvplayProcess()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(kTimeout);
        }
        if (fifo >= 0)
            ::close(fifo);
    }

    // A copy of the worked example with some [GLOBAL] values replaced.
    QString templateWith(const QList<std::pair<QString, QString>>& values)
    {
        QFile in(sourceFile(QStringLiteral("examples/flight.joy")));
        if (!in.open(QIODevice::ReadOnly))
            return {};
        QString text = QString::fromUtf8(in.readAll());
        for (const auto& [key, value] : values) {
            const QRegularExpression line(QStringLiteral("^%1=.*$").arg(key),
                                          QRegularExpression::MultilineOption);
            text.replace(line, key + QLatin1Char('=') + value);
        }
        const QString path = dir.filePath(QStringLiteral("game.joy"));
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly))
            return {};
        out.write(text.toUtf8());
        return path;
    }

    void start(const QString& keys, const QString& joy)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
        // The tray icon must use the X tray protocol, not a desktop's D-Bus host.
        env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::SeparateChannels);
        process.start(QStringLiteral(CORVPLAY_PATH),
                      {QStringLiteral("--joystick"), QStringLiteral("virtual:") + fifoPath,
                       QStringLiteral("--keys"), keys, joy});
    }

    bool send(const QByteArray& script) const
    {
        return fifo >= 0 &&
               ::write(fifo, script.constData(), size_t(script.size())) == ssize_t(script.size());
    }

    // Standard output so far, one line each.
    QStringList lines()
    {
        output += process.readAllStandardOutput();
        return QString::fromUtf8(output).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    QString settingsFile() const
    {
        return dir.filePath(QStringLiteral("config/Corvane/corvplay.conf"));
    }

    QString platform = QStringLiteral("xcb");
    QTemporaryDir dir;
    QString fifoPath;
    int fifo = -1;
    QProcess process;
    QByteArray output;
};
