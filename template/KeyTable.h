#pragma once

#include <QString>
#include <array>

namespace corv
{

// One row of the key table: the name the editor shows and the virtual-key
// code the template stores.
struct KeyTableRow {
    const char* Name;
    int Code;
};

// Row 0 is "[NONE]"; rows 1..95 are keys, in the order the keystroke
// dialog lists them and lookups search them.
extern const std::array<KeyTableRow, 96> KeyTable;

inline constexpr char CtrlPrefix[] = "Ctrl + ";
inline constexpr char ShiftPrefix[] = "Shift + ";
inline constexpr char AltPrefix[] = "Alt + ";

// Keystroke text ("Ctrl + Shift + a") to its key code text ("65"); empty
// when the key name is not in the table.
QString KeystrokeToKeyCode(const QString& keystroke);
// Key code text to key name; the code must match exactly ("065" does not).
QString KeyCodeToKeyName(const QString& keyCode);

bool HasCtrl(const QString& keystroke);
bool HasShift(const QString& keystroke);
bool HasAlt(const QString& keystroke);

// Key name plus flags to keystroke text: "Ctrl + ", "Shift + ", "Alt + ",
// then the name, absent modifiers left out.
QString ComposeKeystroke(const QString& keyName, bool ctrl, bool shift, bool alt);

} // namespace corv
