#include "engine/KeyPresser.h"

#include "platform/KeyInjector.h"

#include <utility>

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

void KeyPresser::pressShifted(int vk)
{
    if (vk <= 0 || vk >= 256)
        return;
    if (shifted_[size_t(vk)]++ == 0 && keys_)
        keys_->shiftedDown(vk);
}

void KeyPresser::releaseShifted(int vk)
{
    if (vk <= 0 || vk >= 256 || shifted_[size_t(vk)] == 0)
        return;
    if (--shifted_[size_t(vk)] == 0 && keys_)
        keys_->shiftedUp(vk);
}

void KeyPresser::pressCharacter(char32_t c)
{
    if (characters_[c]++ == 0 && keys_)
        keys_->characterDown(c);
}

void KeyPresser::releaseCharacter(char32_t c)
{
    const auto it = characters_.find(c);
    if (it == characters_.end())
        return;
    if (--it->second == 0) {
        characters_.erase(it);
        if (keys_)
            keys_->characterUp(c);
    }
}

void KeyPresser::releaseAll()
{
    for (const auto& [c, n] : std::exchange(characters_, {})) {
        if (keys_)
            keys_->characterUp(c);
    }
    for (size_t vk = 0; vk < shifted_.size(); ++vk) {
        if (shifted_[vk] != 0 && keys_)
            keys_->shiftedUp(int(vk));
        shifted_[vk] = 0;
    }
    for (size_t vk = 0; vk < count_.size(); ++vk) {
        if (count_[vk] != 0 && keys_)
            keys_->keyUp(int(vk));
        count_[vk] = 0;
    }
}

} // namespace corv
