#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <deque>
#include <optional>

class QSocketNotifier;

namespace corv
{

// One line of a virtual joystick script.
struct ScriptCommand {
    enum Kind { Press, Release, Buttons, Hat, Wait };
    Kind kind = Press;
    uint32_t value = 0; // button 1..32, mask, hat angle (65535 centred) or milliseconds

    bool operator==(const ScriptCommand&) const = default;
};

// Reads commands line by line from a file, a named pipe or standard input
// ("-") without blocking the GUI thread, and keeps them queued until taken.
class JoystickScript : public QObject
{
    Q_OBJECT
public:
    explicit JoystickScript(QObject* parent = nullptr);
    ~JoystickScript() override;

    // Empty for blank and comment lines; *error set for bad ones.
    static std::optional<ScriptCommand> parseLine(const QString& line, QString* error);

    // False when the path cannot be opened.
    bool open(const QString& path, QString* error);
    std::deque<ScriptCommand>& pending() { return pending_; }
    bool atEnd() const { return fd_ < 0; }

signals:
    void commandsArrived();

private:
    void readSome();
    void takeLine(const QByteArray& line);
    void finish();

    int fd_ = -1;
    bool ownsFd_ = false;
    int lineNumber_ = 0;
    QByteArray partial_;
    QSocketNotifier* notifier_ = nullptr;
    std::deque<ScriptCommand> pending_;
};

} // namespace corv
