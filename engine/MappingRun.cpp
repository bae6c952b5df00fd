#include "engine/MappingRun.h"

#include "engine/KeyPresser.h"

namespace corv
{

namespace
{

constexpr int VkShift = 16;
constexpr int VkControl = 17;
constexpr int VkMenu = 18;

} // namespace

MappingRun::MappingRun(const Mapping& mapping, std::vector<SlotStep> steps, KeyPresser& keys,
                       QObject* parent)
    : QObject(parent), mapping_(mapping), steps_(std::move(steps)), keys_(keys)
{
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, [this] { tapping_ ? tapStep() : startTap(); });
}

MappingRun::~MappingRun()
{
    // What is down must not outlive the run, however it ends.
    timer_.stop();
    if (slotDown_)
        releaseSlot(steps_[size_t(slot_)]);
    if (holding_)
        releaseAll();
}

bool MappingRun::repeats() const
{
    return mapping_.Action == MappingAction::Turbo ||
           (mapping_.Action == MappingAction::Tap && mapping_.Repeat);
}

void MappingRun::pressSlot(const SlotStep& slot)
{
    if (slot.Ctrl)
        keys_.press(VkControl);
    if (slot.Shift)
        keys_.press(VkShift);
    if (slot.Alt)
        keys_.press(VkMenu);
    if (slot.Character != 0)
        keys_.pressCharacter(slot.Character);
    else if (slot.Shifted)
        keys_.pressShifted(slot.Vk);
    else
        keys_.press(slot.Vk);
}

void MappingRun::releaseSlot(const SlotStep& slot)
{
    if (slot.Character != 0)
        keys_.releaseCharacter(slot.Character);
    else if (slot.Shifted)
        keys_.releaseShifted(slot.Vk);
    else
        keys_.release(slot.Vk);
    if (slot.Alt)
        keys_.release(VkMenu);
    if (slot.Shift)
        keys_.release(VkShift);
    if (slot.Ctrl)
        keys_.release(VkControl);
}

void MappingRun::pressAll()
{
    for (const SlotStep& step : steps_)
        pressSlot(step);
    holding_ = true;
}

void MappingRun::releaseAll()
{
    holding_ = false;
    for (auto step = steps_.rbegin(); step != steps_.rend(); ++step)
        releaseSlot(*step);
}

void MappingRun::start()
{
    if (finished_)
        return;
    held_ = true;
    switch (mapping_.Action) {
    case MappingAction::Hold:
    case MappingAction::Toggle:
        pressAll();
        break;
    case MappingAction::Tap:
    case MappingAction::Turbo:
        startTap();
        break;
    case MappingAction::Mode:
    case MappingAction::Layer:
        finish(); // the engine changes the mode; nothing to type
        break;
    }
}

void MappingRun::letGo()
{
    held_ = false;
    if (finished_)
        return;
    switch (mapping_.Action) {
    case MappingAction::Hold:
        releaseAll();
        finish();
        break;
    case MappingAction::Toggle:
        break;
    default:
        if (!tapping_) {
            timer_.stop();
            finish();
        }
        break;
    }
}

void MappingRun::cancel()
{
    if (finished_)
        return;
    timer_.stop();
    if (slotDown_)
        releaseSlot(steps_[size_t(slot_)]);
    slotDown_ = false;
    tapping_ = false;
    if (holding_)
        releaseAll();
    finish();
}

void MappingRun::startTap()
{
    tapping_ = true;
    slot_ = 0;
    slotDown_ = false;
    tapClock_.start();
    tapStep();
}

// Each slot goes down and, PressMs later, up; GapMs after it the next one.
// Without either, the whole tap runs at once, as in a template without them.
void MappingRun::tapStep()
{
    while (slot_ < stepCount()) {
        const SlotStep& slot = steps_[size_t(slot_)];
        if (!slotDown_) {
            pressSlot(slot);
            slotDown_ = true;
            if (mapping_.PressMs > 0) {
                timer_.start(mapping_.PressMs);
                return;
            }
        }
        releaseSlot(slot);
        slotDown_ = false;
        ++slot_;
        if (slot_ < stepCount() && mapping_.GapMs > 0) {
            timer_.start(mapping_.GapMs);
            return;
        }
    }
    afterTap();
}

void MappingRun::afterTap()
{
    tapping_ = false;
    if (held_ && repeats()) {
        // The rate counts from the start of one tap to the next.
        timer_.start(int(std::max<qint64>(0, mapping_.Rate - tapClock_.elapsed())));
        return;
    }
    finish();
}

void MappingRun::finish()
{
    if (finished_)
        return;
    finished_ = true;
    emit finished();
}

} // namespace corv
