#include "engine/InputCapture.h"

#include <array>
#include <utility>

namespace corv
{

InputCapture::InputCapture(Joystick* joystick, QObject* parent)
    : QObject(parent), joystick_(joystick)
{
    window_.setSingleShot(true);
    window_.setTimerType(Qt::PreciseTimer);
    connect(&window_, &QTimer::timeout, this, &InputCapture::windowPassed);
    if (joystick_)
        connect(joystick_, &Joystick::joyEvent, this, &InputCapture::joyEvent);
}

void InputCapture::SetActive(bool active, int chordMs, int axisThreshold)
{
    active_ = active;
    chordMs_ = chordMs;
    std::array<int32_t, MaxAxes> thresholds;
    thresholds.fill(axisThreshold);
    state_.setThresholds(thresholds, RuntimeTemplate::AxisHysteresis);
    state_.clear();
    chord_ = 0;
    window_.stop();
}

void InputCapture::joyEvent(const JoyEvent& event)
{
    if (!active_)
        return;
    // A hat may turn two directions on at once (a diagonal).
    InputMask pressed = 0;
    state_.apply(event, event.kind == JoyEvent::Axis ? joystick_->axisRest(event.index) : 0,
                 [&pressed](int input, bool on) {
                     if (on)
                         pressed |= inputBit(input);
                 });
    if (pressed == 0)
        return;
    if (chord_ == 0)
        window_.start(chordMs_);
    chord_ |= pressed;
}

void InputCapture::windowPassed()
{
    // Settled before anybody hears of it: a receiver may show a box.
    const InputMask chord = std::exchange(chord_, 0);
    if (chord != 0)
        emit Captured(chord);
}

} // namespace corv
