#pragma once

#include "platform/Joystick.h"
#include "template/Inputs.h"

#include <array>
#include <cstdint>
#include <functional>

namespace corv
{

// Which inputs of a gamepad template are active, from the joystick's
// events: buttons and hat directions as they are, an axis side once it has
// moved Threshold percent of the way from its rest to that end, and off
// again only below Threshold - Hysteresis, so a stick held near the
// threshold does not chatter.
class InputState
{
public:
    using Change = std::function<void(int input, bool active)>;

    // Percent per axis 1..MaxAxes.
    void setThresholds(const std::array<int32_t, MaxAxes>& percent, int32_t hysteresis)
    {
        thresholds_ = percent;
        hysteresis_ = hysteresis;
    }
    // Reports every input the event turns on or off, in input order.
    void apply(const JoyEvent& event, int32_t axisRest, const Change& change);
    InputMask active() const { return active_; }
    void clear() { active_ = 0; }

private:
    void set(int input, bool on, const Change& change);

    InputMask active_ = 0;
    std::array<int32_t, MaxAxes> thresholds_{};
    int32_t hysteresis_ = 0;
};

} // namespace corv
