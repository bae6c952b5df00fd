#include "engine/SlotSteps.h"

#include "platform/KeyInjector.h"
#include "platform/KeyboardLayout.h"

#include <QList>
#include <QStringView>

namespace corv
{

namespace
{

constexpr int VkReturn = 13;
constexpr int VkShift = 16;
constexpr int VkControl = 17;
constexpr int VkMenu = 18;

} // namespace

std::vector<SlotStep> MappingSteps(const Mapping& mapping, bool characters)
{
    std::vector<SlotStep> steps;
    for (int n = 0; n < std::clamp(mapping.Count, 0, MaxSlots); ++n) {
        const KeySlot& slot = mapping.Keys[size_t(n)];
        SlotStep step{slot.Ctrl, slot.Shift, slot.Alt, slot.VirtualKey, slot.Character, false};
        if (characters && step.Shift && step.Character == 0) {
            step.Shift = false;
            step.Shifted = true;
        }
        steps.push_back(step);
    }
    const QList<uint> text = QStringView(mapping.Text).toUcs4();
    for (const uint c : text) {
        SlotStep step;
        if (c == u'\n')
            step.Vk = VkReturn;
        else
            step.Character = char32_t(c);
        steps.push_back(step);
    }
    return steps;
}

StepKeys KeysOf(const SlotStep& step)
{
    StepKeys out;
    auto add = [&out](StepKey::Kind kind, char32_t code) {
        out.keys[size_t(out.count++)] = {kind, code};
    };
    if (step.Ctrl)
        add(StepKey::Key, VkControl);
    if (step.Shift)
        add(StepKey::Key, VkShift);
    if (step.Alt)
        add(StepKey::Key, VkMenu);
    if (step.Character != 0)
        add(StepKey::Character, step.Character);
    else
        add(step.Shifted ? StepKey::Shifted : StepKey::Key, char32_t(step.Vk));
    return out;
}

void SendStepKey(KeyInjector& keys, const StepKey& key, bool down)
{
    switch (key.kind) {
    case StepKey::Key:
        down ? keys.keyDown(int(key.code)) : keys.keyUp(int(key.code));
        break;
    case StepKey::Shifted:
        down ? keys.shiftedDown(int(key.code)) : keys.shiftedUp(int(key.code));
        break;
    case StepKey::Character:
        down ? keys.characterDown(key.code) : keys.characterUp(key.code);
        break;
    }
}

QList<MissingCharacter> MissingCharacters(const RuntimeTemplate& t,
                                          const std::function<bool(char32_t)>& canType)
{
    QList<MissingCharacter> missing;
    auto note = [&](char32_t c, const QString& place) {
        if (c == 0 || canType(c))
            return;
        auto found = std::find_if(missing.begin(), missing.end(),
                                  [c](const MissingCharacter& m) { return m.Character == c; });
        if (found == missing.end())
            found = missing.insert(missing.end(), {c, {}});
        if (!found->Places.contains(place))
            found->Places << place;
    };
    for (int m = 0; m < std::clamp(t.ModeCount, 0, MaxModes); ++m) {
        for (int k = 0; k < std::clamp(t.ButtonCount, 0, MaxButtons); ++k) {
            const QString place = QStringLiteral("mode %1, mapping %2").arg(m + 1).arg(k + 1);
            for (const SlotStep& step : MappingSteps(t.Mappings[size_t(m)][size_t(k)], true)) {
                if (step.Character != 0)
                    note(step.Character, place);
                else if (!t.KeysByPosition)
                    note(KeyboardLayout::usCharacter(step.Vk, step.Shifted), place);
            }
        }
    }
    return missing;
}

QString CharacterName(char32_t c)
{
    const QString code = QString::number(uint(c), 16).toUpper().rightJustified(4, u'0');
    return QStringLiteral("\"%1\" (U+%2)").arg(QString::fromUcs4(&c, 1), code);
}

void TypeStep(KeyInjector& keys, const SlotStep& step)
{
    const StepKeys pressed = KeysOf(step);
    for (const StepKey& key : pressed)
        SendStepKey(keys, key, true);
    for (auto key = pressed.end(); key != pressed.begin();)
        SendStepKey(keys, *--key, false);
}

} // namespace corv
