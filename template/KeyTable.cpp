#include "template/KeyTable.h"

namespace corv
{

const std::array<KeyTableRow, 96> KeyTable = {{
    KeyTableRow{"[NONE]", 0},
    KeyTableRow{"0", 48},
    KeyTableRow{"1", 49},
    KeyTableRow{"2", 50},
    KeyTableRow{"3", 51},
    KeyTableRow{"4", 52},
    KeyTableRow{"5", 53},
    KeyTableRow{"6", 54},
    KeyTableRow{"7", 55},
    KeyTableRow{"8", 56},
    KeyTableRow{"9", 57},
    KeyTableRow{"a", 65},
    KeyTableRow{"b", 66},
    KeyTableRow{"c", 67},
    KeyTableRow{"d", 68},
    KeyTableRow{"e", 69},
    KeyTableRow{"f", 70},
    KeyTableRow{"g", 71},
    KeyTableRow{"h", 72},
    KeyTableRow{"i", 73},
    KeyTableRow{"j", 74},
    KeyTableRow{"k", 75},
    KeyTableRow{"l", 76},
    KeyTableRow{"m", 77},
    KeyTableRow{"n", 78},
    KeyTableRow{"o", 79},
    KeyTableRow{"p", 80},
    KeyTableRow{"q", 81},
    KeyTableRow{"r", 82},
    KeyTableRow{"s", 83},
    KeyTableRow{"t", 84},
    KeyTableRow{"u", 85},
    KeyTableRow{"v", 86},
    KeyTableRow{"w", 87},
    KeyTableRow{"x", 88},
    KeyTableRow{"y", 89},
    KeyTableRow{"z", 90},
    KeyTableRow{"F1", 112},
    KeyTableRow{"F2", 113},
    KeyTableRow{"F3", 114},
    KeyTableRow{"F4", 115},
    KeyTableRow{"F5", 116},
    KeyTableRow{"F6", 117},
    KeyTableRow{"F7", 118},
    KeyTableRow{"F8", 119},
    KeyTableRow{"F9", 120},
    KeyTableRow{"F10", 121},
    KeyTableRow{"F11", 122},
    KeyTableRow{"F12", 123},
    KeyTableRow{"Numpad 0", 96},
    KeyTableRow{"Numpad 1", 97},
    KeyTableRow{"Numpad 2", 98},
    KeyTableRow{"Numpad 3", 99},
    KeyTableRow{"Numpad 4", 100},
    KeyTableRow{"Numpad 5", 101},
    KeyTableRow{"Numpad 6", 102},
    KeyTableRow{"Numpad 7", 103},
    KeyTableRow{"Numpad 8", 104},
    KeyTableRow{"Numpad 9", 105},
    KeyTableRow{"Numpad +", 107},
    KeyTableRow{"Numpad /", 111},
    KeyTableRow{"Numpad *", 106},
    KeyTableRow{"Numpad -", 109},
    KeyTableRow{"- Minus", 189},
    KeyTableRow{"= Equals", 187},
    KeyTableRow{", Comma", 188},
    KeyTableRow{". Full Stop", 190},
    KeyTableRow{"; Semi Colon", 186},
    KeyTableRow{"' Single Quote", 222},
    KeyTableRow{"` Tilde", 192},
    KeyTableRow{"/", 191},
    KeyTableRow{"\\", 220},
    KeyTableRow{"[ ", 219},
    KeyTableRow{"]", 221},
    KeyTableRow{"Alt", 18},
    KeyTableRow{"Arrow Up", 38},
    KeyTableRow{"Arrow Down", 40},
    KeyTableRow{"Arrow Left", 37},
    KeyTableRow{"Arrow Right", 39},
    KeyTableRow{"Back Space", 8},
    KeyTableRow{"Caps Lock", 20},
    KeyTableRow{"Ctrl", 17},
    KeyTableRow{"Delete", 46},
    KeyTableRow{"End", 35},
    KeyTableRow{"Enter", 13},
    KeyTableRow{"Esc", 27},
    KeyTableRow{"Home", 36},
    KeyTableRow{"Insert", 45},
    KeyTableRow{"Num Lock", 144},
    KeyTableRow{"Page Up", 33},
    KeyTableRow{"Page Down", 34},
    KeyTableRow{"Pause", 19},
    KeyTableRow{"Scroll Lock", 145},
    KeyTableRow{"Shift", 16},
    KeyTableRow{"Space", 32},
    KeyTableRow{"Tab", 9},
}};

QString KeystrokeToKeyCode(const QString& keystroke)
{
    // The prefixes stand at the front in this order, so cutting the prefix
    // length off whenever one occurs removes exactly the prefixes present.
    QString rest = keystroke;
    if (rest.contains(QLatin1StringView(CtrlPrefix)))
        rest.remove(0, 7);
    if (rest.contains(QLatin1StringView(ShiftPrefix)))
        rest.remove(0, 8);
    if (rest.contains(QLatin1StringView(AltPrefix)))
        rest.remove(0, 6);
    for (const KeyTableRow& row : KeyTable) {
        if (rest == QLatin1StringView(row.Name))
            return QString::number(row.Code);
    }
    return QString();
}

QString KeyCodeToKeyName(const QString& keyCode)
{
    for (const KeyTableRow& row : KeyTable) {
        if (keyCode == QString::number(row.Code))
            return QString::fromLatin1(row.Name);
    }
    return QString();
}

bool HasCtrl(const QString& keystroke)
{
    return keystroke.contains(QLatin1StringView(CtrlPrefix));
}
bool HasShift(const QString& keystroke)
{
    return keystroke.contains(QLatin1StringView(ShiftPrefix));
}
bool HasAlt(const QString& keystroke)
{
    return keystroke.contains(QLatin1StringView(AltPrefix));
}

QString ComposeKeystroke(const QString& keyName, bool ctrl, bool shift, bool alt)
{
    QString text = keyName;
    if (alt)
        text.prepend(QLatin1StringView(AltPrefix));
    if (shift)
        text.prepend(QLatin1StringView(ShiftPrefix));
    if (ctrl)
        text.prepend(QLatin1StringView(CtrlPrefix));
    return text;
}

} // namespace corv
