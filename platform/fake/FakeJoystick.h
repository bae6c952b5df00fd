#pragma once

#include "platform/Joystick.h"

#include <array>

namespace corv
{

// Scriptable joystick for tests: set the capture result and the state the
// next poll reports, and raise button messages like the driver would.
class FakeJoystick : public Joystick
{
    Q_OBJECT
public:
    using Joystick::Joystick;

    int captureResult = Captured;
    JoyInfo state;
    int captureCalls = 0;
    int pollCalls = 0;
    bool messagesWanted = false;
    bool eventsWanted = false;
    std::array<int32_t, 8> rests{};

    int capture() override
    {
        ++captureCalls;
        return captureResult;
    }
    JoyInfo poll() override
    {
        ++pollCalls;
        return state;
    }
    void setMessagesWanted(bool wanted) override { messagesWanted = wanted; }
    void setEventsWanted(bool wanted) override { eventsWanted = wanted; }
    int axisCount() const override { return int(rests.size()); }
    int32_t axisRest(int axis) const override
    {
        return axis >= 1 && axis <= axisCount() ? rests[size_t(axis - 1)] : 0;
    }

    // Button n (1..4) goes down or up: updates the mask and sends the message.
    void press(int n);
    void release(int n);
    // Separate-input events, sent at once.
    void button(int n, bool down) { emit joyEvent({JoyEvent::Button, n, down ? 1 : 0}); }
    void hat(int32_t bits) { emit joyEvent({JoyEvent::Hat, 0, bits}); }
    void axis(int k, int32_t value) { emit joyEvent({JoyEvent::Axis, k, value}); }
    void removed() { emit joyEvent({JoyEvent::Removed, 0, 0}); }
};

} // namespace corv
