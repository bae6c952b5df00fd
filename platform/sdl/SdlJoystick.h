#pragma once

#include "platform/Joystick.h"
#include "platform/sdl/JoystickScript.h"

#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <array>
#include <deque>
#include <string>
#include <thread>
#include <vector>

class QSocketNotifier;
class QTimer;
struct _SDL_Joystick;

namespace corv
{

// Joystick 1 through SDL's joystick subsystem. SPEC picks the device: an SDL
// index, part of the device name (any case), "virtual:PATH" for a virtual
// joystick driven by a script, or empty for the first one found.
//
// poll() reads the device itself, so nothing runs between two polls but a
// slow check for a device plugged in or out. Only while button messages or
// joystick events are wanted is a device pumped: when its node has input, or
// every PumpMs where the node cannot be watched. Messages and events are sent
// from the event loop, never from inside poll() or pump(), so a receiver may
// run a nested event loop in any of them and still get the ones that follow.
class SdlJoystick : public Joystick
{
    Q_OBJECT
public:
    static constexpr int PumpMs = 10;
    static constexpr int HotPlugMs = 1000;

    explicit SdlJoystick(const QString& spec = {}, QObject* parent = nullptr);
    ~SdlJoystick() override;

    // Starts SDL's joystick subsystem on a thread of its own: on Linux it
    // opens D-Bus connections, loads udev and scans the devices, which can
    // run while the program builds its window.
    void prepare() override;
    int capture() override;
    // A press (or hat push) that came and went since the previous poll, with
    // nothing held now, is reported once, so a short tap is never lost; one
    // let go and pressed again since then sets pressedAgain.
    JoyInfo poll() override;
    void setMessagesWanted(bool wanted) override;
    void setEventsWanted(bool wanted) override;
    int axisCount() const override;
    int32_t axisRest(int axis) const override;
    QString captureError() const override { return captureError_; }
    QString description() const override;

    // Applies due script commands and reads SDL's events. Runs from the pump,
    // and for the virtual joystick whenever its script has work; tests call
    // it to step.
    void pump();
    bool isOpen() const { return joy_ != nullptr; }

    // One line per joystick: index, name, buttons, hats, axes. Empty with
    // *error set when the subsystem cannot start.
    static QStringList describeJoysticks(QString* error);

    static constexpr const char* VirtualName = "Corvane virtual joystick";
    // Axes past this many send no events.
    static constexpr int EventAxes = 8;

private:
    static constexpr size_t MaxOutbox = 256;
    // A button message or a joystick event, in the order they happened.
    struct Message {
        enum Kind : uint8_t { Down, Up, Event };
        Kind kind = Down;
        uint32_t wParam = 0;
        JoyEvent event;
    };

    // Hints, the subsystem and the event types read; on failure SDL's error.
    static bool startSubsystem(std::string* error);
    bool initSdl();
    int openVirtual(const QString& path);
    int attachVirtual();
    void detachVirtual();
    void setVirtualState();
    int findDevice() const;
    QString notFoundAdvice() const;
    bool openDevice(int index);
    void readRests();
    void closeDevice();
    uint32_t liveButtons() const;
    int32_t liveHat() const; // hat 0 as JoyEvent bits
    void reportLiveState();
    void queueEvent(const JoyEvent& event);
    void queueRests();
    void applyScript();
    void apply(const ScriptCommand& command);
    void update();
    void handleEvents();
    void arrangePump();
    bool watchDevice();
    void unwatchDevice();
    void readDevice();
    void postDelivery();
    void deliver();

    QString spec_;
    bool sdlStarted_ = false;
    // prepare()'s thread and what it found, read once it has been joined.
    std::thread starter_;
    bool starterOk_ = false;
    std::string starterError_;
    bool captured_ = false;
    _SDL_Joystick* joy_ = nullptr;
    int instance_ = -1;
    QByteArray guid_; // of the device captured, to know it again on replug
    int virtualInstance_ = -1;
    uint32_t held_ = 0; // buttons 1..4 as the messages have reported them
    bool messagesWanted_ = false;
    bool eventsWanted_ = false;
    std::deque<Message> outbox_;
    bool deliveryPosted_ = false;

    // The device's axes where they rest, read when it is opened.
    std::vector<int32_t> axisRests_;
    // The state the events queued so far leave the receiver with.
    uint32_t sentButtons_ = 0;
    int32_t sentHat_ = 0;
    std::array<int32_t, EventAxes> sentAxes_{};

    // Presses seen since the last poll, reported by it when nothing is held,
    // and releases, which make a press held at the poll a new one.
    uint32_t latchedButtons_ = 0;
    uint32_t latchedPov_ = JoyInfo::PovCentered;
    uint32_t releasedButtons_ = 0;
    bool hatRecentred_ = false;

    // A device: its own descriptor on the node, watched while messages or
    // events are wanted; the timer where it cannot be; the slow hot-plug check.
    int deviceFd_ = -1;
    QSocketNotifier* deviceNotifier_ = nullptr;
    QTimer* pumpTimer_;
    QTimer* hotPlug_;
    QElapsedTimer sincePoll_;

    // The virtual joystick: its script, the end of a wait, and the state the
    // script has set, which it gets back when plugged in again.
    JoystickScript* script_ = nullptr;
    QTimer* resume_;
    QElapsedTimer waitClock_;
    qint64 waitMs_ = 0;
    uint32_t scriptButtons_ = 0;
    uint32_t scriptPov_ = JoyInfo::PovCentered;
    std::array<int32_t, ScriptCommand::Axes> scriptAxes_{};
    QString captureError_;
};

} // namespace corv
