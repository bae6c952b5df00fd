#pragma once

#include "template/Limits.h"

#include <QList>
#include <QString>
#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>

namespace corv
{

// The newer keys of a mapping or of [GLOBAL], in the file's order.
using ExtraKeys = QList<std::pair<QString, QString>>;

// Where key is among extras, the case of its name aside; extras.end() when
// it is not.
template <typename Extras> auto FindExtra(Extras& extras, QStringView key)
{
    return std::find_if(extras.begin(), extras.end(), [key](const auto& e) {
        return QStringView(e.first).compare(key, Qt::CaseInsensitive) == 0;
    });
}

// Sets key to value in place, or drops it when value is empty, so a file
// keeps the order of its newer keys through an edit. A value that means the
// same as the file's ("hold", "080") stays as the file has it.
inline void SetExtra(ExtraKeys& extras, QStringView key, const QString& value)
{
    const auto it = FindExtra(extras, key);
    if (it == extras.end()) {
        if (!value.isEmpty())
            extras.append({key.toString(), value});
        return;
    }
    bool wasNumber = false;
    bool isNumber = false;
    const QString was = it->second.trimmed();
    if (was.compare(value, Qt::CaseInsensitive) == 0 ||
        (was.toInt(&wasNumber) == value.toInt(&isNumber) && wasNumber && isNumber))
        return;
    if (value.isEmpty())
        extras.erase(it);
    else
        it->second = value;
}

// What one button does in one mode, keystrokes as text ("Ctrl + a").
struct ButtonMapping {
    QString ButtonId;
    QString Purpose;
    bool Repeat = false;
    std::array<QString, MaxSlots> Keystrokes; // slot 1 is Keystrokes[0]; may be empty
    // The mapping's newer keys as read (ACTION, RATE…: the part after
    // "BUTTONn_"), kept through a save in this order.
    ExtraKeys Extras = {};

    // The newer key's value, trimmed; empty when the mapping has none.
    QString Extra(QStringView key) const
    {
        const auto it = FindExtra(Extras, key);
        return it == Extras.end() ? QString() : it->second.trimmed();
    }

    friend bool operator==(const ButtonMapping&, const ButtonMapping&) = default;
};

// A button the user identified and named.
struct IdentifiedButton {
    QString ButtonId;
    QString Description;

    friend bool operator==(const IdentifiedButton&, const IdentifiedButton&) = default;
};

// The whole document as the editor holds it.
struct Template {
    QString Description;
    bool DigitalDevice = true;
    std::array<QString, MaxModes> ModeNames{QStringLiteral("Mode 1"), QStringLiteral("Mode 2"),
                                            QStringLiteral("Mode 3"), QStringLiteral("Mode 4"),
                                            QStringLiteral("Mode 5")};
    QList<IdentifiedButton> IdentifiedButtons;
    QString ModeSwitchButton; // ButtonId, empty = none
    QString ModeSwitchKey;    // key name, empty = none
    int32_t Response = 3;     // 0..6
    int32_t ForeIndex = 0;    // colour grid positions 0..15
    int32_t BackIndex = 7;
    uint32_t ForeColour = 0x000000; // black
    uint32_t BackColour = 0xC0C0C0; // silver
    QString FontName = QStringLiteral("MS Sans Serif");
    int32_t FontSize = 8;
    bool FontBold = false;
    bool FontItalic = false;
    std::array<QList<ButtonMapping>, MaxModes> Mappings; // mode m is Mappings[m - 1]
    // The newer GLOBAL keys as read (INPUTS, CHORD_MS…), kept through a save.
    ExtraKeys GlobalExtras;

    // A gamepad template (INPUTS=SEPARATE): each input, stick side and
    // trigger acts on its own, and ButtonIds are input names (B3, B1+B2).
    bool SeparateInputs() const
    {
        const auto it = FindExtra(GlobalExtras, u"INPUTS");
        return it != GlobalExtras.end() &&
               it->second.trimmed().compare(QLatin1String("SEPARATE"), Qt::CaseInsensitive) == 0;
    }
    void SetSeparateInputs(bool on)
    {
        GlobalExtras.removeIf(
            [](const auto& extra) { return extra.first == QLatin1String("INPUTS"); });
        if (on)
            GlobalExtras.prepend({QStringLiteral("INPUTS"), QStringLiteral("SEPARATE")});
    }
    // The newer GLOBAL number key, or fallback when it is missing or not a number.
    int GlobalNumber(const QString& key, int fallback) const
    {
        const auto it = FindExtra(GlobalExtras, key);
        bool ok = false;
        const int n = it == GlobalExtras.end() ? 0 : it->second.trimmed().toInt(&ok);
        return ok ? n : fallback;
    }

    // Sets a newer GLOBAL number key. The file's own spelling stays while it
    // means the same ("050"), and the default adds no key to a file without it.
    void SetGlobalNumber(const QString& key, int value, int fallback)
    {
        if (value != fallback || FindExtra(GlobalExtras, key) != GlobalExtras.end())
            SetExtra(GlobalExtras, key, QString::number(value));
    }

    // "Mode 1" .. "Mode 5".
    static QString DefaultModeName(int mode) { return QStringLiteral("Mode %1").arg(mode); }
    // The name of mode 1..5 as it is shown and saved: an empty name stands
    // for the default one.
    QString ModeNameOrDefault(int mode) const
    {
        const QString& name = ModeNames[size_t(mode - 1)];
        return name.isEmpty() ? DefaultModeName(mode) : name;
    }
    // The identified description of a ButtonId; empty when it is not identified.
    QString DescriptionOf(const QString& buttonId) const
    {
        for (const IdentifiedButton& b : IdentifiedButtons) {
            if (b.ButtonId == buttonId)
                return b.Description;
        }
        return QString();
    }
    // The highest mode 1..5 with a mapping; 0 when there is none.
    int HighestUsedMode() const
    {
        for (int m = MaxModes; m > 0; --m) {
            if (!Mappings[m - 1].isEmpty())
                return m;
        }
        return 0;
    }
    // Whether a mapping of any mode uses the ButtonId.
    bool IsButtonProgrammed(const QString& buttonId) const
    {
        for (const QList<ButtonMapping>& mode : Mappings) {
            for (const ButtonMapping& mapping : mode) {
                if (mapping.ButtonId == buttonId)
                    return true;
            }
        }
        return false;
    }

    friend bool operator==(const Template&, const Template&) = default;
};

} // namespace corv
