#include "engine/KeyPresser.h"

#include "platform/KeyInjector.h"

namespace corv
{

void KeyPresser::press(int vk)
{
    if (vk <= 0 || vk >= 256)
        return;
    if (count_[size_t(vk)]++ == 0 && keys_)
        keys_->keyDown(vk);
}

void KeyPresser::release(int vk)
{
    if (vk <= 0 || vk >= 256 || count_[size_t(vk)] == 0)
        return;
    if (--count_[size_t(vk)] == 0 && keys_)
        keys_->keyUp(vk);
}

void KeyPresser::releaseAll()
{
    for (size_t vk = 0; vk < count_.size(); ++vk) {
        if (count_[vk] != 0 && keys_)
            keys_->keyUp(int(vk));
        count_[vk] = 0;
    }
}

} // namespace corv
