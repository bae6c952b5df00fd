#include "runtime/TfrmMain.h"

#include "engine/SlotSteps.h"
#include "platform/FocusService.h"
#include "platform/KeyInjector.h"
#include "runtime/CorvplayIcon.h"
#include "runtime/Messages.h"
#include "runtime/TemplateChooser.h"
#include "runtime/components/TNoTask.h"
#include "runtime/components/TSuperTimer.h"
#include "runtime/components/TSysHotKey.h"
#include "runtime/components/TWinTaskbar.h"
#include "template/Colour.h"
#include "template/ProfileFile.h"
#include "template/TemplateFile.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QSettings>
#include <QWindow>
#include <algorithm>
#include <cstdio>

namespace corv
{

TfrmMain::TfrmMain(Joystick* joystick, KeyInjector* keys, HotKeyService* hotKeys, QWidget* parent)
    : QWidget(parent), lblModeString(new QLabel(QStringLiteral("Mode 1"), this)),
      SuperTimer1(new TSuperTimer(this)), SysHotKey1(new TSysHotKey(hotKeys, this)),
      WinTaskbar1(new TWinTaskbar(this)), PopupMenu1(new QMenu(this)), NoTask1(new TNoTask(this)),
      joystick_(joystick), keys_(keys), engine_(new DispatchEngine(joystick, keys, this))
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

    SuperTimer1->SetInterval(DispatchEngine::PollInterval);
    SuperTimer1->SetThreadPriority(TSuperTimer::tpNormal);
    connect(SuperTimer1, &TSuperTimer::OnTimer, this, &TfrmMain::SuperTimer1Timer);
    connect(SysHotKey1, &TSysHotKey::OnHotKey, this, &TfrmMain::SysHotKey1HotKey);
    if (joystick_) {
        connect(joystick_, &Joystick::buttonDown, this, &TfrmMain::JoyButtonDown);
        connect(joystick_, &Joystick::buttonUp, this, &TfrmMain::JoyButtonUp);
    }
    // First of the engine's listeners (slots run in the order they were
    // connected): the label and the echo are up to date before anybody else,
    // the session bus among them, hears of a change.
    connect(engine_, &DispatchEngine::ModeChanged, this, &TfrmMain::showModeChange);
    connect(engine_, &DispatchEngine::EnabledChanged, this, [this](bool enabled) {
        if (enabled)
            EchoMode();
    });
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
    if (joystick_) {
        joystick_->setMessagesWanted(false);
        joystick_->setEventsWanted(false);
    }
}

int32_t TfrmMain::CaptureJoystick()
{
    const int32_t result = joystick_ ? joystick_->capture() : int32_t(Joystick::NoDriver);
    if (result != Joystick::Captured)
        Messages::ShowMessage(QMessageBox::Critical, QStringLiteral("Error"),
                              Joystick::captureMessage(result),
                              joystick_ ? joystick_->captureError() : QString());
    // The first poll, whose result nobody needs, starts the joystick's record afresh.
    if (joystick_)
        (void)joystick_->poll();
    return result;
}

void TfrmMain::SuperTimer1Timer(QObject*)
{
    engine_->Tick();
}

void TfrmMain::JoyButtonDown(uint32_t wParam)
{
    engine_->JoyButtonDown(wParam);
}

void TfrmMain::JoyButtonUp(uint32_t wParam)
{
    engine_->JoyButtonUp(wParam);
}

void TfrmMain::SysHotKey1HotKey(QObject*, qint32)
{
    engine_->AdvanceMode();
}

void TfrmMain::AdvanceMode()
{
    engine_->AdvanceMode();
}

void TfrmMain::ShowMode(int32_t mode)
{
    engine_->ShowMode(mode);
}

void TfrmMain::showModeChange(int32_t, const QString& name)
{
    lblModeString->setText(name);
    EchoMode();
}

void TfrmMain::EchoMode()
{
    if (!modeEcho_)
        return;
    std::fprintf(modeEcho_, "mode %d %s\n", engine_->CurrentMode(),
                 engine_->ModeName().toUtf8().constData());
    std::fflush(modeEcho_);
}

void TfrmMain::RegisterModeSwitchKey()
{
    const int32_t code = engine_->Tables().ModeSwitchKey;
    if (code == RuntimeTemplate::NoSwitchKey)
        return;
    // The stored code is looked up as it is; a code the table lacks gives
    // position 0, which is no key.
    const int index = TSysHotKey::KeyIndexOfCode(code);
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

bool TfrmMain::FormCreate(QObject*)
{
    if (CaptureJoystick() != 0) {
        ExitCode = 1;
        return false;
    }
    return !engine_->Stopped() && OpenTemplate();
}

void TfrmMain::RequestShutdown(int exitCode)
{
    if (engine_->Stopped()) {
        CloseModalBox();
        return;
    }
    ExitCode = exitCode;
    if (Started) {
        close();
        return;
    }
    engine_->Stop();
    CloseModalBox();
}

void TfrmMain::CloseModalBox()
{
    if (auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
        modal->reject();
}

bool TfrmMain::OpenTemplate()
{
    if (!AutoFolder.isEmpty())
        return StartFollowing();
    TemplateFileName.clear();
    if (Arguments.size() == 1)
        TemplateFileName = Arguments.first();
    if (TemplateFileName.isEmpty()) {
        // The dialog asks when the command line named several; say why.
        const QString named =
            Arguments.isEmpty()
                ? QStringLiteral("no template named")
                : QStringLiteral("%1 templates named where one is played").arg(Arguments.size());
        if (Arguments.size() > 1 && Messages::MessageBoxes)
            qWarning("%s: choose it in the dialog", qPrintable(named));
        if (!Messages::MessageBoxes) {
            Messages::PrintMessage(named + QStringLiteral(", and no display to ask for one on"),
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

    // Read once: checked, then played.
    ProfileFile file;
    const TemplateCheck check = file.load(TemplateFileName) == ProfileFile::LoadStatus::Loaded
                                    ? CheckTemplate(file)
                                    : TemplateCheck::NotATemplate;
    if (check == TemplateCheck::NotATemplate) {
        Messages::ShowMessage(QMessageBox::Critical, QStringLiteral("Error"),
                              TemplateCheckMessage(check), TemplateCheckCause(TemplateFileName));
        ExitCode = 1;
        return false;
    }
    if (check == TemplateCheck::EarlierVersion) {
        Messages::ShowMessage(QMessageBox::Information, QStringLiteral("Information"),
                              TemplateCheckMessage(check), TemplateCheckCause(TemplateFileName));
        ExitCode = 1;
        return false;
    }

    const QScreen* screen = QGuiApplication::primaryScreen();
    const QPoint topLeft = ReadPosition(screen ? screen->geometry().width() : 0);
    setGeometry(topLeft.x(), topLeft.y(), MinWidth, MinHeight);
    loadedModified_ = QFileInfo(TemplateFileName).lastModified();
    LoadTemplate(file);
    if (engine_->Stopped()) // asked to stop while a colour error was shown
        return false;
    ShowModeWindow();
    Started = true;
    StartDispatch();
    // Fitted last: measuring the names loads the font, which need hold back
    // neither the window nor the timer. Nothing runs before the event loop
    // does, and the first tick is an interval away.
    FitModeWindow();
    return true;
}

void TfrmMain::ShowModeWindow()
{
    const bool tray = Messages::NotificationArea(); // asks the desktop: once
    if (Messages::MessageBoxes && !tray)
        Messages::PrintMessage(
            QStringLiteral("no notification area; right-click the mode window for its "
                           "menu"));
    // Disable may have been chosen from the tray while a box was shown;
    // without a tray the window is the way back, and stays.
    if (Enable1->isChecked() || !tray) {
        show();
        raise();
    }
    lblModeString->setGeometry(rect().adjusted(1, 1, -1, -1));
}

void TfrmMain::StartDispatch()
{
    SysHotKey1->SetActive(false);
    SysHotKey1->ClearHotKeys();
    const bool enabled = Enable1->isChecked();
    // A separate-inputs template acts on the joystick's events, a digital
    // one polls, an analog one takes the button messages. Idle, nothing does.
    const bool separate = engine_->SeparateInputs();
    const bool digital = engine_->DigitalDevice() && !separate;
    if (joystick_) {
        joystick_->setEventsWanted(!idle_ && separate);
        joystick_->setMessagesWanted(!idle_ && !digital && !separate);
    }
    if (idle_) {
        SuperTimer1->SetEnabled(false);
        engine_->SetEnabled(false);
        return;
    }
    RegisterModeSwitchKey();
    ApplyResponse(LoadedResponse);
    if (!enabled) {
        Disable1Click(Disable1);
        return;
    }
    lblModeString->setEnabled(true);
    WinTaskbar1->SetIcon(CorvplayIcon());
    SuperTimer1->SetEnabled(digital);
    engine_->SetEnabled(true);
}

bool TfrmMain::StartFollowing()
{
    chooser_ = new TemplateChooser(AutoFolder, this);
    QString error;
    if (!chooser_->Scan(&error)) {
        Messages::ShowMessage(QMessageBox::Critical, QStringLiteral("Error"), error);
        ExitCode = 1;
        return false;
    }
    const bool following = focus_ && focus_->available();
    if (!following) {
        // Without the focus only the folder's default can be chosen.
        if (chooser_->Choose({}, {}, {}).isEmpty()) {
            Messages::ShowMessage(
                QMessageBox::Critical, QStringLiteral("Error"),
                QStringLiteral("Cannot follow the focused window here, and %1 has no %2 to play "
                               "instead.")
                    .arg(QDir::toNativeSeparators(chooser_->Folder()),
                         TemplateChooser::DefaultName),
                QStringLiteral("Following the focus needs an X11 window manager that names the "
                               "active window."));
            ExitCode = 1;
            return false;
        }
        qWarning("cannot follow the focused window here (it needs an X11 window manager that "
                 "names the active window); playing %s",
                 qPrintable(TemplateChooser::DefaultName));
    }
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QPoint topLeft = ReadPosition(screen ? screen->geometry().width() : 0);
    setGeometry(topLeft.x(), topLeft.y(), MinWidth, MinHeight);
    ShowModeWindow();
    Started = true;
    FollowFocus();
    if (engine_->Stopped())
        return false;
    if (following)
        connect(focus_, &FocusService::focusChanged, this, &TfrmMain::FollowFocus);
    connect(chooser_, &TemplateChooser::TemplatesChanged, this, &TfrmMain::FollowFocus);
    return true;
}

QString TfrmMain::ProgramName(const FocusedWindow& window)
{
    if (!window.windowClass.isEmpty())
        return window.windowClass;
    return window.instance.isEmpty() ? window.title : window.instance;
}

void TfrmMain::FollowFocus()
{
    const FocusedWindow window =
        focus_ && focus_->available() ? focus_->current() : FocusedWindow{};
    SwitchTemplate(chooser_->Choose(window.instance, window.windowClass, window.title),
                   ProgramName(window));
}

void TfrmMain::SwitchTemplate(const QString& path, const QString& program)
{
    if (engine_->Stopped())
        return;
    const QDateTime modified = path.isEmpty() ? QDateTime() : QFileInfo(path).lastModified();
    const bool changed = path.isEmpty()
                             ? !idle_ || TemplateFileName != path
                             : idle_ || TemplateFileName != path || modified != loadedModified_;
    if (!changed) {
        if (program != program_) {
            program_ = program;
            ShowHint();
            EchoTemplate();
            emit TemplateSwitched();
        }
        return;
    }
    ProfileFile file;
    QString chosen = path;
    if (!chosen.isEmpty() && (file.load(chosen) != ProfileFile::LoadStatus::Loaded ||
                              CheckTemplate(file) != TemplateCheck::Valid)) {
        // Changed since the folder was read; it is reported there when the
        // folder is read again.
        qWarning("%s cannot be played now: %s", qPrintable(QDir::toNativeSeparators(chosen)),
                 qPrintable(TemplateCheckCause(chosen)));
        chosen.clear();
    }
    const bool wasPlaying = engine_->DispatchEnabled();
    TemplateFileName = chosen;
    loadedModified_ = modified;
    program_ = program;
    idle_ = chosen.isEmpty();
    // Loading the tables lets go of everything the last template held.
    if (idle_) {
        engine_->LoadTables(RuntimeTemplate{});
        ShowIdle();
    } else {
        LoadTemplate(file, false);
    }
    EchoTemplate();
    StartDispatch();
    ShowHint();
    FitModeWindow();
    // Turning dispatch on says the mode itself.
    if (wasPlaying && engine_->DispatchEnabled())
        EchoMode();
    emit TemplateSwitched();
}

void TfrmMain::EchoTemplate()
{
    if (!modeEcho_)
        return;
    std::fprintf(modeEcho_, "template %s for %s\n",
                 idle_ ? "none" : QFileInfo(TemplateFileName).fileName().toUtf8().constData(),
                 program_.isEmpty() ? "no window" : program_.toUtf8().constData());
    std::fflush(modeEcho_);
}

void TfrmMain::ShowIdle()
{
    lblModeString->setText(QStringLiteral("No template"));
    lblModeString->setEnabled(false);
    lblModeString->setFont(font());
    lblModeString->setPalette(palette());
    WinTaskbar1->SetIcon(CorvplayIcon(QIcon::Disabled));
}

void TfrmMain::ShowHint()
{
    if (AutoFolder.isEmpty())
        return;
    const QString program = program_.isEmpty() ? QStringLiteral("the desktop") : program_;
    WinTaskbar1->SetHint(idle_ ? QStringLiteral("Corvane: no template for %1").arg(program)
                               : QStringLiteral("Corvane: %1 for %2")
                                     .arg(QFileInfo(TemplateFileName).fileName(), program));
}

bool TfrmMain::Reload(QString* error)
{
    if (engine_->Stopped() || !Started) {
        *error = QStringLiteral("the player is still starting");
        return false;
    }
    if (chooser_) {
        if (!chooser_->Scan(error))
            return false;
        // Read again, even where the file's time did not change.
        loadedModified_ = {};
        FollowFocus();
        return true;
    }
    ProfileFile file;
    if (file.load(TemplateFileName) != ProfileFile::LoadStatus::Loaded ||
        CheckTemplate(file) != TemplateCheck::Valid) {
        *error = TemplateCheckCause(TemplateFileName);
        return false;
    }
    const bool wasPlaying = engine_->DispatchEnabled();
    loadedModified_ = QFileInfo(TemplateFileName).lastModified();
    LoadTemplate(file, false);
    StartDispatch();
    FitModeWindow();
    if (wasPlaying && engine_->DispatchEnabled())
        EchoMode();
    emit TemplateSwitched();
    return true;
}

void TfrmMain::LoadTemplate(const ProfileFile& file, bool boxes)
{
    RuntimeTemplate t;
    const RuntimeReadResult result = ReadRuntimeTemplate(file, t);
    engine_->LoadTables(t);
    // Said once per character, and played without it; following the focus,
    // once per version of each file, not at every switch to it.
    const QString version = TemplateFileName + u'@' + loadedModified_.toString(Qt::ISODateWithMs);
    const bool told = std::exchange(toldMissing_[version], true);
    for (const MissingCharacter& m :
         told ? QList<MissingCharacter>()
              : MissingCharacters(t, [this](char32_t c) { return keys_ && keys_->canType(c); }))
        qWarning("%s is not on this keyboard layout and is skipped: %s",
                 qPrintable(CharacterName(m.Character)), qPrintable(m.Places.join(u"; ")));
    lblModeString->setText(engine_->ModeName());
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
        if (engine_->Stopped())
            break;
        if (boxes)
            Messages::ShowMessage(QMessageBox::Critical, QStringLiteral("Error"), error.message());
        else
            qWarning("%s", qPrintable(error.message()));
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
    const RuntimeTemplate& tables = engine_->Tables();
    for (int m = 0; m < engine_->HighestMode(); ++m)
        textWidth = std::max(textWidth, metrics.horizontalAdvance(tables.ModeNames[size_t(m)]));
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
// The engine hears last, so everything it announces is in place by then.
void TfrmMain::Enable1Click(QObject*)
{
    if (engine_->Stopped())
        return;
    Enable1->setChecked(true);
    Disable1->setChecked(false);
    if (!Started)
        return;
    show();
    raise();
    // Idle, the window shows that no template is for the focused program.
    if (idle_)
        return;
    lblModeString->setEnabled(true);
    WinTaskbar1->SetIcon(CorvplayIcon());
    if (!engine_->SeparateInputs())
        SuperTimer1->SetEnabled(true);
    if (engine_->Tables().ModeSwitchKey != RuntimeTemplate::NoSwitchKey)
        SysHotKey1->SetActive(true);
    engine_->SetEnabled(true);
}

void TfrmMain::Disable1Click(QObject*)
{
    if (engine_->Stopped())
        return;
    Enable1->setChecked(false);
    Disable1->setChecked(true);
    if (!Started)
        return;
    // Without a notification area the window is all there is to click: it
    // stays, greyed, and its menu enables again.
    if (Messages::NotificationArea())
        hide();
    else
        lblModeString->setEnabled(false);
    WinTaskbar1->SetIcon(CorvplayIcon(QIcon::Disabled));
    SuperTimer1->SetEnabled(false);
    SysHotKey1->SetActive(false);
    engine_->SetEnabled(false);
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
        Messages::ShowMessage(QMessageBox::Critical, QStringLiteral("Error"),
                              QStringLiteral("Failed to create key %1").arg(PositionKey(width)));
}

// Every close ends the program, also one asked for by the window manager.
// The engine stops before anything else: saving the position may show a box,
// and nothing may be typed while it waits.
void TfrmMain::closeEvent(QCloseEvent* event)
{
    event->accept();
    if (engine_->Stopped())
        return;
    StopEngine();
    SavePosition();
    QCoreApplication::quit();
}

void TfrmMain::StopEngine()
{
    engine_->Stop();
    SuperTimer1->SetEnabled(false);
    SysHotKey1->SetActive(false);
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
