#pragma once

#include "template/Limits.h"

#include <QString>
#include <array>
#include <cstdint>

namespace corv
{

// One keystroke as the player sends it: a virtual-key code and its modifiers.
struct KeySlot {
    bool Ctrl = false;
    bool Shift = false;
    bool Alt = false;
    uint8_t VirtualKey = 0;
};

// What one button number does in one mode.
struct Mapping {
    std::array<KeySlot, MaxSlots> Keys{}; // slot 1 is Keys[0]
    bool Repeat = false;
    int32_t Count = 0; // slots 1..Count are sent
};

// The player's view of a template: dispatch tables and mode-window look.
// Arrays are 0-based: mode m is index m-1, button number k is index k-1.
struct RuntimeTemplate {
    static constexpr int32_t NoSwitchButton = -9999;
    static constexpr int32_t NoSwitchKey = -9998;

    int32_t ModeCount = 0;
    int32_t ButtonCount = 0;
    int32_t ModeSwitchButton = NoSwitchButton;
    int32_t ModeSwitchKey = NoSwitchKey;
    QString TemplateDescription;
    std::array<QString, MaxModes> ModeNames;
    std::array<int32_t, MaxButtons> ButtonIds{};
    std::array<std::array<Mapping, MaxButtons>, MaxModes> Mappings{};
    bool DigitalDevice = true;
    int32_t Response = 3;

    // Mode window appearance; colours stay texts until drawn, since the
    // system colour names resolve against the desktop palette.
    QString FontName = QStringLiteral("MS Sans Serif");
    int32_t FontSize = 8;
    bool FontBold = false;
    bool FontItalic = false;
    QString BackColour = QStringLiteral("clBtnFace");
    QString ForeColour = QStringLiteral("clWindowText");
};

} // namespace corv
