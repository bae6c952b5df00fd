#include "editor/TfrmMain.h"

#include "editor/HintSwitch.h"
#include "editor/Manual.h"
#include "editor/MessageBox.h"
#include "editor/RecentFiles.h"
#include "editor/TemplateStore.h"
#include "editor/TfrmSelect.h"
#include "editor/ToolbarButton.h"
#include "engine/InputCapture.h"
#include "platform/Joystick.h"
#include "template/TemplateFile.h"
#include "widgets/TExplorerButton.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPointer>
#include <QScopeGuard>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <cstdio>

namespace corv::editor
{

namespace
{

const QString Information = QStringLiteral("Information");
const QString Confirm = QStringLiteral("Confirm");
const QString Warning = QStringLiteral("Warning");
const QString Error = QStringLiteral("Error");

} // namespace

TfrmMain::TfrmMain(Joystick* joystick, QWidget* parent)
    : QWidget(parent), pnlToolbar(new QWidget(this)), pagMain(new QTabWidget(this)),
      Timer1(new QTimer(this)), joystick_(joystick), inputs_(new InputCapture(joystick, this)),
      hints_(new HintSwitch(this, this))
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Corvane"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/corvedit.svg")));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    setFixedSize(529, 469);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    buildToolbar();
    pagMain->setObjectName(QStringLiteral("pagMain"));
    pagMain->setGeometry(0, 48, 529, 469 - 48);
    pagMain->setStyleSheet(EditorPage::TabBarStyle());
    // Made before the pages, whose keystroke fields it fills.
    frmSelect = new TfrmSelect(this);
    buildPages();
    pagMain->setCurrentWidget(tabDescription);
    // The page shown at start has one field to type in: it takes the keyboard.
    txtTemplateDesc->setFocus();
    connect(pagMain, &QTabWidget::currentChanged, this, &TfrmMain::pagMainChange);

    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(PollInterval);
    connect(Timer1, &QTimer::timeout, this, &TfrmMain::Timer1Timer);
    if (joystick_)
        connect(joystick_, &Joystick::buttonDown, this, &TfrmMain::JoyButtonDown);
    // A gamepad template names its inputs and chords, from the joystick's events.
    connect(inputs_, &InputCapture::Captured, this,
            [this](InputMask inputs) { ShowPress(InputMaskName(inputs)); });
    tmrCapture = new QTimer(this);
    tmrCapture->setObjectName(QStringLiteral("tmrCapture"));
    tmrCapture->setInterval(CaptureRetryInterval);
    connect(tmrCapture, &QTimer::timeout, this, &TfrmMain::tmrCaptureTimer);

    // Keys are seen here before the controls get them.
    qApp->installEventFilter(this);
}

TfrmMain::~TfrmMain()
{
    qApp->removeEventFilter(this);
}

void TfrmMain::SetFocusService(FocusService* focus)
{
    descriptionPage_->SetFocusService(focus);
}

void TfrmMain::buildToolbar()
{
    pnlToolbar->setObjectName(QStringLiteral("pnlToolbar"));
    pnlToolbar->setGeometry(0, 0, 529, 48);
    PopupMenu1 = hints_->PopupMenu1;
    HintsOn1 = hints_->HintsOn1;
    HintsOff1 = hints_->HintsOff1;
    connect(HintsOn1, &QAction::triggered, this, &TfrmMain::HintsOn1Click);
    connect(HintsOff1, &QAction::triggered, this, &TfrmMain::HintsOff1Click);

    struct Spec {
        TExplorerButton** button;
        const char* name;
        const char* caption;
        const char* hint;
        const char* image;
        void (TfrmMain::*click)();
    };
    const Spec specs[] = {
        {&ExplorerButton1, "ExplorerButton1", "&New", "Start a new template file", "new",
         &TfrmMain::ExplorerButton1Click},
        {&btnOpen, "btnOpen", "&Open", "Open an existing template file", "open",
         &TfrmMain::btnOpenClick},
        {&btnSave, "btnSave", "&Save", "Save the current template file", "save",
         &TfrmMain::btnSaveClick},
        {&btnAdd, "btnAdd", "&Add", "Add or Modify button settings", "add", &TfrmMain::btnAddClick},
        {&btnDelete, "btnDelete", "&Delete", "Delete button settings", "delete",
         &TfrmMain::btnDeleteClick},
        {&btnClear, "btnClear", "&Clear", "Clear fields on current page", "clear",
         &TfrmMain::btnClearClick},
        {&btnPrint, "btnPrint", "&Print", "Print button summary to default printer", "print",
         &TfrmMain::btnPrintClick},
        {&btnHints, "btnHints", "H&ints", "Hide or show these popup hints", "hints", nullptr},
        {&btnExit, "btnExit", "E&xit", "Exit Corvane", "exit", &TfrmMain::btnExitClick},
        {&btnHelp, "btnHelp", "&Help", "Show online help", "help", &TfrmMain::btnHelpClick},
    };
    for (const Spec& spec : specs) {
        auto* button = *spec.button =
            AddToolbarButton(pnlToolbar, spec.name, spec.caption, spec.hint, spec.image);
        if (spec.click)
            connect(button, &TExplorerButton::OnClick, this, spec.click);
    }
    btnHints->setDropDownMenu(PopupMenu1);

    // Save and Save As, on Save's own menu and on the keyboard.
    SaveMenu = new QMenu(this);
    SaveMenu->setObjectName(QStringLiteral("SaveMenu"));
    Save1 = SaveMenu->addAction(QStringLiteral("&Save"), this, &TfrmMain::btnSaveClick);
    Save1->setObjectName(QStringLiteral("Save1"));
    Save1->setShortcut(QKeySequence::Save);
    SaveAs1 = SaveMenu->addAction(QStringLiteral("Save &As..."), this, &TfrmMain::SaveAs1Click);
    SaveAs1->setObjectName(QStringLiteral("SaveAs1"));
    SaveAs1->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    addActions({Save1, SaveAs1});
    btnSave->setPopupMenu(SaveMenu);

    // The templates opened last, on Open's menu; made afresh each time, so
    // that files gone meanwhile are not offered.
    OpenMenu = new QMenu(this);
    OpenMenu->setObjectName(QStringLiteral("OpenMenu"));
    connect(OpenMenu, &QMenu::aboutToShow, this, &TfrmMain::FillOpenMenu);
    btnOpen->setPopupMenu(OpenMenu);
    setAcceptDrops(true);
}

void TfrmMain::FillOpenMenu()
{
    OpenMenu->clear();
    OpenMenu->addAction(QStringLiteral("&Open..."), this, &TfrmMain::btnOpenClick);
    OpenMenu->addSeparator();
    RecentFiles::AddToMenu(OpenMenu, this, [this](const QString& path) { OpenTemplatePath(path); });
}

void TfrmMain::dragEnterEvent(QDragEnterEvent* event)
{
    if (!DroppedTemplate(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TfrmMain::dropEvent(QDropEvent* event)
{
    const QString path = DroppedTemplate(event->mimeData());
    if (path.isEmpty())
        return;
    event->acceptProposedAction();
    // After the drop has ended: the boxes of the open must not hold up the
    // program the file came from.
    QMetaObject::invokeMethod(
        this, [this, path] { OpenTemplatePath(path); }, Qt::QueuedConnection);
}

void TfrmMain::buildPages()
{
    descriptionPage_ = new DescriptionPage(Doc, pagMain);
    typePage_ = new TypePage(Doc, pagMain);
    auto* identify = new IdentifyPage(Doc, pagMain);
    auto* mode = new ModePage(Doc, pagMain, frmSelect);
    buttonsPage_ = new ButtonsPage(Doc, pagMain, frmSelect, CurrentMode);
    auto* response = new ResponsePage(Doc, pagMain);
    auto* appearance = new AppearancePage(Doc, pagMain);
    summaryPage_ = new SummaryPage(Doc, pagMain);
    auto* test = new TestPage(Doc, pagMain, joystick_);
    pages_ = {descriptionPage_, typePage_,  identify,     mode, buttonsPage_,
              response,         appearance, summaryPage_, test};
    for (EditorPage* page : pages_)
        connect(page, &EditorPage::DocumentEdited, this, &TfrmMain::DocumentChanged);
    connect(typePage_, &TypePage::DeviceTypeChosen, this, &TfrmMain::ChangeDeviceType);

    // The window shows the pages' controls as its own.
    static_cast<DescriptionControls&>(*this) = *descriptionPage_;
    static_cast<TypeControls&>(*this) = *typePage_;
    static_cast<IdentifyControls&>(*this) = *identify;
    static_cast<ModeControls&>(*this) = *mode;
    static_cast<ButtonsControls&>(*this) = *buttonsPage_;
    static_cast<ResponseControls&>(*this) = *response;
    static_cast<AppearanceControls&>(*this) = *appearance;
    static_cast<SummaryControls&>(*this) = *summaryPage_;
}

EditorPage* TfrmMain::CurrentPage() const
{
    return static_cast<EditorPage*>(pagMain->currentWidget());
}

// ---- Start-up and the joystick -----------------------------------------------------------

bool TfrmMain::FormCreate()
{
    if (CaptureJoystick() != Joystick::Captured) {
        if (!withoutJoystick_) {
            ExitCode = 1;
            return false;
        }
        // Templates are edited without identification until a joystick
        // is plugged in.
        for (EditorPage* page : pages_)
            page->ShowJoystickMissing(true);
        if (joystick_)
            tmrCapture->start();
    }
    ResetTemplate();
    Doc.DigitalDevice = true;
    ShowDeviceType();
    return true;
}

int TfrmMain::CaptureJoystick()
{
    const int result = joystick_ ? joystick_->capture() : int(Joystick::NoDriver);
    if (result == Joystick::Captured) {
        joystick_->poll();
        return result;
    }
    const QString text = Joystick::captureMessage(result);
    // Also for a start from a terminal or a script (the box says it there
    // itself where nobody can see it).
    if (!BoxesUnattended())
        std::fprintf(stderr, "corvedit: %s\n", qPrintable(text));
    // OK ends the program; the user may instead go on without identification.
    withoutJoystick_ =
        ShowMessage(QMessageBox::Critical, Error, text,
                    QStringLiteral("You can edit templates without a joystick, but not identify "
                                   "buttons until one is connected."),
                    QMessageBox::Ok | QMessageBox::Ignore, false,
                    {{QMessageBox::Ignore, QStringLiteral("Edit &Without Joystick")}}) ==
        QMessageBox::Ignore;
    return result;
}

void TfrmMain::tmrCaptureTimer()
{
    // Quietly: the user was told at start.
    if (!joystick_ || joystick_->capture() != Joystick::Captured)
        return;
    tmrCapture->stop();
    withoutJoystick_ = false;
    joystick_->poll();
    ShowDeviceType();
    for (EditorPage* page : pages_)
        page->ShowJoystickMissing(false);
}

QString TfrmMain::ButtonIdText(uint32_t number)
{
    return QString::number(static_cast<int32_t>(number));
}

void TfrmMain::Timer1Timer()
{
    if (PollBusy || !Doc.DigitalDevice || Doc.SeparateInputs())
        return;
    // Pending events run first, so the joystick's state is current. Not the
    // user's input: a box opened from inside this tick would stop the
    // ticks until it closed.
    QPointer<TfrmMain> self(this);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    // The events may have changed the page or the device type.
    if (!self || PollBusy || !Doc.DigitalDevice || !Timer1->isActive() || !joystick_ ||
        withoutJoystick_)
        return;
    const JoyInfo info = joystick_->poll();
    if (info.nothingPressed()) {
        ButtonHeld = false;
        return;
    }
    const bool wasHeld = ButtonHeld;
    ButtonHeld = true;
    if (wasHeld)
        return;
    ShowPress(QString::number(info.buttonId()));
}

void TfrmMain::JoyButtonDown(uint32_t wParam)
{
    if (!Doc.DigitalDevice && !withoutJoystick_)
        ShowPress(ButtonIdText(wParam));
}

void TfrmMain::ShowPress(const QString& id)
{
    if (CurrentPage()->ReadsJoystick())
        ShowPressOn(CurrentPage(), id);
}

void TfrmMain::ShowPressOn(QWidget* page, const QString& id)
{
    PollBusy = true;
    const auto done = qScopeGuard([this] { PollBusy = false; });
    static_cast<EditorPage*>(page)->ShowPress(id);
}

void TfrmMain::ShowPressOnIdentifyPage(const QString& id)
{
    ShowPressOn(tabIdentify, id);
}

void TfrmMain::ShowPressOnModePage(const QString& id)
{
    ShowPressOn(tabMode, id);
}

void TfrmMain::ShowPressOnButtonsPage(const QString& id)
{
    ShowPressOn(tabButtons, id);
}

// ---- The document ------------------------------------------------------------------------

QStringList TfrmMain::Lines(const QListWidget* list)
{
    QStringList lines;
    lines.reserve(list->count());
    for (int i = 0; i < list->count(); ++i)
        lines << list->item(i)->text();
    return lines;
}

void TfrmMain::ResetTemplate()
{
    const DeviceType type = DeviceTypeOf(Doc);
    Doc = Template();
    SetDeviceType(Doc, type);
    PollBusy = false;
    ButtonHeld = false;
    CurrentMode = 1;
    TemplateFileName.clear();
    hints_->SetShown(false);
    for (EditorPage* page : pages_)
        page->ResetFields();
    ShowDocument();
    MarkSaved({});
}

void TfrmMain::ShowDocument()
{
    for (EditorPage* page : pages_)
        page->ShowDocument();
    ShowDeviceType();
}

// ---- Button operations -------------------------------------------------------------------

void TfrmMain::btnAddClick()
{
    CurrentPage()->Add();
}

void TfrmMain::btnDeleteClick()
{
    CurrentPage()->Delete();
}

void TfrmMain::btnClearClick()
{
    CurrentPage()->Clear();
}

void TfrmMain::FormKeyDown(int key)
{
    // Enter adds on the pages that add.
    if (key == Qt::Key_Return || key == Qt::Key_Enter)
        btnAddClick();
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress)
        return false;
    if (!watched->isWidgetType() || static_cast<QWidget*>(watched)->window() != this)
        return false;
    // Once per key: the event is offered to each parent of the focused
    // control in turn. A key that closes a box never gets here: the box is
    // a window of its own.
    QWidget* target = focusWidget() ? focusWidget() : this;
    if (watched == target) {
        const auto* key = static_cast<QKeyEvent*>(event);
        FormKeyDown(key->key());
        CurrentPage()->KeyPressed(*key);
    }
    return false;
}

// ---- Pages and settings ------------------------------------------------------------------

void TfrmMain::pagMainChange()
{
    Timer1->stop();
    EditorPage* page = CurrentPage();
    page->PageShown();
    if (page == summaryPage_)
        BuildCompleteSummary();
    if (page->ReadsJoystick()) {
        ShowDeviceType(); // with the chord window and threshold the Response page set
        Timer1->start();
    }
}

void TfrmMain::ExplorerButton1Click()
{
    if (!ConfirmLosingChanges(QMessageBox::Question, Confirm,
                              QStringLiteral("Start a new template?")))
        return;
    ResetTemplate();
    typePage_->DisableDeviceTypeChoice();
    SetDeviceType(Doc, DeviceType::Digital);
    ShowDeviceType();
    typePage_->EnableDeviceTypeChoice();
    MarkSaved({});
}

void TfrmMain::ShowDeviceType()
{
    typePage_->ShowDocument();
    const bool gamepad = Doc.SeparateInputs();
    if (joystick_) {
        joystick_->setMessagesWanted(!Doc.DigitalDevice);
        joystick_->setEventsWanted(gamepad);
    }
    inputs_->SetActive(
        gamepad && !withoutJoystick_,
        Doc.GlobalNumber(QStringLiteral("CHORD_MS"), RuntimeTemplate::DefaultChordMs),
        Doc.GlobalNumber(QStringLiteral("AXIS_THRESHOLD"), RuntimeTemplate::DefaultAxisThreshold));
    DocumentChanged();
}

void TfrmMain::DocumentChanged()
{
    // The title names the file and marks unsaved changes ("flight.joy* —
    // Corvane"); a new document that was never saved has no name yet.
    const bool modified = IsModified();
    const QString name = QFileInfo(TemplateFileName).fileName();
    const QString title = name.isEmpty() && !modified
                              ? QStringLiteral("Corvane")
                              : QStringLiteral("%1%2 \u2014 Corvane")
                                    .arg(name.isEmpty() ? QStringLiteral("Untitled") : name,
                                         modified ? QStringLiteral("*") : QString());
    if (windowTitle() != title)
        setWindowTitle(title);
}

bool TfrmMain::ConfirmLosingChanges(QMessageBox::Icon kind, const QString& caption,
                                    const QString& text)
{
    if (!IsModified())
        return ShowMessage(kind, caption, text) == QMessageBox::Ok;
    const QString name = QFileInfo(TemplateFileName).fileName();
    const QString note = name.isEmpty()
                             ? QStringLiteral("This template has unsaved changes. Save them first?")
                             : QStringLiteral("%1 has unsaved changes. Save them first?").arg(name);
    switch (
        ShowMessage(kind, caption, text, note, QMessageBox::Save | QMessageBox::Discard, true)) {
    case QMessageBox::Save:
        return SaveDocument();
    case QMessageBox::Discard:
    case QMessageBox::Ok:
        return true;
    default:
        return false;
    }
}

void TfrmMain::MarkSaved(const QByteArray& bytes)
{
    savedDoc_ = Doc;
    savedBytes_ = bytes;
    DocumentChanged();
}

void TfrmMain::ChangeDeviceType(DeviceType type)
{
    const DeviceType was = DeviceTypeOf(Doc);
    if (was == type)
        return;
    typePage_->DisableDeviceTypeChoice();
    if (ConfirmLosingChanges(QMessageBox::Warning, Warning, ChangeWarning(was, type))) {
        SetDeviceType(Doc, type);
        ResetTemplate();
    }
    ShowDeviceType();
    typePage_->EnableDeviceTypeChoice();
}

void TfrmMain::HintsOn1Click()
{
    hints_->Choose(true);
}

void TfrmMain::HintsOff1Click()
{
    hints_->Choose(false);
}

bool TfrmMain::HintsShown() const
{
    return hints_->Shown();
}

void TfrmMain::btnHelpClick()
{
    OpenManual();
}

void TfrmMain::btnExitClick()
{
    close();
}

void TfrmMain::closeEvent(QCloseEvent* event)
{
    // A second request while the question is up is the same request.
    if (closeAsked_) {
        event->ignore();
        return;
    }
    closeAsked_ = true;
    const auto done = qScopeGuard([this] { closeAsked_ = false; });
    typePage_->DisableDeviceTypeChoice();
    if (ConfirmLosingChanges(QMessageBox::Question, Confirm, QStringLiteral("Exit The Corvane?"))) {
        hints_->SetShown(false);
        Timer1->stop();
        event->accept();
        return;
    }
    event->ignore();
    typePage_->EnableDeviceTypeChoice();
}

// ---- Save, open, summary and printing ----------------------------------------------------

void TfrmMain::btnSaveClick()
{
    SaveDocument();
}

void TfrmMain::SaveAs1Click()
{
    SaveTemplateFile();
}

bool TfrmMain::SaveDocument()
{
    // The open file is written over without asking; a new one needs a name.
    return WriteTemplate(TemplateFileName.isEmpty());
}

void TfrmMain::btnOpenClick()
{
    OpenTemplateFile();
}

bool TfrmMain::SaveTemplateFile()
{
    return WriteTemplate(true);
}

bool TfrmMain::WriteTemplate(bool askName)
{
    // Presses are handled while the dialog is open and can change the
    // document: what was checked is what is written.
    const Template snapshot = Doc;
    const QString refusal = CheckBeforeSave(snapshot);
    if (!refusal.isEmpty()) {
        ShowMessage(QMessageBox::Information, Information, refusal);
        return false;
    }
    // The open file's folder and name, else the name last chosen here.
    const QString path =
        askName ? AskTemplateFileName(this, true,
                                      TemplateFileName.isEmpty() ? lastSaved_ : TemplateFileName)
                : TemplateFileName;
    if (path.isEmpty())
        return false;
    if (askName)
        lastSaved_ = path;
    QString error; // "Unable to write to" and the path
    // Nothing changed since the open: the file goes out as it came in.
    const QByteArray unchanged = snapshot == savedDoc_ ? savedBytes_ : QByteArray();
    QByteArray written;
    if (!SaveForEditing(snapshot, path, unchanged, &written, &error)) {
        ShowMessage(QMessageBox::Critical, Error, error);
        return false;
    }
    TemplateFileName = path;
    RecentFiles::Add(path);
    // A press during the dialog stays in the document as an unsaved change.
    const Template later = Doc;
    Doc = snapshot;
    MarkSaved(written);
    Doc = later;
    DocumentChanged();
    BuildCompleteSummary();
    return true;
}

void TfrmMain::OpenTemplateFile()
{
    const QString path = AskTemplateFileName(this, false, lastOpened_);
    if (path.isEmpty())
        return;
    lastOpened_ = path;
    OpenTemplatePath(path);
}

void TfrmMain::OpenTemplatePath(const QString& path)
{
    Template opened;
    OpenResult result{};
    const auto read = [&] {
        result = OpenForEditing(path, opened);
        if (result.status != OpenResult::Opened)
            ShowMessage(result.icon, result.caption, result.text);
        return result.status == OpenResult::Opened;
    };
    if (!read())
        return;
    // Only unsaved changes are asked about; a document without them is
    // replaced as it always was. The save may write the very file to open.
    if (IsModified() &&
        (!ConfirmLosingChanges(QMessageBox::Question, Confirm,
                               QStringLiteral("Open %1?").arg(QFileInfo(path).fileName())) ||
         !read()))
        return;
    // From here on nothing asks: the open document is replaced.
    ResetTemplate();
    typePage_->DisableDeviceTypeChoice();
    Doc = opened;
    ShowDocument();
    typePage_->EnableDeviceTypeChoice();
    TemplateFileName = path;
    RecentFiles::Add(path);
    MarkSaved(result.bytes);
    buttonsPage_->FillModeList();
    BuildCompleteSummary();
    if (pagMain->currentWidget() == tabButtons) {
        buttonsPage_->RefreshModeNames();
        txtButtonPurpose->setFocus();
    }
    if (!result.warnings.isEmpty())
        ShowMessage(QMessageBox::Information, Information, result.warnings.join(u'\n'));
}

void TfrmMain::BuildCompleteSummary()
{
    // Without identified buttons the summary on show stays as it is.
    if (Doc.IdentifiedButtons.isEmpty())
        return;
    buttonsPage_->RefreshModeNames();
    summaryPage_->BuildCompleteSummary(TemplateFileName);
}

void TfrmMain::btnPrintClick()
{
    // What prints is what the document holds now.
    BuildCompleteSummary();
    summaryPage_->PrintCompleteSummary();
}

} // namespace corv::editor
