#pragma once

#include "engine/InputState.h"
#include "engine/KeyPresser.h"
#include "engine/SlotSteps.h"
#include "platform/Joystick.h"
#include "template/RuntimeTemplate.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <algorithm>
#include <cstdint>
#include <vector>

class QEventLoop;

namespace corv
{

class KeyInjector;
class MappingRun;

// Turns joystick 1 into keystrokes by the tables of one template: the polling
// tick of a digital template, the button messages of an analog one, the mode
// switch and the keys of a slot. Everything runs on the GUI thread; the mode
// change and the analog repeat let pending events run, so a tick, a button
// message or a command can re-enter them. Whoever shows the mode listens to
// the signals; the engine itself shows nothing.
//
// A separate-inputs template is driven by the joystick's events instead:
// each input (or chord of inputs) acts on its own, and nothing is polled.
class DispatchEngine : public QObject
{
    Q_OBJECT
public:
    // Time between two polls of a digital template, and between two sends
    // of a held analog repeating button, so both device types repeat alike.
    static constexpr int PollInterval = 80;

    // The services outlive the engine; either may be null (nothing is read
    // or typed then).
    DispatchEngine(Joystick* joystick, KeyInjector* keys, QObject* parent = nullptr);
    ~DispatchEngine() override;

    // Copies the tables of a loaded template, counts clamped to the table
    // limits, in mode 1 with nothing held: every key the last tables held
    // comes up. Announces nothing.
    void LoadTables(const RuntimeTemplate& t);
    const RuntimeTemplate& Tables() const { return tables_; }

    // One poll of a digital template.
    void Tick();
    // The button messages of an analog template.
    void JoyButtonDown(uint32_t wParam);
    void JoyButtonUp(uint32_t wParam);
    // A change of the joystick, for a separate-inputs template.
    void JoystickEvent(const JoyEvent& event);

    void AdvanceMode();
    // Makes mode (1 to HighestMode) the current one, as AdvanceMode does for
    // the next one; any other number is ignored.
    void ShowMode(int32_t mode);

    // Dispatch on or off; a running repeat goes on either way.
    void SetEnabled(bool on);
    // Dispatch off for good, nothing held and every key let go: nothing is
    // typed after this, and a running repeat ends at its next wait.
    void Stop();

    int32_t CurrentMode() const { return currentMode_; }
    // The current mode's name.
    const QString& ModeName() const;
    bool DispatchEnabled() const { return dispatchEnabled_; }
    bool Stopped() const { return stopped_; }
    bool ButtonHeld() const { return buttonHeld_; }
    bool DigitalDevice() const { return tables_.DigitalDevice; }
    bool SeparateInputs() const { return tables_.SeparateInputs; }
    // Inputs of a separate-inputs template that are past their threshold now.
    InputMask ActiveInputs() const { return inputs_.active(); }
    int32_t HighestMode() const { return std::max(1, tables_.ModeCount); }

signals:
    // After every mode switch.
    void ModeChanged(int32_t mode, const QString& name);
    // When dispatch is turned on or off.
    void EnabledChanged(bool enabled);

private:
    // What one input or chord does in the current mode: button number k's
    // mapping, or the mode switch (k = 0).
    struct Binding {
        InputMask Inputs = 0;
        int32_t K = 0;
    };
    // A binding acting now, until its inputs are let go.
    struct Active {
        InputMask Inputs = 0; // 0 once let go (a toggle stays down)
        int32_t K = 0;
        int32_t Mode = 0;
        QPointer<MappingRun> Run;
        int32_t ReturnMode = 0; // a layer: the mode before it
    };

    int32_t FindButtonIndex() const;
    // Button k's mapping in the current mode, or nullptr outside the tables.
    const Mapping* CurrentMapping(int32_t k) const;
    void SendMapping(int32_t k);
    void ClearButtonHeld();

    // A mapping with the newer keys, in a combined template.
    void StartCombinedRun(int32_t k);
    // Button k's mapping in the current mode, started.
    MappingRun* StartRun(int32_t k);
    // Separate inputs.
    void RebuildBindings();
    void InputChanged(int input, bool active);
    void InputDown(int input);
    void InputUp(int input);
    void ResolveChords(bool windowPassed);
    void Fire(InputMask inputs);
    // Changes the mode, letting go of what the old one holds except what
    // the inputs keep hold of.
    void SwitchMode(int32_t mode, InputMask keep);
    // Cancels every run, held input, pending chord and toggle.
    void CancelRuns(InputMask keep = 0);

    Joystick* joystick_;
    KeyInjector* keys_;
    RuntimeTemplate tables_;
    int32_t currentMode_ = 1;
    int32_t currentButtonId_ = 0;
    bool buttonHeld_ = false;
    bool dispatchEnabled_ = false;
    bool stopped_ = false;
    // The innermost wait of an analog repeat loop; quit when the button is let go.
    QEventLoop* heldWait_ = nullptr;

    KeyPresser presser_;
    // What each mapping types, by mode and button number (from the tables).
    std::array<std::array<std::vector<SlotStep>, MaxButtons>, MaxModes> steps_;
    QPointer<MappingRun> combinedRun_;
    std::array<QPointer<MappingRun>, MaxButtons> combinedToggles_; // per button number
    InputState inputs_;
    std::vector<Binding> bindings_; // of the current mode
    InputMask chordMembers_ = 0;    // inputs of the current mode's chords
    InputMask pending_ = 0;         // down, waiting for the chord window
    std::vector<int> pendingOrder_;
    QTimer chordWindow_;
    std::vector<Active> active_;
};

} // namespace corv
