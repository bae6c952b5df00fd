#pragma once

#include <array>
#include <cstddef>

namespace corv
{

// What a layout-aware backend holds down. It counts the holds on each key
// code, so that a key two holds share (the slot's Shift and the Shift of a
// character's level) goes down with the first of them and up with the last.
template <size_t Codes, size_t Modifiers> class KeyHolds
{
public:
    // One hold: its key and the level modifiers it went down with, so that
    // a layout change while it is held still releases the same keys.
    struct Held {
        int code = 0;
        std::array<int, Modifiers> modifiers{};
    };

    // Presses the modifiers (0 for none), then the key. send(code, value)
    // gets 1 for a key going down, and 2 for a key another hold keeps down
    // (a repeat, as a held keyboard key gives); a modifier already down is
    // left as it is.
    template <typename Send>
    Held press(int code, const std::array<int, Modifiers>& modifiers, Send send)
    {
        if (!valid(code))
            return {};
        for (const int m : modifiers) {
            if (valid(m) && count_[size_t(m)]++ == 0)
                send(m, 1);
        }
        send(code, count_[size_t(code)]++ == 0 ? 1 : 2);
        return {code, modifiers};
    }

    // Lets go of the key, then of its modifiers in the reverse order, each
    // with send(code, 0) once no other hold keeps it down.
    template <typename Send> void release(Held& held, Send send)
    {
        if (!valid(held.code))
            return;
        if (--count_[size_t(held.code)] == 0)
            send(held.code, 0);
        for (auto it = held.modifiers.rbegin(); it != held.modifiers.rend(); ++it) {
            if (valid(*it) && --count_[size_t(*it)] == 0)
                send(*it, 0);
        }
        held = {};
    }

    bool isDown(int code) const { return valid(code) && count_[size_t(code)] != 0; }

private:
    static bool valid(int code) { return code > 0 && code < int(Codes); }

    std::array<int, Codes> count_{};
};

} // namespace corv
