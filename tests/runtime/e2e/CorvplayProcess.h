#pragma once

// The real corvplay process driven through a virtual joystick fed from a
// named pipe, with its settings in a private directory.
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

// One run of corvplay with its own settings directory and joystick pipe.
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

    // The test's environment with the private settings directory.
    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
        return env;
    }

    // Plays joy on the virtual joystick with the given key backend.
    void startIn(const QProcessEnvironment& env, const QString& keys, const QString& joy,
                 const QStringList& more = {})
    {
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::SeparateChannels);
        process.start(QStringLiteral(CORVPLAY_PATH),
                      QStringList{QStringLiteral("--joystick"),
                                  QStringLiteral("virtual:") + fifoPath, QStringLiteral("--keys"),
                                  keys, joy} +
                          more);
    }

    // Plays joy on the platform below, without a session bus: the tray icon
    // must use the X tray protocol, not a desktop's D-Bus host.
    void start(const QString& keys, const QString& joy)
    {
        QProcessEnvironment env = environment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
        env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        startIn(env, keys, joy);
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

    // Keys pressed and not yet released in the output so far.
    QSet<QString> keysDown()
    {
        QSet<QString> down;
        for (const QString& line : lines()) {
            const QStringList parts = line.split(u' ');
            if (parts.size() >= 3 && parts[0] == u"key") {
                if (parts[2] == u"down")
                    down.insert(parts[1]);
                else
                    down.remove(parts[1]);
            }
        }
        return down;
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
