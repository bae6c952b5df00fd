#pragma once

#include <QString>
#include <QStringView>
#include <cstdint>
#include <optional>

namespace corv
{

// The inputs of a separate-inputs (gamepad) template, each a bit of an
// InputMask: buttons B1..B32, the four hat directions, and both sides of
// each axis. A chord is the mask of its members.
using InputMask = uint64_t;

inline constexpr int MaxInputButtons = 32;
inline constexpr int MaxAxes = 8; // AXIS1..AXIS8
inline constexpr int HatUpInput = 32;
inline constexpr int HatRightInput = 33;
inline constexpr int HatDownInput = 34;
inline constexpr int HatLeftInput = 35;
inline constexpr int FirstAxisInput = 36;
inline constexpr int InputCount = FirstAxisInput + 2 * MaxAxes;

inline constexpr InputMask inputBit(int input)
{
    return InputMask(1) << input;
}
// Button 1..32.
inline constexpr int buttonInput(int button)
{
    return button - 1;
}
// Axis 1..MaxAxes, on its positive or negative side.
inline constexpr int axisInput(int axis, bool positive)
{
    return FirstAxisInput + 2 * (axis - 1) + (positive ? 0 : 1);
}
// The axis 1..MaxAxes of an axis input, 0 for any other input.
inline constexpr int axisOfInput(int input)
{
    return input >= FirstAxisInput && input < InputCount ? (input - FirstAxisInput) / 2 + 1 : 0;
}

// "B3", "HAT_LEFT", "AXIS2_NEG"; empty outside 0..InputCount-1.
QString InputName(int input);
// The members joined by '+', in input order: "B1+B2"; empty for 0.
QString InputMaskName(InputMask mask);
// One name or a chord of names joined by '+', any case, spaces around the
// names allowed. Empty with *error set when a name is unknown or repeated.
std::optional<InputMask> ParseInputs(QStringView text, QString* error = nullptr);
// A classic template's ButtonId with the press it stands for, so it cannot be
// taken for a mapping's number: "ButtonId 8 (button 4)", "ButtonId 3
// (buttons 1+2)", "ButtonId 9000 (hat right)" in a digital template (a hat
// angle is read as the hat), "ButtonId 515 (button 2, with button 1 held)" in
// an analog one.
QString ButtonIdName(int32_t id, bool digital);
// Number of members of a mask.
int InputMemberCount(InputMask mask);

} // namespace corv
