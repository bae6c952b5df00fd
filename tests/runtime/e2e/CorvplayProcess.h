#pragma once

// The real corvplay process on the test X server, driven through a virtual
// joystick fed from a named pipe, with its settings in a private directory,
// and the X helpers that find its windows.
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

inline constexpr int kTimeout = 10000;

inline QString sourceFile(const QString& relative)
{
    return qEnvironmentVariable("CORV_SOURCE_DIR") + QLatin1Char('/') + relative;
}

// Reads a list property of 32-bit values; empty when absent.
inline QList<unsigned long> longProperty(Display* dpy, Window w, const char* name, Atom type)
{
    QList<unsigned long> values;
    Atom actual = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(dpy, w, XInternAtom(dpy, name, False), 0, 64, False, type, &actual,
                           &format, &count, &after, &data) == Success &&
        data) {
        if (format == 32) {
            const auto* v = reinterpret_cast<const unsigned long*>(data);
            values = QList<unsigned long>(v, v + count);
        }
        XFree(data);
    }
    return values;
}

inline QByteArray windowName(Display* dpy, Window w)
{
    char* name = nullptr;
    QByteArray result;
    if (XFetchName(dpy, w, &name) && name) {
        result = name;
        XFree(name);
    }
    return result;
}

inline QList<Window> children(Display* dpy, Window w)
{
    Window root = 0;
    Window parent = 0;
    Window* kids = nullptr;
    unsigned count = 0;
    QList<Window> result;
    if (XQueryTree(dpy, w, &root, &parent, &kids, &count) && kids) {
        result = QList<Window>(kids, kids + count);
        XFree(kids);
    }
    return result;
}

inline Window parentOf(Display* dpy, Window w)
{
    Window root = 0;
    Window parent = 0;
    Window* kids = nullptr;
    unsigned count = 0;
    if (XQueryTree(dpy, w, &root, &parent, &kids, &count) && kids)
        XFree(kids);
    return parent;
}

inline bool viewable(Display* dpy, Window w)
{
    XWindowAttributes a{};
    return XGetWindowAttributes(dpy, w, &a) && a.map_state == IsViewable;
}

// Popups such as menus place themselves, past any window manager.
inline bool overrideRedirect(Display* dpy, Window w)
{
    XWindowAttributes a{};
    return XGetWindowAttributes(dpy, w, &a) && a.override_redirect;
}

// Every window below `from` (depth first) that a process with this pid owns.
inline QList<Window> windowsOfPid(Display* dpy, Window from, qint64 pid)
{
    QList<Window> found;
    for (Window w : children(dpy, from)) {
        if (longProperty(dpy, w, "_NET_WM_PID", XA_CARDINAL).value(0) == quint64(pid))
            found << w;
        found << windowsOfPid(dpy, w, pid);
    }
    return found;
}

// One run of corvplay with its own settings directory and joystick pipe.
class Corvplay
{
public:
    Corvplay()
    {
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        // The tray icon must use the X tray protocol, not a desktop's D-Bus host.
        env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        fifoPath = dir.filePath(QStringLiteral("joy"));
        if (::mkfifo(QFile::encodeName(fifoPath).constData(), 0600) == 0)
            // Held open both ways so that writes never block nor find no reader.
            fifo = ::open(QFile::encodeName(fifoPath).constData(), O_RDWR | O_CLOEXEC);
    }
    ~Corvplay()
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
        startWith({QStringLiteral("--joystick"), QStringLiteral("virtual:") + fifoPath,
                   QStringLiteral("--keys"), keys, joy});
    }

    // env starts as the test's own, with the changes every run needs.
    void startWith(const QStringList& args)
    {
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::SeparateChannels);
        process.start(QStringLiteral(CORVPLAY_PATH), args);
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

    // Standard error so far, one line each.
    QStringList errorLines()
    {
        errors += process.readAllStandardError();
        return QString::fromUtf8(errors).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    // The mode window once it is on screen.
    Window modeWindow(Display* dpy) const
    {
        if (process.state() != QProcess::Running)
            return 0;
        for (Window w : windowsOfPid(dpy, DefaultRootWindow(dpy), process.processId())) {
            if (windowName(dpy, w) == "Corvane" && viewable(dpy, w))
                return w;
        }
        return 0;
    }

    QString settingsFile() const
    {
        return dir.filePath(QStringLiteral("config/Corvane/corvplay.conf"));
    }

    QTemporaryDir dir;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    QString fifoPath;
    int fifo = -1;
    QProcess process;
    QByteArray output;
    QByteArray errors;
};
