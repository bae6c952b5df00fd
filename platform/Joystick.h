#pragma once

#include <QObject>
#include <QString>
#include <cstdint>

namespace corv
{

// What one poll of joystick 1 reports, in the units the templates store.
struct JoyInfo {
    static constexpr uint32_t PovCentered = 65535;
    // The centred hat as some drivers report it.
    static constexpr uint32_t PovCenteredAll = 0xFFFFFFFF;
    uint32_t dwButtons = 0;       // bit 0 = button 1; buttons past 32 are dropped
    uint32_t dwPOV = PovCentered; // hat 0 in hundredths of a degree, or PovCentered
    // A button down now, or the hat pushed now, was let go and pressed again
    // since the previous poll: this poll is a new press, not the same hold.
    bool pressedAgain = false;

    bool hatCentred() const { return dwPOV == PovCentered || dwPOV == PovCenteredAll; }
    bool nothingPressed() const { return dwButtons == 0 && hatCentred(); }
    // The ButtonId a digital template names this state by: the button mask
    // while any button is down, else the hat angle.
    int32_t buttonId() const { return static_cast<int32_t>(dwButtons != 0 ? dwButtons : dwPOV); }
};

// One change of joystick 1's state, for templates whose inputs act each on
// their own; sent in the order the changes happened.
struct JoyEvent {
    // Removed: the device went away (its inputs were reported at rest just
    // before); whatever they set going must stop.
    enum Kind : uint8_t { Button, Hat, Axis, Removed };
    // The hat's value: a direction bit each, two at once on a diagonal.
    static constexpr int32_t HatUp = 1, HatRight = 2, HatDown = 4, HatLeft = 8;
    Kind kind = Button;
    int index = 0;     // button 1..32, hat 0, axis 1..
    int32_t value = 0; // button 1 down / 0 up; hat bits; axis -32768..32767

    bool operator==(const JoyEvent&) const = default;
};

// Joystick 1 of the session. Capture result codes are the ones the programs
// turn into their messages.
class Joystick : public QObject
{
    Q_OBJECT
public:
    enum CaptureResult : int {
        Captured = 0,
        NoDriver = 6,    // the joystick subsystem cannot start
        BadDevice = 165, // the named device does not exist
        CannotCapture = 166,
        Unplugged = 167, // nothing connected
    };

    using QObject::QObject;
    ~Joystick() override = default;

    // What both programs tell the user when capture() fails; empty for Captured.
    static QString captureMessage(int result)
    {
        switch (result) {
        case Captured:
            return {};
        case NoDriver:
        case BadDevice:
            return QStringLiteral("Cannot detect a joystick driver");
        case CannotCapture:
            return QStringLiteral("Cannot capture joystick input");
        case Unplugged:
            return QStringLiteral("Cannot detect a connected joystick");
        default:
            return QStringLiteral("Undetermined joystick error");
        }
    }

    // Lets the joystick driver start in the background, for a capture()
    // that follows soon; capture() waits for it. Only before the first
    // capture, and only while nothing else in the process uses the driver.
    virtual void prepare() {}
    virtual int capture() = 0;
    virtual JoyInfo poll() = 0;
    // The button messages below are sent only while someone wants them (an
    // analog template); a digital template reads the state with poll().
    virtual void setMessagesWanted(bool wanted) = 0;
    // joyEvent() is sent only while someone wants it (a separate-inputs
    // template), from the event loop, one event per turn of it.
    virtual void setEventsWanted(bool wanted) { (void)wanted; }
    // The captured device's axes, numbered from 1, and the value each had
    // when the device was opened (a trigger rests at one end).
    virtual int axisCount() const { return 0; }
    virtual int32_t axisRest(int axis) const
    {
        (void)axis;
        return 0;
    }

    // Why the last capture failed and what the user can do about it, as one
    // sentence naming the joystick asked for; empty when unknown.
    virtual QString captureError() const { return {}; }
    // The captured device: its name with its numbers of buttons and hats.
    virtual QString description() const { return {}; }

signals:
    // Buttons 1..4 only. wParam = held bits (1,2,4,8) | changed bit (256..2048).
    void buttonDown(uint32_t wParam);
    void buttonUp(uint32_t wParam);
    // A button, the hat or an axis changed. When the device goes away, every
    // input that is not at rest is reported back at rest first.
    void joyEvent(corv::JoyEvent event);
};

} // namespace corv
