#pragma once

#include "Joystick.h"
#include "RuntimeTemplate.h"

#include <QWidget>
#include <array>
#include <cstdint>
#include <cstdio>

class QEventLoop;
class QLabel;

namespace corv
{

class HotKeyService;
class KeyInjector;
class TSuperTimer;
class TSysHotKey;

// The runtime's main window: owns the dispatch tables, the engine state and
// the components, and turns joystick 1 into keystrokes. Everything runs on the
// GUI thread; AdvanceMode and the analog repeat loop let pending events run,
// so ticks, button messages and the hot key can re-enter them.
class TfrmMain : public QWidget
{
    Q_OBJECT
public:
    // Time between two sends of a held analog repeating button, equal to the
    // polling interval so both device types repeat at the same rate.
    static constexpr int PollInterval = 80;
    static constexpr uint32_t PovCentered = 65535;
    static constexpr uint32_t PovCenteredAll = 0xFFFFFFFF;
    static constexpr int VkShift = 16;
    static constexpr int VkControl = 17;
    static constexpr int VkMenu = 18;

    // The services outlive the window.
    TfrmMain(Joystick* joystick, KeyInjector* keys, HotKeyService* hotKeys,
             QWidget* parent = nullptr);
    ~TfrmMain() override;

    // Dispatch tables, filled once at start-up. Arrays are 0-based: mode m is
    // index m-1, button number k is index k-1.
    int32_t ModeCount = 0;
    int32_t ButtonCount = 0;
    int32_t ModeSwitchButton = 0;
    int32_t ModeSwitchKey = 0;
    QString TemplateDescription;
    std::array<QString, RuntimeTemplate::MaxModes> ModeNames;
    std::array<int32_t, RuntimeTemplate::MaxButtons> ButtonIds{};
    std::array<std::array<Mapping, RuntimeTemplate::MaxButtons>, RuntimeTemplate::MaxModes>
        Mappings{};

    // Engine state.
    int32_t CurrentMode = 1;
    int32_t CurrentButtonId = 0;
    bool ButtonHeld = false;
    bool DigitalDevice = true;
    bool DispatchEnabled = false;

    // Components.
    QLabel* lblModeString;
    TSuperTimer* SuperTimer1;
    TSysHotKey* SysHotKey1;

    // Copies the tables and device type of a loaded template, clamping counts
    // to the table limits, and starts in mode 1.
    void LoadTables(const RuntimeTemplate& t);

    int32_t CaptureJoystick();
    void SuperTimer1Timer(QObject* Sender);
    void JoyButtonDown(uint32_t wParam);
    void JoyButtonUp(uint32_t wParam);
    void SysHotKey1HotKey(QObject* Sender, qint32 Index);
    void AdvanceMode();
    int32_t FindButtonIndex() const;
    void SendMapping(int32_t k);
    void RegisterModeSwitchKey();
    void ApplyResponse(int32_t value);

    // Text of a capture result as the user sees it; "OK" for success.
    static QString CaptureResultText(int32_t code);

    // Where AdvanceMode writes "mode <n> <name>" lines (nullptr: nowhere). A
    // dry run with the printing key backend uses stdout.
    void SetModeEcho(std::FILE* out) { modeEcho_ = out; }

private:
    // Button k's mapping in the current mode, or nullptr outside the tables.
    const Mapping* CurrentMapping(int32_t k) const;
    void ClearButtonHeld();

    Joystick* joystick_;
    KeyInjector* keys_;
    JoyInfo joyInfo_;
    std::FILE* modeEcho_ = nullptr;
    // The innermost wait of an analog repeat loop; quit when the button is let go.
    QEventLoop* heldWait_ = nullptr;
};

} // namespace corv
