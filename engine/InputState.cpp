#include "engine/InputState.h"

namespace corv
{

void InputState::set(int input, bool on, const Change& change)
{
    if (bool(active_ & inputBit(input)) == on)
        return;
    active_ ^= inputBit(input);
    change(input, on);
}

void InputState::apply(const JoyEvent& event, int32_t axisRest, const Change& change)
{
    switch (event.kind) {
    case JoyEvent::Button:
        if (event.index >= 1 && event.index <= MaxInputButtons)
            set(buttonInput(event.index), event.value != 0, change);
        break;
    case JoyEvent::Hat:
        if (event.index != 0)
            break;
        set(HatUpInput, event.value & JoyEvent::HatUp, change);
        set(HatRightInput, event.value & JoyEvent::HatRight, change);
        set(HatDownInput, event.value & JoyEvent::HatDown, change);
        set(HatLeftInput, event.value & JoyEvent::HatLeft, change);
        break;
    case JoyEvent::Axis: {
        if (event.index < 1 || event.index > MaxAxes)
            break;
        const int axis = event.index;
        const int64_t rest = std::clamp<int64_t>(axisRest, -32768, 32767);
        const int64_t value = std::clamp<int64_t>(event.value, -32768, 32767);
        const int32_t threshold = thresholds_[size_t(axis - 1)];
        // Percent of the way to each end; an axis resting at an end has only
        // the other side.
        auto side = [&](bool positive) {
            const int64_t range = positive ? 32767 - rest : rest + 32768;
            const int64_t moved = positive ? value - rest : rest - value;
            const int input = axisInput(axis, positive);
            if (range <= 0 || moved <= 0) {
                set(input, false, change);
                return;
            }
            const int64_t percent = moved * 100 / range;
            if (percent >= threshold)
                set(input, true, change);
            else if (percent < threshold - hysteresis_)
                set(input, false, change);
        };
        side(true);
        side(false);
        break;
    }
    case JoyEvent::Removed:
        break;
    }
}

} // namespace corv
