#include "engine/SlotSteps.h"

#include "platform/KeyInjector.h"

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

void TypeStep(KeyInjector& keys, const SlotStep& step)
{
    if (step.Ctrl)
        keys.keyDown(VkControl);
    if (step.Shift)
        keys.keyDown(VkShift);
    if (step.Alt)
        keys.keyDown(VkMenu);
    if (step.Character != 0) {
        keys.characterDown(step.Character);
        keys.characterUp(step.Character);
    } else if (step.Shifted) {
        keys.shiftedDown(step.Vk);
        keys.shiftedUp(step.Vk);
    } else {
        keys.keyDown(step.Vk);
        keys.keyUp(step.Vk);
    }
    if (step.Alt)
        keys.keyUp(VkMenu);
    if (step.Shift)
        keys.keyUp(VkShift);
    if (step.Ctrl)
        keys.keyUp(VkControl);
}

} // namespace corv
