#pragma once

#include <bitset>
#include <functional>

namespace corv
{

// Synthesises key presses and releases by Windows virtual-key code (0..255).
// Remembers which keys it holds so that nothing stays down when it goes away.
// The base cannot call the backend from its own destructor, so every backend's
// destructor calls releaseAll().
class KeyInjector
{
public:
    virtual ~KeyInjector() = default;
    KeyInjector(const KeyInjector&) = delete;
    KeyInjector& operator=(const KeyInjector&) = delete;

    void keyDown(int vk);
    void keyUp(int vk);
    // Releases every key this injector still holds down.
    void releaseAll();
    bool isHeld(int vk) const { return vk >= 0 && vk < 256 && held_.test(static_cast<size_t>(vk)); }
    // Runs once if the backend loses what it types through (its X display
    // went away), from inside the call that found out: keep it short.
    void setOnLost(std::function<void()> onLost) { onLost_ = std::move(onLost); }

protected:
    KeyInjector() = default;
    // Backends implement the actual event; codes outside 0..255 never reach it.
    virtual void sendKey(int vk, bool down) = 0;
    void reportLost()
    {
        if (onLost_)
            onLost_();
    }

private:
    std::bitset<256> held_;
    std::function<void()> onLost_;
};

} // namespace corv
