#include "engine/DispatchEngine.h"

#include "platform/KeyInjector.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>
#include <algorithm>

namespace corv
{

DispatchEngine::DispatchEngine(Joystick* joystick, KeyInjector* keys, QObject* parent)
    : QObject(parent), joystick_(joystick), keys_(keys)
{
}

DispatchEngine::~DispatchEngine()
{
    if (heldWait_)
        heldWait_->quit();
}

void DispatchEngine::LoadTables(const RuntimeTemplate& t)
{
    tables_ = t;
    tables_.ModeCount = std::clamp(t.ModeCount, 0, MaxModes);
    tables_.ButtonCount = std::clamp(t.ButtonCount, 0, MaxButtons);
    for (auto& mode : tables_.Mappings) {
        for (Mapping& m : mode)
            m.Count = std::clamp(m.Count, 0, MaxSlots);
    }
    currentMode_ = 1;
    currentButtonId_ = 0;
    ClearButtonHeld();
}

const QString& DispatchEngine::ModeName() const
{
    return tables_.ModeNames[size_t(currentMode_ - 1)];
}

const Mapping* DispatchEngine::CurrentMapping(int32_t k) const
{
    if (k < 1 || k > MaxButtons)
        return nullptr;
    return &tables_.Mappings[size_t(currentMode_ - 1)][size_t(k - 1)];
}

void DispatchEngine::ClearButtonHeld()
{
    buttonHeld_ = false;
    if (heldWait_)
        heldWait_->quit();
}

void DispatchEngine::Tick()
{
    if (stopped_)
        return;
    // Without a joystick nothing is ever pressed.
    const JoyInfo info = joystick_ ? joystick_->poll() : JoyInfo{};
    if (info.nothingPressed()) {
        ClearButtonHeld();
        return;
    }
    const int32_t id = info.buttonId();
    if (id == tables_.ModeSwitchButton && !buttonHeld_) {
        buttonHeld_ = true;
        AdvanceMode();
        return;
    }
    currentButtonId_ = id;
    const int32_t k = FindButtonIndex();
    const Mapping* mapping = CurrentMapping(k);
    if (mapping && mapping->Repeat) {
        SendMapping(k);
        return;
    }
    if (mapping && !buttonHeld_) {
        buttonHeld_ = true;
        SendMapping(k);
        return;
    }
    buttonHeld_ = true;
}

void DispatchEngine::JoyButtonDown(uint32_t wParam)
{
    if (tables_.DigitalDevice || !dispatchEnabled_ || stopped_)
        return;
    const auto id = static_cast<int32_t>(wParam);
    if (id == tables_.ModeSwitchButton) {
        AdvanceMode();
        return;
    }
    currentButtonId_ = id;
    const int32_t k = FindButtonIndex();
    if (k == 0)
        return;
    SendMapping(k);
    const Mapping* mapping = CurrentMapping(k);
    if (!mapping || !mapping->Repeat)
        return;

    // Repeat until any button is let go; the mode is read anew on every send.
    // Between sends, events run for one polling interval, so a release, a
    // tick or the hot key are handled without spinning. Once stopped every
    // wait returns at once, so the loop must end there too.
    buttonHeld_ = true;
    QPointer<DispatchEngine> self(this);
    while (true) {
        QEventLoop wait;
        QTimer pause;
        pause.setSingleShot(true);
        pause.setTimerType(Qt::PreciseTimer);
        connect(&pause, &QTimer::timeout, &wait, &QEventLoop::quit);
        pause.start(PollInterval);
        QEventLoop* outer = heldWait_;
        heldWait_ = &wait;
        wait.exec();
        if (!self)
            return;
        heldWait_ = outer;
        if (!buttonHeld_ || stopped_)
            break;
        SendMapping(k);
    }
}

void DispatchEngine::JoyButtonUp(uint32_t)
{
    if (!tables_.DigitalDevice)
        ClearButtonHeld();
}

void DispatchEngine::AdvanceMode()
{
    const int32_t next = currentMode_ + 1;
    ShowMode(next > HighestMode() ? 1 : next);
}

void DispatchEngine::ShowMode(int32_t mode)
{
    if (mode < 1 || mode > HighestMode())
        return;
    currentMode_ = mode;
    emit ModeChanged(currentMode_, ModeName());
    // Lets the new name be painted at once.
    QCoreApplication::processEvents();
}

void DispatchEngine::SetEnabled(bool on)
{
    if (stopped_ || on == dispatchEnabled_)
        return;
    dispatchEnabled_ = on;
    emit EnabledChanged(on);
}

// Says nothing: the program is ending, and nobody need show it.
void DispatchEngine::Stop()
{
    stopped_ = true;
    dispatchEnabled_ = false;
    ClearButtonHeld();
    if (keys_)
        keys_->releaseAll();
}

int32_t DispatchEngine::FindButtonIndex() const
{
    for (int32_t k = 1; k <= tables_.ButtonCount; ++k) {
        if (tables_.ButtonIds[size_t(k - 1)] == currentButtonId_)
            return k;
    }
    return 0;
}

void DispatchEngine::SendMapping(int32_t k)
{
    const Mapping* mapping = CurrentMapping(k);
    if (!mapping || !keys_ || stopped_)
        return;
    for (int32_t n = 0; n < mapping->Count; ++n) {
        const KeySlot& slot = mapping->Keys[size_t(n)];
        if (slot.Ctrl)
            keys_->keyDown(VkControl);
        if (slot.Shift)
            keys_->keyDown(VkShift);
        if (slot.Alt)
            keys_->keyDown(VkMenu);
        keys_->keyDown(slot.VirtualKey);
        keys_->keyUp(slot.VirtualKey);
        if (slot.Alt)
            keys_->keyUp(VkMenu);
        if (slot.Shift)
            keys_->keyUp(VkShift);
        if (slot.Ctrl)
            keys_->keyUp(VkControl);
    }
}

} // namespace corv
