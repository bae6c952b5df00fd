#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>

namespace corv
{

class KeyInjector;

// Key presses shared by the mappings that run at once: a key goes down with
// the first that presses it and comes up when the last of them lets go, so
// a walk held on W survives a tap of W+Shift elsewhere.
class KeyPresser
{
public:
    explicit KeyPresser(KeyInjector* keys) : keys_(keys) {}
    void press(int vk);
    void release(int vk);
    // A printable key meant with Shift, and a character by code point: each
    // counted on its own, as the backend types them its own way.
    void pressShifted(int vk);
    void releaseShifted(int vk);
    void pressCharacter(char32_t c);
    void releaseCharacter(char32_t c);
    // Every key up, counts cleared.
    void releaseAll();
    int holders(int vk) const { return vk >= 0 && vk < 256 ? count_[std::size_t(vk)] : 0; }

private:
    KeyInjector* keys_;
    std::array<uint16_t, 256> count_{};
    std::array<uint16_t, 256> shifted_{};
    std::map<char32_t, int> characters_;
};

} // namespace corv
