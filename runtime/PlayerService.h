#pragma once

#include <QDBusContext>
#include <QObject>
#include <QString>
#include <QVariantMap>

namespace corv
{

class Player;

// The running player on the session bus: each method does what the mode-switch
// hot key or a tray menu command does, on the GUI thread, so it meets the
// engine's re-entrancy exactly as those do.
class PlayerService : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.corvane.Player")
    Q_PROPERTY(int Mode READ Mode)
    Q_PROPERTY(QString ModeName READ ModeName)
    Q_PROPERTY(bool Enabled READ Enabled)
    Q_PROPERTY(QString TemplatePath READ TemplatePath)
    Q_PROPERTY(bool Following READ Following)
    Q_PROPERTY(QString Program READ Program)

public:
    static inline const QString ServiceName = QStringLiteral("org.corvane.Player");
    static inline const QString ObjectPath = QStringLiteral("/org/corvane/Player");
    static inline const QString Interface = QStringLiteral("org.corvane.Player");
    // Error names beside the standard ones, so clients can tell them apart.
    static inline const QString StartingError = QStringLiteral("org.corvane.Player.Error.Starting");
    static inline const QString DisabledError = QStringLiteral("org.corvane.Player.Error.Disabled");

    // Serves player on the session bus, as a child of owner; without a
    // session bus does nothing and returns null. Called once
    // PlayerClient::ClaimPlayer has let the player run, so the player's name
    // on the bus, if any, is this process's.
    static PlayerService* Publish(Player* player, QObject* owner);

    PlayerService(Player* player, QObject* owner);

    int Mode() const;
    QString ModeName() const;
    bool Enabled() const;
    QString TemplatePath() const;
    // Whether the player follows the focus, and the program it chose the
    // template for.
    bool Following() const;
    QString Program() const;
    // The player plays another template, or chose it for another program.
    void AnnounceTemplate();

public slots:
    void NextMode();
    void SetMode(int mode);
    void Enable();
    void Disable();
    void Quit();
    void Reload();

signals:
    void ModeChanged(int mode, const QString& name);

private:
    // False, with the error sent, until start-up has finished: no mode can
    // be switched before then.
    bool started();
    // False, with the error sent, while the player is disabled: the hot key
    // does nothing then either.
    bool enabled();
    // The standard change signal, which property caches (GDBus proxies,
    // panel applets) rely on to stay current.
    void announce(const QVariantMap& changed);

    Player* player_;
};

} // namespace corv
