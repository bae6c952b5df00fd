#pragma once

// The real corvplay process driven through a virtual joystick fed from a
// named pipe, with its settings in a private directory.
#include "ScriptPipe.h"
#include "TestFiles.h"

#include <QProcess>
#include <QRegularExpression>
#include <QSet>

constexpr int kTimeout = 10000;

// The worked example on an analog device, known by its button messages:
// button 1 (257) fires Ctrl+Shift+A, repeating; button 2 (514) jumps.
inline const QList<std::pair<QString, QString>> AnalogExample = {
    {QStringLiteral("DIGITAL"), QStringLiteral("0")},
    {QStringLiteral("BUTTON1"), QStringLiteral("257")},
    {QStringLiteral("BUTTON2"), QStringLiteral("514")},
    {QStringLiteral("BUTTON3"), QStringLiteral("1028")}};

// The codes of a dry run's lines that went down and have not come up since.
inline QSet<QString> keysDown(const QStringList& lines)
{
    QSet<QString> down;
    for (const QString& line : lines) {
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

// A dry run's lines in short: "key 68 down d" as "68+", and with modes
// "mode 2 Items" as "m2"; other lines are left out.
inline QStringList typedOf(const QStringList& lines, bool modes = false)
{
    QStringList out;
    for (const QString& line : lines) {
        const QStringList w = line.split(u' ');
        if (w.size() >= 3 && w[0] == u"key")
            out << w[1] + (w[2] == u"down" ? u'+' : u'-');
        else if (modes && w.size() >= 2 && w[0] == u"mode")
            out << u'm' + w[1];
    }
    return out;
}

// One run of corvplay with its own settings directory (the pipe's folder)
// and joystick pipe.
class CorvplayProcess : public ScriptPipe
{
public:
    ~CorvplayProcess()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(kTimeout);
        }
    }

    // A copy of the worked example with some [GLOBAL] values replaced.
    QString templateWith(const QList<std::pair<QString, QString>>& values,
                         corv::test::SourcePlace where = corv::test::SourcePlace::current())
    {
        const QByteArray example = corv::test::readFile(
            corv::test::sourceFile(QStringLiteral("examples/flight.joy")), where);
        if (example.isEmpty())
            return {}; // the test has failed already
        QString text = QString::fromUtf8(example);
        for (const auto& [key, value] : values) {
            const QRegularExpression line(QStringLiteral("^%1=.*$").arg(key),
                                          QRegularExpression::MultilineOption);
            text.replace(line, key + QLatin1Char('=') + value);
        }
        return corv::test::writeFile(dir.filePath(QStringLiteral("game.joy")), text.toUtf8());
    }

    // The test's environment with the private settings directory.
    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
        return env;
    }

    void startWith(const QProcessEnvironment& env, const QStringList& args)
    {
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::SeparateChannels);
        process.start(QStringLiteral(CORVPLAY_PATH), args);
    }

    // Plays joy on the virtual joystick with the given key backend.
    void startIn(const QProcessEnvironment& env, const QString& keys, const QString& joy,
                 const QStringList& more = {})
    {
        startWith(env, QStringList{QStringLiteral("--joystick"), spec(), QStringLiteral("--keys"),
                                   keys, joy} +
                           more);
    }

    // The environment on the platform below, without a session bus: no other
    // player can be found, and the tray icon must use the X tray protocol,
    // not a desktop's D-Bus host.
    QProcessEnvironment playEnvironment() const
    {
        QProcessEnvironment env = environment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
        withoutBus(env);
        return env;
    }

    // Points env at a session bus that is not there. Left unset, libdbus
    // would fork to autolaunch one, and that fork of a threaded process now
    // and then hangs under AddressSanitizer before it can fail.
    void withoutBus(QProcessEnvironment& env) const
    {
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                   QStringLiteral("unix:path=") + dir.filePath(QStringLiteral("no-bus")));
    }

    // Plays joy in playEnvironment().
    void start(const QString& keys, const QString& joy) { startIn(playEnvironment(), keys, joy); }

    // Standard output so far, one line each.
    QStringList lines()
    {
        output += process.readAllStandardOutput();
        return QString::fromUtf8(output).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    // Standard error so far, one line each.
    QStringList errorLines()
    {
        errors += process.readAllStandardError();
        return QString::fromUtf8(errors).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    // Keys pressed and not yet released in the output so far.
    QSet<QString> keysDown() { return ::keysDown(lines()); }

    QString settingsFile() const
    {
        return dir.filePath(QStringLiteral("config/Corvane/corvplay.conf"));
    }

    QString platform = QStringLiteral("xcb");
    QProcess process;
    QByteArray output;
    QByteArray errors;
};
