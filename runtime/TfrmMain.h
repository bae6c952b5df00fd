#pragma once

#include "engine/DispatchEngine.h"
#include "runtime/Player.h"

#include <QDateTime>
#include <QHash>
#include <QPalette>
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <cstdio>

class QAction;
class QLabel;
class QMenu;

namespace corv
{

class TNoTask;
class TWinTaskbar;

class FocusService;
struct FocusedWindow;
class HotKeyService;
class Joystick;
class KeyInjector;
class ProfileFile;
class TemplateChooser;
class TSuperTimer;
class TSysHotKey;

// The runtime's main window: the mode window with its tray menu, start-up,
// the stored position and the hot key. It owns the dispatch engine, which
// turns joystick 1 into keystrokes, and the components that drive it: the
// timer's ticks and the hot key reach the engine through this window's
// handlers. Everything runs on the GUI thread.
class TfrmMain : public QWidget, public Player
{
    Q_OBJECT
public:
    // The services outlive the window.
    TfrmMain(Joystick* joystick, KeyInjector* keys, HotKeyService* hotKeys,
             QWidget* parent = nullptr);
    ~TfrmMain() override;

    // What the window shows and the menu switches; read the state here.
    const DispatchEngine& Engine() const override { return *engine_; }
    DispatchEngine& Engine() { return *engine_; }

    // Components.
    QLabel* lblModeString;
    TSuperTimer* SuperTimer1;
    TSysHotKey* SysHotKey1;
    TWinTaskbar* WinTaskbar1;
    QMenu* PopupMenu1;
    QAction* Enable1;
    QAction* Disable1;
    QAction* N1;
    QAction* Shutdown1;
    QAction* N2;
    QAction* Cancel1;
    TNoTask* NoTask1;

    // Start-up. Arguments are the positional command-line arguments; exactly
    // one names the template, anything else asks with the open dialog.
    QStringList Arguments;
    QString TemplateFileName;
    // False when the program must end now; ExitCode then says how (0 when
    // the user cancelled, 1 after a failure the user was told of). Once
    // running, the status the program ends with after its event loop.
    bool FormCreate(QObject* Sender);
    bool OpenTemplate();
    // Colour errors are shown in boxes at start-up; a switch while playing
    // only prints them, since a box would hold the game up.
    void LoadTemplate(const ProfileFile& file, bool boxes = true);
    int ExitCode = 0;
    // RESPONSE of the loaded template, applied once start-up has shown the window.
    int32_t LoadedResponse = 3;

    // Tray menu commands.
    void Enable1Click(QObject* Sender) override;
    void Disable1Click(QObject* Sender) override;
    void Shutdown1Click(QObject* Sender);

    // SIGINT, SIGTERM and Shutdown. Once running the window closes; during
    // start-up the box or dialog on screen is closed and start-up ends
    // without touching the stored position. Asked again while a box holds
    // the shutdown up, the box goes and the program ends. exitCode is the
    // program's status.
    void RequestShutdown(int exitCode = 0) override;
    bool Started = false;
    bool StartupDone() const override { return Started; }
    QString TemplatePath() const override { return TemplateFileName; }

    // Following the focus (--auto): the folder whose templates are chosen
    // from, by the window that has the focus. Set before FormCreate.
    QString AutoFolder;
    void SetFocusService(FocusService* focus) { focus_ = focus; }
    // Plays the template at path, chosen for program, in mode 1, once
    // everything the one before held has come up; an empty path plays
    // nothing (idle). The same file, unchanged since it was read, is not
    // read again.
    void SwitchTemplate(const QString& path, const QString& program);
    // Following the focus: nothing plays, since no template is for program.
    bool Idle() const { return idle_; }
    bool Following() const override { return !AutoFolder.isEmpty(); }
    QString Program() const override { return program_; }
    // Reads the folder (following the focus) or the template again.
    bool Reload(QString* error) override;
    // The name a focused window is known by: its class, else its instance,
    // else its title.
    static QString ProgramName(const FocusedWindow& window);

    // The mode window's position, kept per user and per screen width.
    static QString PositionKey(int screenWidth);
    static QPoint ReadPosition(int screenWidth);
    static bool WritePosition(int screenWidth, const QPoint& topLeft);
    void SavePosition();

    // The window's least size; it grows to fit the names of its modes.
    static constexpr int MinWidth = 80;
    static constexpr int MinHeight = 19;
    void FitModeWindow();

    int32_t CaptureJoystick();
    // The engine's inputs, as the components and the joystick deliver them.
    void SuperTimer1Timer(QObject* Sender);
    void JoyButtonDown(uint32_t wParam);
    void JoyButtonUp(uint32_t wParam);
    void SysHotKey1HotKey(QObject* Sender, qint32 Index);
    void AdvanceMode() override;
    // Makes mode (1 to the highest) the current one, as AdvanceMode does
    // for the next one.
    void ShowMode(int32_t mode) override;
    void RegisterModeSwitchKey();
    void ApplyResponse(int32_t value);

    // Where "mode <n> <name>" lines go (nullptr: nowhere), written when
    // dispatch starts and at each mode change. A dry run with the printing
    // key backend uses stdout.
    void SetModeEcho(std::FILE* out) { modeEcho_ = out; }

signals:
    // The template played, or the program it was chosen for, has changed.
    void TemplateSwitched();

protected:
    void closeEvent(QCloseEvent* event) override; // FormClose
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void setModeWindowColour(QPalette::ColorRole role, const QString& text);
    void showModeChange(int32_t mode, const QString& name);
    void EchoMode();
    // Following the focus: "template <file> for <program>" on the echo.
    void EchoTemplate();
    // The loaded template's hot key, timer, response and joystick input,
    // as Enable and Disable have chosen.
    void StartDispatch();
    void ShowModeWindow();
    bool StartFollowing();
    void FollowFocus();
    void ShowIdle();
    void ShowHint();
    // The engine stopped, timer stopped and hot key given back: nothing is
    // typed after this.
    void StopEngine();
    static void CloseModalBox();

    Joystick* joystick_;
    KeyInjector* keys_;
    DispatchEngine* engine_;
    FocusService* focus_ = nullptr;
    TemplateChooser* chooser_ = nullptr;
    QString program_;
    QDateTime loadedModified_;         // of TemplateFileName when it was read
    QHash<QString, bool> toldMissing_; // files whose missing characters were told
    bool idle_ = false;
    std::FILE* modeEcho_ = nullptr;
    // Set while the window is moved by hand (no window manager to do it).
    bool dragging_ = false;
    QPoint dragOffset_;
};

} // namespace corv
