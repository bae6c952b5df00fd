#pragma once

#include "editor/pages/AppearancePage.h"
#include "editor/pages/ButtonsPage.h"
#include "editor/pages/DescriptionPage.h"
#include "editor/pages/IdentifyPage.h"
#include "editor/pages/ModePage.h"
#include "editor/pages/ResponsePage.h"
#include "editor/pages/SummaryPage.h"
#include "editor/pages/TestPage.h"
#include "editor/pages/TypePage.h"
#include "template/Template.h"

#include <QMessageBox>
#include <QStringList>
#include <QWidget>
#include <cstdint>

class QAction;
class QListWidget;
class QMenu;
class QTabWidget;
class QTimer;

namespace corv
{
class FocusService;
class InputCapture;
class Joystick;
class TExplorerButton;
} // namespace corv

namespace corv::editor
{

class HintSwitch;
class TfrmSelect;

// The editor's main window. It holds the document (Doc) and the path it was
// last saved to or opened from; the pages show the document, and the
// operations change it. Joystick presses are read on the GUI thread; the
// poll lets pending events run first, so a press can arrive while a box or
// the keystroke dialog is open over a page.
class TfrmMain : public QWidget,
                 public DescriptionControls,
                 public TypeControls,
                 public IdentifyControls,
                 public ModeControls,
                 public ButtonsControls,
                 public ResponseControls,
                 public AppearanceControls,
                 public SummaryControls
{
    Q_OBJECT
public:
    static constexpr int PollInterval = 100;
    // How often a joystick that was not there at start is looked for.
    static constexpr int CaptureRetryInterval = 2000;

    // The joystick outlives the window; null runs without one (capture fails).
    explicit TfrmMain(Joystick* joystick, QWidget* parent = nullptr);
    ~TfrmMain() override;
    // Where the Description page's Pick a window learns of the window the
    // user activates; null (the default) leaves that button off.
    void SetFocusService(FocusService* focus);

    // The document.
    Template Doc;
    QString TemplateFileName;

    // Editing state.
    int CurrentMode = 1;
    bool PollBusy = false;
    bool ButtonHeld = false;

    // False when the program must end (the joystick could not be captured
    // and the user did not choose to edit without it); the program then
    // exits with ExitCode.
    bool FormCreate();
    int ExitCode = 0;

    // Toolbar.
    QWidget* pnlToolbar;
    TExplorerButton* ExplorerButton1;
    TExplorerButton* btnOpen;
    TExplorerButton* btnSave;
    TExplorerButton* btnAdd;
    TExplorerButton* btnDelete;
    TExplorerButton* btnClear;
    TExplorerButton* btnPrint;
    TExplorerButton* btnHints;
    TExplorerButton* btnExit;
    TExplorerButton* btnHelp;
    QMenu* PopupMenu1;
    QAction* HintsOn1;
    QAction* HintsOff1;
    QMenu* SaveMenu; // on btnSave: Save, Save As
    QAction* Save1;
    QAction* SaveAs1;
    QMenu* OpenMenu; // on btnOpen: Open, the templates opened last

    // The notebook. Its pages (tabDescription..tabSummary) and their
    // controls are members of the *Controls bases, copied from the pages.
    QTabWidget* pagMain;
    QTimer* Timer1;
    QTimer* tmrCapture; // runs while no joystick is captured
    TfrmSelect* frmSelect;

    // Document routines.
    void ResetTemplate();
    static QStringList Lines(const QListWidget* list);

    // Button operations, on the page shown.
    void btnAddClick();
    void btnDeleteClick();
    void btnClearClick();
    void FormKeyDown(int key);

    // Joystick.
    int CaptureJoystick();
    void Timer1Timer();
    // Captures a joystick plugged in since the start.
    void tmrCaptureTimer();
    void JoyButtonDown(uint32_t wParam);
    // Shows a ButtonId on the page shown, if it reads the joystick.
    void ShowPress(const QString& id);
    void ShowPressOnIdentifyPage(const QString& id);
    void ShowPressOnModePage(const QString& id);
    void ShowPressOnButtonsPage(const QString& id);
    // The text of a ButtonId: signed 32-bit decimal, so button 32 alone is
    // "-2147483648" as the player reads it.
    static QString ButtonIdText(uint32_t number);

    // Frame.
    void pagMainChange();
    void ExplorerButton1Click();
    void btnOpenClick();
    void btnSaveClick();
    void SaveAs1Click();
    void FillOpenMenu();
    void btnPrintClick();
    void btnExitClick();
    void btnHelpClick();
    void HintsOn1Click();
    void HintsOff1Click();
    bool HintsShown() const;

    // Save and open.
    // True when the template was written. SaveTemplateFile asks for the name.
    bool SaveTemplateFile();
    void OpenTemplateFile();
    // Opens path as the dialog's choice would (also for the command line).
    void OpenTemplatePath(const QString& path);
    void BuildCompleteSummary();
    // Whether the document differs from the one last opened, saved or reset.
    bool IsModified() const { return Doc != savedDoc_; }
    // Brings the title up to date after a change of the document.
    void DocumentChanged();
    // Asks text as ShowMessage does. With unsaved changes the box also says
    // so and offers to save them first (Save, Discard, Cancel). True when
    // the action may go on: OK, or the changes saved or discarded.
    bool ConfirmLosingChanges(QMessageBox::Icon kind, const QString& caption, const QString& text);
    // Saves as the toolbar's Save does: to the open file, or under a name
    // asked for when there is none. True when the template was written.
    bool SaveDocument();

protected:
    void closeEvent(QCloseEvent* event) override; // FormCloseQuery
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildToolbar();
    void buildPages();
    EditorPage* CurrentPage() const;
    // A press shown on page, with the poll held off meanwhile.
    void ShowPressOn(QWidget* page, const QString& id);
    // The device type in force: the radio buttons and whether the joystick
    // sends button messages (only an analog template wants them).
    void ShowDeviceType();
    // Puts every document value into its control.
    void ShowDocument();
    void ChangeDeviceType(DeviceType type);

    QList<EditorPage*> pages_;
    DescriptionPage* descriptionPage_;
    TypePage* typePage_;
    ButtonsPage* buttonsPage_;
    SummaryPage* summaryPage_;
    Joystick* joystick_;
    InputCapture* inputs_;
    HintSwitch* hints_;
    bool closeAsked_ = false;
    bool withoutJoystick_ = false; // editing goes on while none is captured
    // The document as last opened or saved, and that file's bytes.
    void MarkSaved(const QByteArray& bytes);
    // Checks and writes the document, to a name asked for or to the open file.
    bool WriteTemplate(bool askName);
    Template savedDoc_;
    QByteArray savedBytes_;
    QString lastSaved_;  // the name last chosen in the Save dialog
    QString lastOpened_; // and in the Open dialog
};

} // namespace corv::editor
