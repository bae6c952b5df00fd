#include "runtime/PlayerService.h"

#include "engine/DispatchEngine.h"
#include "runtime/Player.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QFileInfo>

namespace corv
{

PlayerService* PlayerService::Publish(Player* player, QObject* owner)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return nullptr;
    auto* service = new PlayerService(player, owner);
    bus.registerObject(ObjectPath, service,
                       QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals |
                           QDBusConnection::ExportAllProperties);
    return service;
}

// Connected after the window's own listeners, so the label and the dry-run
// echo show a change before the bus announces it.
PlayerService::PlayerService(Player* player, QObject* owner) : QObject(owner), player_(player)
{
    const DispatchEngine* engine = &player->Engine();
    connect(engine, &DispatchEngine::ModeChanged, this, [this](int32_t mode, const QString& name) {
        announce({{QStringLiteral("Mode"), mode}, {QStringLiteral("ModeName"), name}});
        emit ModeChanged(mode, name);
    });
    connect(engine, &DispatchEngine::EnabledChanged, this, [this](bool on) {
        announce({{QStringLiteral("Enabled"), on}});
    });
}

void PlayerService::announce(const QVariantMap& changed)
{
    QDBusMessage signal =
        QDBusMessage::createSignal(ObjectPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                   QStringLiteral("PropertiesChanged"));
    signal << Interface << changed << QStringList();
    QDBusConnection::sessionBus().send(signal);
}

int PlayerService::Mode() const
{
    return player_->Engine().CurrentMode();
}

QString PlayerService::ModeName() const
{
    return player_->Engine().ModeName();
}

bool PlayerService::Enabled() const
{
    return player_->Engine().DispatchEnabled();
}

QString PlayerService::TemplatePath() const
{
    const QString path = player_->TemplatePath();
    return path.isEmpty() ? path : QFileInfo(path).absoluteFilePath();
}

bool PlayerService::Following() const
{
    return player_->Following();
}

QString PlayerService::Program() const
{
    return player_->Program();
}

void PlayerService::AnnounceTemplate()
{
    announce({{QStringLiteral("TemplatePath"), TemplatePath()},
              {QStringLiteral("Program"), Program()},
              {QStringLiteral("Mode"), Mode()},
              {QStringLiteral("ModeName"), ModeName()},
              {QStringLiteral("Enabled"), Enabled()}});
}

void PlayerService::Reload()
{
    if (!started())
        return;
    QString error;
    if (!player_->Reload(&error))
        sendErrorReply(QDBusError::Failed, error);
}

bool PlayerService::started()
{
    if (player_->StartupDone())
        return true;
    sendErrorReply(StartingError, QStringLiteral("the player is still starting"));
    return false;
}

bool PlayerService::enabled()
{
    if (player_->Engine().DispatchEnabled())
        return true;
    sendErrorReply(DisabledError,
                   QStringLiteral("the player is disabled; --enable it before switching modes"));
    return false;
}

void PlayerService::NextMode()
{
    if (started() && enabled())
        player_->AdvanceMode();
}

void PlayerService::SetMode(int mode)
{
    if (!started() || !enabled())
        return;
    const int32_t highest = player_->Engine().HighestMode();
    if (mode < 1 || mode > highest) {
        sendErrorReply(QDBusError::InvalidArgs,
                       highest == 1 ? QStringLiteral("There is no mode %1: the template has only "
                                                     "mode 1")
                                          .arg(mode)
                                    : QStringLiteral("There is no mode %1: the template has "
                                                     "modes 1 to %2")
                                          .arg(mode)
                                          .arg(highest));
        return;
    }
    player_->ShowMode(mode);
}

// As the menu's: during start-up the choice is kept until start-up ends.
void PlayerService::Enable()
{
    player_->Enable1Click(nullptr);
}

void PlayerService::Disable()
{
    player_->Disable1Click(nullptr);
}

// Also during start-up, where it ends start-up as Ctrl+C does. Run from the
// event loop, so the caller has its answer before the window closes.
void PlayerService::Quit()
{
    QMetaObject::invokeMethod(
        this, [player = player_] { player->RequestShutdown(); }, Qt::QueuedConnection);
}

} // namespace corv
