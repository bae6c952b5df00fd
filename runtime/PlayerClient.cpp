#include "runtime/PlayerClient.h"

#include "runtime/PlayerService.h"

#include <QCommandLineParser>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QEventLoop>
#include <QTextStream>
#include <QTimer>

namespace corv
{

namespace
{

const QString kModeOption = QStringLiteral("mode");
const QString kReplaceOption = QStringLiteral("replace");

bool isRunning(const QDBusConnection& bus)
{
    return bus.isConnected() && bus.interface()->isServiceRegistered(PlayerService::ServiceName);
}

QDBusMessage call(const QDBusConnection& bus, const QString& interface, const QString& method,
                  const QVariantList& args = {})
{
    QDBusMessage message = QDBusMessage::createMethodCall(
        PlayerService::ServiceName, PlayerService::ObjectPath, interface, method);
    message.setArguments(args);
    return bus.call(message, QDBus::Block, PlayerClient::QuitTimeoutMs);
}

QVariantMap properties(const QDBusConnection& bus, QDBusMessage* reply)
{
    *reply = call(bus, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("GetAll"),
                  {PlayerService::Interface});
    return reply->type() == QDBusMessage::ReplyMessage && !reply->arguments().isEmpty()
               ? qdbus_cast<QVariantMap>(reply->arguments().first())
               : QVariantMap();
}

// True once nobody owns the player's name, or false after timeoutMs.
bool waitUntilGone(const QDBusConnection& bus, int timeoutMs)
{
    QDBusServiceWatcher watcher(PlayerService::ServiceName, bus,
                                QDBusServiceWatcher::WatchForUnregistration);
    QEventLoop loop;
    QObject::connect(&watcher, &QDBusServiceWatcher::serviceUnregistered, &loop, &QEventLoop::quit);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    if (isRunning(bus))
        loop.exec();
    return !isRunning(bus);
}

// Asks the running player to quit and waits for its name to be free, which
// it is only once the process has ended with every key released.
bool quitRunning(const QDBusConnection& bus)
{
    call(bus, PlayerService::Interface, QStringLiteral("Quit"));
    return waitUntilGone(bus, PlayerClient::QuitTimeoutMs);
}

// The exit status for an error reply, told on err.
int reportError(const QDBusMessage& reply, QTextStream& err)
{
    const QString name = reply.errorName();
    if (name == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
        name == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner")) {
        err << "corvplay is not running" << Qt::endl;
        return PlayerClient::NotRunning;
    }
    // The name is taken a moment before the player serves its object.
    if (name == QLatin1String("org.freedesktop.DBus.Error.UnknownObject")) {
        err << "corvplay: the player is still starting" << Qt::endl;
        return 1;
    }
    err << "corvplay: " << reply.errorMessage() << Qt::endl;
    return name == QLatin1String("org.freedesktop.DBus.Error.InvalidArgs") ? PlayerClient::BadUsage
                                                                           : 1;
}

} // namespace

void PlayerClient::AddOptions(QCommandLineParser& parser)
{
    parser.addOption({QStringLiteral("next-mode"),
                      QStringLiteral("Switch the running player to its next mode, as the "
                                     "mode-switch key does, and exit.")});
    parser.addOption({kModeOption, QStringLiteral("Switch the running player to mode N and exit."),
                      QStringLiteral("N")});
    parser.addOption({QStringLiteral("enable"),
                      QStringLiteral("Enable the running player and show its mode window, and "
                                     "exit.")});
    parser.addOption({QStringLiteral("disable"),
                      QStringLiteral("Disable the running player and hide its mode window, and "
                                     "exit.")});
    parser.addOption(
        {QStringLiteral("quit"), QStringLiteral("Shut the running player down and exit once it has "
                                                "ended.")});
    parser.addOption({QStringLiteral("reload"),
                      QStringLiteral("Make the running player read its template, or with --auto "
                                     "its folder, again, and exit.")});
    parser.addOption({QStringLiteral("status"),
                      QStringLiteral("Print the running player's template, mode and state, and "
                                     "exit.")});
    parser.addOption(
        {kReplaceOption, QStringLiteral("Play the template in place of a player already running "
                                        "in this session, which is asked to quit.")});
}

QStringList PlayerClient::ClientOptions()
{
    return {QStringLiteral("next-mode"), kModeOption,
            QStringLiteral("enable"),    QStringLiteral("disable"),
            QStringLiteral("quit"),      QStringLiteral("reload"),
            QStringLiteral("status")};
}

bool PlayerClient::IsClient(const QCommandLineParser& parser)
{
    for (const QString& option : ClientOptions()) {
        if (parser.isSet(option))
            return true;
    }
    return false;
}

int PlayerClient::Run(const QCommandLineParser& parser, QTextStream& out, QTextStream& err)
{
    QStringList asked;
    for (const QString& option : ClientOptions()) {
        if (parser.isSet(option))
            asked << QStringLiteral("--") + option;
    }
    if (asked.size() > 1 || parser.isSet(kReplaceOption) ||
        !parser.positionalArguments().isEmpty()) {
        err << "corvplay: " << asked.join(QStringLiteral(", "))
            << ": give one option that talks to the running player, without a template or "
               "--replace"
            << Qt::endl;
        return BadUsage;
    }
    const QString option = asked.first().mid(2);
    bool numeric = true;
    const int mode = option == kModeOption ? parser.value(kModeOption).toInt(&numeric) : 0;
    if (!numeric) {
        err << "corvplay: --mode needs a mode number, not '" << parser.value(kModeOption) << "'"
            << Qt::endl;
        return BadUsage;
    }

    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!isRunning(bus)) {
        err << "corvplay is not running" << Qt::endl;
        return NotRunning;
    }
    if (option == u"quit") {
        if (quitRunning(bus))
            return 0;
        err << "corvplay: the running player did not quit within " << QuitTimeoutMs / 1000
            << " seconds" << Qt::endl;
        return 1;
    }
    QDBusMessage reply;
    if (option == u"status") {
        const QVariantMap p = properties(bus, &reply);
        if (reply.type() == QDBusMessage::ErrorMessage)
            return reportError(reply, err);
        // A player that follows the focus says for which program it plays;
        // idle, no template is for it.
        const QString program = p.value(QStringLiteral("Program")).toString();
        const QString path = p.value(QStringLiteral("TemplatePath")).toString();
        out << "template: "
            << (path.isEmpty() && p.value(QStringLiteral("Following")).toBool()
                    ? QStringLiteral("none")
                    : path)
            << '\n';
        if (p.value(QStringLiteral("Following")).toBool())
            out << "program: " << (program.isEmpty() ? QStringLiteral("none") : program) << '\n';
        out << "mode: " << p.value(QStringLiteral("Mode")).toInt() << ' '
            << p.value(QStringLiteral("ModeName")).toString() << '\n'
            << "state: " << (p.value(QStringLiteral("Enabled")).toBool() ? "enabled" : "disabled")
            << Qt::endl;
        return 0;
    }
    if (option == kModeOption)
        reply = call(bus, PlayerService::Interface, QStringLiteral("SetMode"), {mode});
    else if (option == u"next-mode")
        reply = call(bus, PlayerService::Interface, QStringLiteral("NextMode"));
    else if (option == u"reload")
        reply = call(bus, PlayerService::Interface, QStringLiteral("Reload"));
    else if (option == u"enable")
        reply = call(bus, PlayerService::Interface, QStringLiteral("Enable"));
    else
        reply = call(bus, PlayerService::Interface, QStringLiteral("Disable"));
    return reply.type() == QDBusMessage::ErrorMessage ? reportError(reply, err) : 0;
}

int PlayerClient::ClaimPlayer(const QCommandLineParser& parser, QTextStream& err)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        err << "corvplay: no D-Bus session bus: playing without desktop control and without the "
               "one-player check"
            << Qt::endl;
        return 0;
    }
    if (bus.registerService(PlayerService::ServiceName))
        return 0;
    if (!parser.isSet(kReplaceOption)) {
        QDBusMessage reply;
        QString path = properties(bus, &reply).value(QStringLiteral("TemplatePath")).toString();
        if (path.isEmpty())
            path = QStringLiteral("not chosen yet");
        err << "corvplay is already running (template " << path
            << "); use --quit first or --replace" << Qt::endl;
        return AlreadyRunning;
    }
    if (quitRunning(bus) && bus.registerService(PlayerService::ServiceName))
        return 0;
    err << "corvplay: the running player did not quit within " << QuitTimeoutMs / 1000 << " seconds"
        << Qt::endl;
    return AlreadyRunning;
}

} // namespace corv
