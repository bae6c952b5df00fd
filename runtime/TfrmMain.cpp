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
#include <QFontMetrics>
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
    resize(MinWidth, MinHeight);
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
    // A backend that can no longer type ends the program with status 1. The
    // news comes from inside a key event, so the shutdown waits for the loop.
    if (keys_) {
        keys_->setOnLost([this] {
            QMetaObject::invokeMethod(
                this, [this] { RequestShutdown(1); }, Qt::QueuedConnection);
        });
    }
}

TfrmMain::~TfrmMain()
{
    if (keys_)
        keys_->setOnLost(nullptr);
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
    return code == Joystick::Captured ? QStringLiteral("OK") : Joystick::captureMessage(code);
}

int32_t TfrmMain::CaptureJoystick()
{
    const int32_t result = joystick_ ? joystick_->capture() : int32_t(Joystick::NoDriver);
    const QString text = CaptureResultText(result);
    if (text != QLatin1String("OK"))
        ShowMessage(QMessageBox::Critical, QStringLiteral("Error"), text,
                    joystick_ ? joystick_->captureError() : QString());
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
    if (shuttingDown_)
        return;
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
    if (DigitalDevice || !DispatchEnabled || shuttingDown_)
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
    // tick or the hot key are handled without spinning. Once shutdown is
    // asked every wait returns at once, so the loop must end there too.
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
        if (!ButtonHeld || shuttingDown_)
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
    ShowMode(next > HighestMode() || next < 1 ? 1 : next);
}

void TfrmMain::ShowMode(int32_t mode)
{
    CurrentMode = mode;
    const QString& name = ModeNames[size_t(CurrentMode - 1)];
    lblModeString->setText(name);
    EchoMode();
    emit ModeChanged(CurrentMode, name);
    // Paint the new name at once.
    QCoreApplication::processEvents();
}

void TfrmMain::EchoMode()
{
    if (!modeEcho_ || CurrentMode < 1 || CurrentMode > RuntimeTemplate::MaxModes)
        return;
    std::fprintf(modeEcho_, "mode %d %s\n", CurrentMode,
                 ModeNames[size_t(CurrentMode - 1)].toUtf8().constData());
    std::fflush(modeEcho_);
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
    if (!mapping || !keys_ || shuttingDown_)
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

void TfrmMain::PrintMessage(const QString& text, const QString& hint)
{
    // As every other line on standard error: the program's message pattern
    // puts "corvplay: " in front.
    qWarning("%s", qUtf8Printable(text));
    if (!hint.isEmpty())
        qWarning("%s", qUtf8Printable(hint));
}

void TfrmMain::ShowMessage(QMessageBox::Icon icon, const QString& title, const QString& text,
                           const QString& hint)
{
    PrintMessage(text, hint);
    if (!MessageBoxes)
        return;
    QMessageBox box(icon, title, text, QMessageBox::Ok);
    box.setInformativeText(hint);
    box.exec();
}

bool TfrmMain::FormCreate(QObject*)
{
    if (CaptureJoystick() != 0) {
        ExitCode = 1;
        return false;
    }
    return !shuttingDown_ && OpenTemplate();
}

void TfrmMain::RequestShutdown(int exitCode)
{
    if (shuttingDown_) {
        CloseModalBox();
        return;
    }
    ExitCode = exitCode;
    if (Started) {
        close();
        return;
    }
    shuttingDown_ = true;
    CloseModalBox();
}

void TfrmMain::CloseModalBox()
{
    if (auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
        modal->reject();
}

bool TfrmMain::OpenTemplate()
{
    TemplateFileName.clear();
    if (Arguments.size() == 1)
        TemplateFileName = Arguments.first();
    if (TemplateFileName.isEmpty()) {
        if (!MessageBoxes) {
            PrintMessage(QStringLiteral("no template named, and no display to ask for one on"),
                         QStringLiteral("usage: corvplay [options] template.joy"));
            ExitCode = 1;
            return false;
        }
        QFileDialog dlgOpen(nullptr, QStringLiteral("Open Joystick File"));
        dlgOpen.setNameFilters(
            {QStringLiteral("Joystick File (*.joy)"), QStringLiteral("Any File (*.*)")});
        dlgOpen.setDefaultSuffix(QStringLiteral("joy"));
        dlgOpen.setFileMode(QFileDialog::ExistingFile);
        dlgOpen.setAcceptMode(QFileDialog::AcceptOpen);
        if (dlgOpen.exec() != QDialog::Accepted || dlgOpen.selectedFiles().isEmpty())
            return false;
        TemplateFileName = dlgOpen.selectedFiles().first();
    }

    const TemplateCheck check = CheckTemplateFile(TemplateFileName);
    if (check == TemplateCheck::NotATemplate) {
        ShowMessage(QMessageBox::Critical, QStringLiteral("Error"), TemplateCheckMessage(check),
                    TemplateCheckCause(TemplateFileName));
        ExitCode = 1;
        return false;
    }
    if (check == TemplateCheck::EarlierVersion) {
        ShowMessage(QMessageBox::Information, QStringLiteral("Information"),
                    TemplateCheckMessage(check), TemplateCheckCause(TemplateFileName));
        ExitCode = 1;
        return false;
    }

    const QScreen* screen = QGuiApplication::primaryScreen();
    const QPoint topLeft = ReadPosition(screen ? screen->geometry().width() : 0);
    setGeometry(topLeft.x(), topLeft.y(), MinWidth, MinHeight);
    LoadTemplate();
    if (shuttingDown_) // asked to stop while a colour error was shown
        return false;
    const bool tray = NotificationArea(); // asks the desktop: once
    if (MessageBoxes && !tray)
        PrintMessage(QStringLiteral("no notification area; right-click the mode window for its "
                                    "menu"));
    // Disable may have been chosen from the tray while a box was shown;
    // without a tray the window is the way back, and stays.
    const bool enabled = Enable1->isChecked();
    if (enabled || !tray) {
        show();
        raise();
    }
    ButtonHeld = false;
    lblModeString->setGeometry(rect().adjusted(1, 1, -1, -1));
    RegisterModeSwitchKey();
    ApplyResponse(LoadedResponse);
    if (!DigitalDevice && joystick_)
        joystick_->setMessagesWanted(true); // a digital template polls instead
    Started = true;
    if (!enabled) {
        Disable1Click(Disable1);
    } else {
        DispatchEnabled = true;
        EchoMode();
        if (DigitalDevice)
            SuperTimer1->SetEnabled(true);
        emit EnabledChanged(true);
    }
    // Fitted last: measuring the names loads the font, which need hold back
    // neither the window nor the timer. Nothing runs before the event loop
    // does, and the first tick is an interval away.
    FitModeWindow();
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
    for (const ColourError& error : result.ColourErrors) {
        if (shuttingDown_)
            break;
        ShowMessage(QMessageBox::Critical, QStringLiteral("Error"), error.message());
    }
    setModeWindowColour(QPalette::Window, t.BackColour);
    setModeWindowColour(QPalette::WindowText, t.ForeColour);
    // Disabled, the name is drawn halfway between its colour and the
    // background's, whatever the template's colours.
    QPalette pal = lblModeString->palette();
    const QColor text = pal.color(QPalette::Active, QPalette::WindowText);
    const QColor back = pal.color(QPalette::Active, QPalette::Window);
    pal.setColor(QPalette::Disabled, QPalette::WindowText,
                 QColor((text.red() + back.red()) / 2, (text.green() + back.green()) / 2,
                        (text.blue() + back.blue()) / 2));
    lblModeString->setPalette(pal);
}

void TfrmMain::FitModeWindow()
{
    // Sized once for the longest name of the modes in use, so the window
    // does not jump about as the modes change. The label sits inside a
    // one-pixel frame and keeps a little air at its sides.
    const QFontMetrics metrics(lblModeString->font());
    int textWidth = 0;
    for (int m = 0; m < HighestMode(); ++m)
        textWidth = std::max(textWidth, metrics.horizontalAdvance(ModeNames[size_t(m)]));
    QRect area(pos(), QSize(std::max(MinWidth, textWidth + 2 + 8),
                            std::max(MinHeight, metrics.height() + 2)));
    // It grows to the right and down, and comes back onto the screen if
    // that takes it past an edge.
    const QScreen* screen = QGuiApplication::screenAt(pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen) {
        const QRect available = screen->availableGeometry();
        if (area.right() > available.right())
            area.moveRight(available.right());
        if (area.bottom() > available.bottom())
            area.moveBottom(available.bottom());
        area.moveTopLeft(
            {std::max(area.left(), available.left()), std::max(area.top(), available.top())});
    }
    setGeometry(area);
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

// While start-up still shows a box, Enable and Disable only record the
// choice; start-up applies it when it ends.
void TfrmMain::Enable1Click(QObject*)
{
    if (shuttingDown_)
        return;
    Enable1->setChecked(true);
    Disable1->setChecked(false);
    if (!Started)
        return;
    const bool wasOff = !DispatchEnabled;
    DispatchEnabled = true;
    lblModeString->setEnabled(true);
    WinTaskbar1->SetIcon(CorvplayIcon());
    show();
    raise();
    if (wasOff)
        EchoMode();
    SuperTimer1->SetEnabled(true);
    if (ModeSwitchKey != RuntimeTemplate::NoSwitchKey)
        SysHotKey1->SetActive(true);
    if (wasOff)
        emit EnabledChanged(true);
}

void TfrmMain::Disable1Click(QObject*)
{
    if (shuttingDown_)
        return;
    Enable1->setChecked(false);
    Disable1->setChecked(true);
    if (!Started)
        return;
    const bool wasOn = DispatchEnabled;
    DispatchEnabled = false;
    // Without a notification area the window is all there is to click: it
    // stays, greyed, and its menu enables again.
    if (NotificationArea())
        hide();
    else
        lblModeString->setEnabled(false);
    WinTaskbar1->SetIcon(CorvplayIcon(QIcon::Disabled));
    SuperTimer1->SetEnabled(false);
    SysHotKey1->SetActive(false);
    if (wasOn)
        emit EnabledChanged(false);
}

void TfrmMain::Shutdown1Click(QObject*)
{
    RequestShutdown();
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
// The engine stops before anything else: saving the position may show a box,
// and nothing may be typed while it waits.
void TfrmMain::closeEvent(QCloseEvent* event)
{
    event->accept();
    if (shuttingDown_)
        return;
    shuttingDown_ = true;
    StopEngine();
    SavePosition();
    QCoreApplication::quit();
}

void TfrmMain::StopEngine()
{
    DispatchEnabled = false;
    SuperTimer1->SetEnabled(false);
    SysHotKey1->SetActive(false);
    ClearButtonHeld();
    if (keys_)
        keys_->releaseAll();
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
