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

void KeyInjector::releaseAll()
{
    for (int vk = 0; vk < 256; ++vk) {
        if (held_.test(static_cast<size_t>(vk)))
            keyUp(vk);
    }
}

} // namespace corv
