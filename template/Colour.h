#pragma once

#include <QString>
#include <cstdint>
#include <optional>

namespace corv
{

// A colour as a template stores it: blue * 65536 + green * 256 + red, or one
// of the two desktop colours, which are resolved against the palette when
// drawn.
struct ColourValue {
    enum class System { None, BtnFace, WindowText };
    uint32_t Value = 0; // meaningful when System is None
    System SystemColour = System::None;

    friend bool operator==(const ColourValue&, const ColourValue&) = default;
};

inline constexpr int ColourGridSize = 16;

// The 16 colours of the colour grid, position 0..15 ("clBlack" .. "clWhite").
QString GridColourName(int position);
uint32_t GridColour(int position);

// Colour text: a name when the colour has one, else "$" and eight hex digits.
QString ColourToText(uint32_t value);

// Accepts the 16 names and "clBtnFace"/"clWindowText" in any case, or a
// number 0..$FFFFFF in decimal or after "$" in hex. Anything else gives no value.
std::optional<ColourValue> ParseColourText(const QString& text);

} // namespace corv
