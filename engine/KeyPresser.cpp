#include "engine/KeyPresser.h"

#include "platform/KeyInjector.h"

#include <utility>

namespace corv
{

void KeyPresser::press(const SlotStep& step)
{
    for (const StepKey& key : KeysOf(step)) {
        if (counts_[key]++ == 0 && keys_)
            SendStepKey(*keys_, key, true);
    }
}

void KeyPresser::release(const SlotStep& step)
{
    const StepKeys pressed = KeysOf(step);
    for (auto key = pressed.end(); key != pressed.begin();) {
        const auto it = counts_.find(*--key);
        if (it == counts_.end())
            continue;
        if (--it->second == 0) {
            counts_.erase(it);
            if (keys_)
                SendStepKey(*keys_, *key, false);
        }
    }
}

void KeyPresser::releaseAll()
{
    for (const auto& [key, count] : std::exchange(counts_, {})) {
        if (keys_)
            SendStepKey(*keys_, key, false);
    }
}

} // namespace corv
