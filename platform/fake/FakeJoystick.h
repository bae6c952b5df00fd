#pragma once

#include "platform/Joystick.h"

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

    // Button n (1..4) goes down or up: updates the mask and sends the message.
    void press(int n);
    void release(int n);
};

} // namespace corv
