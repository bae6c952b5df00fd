#include "TfrmMain.h"

#include "Colour.h"
#include "CorvplayIcon.h"
#include "KeyInjector.h"
#include "TNoTask.h"
#include "TSuperTimer.h"
#include "TSysHotKey.h"
#include "TWinTaskbar.h"
#include "TemplateFile.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QEventLoop>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QSettings>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <cstdio>

namespace corv
{

TfrmMain::TfrmMain(Joystick* joystick, KeyInjector* keys, HotKeyService* hotKeys, QWidget* parent)
    : QWidget(parent), lblModeString(new QLabel(QStringLiteral("Mode 1"), this)),
      SuperTimer1(new TSuperTimer(this)), SysHotKey1(new TSysHotKey(hotKeys, this)),
      WinTaskbar1(new TWinTaskbar(this)), PopupMenu1(new QMenu(this)), NoTask1(new TNoTask(this)),
      joystick_(joystick), keys_(keys)
{
    // A small always-on-top label that never takes the keyboard focus: the
    // keystrokes it sends must reach the game.
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                   Qt::WindowDoesNotAcceptFocus);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWindowTitle(QStringLiteral("Corvane"));
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    resize(80, 19);
    lblModeString->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    lblModeString->setAutoFillBackground(true);
    lblModeString->setGeometry(rect().adjusted(1, 1, -1, -1));

    Enable1 = PopupMenu1->addAction(QStringLiteral("Enable/Show Mode Window"));
    Enable1->setCheckable(true);
    Enable1->setChecked(true);
    Disable1 = PopupMenu1->addAction(QStringLiteral("Disable/Hide Mode Window"));
    Disable1->setCheckable(true);
    N1 = PopupMenu1->addSeparator();
    Shutdown1 = PopupMenu1->addAction(QStringLiteral("Shutdown CORVPLAY"));
    N2 = PopupMenu1->addSeparator();
    Cancel1 = PopupMenu1->addAction(QStringLiteral("Cancel"));
    connect(Enable1, &QAction::triggered, this, [this] { Enable1Click(Enable1); });
    connect(Disable1, &QAction::triggered, this, [this] { Disable1Click(Disable1); });
    connect(Shutdown1, &QAction::triggered, this, [this] { Shutdown1Click(Shutdown1); });

    WinTaskbar1->SetHint(QStringLiteral("Corvane"));
    WinTaskbar1->SetIcon(CorvplayIcon());
    WinTaskbar1->SetPopUpMenu(PopupMenu1);
    WinTaskbar1->SetShowIcon(true);
    NoTask1->SetHideForm(true);

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
    if (joystick_)
        joystick_->setMessagesWanted(false);
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
    if (text != QLatin1String("OK"))
        ShowMessage(QMessageBox::Critical, QStringLiteral("Error"), text);
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
    const int32_t next = CurrentMode + 1;
    ShowMode(next > std::min(ModeCount, RuntimeTemplate::MaxModes) || next < 1 ? 1 : next);
}

void TfrmMain::ShowMode(int32_t mode)
{
    CurrentMode = mode;
    const QString& name = ModeNames[size_t(CurrentMode - 1)];
    lblModeString->setText(name);
    if (modeEcho_) {
        std::fprintf(modeEcho_, "mode %d %s\n", CurrentMode, name.toUtf8().constData());
        std::fflush(modeEcho_);
    }
    emit ModeChanged(CurrentMode, name);
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

void TfrmMain::ShowMessage(QMessageBox::Icon icon, const QString& title, const QString& text)
{
    std::fprintf(stderr, "corvplay: %s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
    if (!MessageBoxes)
        return;
    QMessageBox box(icon, title, text, QMessageBox::Ok);
    box.exec();
}

bool TfrmMain::FormCreate(QObject*)
{
    if (CaptureJoystick() != 0) {
        ExitCode = 1;
        return false;
    }
    return !shutdownRequested_ && OpenTemplate();
}

void TfrmMain::RequestShutdown()
{
    if (Started) {
        Shutdown1Click(nullptr);
        return;
    }
    shutdownRequested_ = true;
    ExitCode = 0;
    if (auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
        modal->reject();
}

bool TfrmMain::OpenTemplate()
{
    TemplateFileName.clear();
    if (Arguments.size() == 1)
        TemplateFileName = Arguments.first();
    if (TemplateFileName.isEmpty()) {
        QFileDialog dlgOpen(nullptr, QStringLiteral("Open Joystick File"));
        dlgOpen.setNameFilters(
            {QStringLiteral("Joystick File (*.joy)"), QStringLiteral("Any File (*.*)")});
        dlgOpen.setDefaultSuffix(QStringLiteral("joy"));
        dlgOpen.setFileMode(QFileDialog::ExistingFile);
        dlgOpen.setAcceptMode(QFileDialog::AcceptOpen);
        if (dlgOpen.exec() != QDialog::Accepted || dlgOpen.selectedFiles().isEmpty()) {
            ExitCode = 0;
            return false;
        }
        TemplateFileName = dlgOpen.selectedFiles().first();
    }

    const TemplateCheck check = CheckTemplateFile(TemplateFileName);
    if (check == TemplateCheck::NotATemplate) {
        ShowMessage(QMessageBox::Critical, QStringLiteral("Error"), TemplateCheckMessage(check));
        ExitCode = 1;
        return false;
    }
    if (check == TemplateCheck::EarlierVersion) {
        ShowMessage(QMessageBox::Information, QStringLiteral("Information"),
                    TemplateCheckMessage(check));
        ExitCode = 1;
        return false;
    }

    const QScreen* screen = QGuiApplication::primaryScreen();
    const QPoint topLeft = ReadPosition(screen ? screen->geometry().width() : 0);
    setGeometry(topLeft.x(), topLeft.y(), 80, 19);
    LoadTemplate();
    if (shutdownRequested_) // asked to stop while a colour error was shown
        return false;
    show();
    raise();
    ButtonHeld = false;
    lblModeString->setGeometry(rect().adjusted(1, 1, -1, -1));
    RegisterModeSwitchKey();
    ApplyResponse(LoadedResponse);
    DispatchEnabled = true;
    if (DigitalDevice)
        SuperTimer1->SetEnabled(true);
    else if (joystick_)
        joystick_->setMessagesWanted(true); // a digital template polls instead
    Started = true;
    return true;
}

void TfrmMain::LoadTemplate()
{
    RuntimeTemplate t;
    const RuntimeReadResult result = ReadRuntimeTemplate(TemplateFileName, t);
    LoadTables(t);
    LoadedResponse = t.Response;

    QFont font = lblModeString->font();
    font.setFamily(t.FontName.left(255));
    if (t.FontSize > 0)
        font.setPointSize(t.FontSize);
    font.setBold(t.FontBold);
    font.setItalic(t.FontItalic);
    lblModeString->setFont(font);

    // A colour the window cannot draw is reported, and the window keeps its
    // own colour; start-up goes on.
    for (const ColourError& error : result.ColourErrors)
        ShowMessage(QMessageBox::Critical, QStringLiteral("Error"), error.message());
    setModeWindowColour(QPalette::Window, t.BackColour);
    setModeWindowColour(QPalette::WindowText, t.ForeColour);
}

void TfrmMain::setModeWindowColour(QPalette::ColorRole role, const QString& text)
{
    const std::optional<ColourValue> colour = ParseColourText(text);
    QPalette pal = lblModeString->palette();
    const QPalette system = palette();
    if (!colour) {
        pal.setColor(role, system.color(role));
    } else if (colour->SystemColour == ColourValue::System::BtnFace) {
        pal.setColor(role, system.color(QPalette::Button));
    } else if (colour->SystemColour == ColourValue::System::WindowText) {
        pal.setColor(role, system.color(QPalette::WindowText));
    } else {
        const uint32_t v = colour->Value;
        pal.setColor(role, QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF)));
    }
    lblModeString->setPalette(pal);
}

void TfrmMain::Enable1Click(QObject*)
{
    DispatchEnabled = true;
    show();
    raise();
    Enable1->setChecked(true);
    Disable1->setChecked(false);
    SuperTimer1->SetEnabled(true);
    if (ModeSwitchKey != RuntimeTemplate::NoSwitchKey)
        SysHotKey1->SetActive(true);
}

void TfrmMain::Disable1Click(QObject*)
{
    DispatchEnabled = false;
    hide();
    Enable1->setChecked(false);
    Disable1->setChecked(true);
    SuperTimer1->SetEnabled(false);
    SysHotKey1->SetActive(false);
}

void TfrmMain::Shutdown1Click(QObject*)
{
    close();
}

QString TfrmMain::PositionKey(int screenWidth)
{
    return QStringLiteral("KVR-%1").arg(screenWidth);
}

QPoint TfrmMain::ReadPosition(int screenWidth)
{
    QSettings store(QStringLiteral("Corvane"), QStringLiteral("corvplay"));
    store.beginGroup(PositionKey(screenWidth));
    bool topOk = false;
    bool leftOk = false;
    const int top = store.value(QStringLiteral("Top")).toInt(&topOk);
    const int left = store.value(QStringLiteral("Left")).toInt(&leftOk);
    return {leftOk ? left : 0, topOk ? top : 0};
}

bool TfrmMain::WritePosition(int screenWidth, const QPoint& topLeft)
{
    QSettings store(QStringLiteral("Corvane"), QStringLiteral("corvplay"));
    store.beginGroup(PositionKey(screenWidth));
    store.setValue(QStringLiteral("Top"), topLeft.y());
    store.setValue(QStringLiteral("Left"), topLeft.x());
    store.endGroup();
    store.sync();
    return store.status() == QSettings::NoError;
}

void TfrmMain::SavePosition()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int width = screen ? screen->geometry().width() : 0;
    // A store that cannot be written must not keep the user from quitting.
    if (!WritePosition(width, pos()))
        ShowMessage(QMessageBox::Critical, QStringLiteral("Error"),
                    QStringLiteral("Failed to create key %1").arg(PositionKey(width)));
}

// Every close ends the program, also one asked for by the window manager.
void TfrmMain::closeEvent(QCloseEvent* event)
{
    SavePosition();
    event->accept();
    // An analog button's repeat loop runs until the button is let go; once
    // quit is asked its waits return at once, so it must be ended first.
    ClearButtonHeld();
    QCoreApplication::quit();
}

// The same menu as the tray icon's, so the program can be shut down where no
// notification area exists.
void TfrmMain::contextMenuEvent(QContextMenuEvent* event)
{
    PopupMenu1->popup(event->globalPos());
}

// The window has no caption bar: it is dragged from anywhere, by the window
// manager where one answers, otherwise by hand.
void TfrmMain::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (windowHandle() && windowHandle()->startSystemMove())
        return;
    dragging_ = true;
    dragOffset_ = event->globalPosition().toPoint() - pos();
}

void TfrmMain::mouseMoveEvent(QMouseEvent* event)
{
    if (dragging_)
        move(event->globalPosition().toPoint() - dragOffset_);
}

void TfrmMain::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        dragging_ = false;
}

void TfrmMain::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setPen(palette().color(QPalette::Dark));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void TfrmMain::resizeEvent(QResizeEvent*)
{
    lblModeString->setGeometry(rect().adjusted(1, 1, -1, -1));
}

} // namespace corv
