#pragma once

#include <bitset>
#include <functional>
#include <set>

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
    // A printable key with Shift, meant as the character that key gives with
    // Shift on a US keyboard ("Shift + 3" is '#'). A backend that knows the
    // layout types that character with whatever level it needs there; the
    // others press Shift and the key.
    void shiftedDown(int vk);
    void shiftedUp(int vk);
    // Any character, by its Unicode code point, with whatever key and level
    // types it on the layout; nothing where canType() says no.
    void characterDown(char32_t c);
    void characterUp(char32_t c);
    // Whether shiftedDown() types the US character on this layout (a backend
    // that knows the layout), rather than Shift and the key.
    virtual bool typesCharacters() const { return false; }
    virtual bool canType(char32_t c) const
    {
        (void)c;
        return false;
    }
    // Positional: a printable key types the key at its place on a US
    // keyboard whatever the layout puts there (WASD on AZERTY), as a
    // template with KEYS=POSITIONS asks; a backend without layouts ignores it.
    virtual void setPositional(bool positional) { (void)positional; }
    // Releases every key and character this injector still holds down.
    void releaseAll();
    bool isHeld(int vk) const { return vk >= 0 && vk < 256 && held_.test(static_cast<size_t>(vk)); }
    // Runs once if the backend loses what it types through (its X display
    // went away), from inside the call that found out: keep it short.
    void setOnLost(std::function<void()> onLost) { onLost_ = std::move(onLost); }

protected:
    KeyInjector() = default;
    // Backends implement the actual event; codes outside 0..255 never reach it.
    virtual void sendKey(int vk, bool down) = 0;
    // By default Shift around the key, as the code says.
    virtual void sendShifted(int vk, bool down);
    virtual void sendCharacter(char32_t c, bool down)
    {
        (void)c;
        (void)down;
    }
    void reportLost()
    {
        if (onLost_)
            onLost_();
    }

private:
    std::bitset<256> held_;
    std::bitset<256> shiftedHeld_;
    std::set<char32_t> charactersHeld_;
    std::function<void()> onLost_;
};

} // namespace corv
