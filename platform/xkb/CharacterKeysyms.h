#pragma once

#include <array>
#include <cstdint>
#include <xkbcommon/xkbcommon.h>

namespace corv
{

// The keysyms a layout may carry c by, its legacy one first and then its
// Unicode one (0 where there is none or it is the same): Return for a line
// break, Tab for a tab, none for another control character or a code point
// no key can type. X keysyms and xkbcommon's are the same numbers.
inline std::array<uint32_t, 2> CharacterKeysyms(char32_t c)
{
    if (c == U'\n' || c == U'\r')
        return {XKB_KEY_Return, 0};
    if (c == U'\t')
        return {XKB_KEY_Tab, 0};
    if (c < 0x20 || (c >= 0x7f && c < 0xa0))
        return {0, 0};
    const xkb_keysym_t legacy = xkb_utf32_to_keysym(c);
    if (legacy == XKB_KEY_NoSymbol)
        return {0, 0};
    const uint32_t unicode = c >= 0x100 ? 0x1000000u | c : 0u;
    return {legacy, unicode == legacy ? 0u : unicode};
}

} // namespace corv
