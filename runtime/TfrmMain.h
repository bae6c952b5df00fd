#pragma once

#include "Joystick.h"
#include "RuntimeTemplate.h"

#include <QMessageBox>
#include <QStringList>
#include <QSystemTrayIcon>
#include <QWidget>
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>

class QAction;
class QEventLoop;
class QLabel;
class QMenu;
class TNoTask;
class TWinTaskbar;

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
    void LoadTemplate();
    int ExitCode = 0;
    // RESPONSE of the loaded template, applied once start-up has shown the window.
    int32_t LoadedResponse = 3;

    // Tray menu commands.
    void Enable1Click(QObject* Sender);
    void Disable1Click(QObject* Sender);
    void Shutdown1Click(QObject* Sender);

    // SIGINT, SIGTERM and Shutdown. Once running the window closes; during
    // start-up the box or dialog on screen is closed and start-up ends
    // without touching the stored position. Asked again while a box holds
    // the shutdown up, the box goes and the program ends. exitCode is the
    // program's status.
    void RequestShutdown(int exitCode = 0);
    bool Started = false;

    // The mode window's position, kept per user and per screen width.
    static QString PositionKey(int screenWidth);
    static QPoint ReadPosition(int screenWidth);
    static bool WritePosition(int screenWidth, const QPoint& topLeft);
    void SavePosition();

    // A modal box that is also written to standard error, so a start from
    // a terminal or a script says what went wrong. The hint, the cause and
    // what to do about it, is a second line and the box's detail.
    static void ShowMessage(QMessageBox::Icon icon, const QString& title, const QString& text,
                            const QString& hint = {});
    // The lines on standard error alone.
    static void PrintMessage(const QString& text, const QString& hint = {});
    // Off where nobody could see or answer a box (no display, or a platform
    // without windows): the lines on standard error are then the message.
    static inline bool MessageBoxes = true;
    // Whether a notification area can show the icon; without one Disable
    // leaves the window up, greyed, as the way back. Tests replace it.
    static inline bool (*NotificationArea)() = &QSystemTrayIcon::isSystemTrayAvailable;

    // The window's least size; it grows to fit the names of its modes.
    static constexpr int MinWidth = 80;
    static constexpr int MinHeight = 19;
    void FitModeWindow();

    // Copies the tables and device type of a loaded template, clamping counts
    // to the table limits, and starts in mode 1.
    void LoadTables(const RuntimeTemplate& t);

    int32_t CaptureJoystick();
    void SuperTimer1Timer(QObject* Sender);
    void JoyButtonDown(uint32_t wParam);
    void JoyButtonUp(uint32_t wParam);
    void SysHotKey1HotKey(QObject* Sender, qint32 Index);
    void AdvanceMode();
    // Makes mode (1 to HighestMode) the current one and shows its name, as
    // AdvanceMode does for the next one.
    void ShowMode(int32_t mode);
    int32_t HighestMode() const
    {
        return std::max(1, std::min(ModeCount, RuntimeTemplate::MaxModes));
    }
    int32_t FindButtonIndex() const;
    void SendMapping(int32_t k);
    void RegisterModeSwitchKey();
    void ApplyResponse(int32_t value);

    // Text of a capture result as the user sees it; "OK" for success.
    static QString CaptureResultText(int32_t code);

    // Where "mode <n> <name>" lines go (nullptr: nowhere), written when
    // dispatch starts and at each mode change. A dry run with the printing
    // key backend uses stdout.
    void SetModeEcho(std::FILE* out) { modeEcho_ = out; }

signals:
    // After every mode switch, once the new name is on the label.
    void ModeChanged(int32_t mode, const QString& name);
    // When dispatch is turned on or off once start-up has ended.
    void EnabledChanged(bool enabled);

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
    // Button k's mapping in the current mode, or nullptr outside the tables.
    const Mapping* CurrentMapping(int32_t k) const;
    void ClearButtonHeld();
    void EchoMode();
    // Dispatch off, timer stopped, hot key given back, held state cleared
    // and every key let go: nothing is typed after this.
    void StopEngine();
    static void CloseModalBox();

    Joystick* joystick_;
    KeyInjector* keys_;
    JoyInfo joyInfo_;
    std::FILE* modeEcho_ = nullptr;
    // The innermost wait of an analog repeat loop; quit when the button is let go.
    QEventLoop* heldWait_ = nullptr;
    // Set once shutdown is asked: no mapping is sent and no repeat starts.
    bool shuttingDown_ = false;
    // Set while the window is moved by hand (no window manager to do it).
    bool dragging_ = false;
    QPoint dragOffset_;
};

} // namespace corv
