#pragma once

#include "template/Apps.h"
#include "template/Inputs.h"
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
    // A Unicode character typed instead of the key (BUTTONn_k_CHAR); 0: none.
    char32_t Character = 0;
};

// How a mapping acts while its input is held. Mode and Layer are for
// separate-inputs templates only.
enum class MappingAction : uint8_t { Tap, Hold, Toggle, Turbo, Mode, Layer };

// The bounds and defaults of a mapping's timing keys, in milliseconds.
struct MappingTiming {
    static constexpr int32_t DefaultRate = 80;
    static constexpr int32_t MinRate = 10;
    static constexpr int32_t MaxRate = 2000;
    static constexpr int32_t MaxPressMs = 1000;
    static constexpr int32_t MaxGapMs = 1000;
};

// What one button number does in one mode.
struct Mapping {
    std::array<KeySlot, MaxSlots> Keys{}; // slot 1 is Keys[0]
    bool Repeat = false;
    int32_t Count = 0; // slots 1..Count are sent
    MappingAction Action = MappingAction::Tap;
    int32_t Rate = MappingTiming::DefaultRate; // Turbo, and Tap with Repeat
    int32_t PressMs = 0;                       // how long a tapped key stays down
    int32_t GapMs = 0;                         // between two slots of a tap
    int32_t TargetMode = 0;                    // Mode and Layer: 1..5; 0 = none
    QString Text; // typed after the slots (BUTTONn_TEXT); a line break is Enter

    // Acts exactly as a mapping of a template without the newer keys.
    bool isPlain() const
    {
        return Action == MappingAction::Tap && Rate == MappingTiming::DefaultRate && PressMs == 0 &&
               GapMs == 0;
    }
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

    // Gamepad templates (INPUTS=SEPARATE): each input acts on its own, and a
    // button number names an input or a chord instead of a ButtonId.
    static constexpr int32_t DefaultChordMs = 50;
    static constexpr int32_t DefaultAxisThreshold = 50; // percent from rest to the end
    static constexpr int32_t AxisHysteresis = 10;       // percentage points
    static constexpr int32_t MinAxisThreshold = 15;
    static constexpr int32_t MaxAxisThreshold = 95;
    static constexpr int32_t MaxChordMs = 1000;
    // KEYS=POSITIONS: keys go by their US position, whatever the layout
    // gives there; the default types the US character on any layout.
    bool KeysByPosition = false;
    // APPS=: the programs the template is for, when the player chooses by
    // the focused window; empty for any.
    QList<AppPattern> Apps;
    bool SeparateInputs = false;
    int32_t ChordMs = DefaultChordMs;
    int32_t AxisThreshold = DefaultAxisThreshold;
    std::array<int32_t, MaxAxes> AxisThresholds{}; // axis k is [k-1]; 0 = AxisThreshold
    std::array<InputMask, MaxButtons> Inputs{};    // per button number; 0 = unknown name
    InputMask ModeSwitchInput = 0;

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
