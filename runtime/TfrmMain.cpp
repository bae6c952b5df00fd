#include "TfrmMain.h"

#include "KeyInjector.h"
#include "TSuperTimer.h"
#include "TSysHotKey.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <algorithm>

namespace corv
{

TfrmMain::TfrmMain(Joystick* joystick, KeyInjector* keys, HotKeyService* hotKeys, QWidget* parent)
    : QWidget(parent), lblModeString(new QLabel(QStringLiteral("Mode 1"), this)),
      SuperTimer1(new TSuperTimer(this)), SysHotKey1(new TSysHotKey(hotKeys, this)),
      joystick_(joystick), keys_(keys)
{
    resize(80, 19);
    lblModeString->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    lblModeString->setGeometry(rect());

    SuperTimer1->SetInterval(PollInterval);
    SuperTimer1->SetThreadPriority(TSuperTimer::tpNormal);
    connect(SuperTimer1, &TSuperTimer::OnTimer, this, &TfrmMain::SuperTimer1Timer);
    connect(SysHotKey1, &TSysHotKey::OnHotKey, this, &TfrmMain::SysHotKey1HotKey);
    if (joystick_) {
        connect(joystick_, &Joystick::buttonDown, this, &TfrmMain::JoyButtonDown);
        connect(joystick_, &Joystick::buttonUp, this, &TfrmMain::JoyButtonUp);
    }
}

TfrmMain::~TfrmMain()
{
    // No tick may reach a half-destroyed window.
    delete SuperTimer1;
    SuperTimer1 = nullptr;
    if (heldWait_)
        heldWait_->quit();
}

void TfrmMain::LoadTables(const RuntimeTemplate& t)
{
    CurrentMode = 1;
    ModeCount = std::clamp(t.ModeCount, 0, RuntimeTemplate::MaxModes);
    ButtonCount = std::clamp(t.ButtonCount, 0, RuntimeTemplate::MaxButtons);
    ModeSwitchButton = t.ModeSwitchButton;
    TemplateDescription = t.TemplateDescription;
    ModeSwitchKey = t.ModeSwitchKey;
    DigitalDevice = t.DigitalDevice;
    ButtonIds = t.ButtonIds;
    ModeNames = t.ModeNames;
    Mappings = t.Mappings;
    for (auto& mode : Mappings) {
        for (auto& m : mode)
            m.Count = std::clamp(m.Count, 0, RuntimeTemplate::MaxSlots);
    }
    lblModeString->setText(ModeNames[0]);
}

QString TfrmMain::CaptureResultText(int32_t code)
{
    switch (code) {
    case Joystick::Captured:
        return QStringLiteral("OK");
    case Joystick::NoDriver:
    case Joystick::BadDevice:
        return QStringLiteral("Cannot detect a joystick driver");
    case Joystick::CannotCapture:
        return QStringLiteral("Cannot capture joystick input");
    case Joystick::Unplugged:
        return QStringLiteral("Cannot detect a connected joystick");
    default:
        return QStringLiteral("Undetermined joystick error");
    }
}

int32_t TfrmMain::CaptureJoystick()
{
    const int32_t result = joystick_ ? joystick_->capture() : int32_t(Joystick::NoDriver);
    const QString text = CaptureResultText(result);
    if (text != QLatin1String("OK")) {
        QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"), text, QMessageBox::Ok,
                        this);
        box.exec();
    }
    if (joystick_)
        joyInfo_ = joystick_->poll();
    return result;
}

const Mapping* TfrmMain::CurrentMapping(int32_t k) const
{
    if (k < 1 || k > RuntimeTemplate::MaxButtons || CurrentMode < 1 ||
        CurrentMode > RuntimeTemplate::MaxModes)
        return nullptr;
    return &Mappings[size_t(CurrentMode - 1)][size_t(k - 1)];
}

void TfrmMain::ClearButtonHeld()
{
    ButtonHeld = false;
    if (heldWait_)
        heldWait_->quit();
}

void TfrmMain::SuperTimer1Timer(QObject*)
{
    if (joystick_)
        joyInfo_ = joystick_->poll();
    const uint32_t buttons = joyInfo_.dwButtons;
    const uint32_t pov = joyInfo_.dwPOV;
    if (buttons == 0 && (pov == PovCentered || pov == PovCenteredAll)) {
        ClearButtonHeld();
        return;
    }
    const auto id = static_cast<int32_t>(buttons != 0 ? buttons : pov);
    if (id == ModeSwitchButton && !ButtonHeld) {
        ButtonHeld = true;
        AdvanceMode();
        return;
    }
    CurrentButtonId = id;
    const int32_t k = FindButtonIndex();
    const Mapping* mapping = CurrentMapping(k);
    if (k != 0 && mapping && mapping->Repeat) {
        SendMapping(k);
        return;
    }
    if (k != 0 && !ButtonHeld) {
        ButtonHeld = true;
        SendMapping(k);
        return;
    }
    ButtonHeld = true;
}

void TfrmMain::JoyButtonDown(uint32_t wParam)
{
    if (DigitalDevice || !DispatchEnabled)
        return;
    const auto id = static_cast<int32_t>(wParam);
    if (id == ModeSwitchButton) {
        AdvanceMode();
        return;
    }
    CurrentButtonId = id;
    const int32_t k = FindButtonIndex();
    if (k == 0)
        return;
    SendMapping(k);
    const Mapping* mapping = CurrentMapping(k);
    if (!mapping || !mapping->Repeat)
        return;

    // Repeat until any button is let go; the mode is read anew on every send.
    // Between sends, events run for one polling interval, so a release, a
    // tick or the hot key are handled without spinning.
    ButtonHeld = true;
    QPointer<TfrmMain> self(this);
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
        if (!ButtonHeld)
            break;
        SendMapping(k);
    }
}

void TfrmMain::JoyButtonUp(uint32_t)
{
    if (!DigitalDevice)
        ClearButtonHeld();
}

void TfrmMain::SysHotKey1HotKey(QObject*, qint32)
{
    AdvanceMode();
}

void TfrmMain::AdvanceMode()
{
    ++CurrentMode;
    if (CurrentMode > std::min(ModeCount, RuntimeTemplate::MaxModes) || CurrentMode < 1)
        CurrentMode = 1;
    const QString& name = ModeNames[size_t(CurrentMode - 1)];
    lblModeString->setText(name);
    if (modeEcho_) {
        std::fprintf(modeEcho_, "mode %d %s\n", CurrentMode, name.toUtf8().constData());
        std::fflush(modeEcho_);
    }
    // Paint the new name at once.
    QCoreApplication::processEvents();
}

int32_t TfrmMain::FindButtonIndex() const
{
    const int32_t count = std::min(ButtonCount, RuntimeTemplate::MaxButtons);
    for (int32_t k = 1; k <= count; ++k) {
        if (ButtonIds[size_t(k - 1)] == CurrentButtonId)
            return k;
    }
    return 0;
}

void TfrmMain::SendMapping(int32_t k)
{
    const Mapping* mapping = CurrentMapping(k);
    if (!mapping || !keys_)
        return;
    const int32_t count = std::min(mapping->Count, RuntimeTemplate::MaxSlots);
    for (int32_t n = 0; n < count; ++n) {
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

void TfrmMain::RegisterModeSwitchKey()
{
    if (ModeSwitchKey == RuntimeTemplate::NoSwitchKey)
        return;
    // The stored code is looked up as it is; a code the table lacks gives
    // position 0, which is no key.
    const int index = TSysHotKey::KeyIndexOfCode(ModeSwitchKey);
    SysHotKey1->AddHotKey(TSysHotKey::HotKey(0, static_cast<uint8_t>(index)));
    SysHotKey1->SetActive(true);
}

void TfrmMain::ApplyResponse(int32_t value)
{
    static constexpr TSuperTimer::TThreadPriority priorities[] = {
        TSuperTimer::tpIdle,        TSuperTimer::tpLowest, TSuperTimer::tpLower,
        TSuperTimer::tpNormal,      TSuperTimer::tpHigher, TSuperTimer::tpHighest,
        TSuperTimer::tpTimeCritical};
    if (value >= 0 && value <= 6)
        SuperTimer1->SetThreadPriority(priorities[value]);
}

} // namespace corv
