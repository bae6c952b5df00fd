#include "platform/KeyInjector.h"

namespace corv
{

void KeyInjector::keyDown(int vk)
{
    if (vk < 0 || vk > 255)
        return;
    held_.set(static_cast<size_t>(vk));
    sendKey(vk, true);
}

void KeyInjector::keyUp(int vk)
{
    if (vk < 0 || vk > 255)
        return;
    held_.reset(static_cast<size_t>(vk));
    sendKey(vk, false);
}

void KeyInjector::shiftedDown(int vk)
{
    if (vk < 0 || vk > 255)
        return;
    shiftedHeld_.set(static_cast<size_t>(vk));
    sendShifted(vk, true);
}

void KeyInjector::shiftedUp(int vk)
{
    if (vk < 0 || vk > 255)
        return;
    shiftedHeld_.reset(static_cast<size_t>(vk));
    sendShifted(vk, false);
}

void KeyInjector::sendShifted(int vk, bool down)
{
    constexpr int VkShift = 16;
    if (down) {
        keyDown(VkShift);
        keyDown(vk);
    } else {
        keyUp(vk);
        keyUp(VkShift);
    }
}

void KeyInjector::characterDown(char32_t c)
{
    if (!canType(c))
        return;
    charactersHeld_.insert(c);
    sendCharacter(c, true);
}

void KeyInjector::characterUp(char32_t c)
{
    if (charactersHeld_.erase(c) == 0)
        return;
    sendCharacter(c, false);
}

void KeyInjector::releaseAll()
{
    while (!charactersHeld_.empty())
        characterUp(*charactersHeld_.rbegin());
    for (int vk = 0; vk < 256; ++vk) {
        if (shiftedHeld_.test(static_cast<size_t>(vk)))
            shiftedUp(vk);
    }
    for (int vk = 0; vk < 256; ++vk) {
        if (held_.test(static_cast<size_t>(vk)))
            keyUp(vk);
    }
}

} // namespace corv
