#pragma once

#include "Joystick.h"

#include <QElapsedTimer>
#include <QString>
#include <QStringList>

class QTimer;
struct _SDL_Joystick;

namespace corv
{

class JoystickScript;

// Joystick 1 through SDL's joystick subsystem. SPEC picks the device: an SDL
// index, part of the device name (any case), "virtual:PATH" for a virtual
// joystick driven by a script, or empty for the first one found.
class SdlJoystick : public Joystick
{
    Q_OBJECT
public:
    explicit SdlJoystick(const QString& spec = {}, QObject* parent = nullptr);
    ~SdlJoystick() override;

    int capture() override;
    JoyInfo poll() override;
    void setMessagesWanted(bool wanted) override { messagesWanted_ = wanted; }
    QString captureError() const override { return captureError_; }
    QString description() const override;

    // Reads SDL's events and state, and applies due script commands. Runs
    // while captured: from a timer for a device, when the script has work
    // for the virtual joystick; tests call it to step.
    void pump();
    bool isOpen() const { return joy_ != nullptr; }

    // One line per joystick: index, name, buttons, hats, axes. Empty with
    // *error set when the subsystem cannot start.
    static QStringList describeJoysticks(QString* error);

    static constexpr const char* VirtualName = "Corvane virtual joystick";

private:
    bool initSdl();
    int openVirtual(const QString& path);
    int findDevice() const;
    QString notFoundAdvice() const;
    bool openDevice(int index);
    void closeDevice();
    void detachVirtual();
    void applyScript();
    void handleEvents();

    QString spec_;
    bool sdlStarted_ = false;
    _SDL_Joystick* joy_ = nullptr;
    int instance_ = -1;
    QByteArray guid_; // of the device captured, to know it again on replug
    int virtualInstance_ = -1;
    uint32_t held_ = 0;        // buttons 1..4 as the messages have reported them
    QTimer* timer_ = nullptr;  // the pump of a real device
    QTimer* resume_ = nullptr; // the end of a virtual joystick's wait
    JoystickScript* script_ = nullptr;
    QElapsedTimer waitClock_;
    qint64 waitMs_ = 0;
    bool messagesWanted_ = false;
    QString captureError_;
};

} // namespace corv
