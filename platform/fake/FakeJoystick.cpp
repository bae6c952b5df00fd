#include "platform/fake/FakeJoystick.h"

namespace corv
{

void FakeJoystick::press(int n)
{
    const uint32_t bit = 1u << (n - 1);
    state.dwButtons |= bit;
    if (n <= 4)
        emit buttonDown((state.dwButtons & 0xF) | (bit << 8));
}

void FakeJoystick::release(int n)
{
    const uint32_t bit = 1u << (n - 1);
    state.dwButtons &= ~bit;
    if (n <= 4)
        emit buttonUp((state.dwButtons & 0xF) | (bit << 8));
}

} // namespace corv
