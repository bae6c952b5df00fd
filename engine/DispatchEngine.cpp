#include "engine/DispatchEngine.h"

#include "engine/MappingRun.h"
#include "engine/SlotSteps.h"
#include "platform/KeyInjector.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>
#include <algorithm>

namespace corv
{

DispatchEngine::DispatchEngine(Joystick* joystick, KeyInjector* keys, QObject* parent)
    : QObject(parent), joystick_(joystick), keys_(keys), presser_(keys)
{
    chordWindow_.setSingleShot(true);
    chordWindow_.setTimerType(Qt::PreciseTimer);
    connect(&chordWindow_, &QTimer::timeout, this, [this] { ResolveChords(true); });
    if (joystick_)
        connect(joystick_, &Joystick::joyEvent, this, &DispatchEngine::JoystickEvent);
}

DispatchEngine::~DispatchEngine()
{
    if (heldWait_)
        heldWait_->quit();
    // The runs let go of their keys through presser_, which goes before
    // the children would.
    qDeleteAll(findChildren<MappingRun*>(Qt::FindDirectChildrenOnly));
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
    CancelRuns();
    // Another template may be loaded while this one holds keys: nothing it
    // held may stay down.
    presser_.releaseAll();
    if (keys_)
        keys_->releaseAll();
    inputs_.clear();
    std::array<int32_t, MaxAxes> thresholds{};
    for (size_t axis = 0; axis < thresholds.size(); ++axis)
        thresholds[axis] = tables_.AxisThresholds[axis] != 0 ? tables_.AxisThresholds[axis]
                                                             : tables_.AxisThreshold;
    inputs_.setThresholds(thresholds, RuntimeTemplate::AxisHysteresis);
    // What each mapping types, worked out once rather than on every send.
    if (keys_)
        keys_->setPositional(tables_.KeysByPosition);
    const bool characters = keys_ && keys_->typesCharacters() && !tables_.KeysByPosition;
    for (size_t m = 0; m < steps_.size(); ++m) {
        for (size_t k = 0; k < steps_[m].size(); ++k)
            steps_[m][k] = MappingSteps(tables_.Mappings[m][k], characters);
    }
    RebuildBindings();
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
    if (combinedRun_)
        combinedRun_->letGo();
    combinedRun_ = nullptr;
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
    // Let go and pressed again since the last poll: a new press.
    if (info.pressedAgain)
        ClearButtonHeld();
    const int32_t id = info.buttonId();
    // Another state than the one a run started on: its button was let go.
    if (combinedRun_ && id != currentButtonId_) {
        combinedRun_->letGo();
        combinedRun_ = nullptr;
    }
    if (id == tables_.ModeSwitchButton && !buttonHeld_) {
        buttonHeld_ = true;
        AdvanceMode();
        return;
    }
    currentButtonId_ = id;
    const int32_t k = FindButtonIndex();
    const Mapping* mapping = CurrentMapping(k);
    if (mapping && !mapping->isPlain()) {
        if (!buttonHeld_) {
            buttonHeld_ = true;
            StartCombinedRun(k);
        }
        return;
    }
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
    const Mapping* mapping = CurrentMapping(k);
    if (mapping && !mapping->isPlain()) {
        // Timed by its run, which ends when any button is let go.
        ClearButtonHeld();
        buttonHeld_ = true;
        StartCombinedRun(k);
        return;
    }
    SendMapping(k);
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
    SwitchMode(mode, 0);
}

void DispatchEngine::SwitchMode(int32_t mode, InputMask keep)
{
    if (mode < 1 || mode > HighestMode())
        return;
    CancelRuns(keep);
    currentMode_ = mode;
    RebuildBindings();
    emit ModeChanged(currentMode_, ModeName());
    // Lets the new name be painted at once. A separate-inputs template is
    // back in the event loop as soon as this returns, and must not take the
    // next event in the middle of the one that changed the mode.
    if (!tables_.SeparateInputs)
        QCoreApplication::processEvents();
}

void DispatchEngine::SetEnabled(bool on)
{
    if (stopped_ || on == dispatchEnabled_)
        return;
    dispatchEnabled_ = on;
    if (!on)
        CancelRuns();
    emit EnabledChanged(on);
}

// Says nothing: the program is ending, and nobody need show it.
void DispatchEngine::Stop()
{
    stopped_ = true;
    dispatchEnabled_ = false;
    ClearButtonHeld();
    CancelRuns();
    presser_.releaseAll();
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
    for (const SlotStep& step : steps_[size_t(currentMode_ - 1)][size_t(k - 1)])
        TypeStep(*keys_, step);
}

MappingRun* DispatchEngine::StartRun(int32_t k)
{
    auto* run = new MappingRun(*CurrentMapping(k), steps_[size_t(currentMode_ - 1)][size_t(k - 1)],
                               presser_, this);
    connect(run, &MappingRun::finished, run, &QObject::deleteLater);
    run->start();
    return run;
}

void DispatchEngine::StartCombinedRun(int32_t k)
{
    const Mapping* mapping = CurrentMapping(k);
    if (!mapping || !keys_ || stopped_)
        return;
    QPointer<MappingRun>& toggle = combinedToggles_[size_t(k - 1)];
    if (mapping->Action == MappingAction::Toggle && toggle && !toggle->isFinished()) {
        toggle->cancel(); // the second press lets go
        return;
    }
    combinedRun_ = StartRun(k);
    if (mapping->Action == MappingAction::Toggle)
        toggle = combinedRun_;
}

void DispatchEngine::CancelRuns(InputMask keep)
{
    std::vector<Active> kept;
    for (const Active& a : active_) {
        if (a.Inputs & keep)
            kept.push_back(a);
    }
    active_ = kept;
    pending_ &= keep;
    if (!pending_) {
        pendingOrder_.clear();
        chordWindow_.stop();
    }
    combinedRun_ = nullptr;
    // Every run, also a tap still playing after its input was let go.
    for (MappingRun* run : findChildren<MappingRun*>(Qt::FindDirectChildrenOnly)) {
        const bool isKept =
            std::any_of(kept.begin(), kept.end(), [run](const Active& a) { return a.Run == run; });
        if (!isKept)
            run->cancel();
    }
}

void DispatchEngine::RebuildBindings()
{
    bindings_.clear();
    chordMembers_ = 0;
    if (!tables_.SeparateInputs)
        return;
    // The mode switch first: of two bindings of one input the first acts.
    if (tables_.ModeSwitchInput)
        bindings_.push_back({tables_.ModeSwitchInput, 0});
    for (int32_t k = 1; k <= tables_.ButtonCount; ++k) {
        const InputMask inputs = tables_.Inputs[size_t(k - 1)];
        const Mapping* mapping = CurrentMapping(k);
        const bool switches =
            mapping->Action == MappingAction::Mode || mapping->Action == MappingAction::Layer;
        // A mapping that types nothing leaves its input to the others.
        if (inputs && (mapping->Count > 0 || !mapping->Text.isEmpty() || switches))
            bindings_.push_back({inputs, k});
    }
    // Largest chords first, so that B1+B2+B3 wins over B1+B2.
    std::stable_sort(bindings_.begin(), bindings_.end(), [](const Binding& a, const Binding& b) {
        return InputMemberCount(a.Inputs) > InputMemberCount(b.Inputs);
    });
    for (const Binding& b : bindings_) {
        if (InputMemberCount(b.Inputs) > 1)
            chordMembers_ |= b.Inputs;
    }
}

void DispatchEngine::JoystickEvent(const JoyEvent& event)
{
    if (!tables_.SeparateInputs || stopped_)
        return;
    if (event.kind == JoyEvent::Removed) {
        // A toggle or a tap still playing is held by no input.
        inputs_.clear();
        CancelRuns();
        return;
    }
    // The state is settled before anything acts on it.
    std::vector<std::pair<int, bool>> changes;
    inputs_.apply(event,
                  joystick_ && event.kind == JoyEvent::Axis ? joystick_->axisRest(event.index) : 0,
                  [&changes](int input, bool on) { changes.emplace_back(input, on); });
    for (const auto& [input, on] : changes)
        InputChanged(input, on);
}

void DispatchEngine::InputChanged(int input, bool active)
{
    if (active)
        InputDown(input);
    else
        InputUp(input);
}

void DispatchEngine::InputDown(int input)
{
    if (!dispatchEnabled_ || stopped_)
        return;
    const InputMask bit = inputBit(input);
    if ((chordMembers_ & bit) && tables_.ChordMs > 0) {
        pending_ |= bit;
        pendingOrder_.push_back(input);
        if (!chordWindow_.isActive())
            chordWindow_.start(tables_.ChordMs);
        ResolveChords(false);
        return;
    }
    Fire(bit);
}

void DispatchEngine::InputUp(int input)
{
    const InputMask bit = inputBit(input);
    if (pending_ & bit) {
        // Let go before the chord window passed: it acts at once, as a tap.
        pending_ &= ~bit;
        std::erase(pendingOrder_, input);
        if (!pending_)
            chordWindow_.stop();
        Fire(bit);
    }
    int32_t returnMode = 0;
    std::vector<QPointer<MappingRun>> letGo;
    for (Active& a : active_) {
        if (!(a.Inputs & bit))
            continue;
        a.Inputs = 0; // a chord ends with the first of its inputs let go
        if (a.Run)
            letGo.push_back(a.Run);
        if (a.ReturnMode)
            returnMode = a.ReturnMode;
    }
    std::erase_if(active_, [](const Active& a) {
        return a.Inputs == 0 &&
               (!a.Run || a.Run->isFinished() || a.Run->action() != MappingAction::Toggle);
    });
    for (const QPointer<MappingRun>& run : letGo) {
        if (run)
            run->letGo();
    }
    if (returnMode)
        SwitchMode(returnMode, 0);
}

void DispatchEngine::ResolveChords(bool windowPassed)
{
    const InputMask down = inputs_.active();
    bool fired = true;
    while (fired && pending_) {
        fired = false;
        for (const Binding& b : std::vector<Binding>(bindings_)) {
            if (InputMemberCount(b.Inputs) < 2 || (b.Inputs & ~pending_))
                continue;
            // A larger chord whose other inputs may still come down waits
            // for the window.
            const bool mayGrow =
                !windowPassed &&
                std::any_of(bindings_.begin(), bindings_.end(), [&](const Binding& d) {
                    return d.Inputs != b.Inputs && (d.Inputs & b.Inputs) == b.Inputs &&
                           (d.Inputs & down & ~pending_) == 0;
                });
            if (mayGrow)
                continue;
            pending_ &= ~b.Inputs;
            std::erase_if(pendingOrder_, [&](int i) { return b.Inputs & inputBit(i); });
            Fire(b.Inputs);
            fired = true;
            break;
        }
    }
    if (windowPassed) {
        // No chord: each input acts on its own, in the order it came down.
        const std::vector<int> order = std::exchange(pendingOrder_, {});
        const InputMask left = std::exchange(pending_, 0);
        for (int input : order) {
            if (left & inputBit(input))
                Fire(inputBit(input));
        }
    }
    if (!pending_)
        chordWindow_.stop();
}

void DispatchEngine::Fire(InputMask inputs)
{
    const auto found = std::find_if(bindings_.begin(), bindings_.end(),
                                    [inputs](const Binding& b) { return b.Inputs == inputs; });
    if (found == bindings_.end())
        return;
    const Binding binding = *found;
    if (binding.K == 0) {
        const int32_t next = currentMode_ + 1;
        SwitchMode(next > HighestMode() ? 1 : next, inputs);
        return;
    }
    const Mapping mapping = *CurrentMapping(binding.K);
    switch (mapping.Action) {
    case MappingAction::Mode:
        SwitchMode(mapping.TargetMode, inputs);
        return;
    case MappingAction::Layer:
        if (mapping.TargetMode < 1 || mapping.TargetMode > HighestMode())
            return;
        active_.push_back({inputs, binding.K, currentMode_, nullptr, currentMode_});
        SwitchMode(mapping.TargetMode, inputs);
        return;
    case MappingAction::Toggle: {
        const auto on = std::find_if(active_.begin(), active_.end(), [&](const Active& a) {
            return a.K == binding.K && a.Mode == currentMode_ && a.Run && !a.Run->isFinished() &&
                   a.Run->action() == MappingAction::Toggle;
        });
        if (on != active_.end()) {
            const QPointer<MappingRun> run = on->Run;
            active_.erase(on);
            run->cancel();
            return;
        }
        break;
    }
    default:
        break;
    }
    if (!keys_)
        return;
    MappingRun* run = StartRun(binding.K);
    if (!run->isFinished())
        active_.push_back({inputs, binding.K, currentMode_, run, 0});
}

} // namespace corv
