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
    enum Kind { Press, Release, Buttons, Hat, Wait, Unplug, Plug, Axis };
    // The virtual joystick's axes: 1-4 two sticks, 5 and 6 two triggers.
    static constexpr uint32_t Axes = 6;
    Kind kind = Press;
    // Button 1..32, mask, hat angle (65535 centred), milliseconds or axis
    // 1..Axes; 0 for unplug and plug.
    uint32_t value = 0;
    // Where an axis goes, unless it goes back to its rest.
    int32_t position = 0;
    bool rest = false;

    bool operator==(const ScriptCommand&) const = default;
};

// Reads commands line by line from a file, a named pipe or standard input
// ("-") without blocking the GUI thread, and keeps them queued until taken.
// Reading pauses while MaxPending commands wait, so a writer that is faster
// than the script's waits is held back instead of filling memory.
class JoystickScript : public QObject
{
    Q_OBJECT
public:
    static constexpr size_t MaxPending = 4096;
    // Bad lines reported one by one; the rest are counted, and the count is
    // reported when the input ends.
    static constexpr int MaxWarnings = 10;

    explicit JoystickScript(QObject* parent = nullptr);
    ~JoystickScript() override;

    // Empty for blank and comment lines; *error set for bad ones.
    static std::optional<ScriptCommand> parseLine(const QString& line, QString* error);

    // False when the path cannot be opened.
    bool open(const QString& path, QString* error);
    const std::deque<ScriptCommand>& pending() const { return pending_; }
    bool hasPending() const { return !pending_.empty(); }
    // The oldest pending command; reading goes on once half the queue is free.
    ScriptCommand takeNext();
    bool atEnd() const { return fd_ < 0; }

signals:
    void commandsArrived();

private:
    void readSome();
    void takeLine(const QByteArray& line);
    void finish();

    int fd_ = -1;
    bool ownsFd_ = false;
    qint64 lineNumber_ = 0; // a pipe may be fed for weeks
    qint64 badLines_ = 0;
    QByteArray partial_;
    QSocketNotifier* notifier_ = nullptr;
    std::deque<ScriptCommand> pending_;
};

} // namespace corv
