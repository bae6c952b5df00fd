#include "SdlJoystick.h"

#include "JoystickScript.h"

#include <QTimer>
#include <SDL.h>

namespace corv
{

namespace
{

constexpr int kPumpMs = 5; // keeps a button message within 10 ms of the press

uint32_t hatAngle(Uint8 hat)
{
    switch (hat) {
    case SDL_HAT_UP:
        return 0;
    case SDL_HAT_RIGHTUP:
        return 4500;
    case SDL_HAT_RIGHT:
        return 9000;
    case SDL_HAT_RIGHTDOWN:
        return 13500;
    case SDL_HAT_DOWN:
        return 18000;
    case SDL_HAT_LEFTDOWN:
        return 22500;
    case SDL_HAT_LEFT:
        return 27000;
    case SDL_HAT_LEFTUP:
        return 31500;
    default:
        return JoyInfo::PovCentered;
    }
}

Uint8 hatValue(uint32_t angle)
{
    switch (angle) {
    case 0:
        return SDL_HAT_UP;
    case 4500:
        return SDL_HAT_RIGHTUP;
    case 9000:
        return SDL_HAT_RIGHT;
    case 13500:
        return SDL_HAT_RIGHTDOWN;
    case 18000:
        return SDL_HAT_DOWN;
    case 22500:
        return SDL_HAT_LEFTDOWN;
    case 27000:
        return SDL_HAT_LEFT;
    case 31500:
        return SDL_HAT_LEFTUP;
    default:
        return SDL_HAT_CENTERED;
    }
}

QByteArray guidOf(int index)
{
    const SDL_JoystickGUID guid = SDL_JoystickGetDeviceGUID(index);
    return QByteArray(reinterpret_cast<const char*>(guid.data), sizeof guid.data) +
           QByteArray(SDL_JoystickNameForIndex(index));
}

} // namespace

SdlJoystick::SdlJoystick(const QString& spec, QObject* parent) : Joystick(parent), spec_(spec) {}

SdlJoystick::~SdlJoystick()
{
    closeDevice();
    detachVirtual();
    if (sdlStarted_)
        SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
}

bool SdlJoystick::initSdl()
{
    if (sdlStarted_)
        return true;
    // SIGINT and SIGTERM stay ours, and nobody here has keyboard focus.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) {
        captureError_ = QStringLiteral("the SDL joystick subsystem cannot start: %1")
                            .arg(QString::fromUtf8(SDL_GetError()));
        return false;
    }
    sdlStarted_ = true;
    SDL_JoystickEventState(SDL_ENABLE);
    return true;
}

QStringList SdlJoystick::describeJoysticks(QString* error)
{
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) {
        *error = QString::fromUtf8(SDL_GetError());
        return {};
    }
    QStringList lines;
    for (int i = 0; i < SDL_NumJoysticks(); ++i) {
        const QString name = QString::fromUtf8(SDL_JoystickNameForIndex(i));
        SDL_Joystick* joy = SDL_JoystickOpen(i);
        if (!joy) {
            lines << QStringLiteral("%1: %2 (cannot open: %3)")
                         .arg(i)
                         .arg(name, QString::fromUtf8(SDL_GetError()));
            continue;
        }
        lines << QStringLiteral("%1: %2 (%3 buttons, %4 hats, %5 axes)")
                     .arg(i)
                     .arg(name)
                     .arg(SDL_JoystickNumButtons(joy))
                     .arg(SDL_JoystickNumHats(joy))
                     .arg(SDL_JoystickNumAxes(joy));
        SDL_JoystickClose(joy);
    }
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    return lines;
}

int SdlJoystick::findDevice() const
{
    const int count = SDL_NumJoysticks();
    if (spec_.isEmpty())
        return count > 0 ? 0 : -1;
    bool isIndex = false;
    const int index = spec_.toInt(&isIndex);
    if (isIndex)
        return index >= 0 && index < count ? index : -1;
    for (int i = 0; i < count; ++i) {
        if (QString::fromUtf8(SDL_JoystickNameForIndex(i)).contains(spec_, Qt::CaseInsensitive))
            return i;
    }
    return -1;
}

QString SdlJoystick::notFoundAdvice() const
{
    QString error;
    const QStringList connected = describeJoysticks(&error);
    const QString asked = spec_.isEmpty() ? QStringLiteral("the first joystick")
                                          : QStringLiteral("joystick \"%1\"").arg(spec_);
    return QStringLiteral("asked for %1; connected: %2. Try --list-joysticks, or --joystick "
                          "virtual:FILE to play without one; a joystick that is plugged in but "
                          "not listed needs read access to /dev/input (the input group, or a "
                          "uaccess udev rule)")
        .arg(asked, connected.isEmpty() ? QStringLiteral("none found")
                                        : connected.join(QStringLiteral("; ")));
}

QString SdlJoystick::description() const
{
    if (!joy_)
        return {};
    const auto count = [](int n, const char* what) {
        return QStringLiteral("%1 %2%3").arg(n).arg(QLatin1String(what)).arg(n == 1 ? "" : "s");
    };
    return QStringLiteral("%1 (%2, %3)")
        .arg(QString::fromUtf8(SDL_JoystickName(joy_)),
             count(SDL_JoystickNumButtons(joy_), "button"),
             count(SDL_JoystickNumHats(joy_), "hat"));
}

bool SdlJoystick::openDevice(int index)
{
    joy_ = SDL_JoystickOpen(index);
    if (!joy_)
        return false;
    instance_ = SDL_JoystickInstanceID(joy_);
    guid_ = guidOf(index);
    held_ = 0;
    return true;
}

void SdlJoystick::closeDevice()
{
    if (joy_)
        SDL_JoystickClose(joy_);
    joy_ = nullptr;
    instance_ = -1;
    held_ = 0;
}

void SdlJoystick::detachVirtual()
{
    if (virtualInstance_ < 0)
        return;
    for (int i = 0; i < SDL_NumJoysticks(); ++i) {
        if (SDL_JoystickGetDeviceInstanceID(i) == virtualInstance_)
            SDL_JoystickDetachVirtual(i);
    }
    virtualInstance_ = -1;
}

int SdlJoystick::openVirtual(const QString& path)
{
    // A capture retried after a failure starts afresh: one script reader
    // and one device, never a second of each.
    closeDevice();
    detachVirtual();
    delete resume_;
    resume_ = nullptr;
    delete script_;
    script_ = new JoystickScript(this);
    waitMs_ = 0;
    QString error;
    if (!script_->open(path, &error)) {
        captureError_ = QStringLiteral("cannot read the virtual joystick's script, %1; name "
                                       "a readable file, a named pipe, or - for standard input")
                            .arg(error);
        return BadDevice;
    }
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_UNKNOWN;
    desc.naxes = 0;
    desc.nbuttons = 32;
    desc.nhats = 1;
    desc.name = VirtualName;
    const int index = SDL_JoystickAttachVirtualEx(&desc);
    if (index < 0) {
        captureError_ = QStringLiteral("the virtual joystick cannot be made: %1")
                            .arg(QString::fromUtf8(SDL_GetError()));
        return CannotCapture;
    }
    virtualInstance_ = SDL_JoystickGetDeviceInstanceID(index);
    if (!openDevice(index))
        return CannotCapture;
    // It changes only when its script says so: pumped when commands arrive
    // and when a wait runs out, never on a clock, so an idle program sleeps.
    resume_ = new QTimer(this);
    resume_->setSingleShot(true);
    resume_->setTimerType(Qt::PreciseTimer);
    connect(resume_, &QTimer::timeout, this, &SdlJoystick::pump);
    connect(script_, &JoystickScript::commandsArrived, this, &SdlJoystick::pump);
    return Captured;
}

int SdlJoystick::capture()
{
    if (joy_)
        return Captured;
    captureError_.clear();
    if (!initSdl())
        return NoDriver;
    int result = Captured;
    if (spec_.startsWith(QLatin1String("virtual:"))) {
        result = openVirtual(spec_.mid(8));
    } else {
        const int index = findDevice();
        if (index < 0) {
            result = spec_.isEmpty() ? Unplugged : BadDevice;
            captureError_ = notFoundAdvice();
        } else if (!openDevice(index)) {
            captureError_ = QStringLiteral("joystick %1 (%2) cannot be opened: %3; it needs read "
                                           "access to /dev/input (the input group, or a uaccess "
                                           "udev rule)")
                                .arg(index)
                                .arg(QString::fromUtf8(SDL_JoystickNameForIndex(index)),
                                     QString::fromUtf8(SDL_GetError()));
            result = CannotCapture;
        }
    }
    if (result != Captured || script_)
        return result;
    // Pumped only while captured, so an idle program does not wake for SDL.
    timer_ = new QTimer(this);
    timer_->setTimerType(Qt::PreciseTimer);
    connect(timer_, &QTimer::timeout, this, &SdlJoystick::pump);
    timer_->start(kPumpMs);
    return Captured;
}

JoyInfo SdlJoystick::poll()
{
    JoyInfo info;
    if (!joy_)
        return info;
    const int buttons = std::min(SDL_JoystickNumButtons(joy_), 32);
    for (int b = 0; b < buttons; ++b) {
        if (SDL_JoystickGetButton(joy_, b))
            info.dwButtons |= 1u << b;
    }
    if (SDL_JoystickNumHats(joy_) > 0)
        info.dwPOV = hatAngle(SDL_JoystickGetHat(joy_, 0));
    return info;
}

void SdlJoystick::applyScript()
{
    // A press and release between two updates would be lost, so each change
    // is followed by an update of its own.
    auto& queue = script_->pending();
    while (!queue.empty()) {
        if (waitMs_ > 0) {
            const qint64 left = waitMs_ - waitClock_.elapsed();
            if (left > 0) {
                if (resume_)
                    resume_->start(int(left));
                return;
            }
            waitMs_ = 0;
        }
        const ScriptCommand command = queue.front();
        queue.pop_front();
        if (command.kind == ScriptCommand::Wait) {
            waitMs_ = command.value;
            waitClock_.start();
            continue;
        }
        if (!joy_)
            continue;
        switch (command.kind) {
        case ScriptCommand::Press:
        case ScriptCommand::Release:
            SDL_JoystickSetVirtualButton(joy_, static_cast<int>(command.value) - 1,
                                         command.kind == ScriptCommand::Press);
            break;
        case ScriptCommand::Buttons:
            for (int b = 0; b < 32; ++b)
                SDL_JoystickSetVirtualButton(joy_, b, (command.value >> b) & 1u);
            break;
        case ScriptCommand::Hat:
            SDL_JoystickSetVirtualHat(joy_, 0, hatValue(command.value));
            break;
        case ScriptCommand::Wait:
            break;
        }
        SDL_JoystickUpdate();
        handleEvents();
    }
}

void SdlJoystick::pump()
{
    if (!sdlStarted_)
        return;
    if (script_)
        applyScript();
    SDL_JoystickUpdate();
    handleEvents();
}

void SdlJoystick::handleEvents()
{
    // One event at a time with the state settled before each signal: a
    // receiver may run the event loop and so pump again from inside.
    SDL_Event ev;
    while (SDL_PeepEvents(&ev, 1, SDL_GETEVENT, SDL_JOYAXISMOTION, SDL_JOYBATTERYUPDATED) == 1) {
        switch (ev.type) {
        case SDL_JOYBUTTONDOWN:
        case SDL_JOYBUTTONUP: {
            if (ev.jbutton.which != instance_ || ev.jbutton.button >= 4)
                break;
            const uint32_t bit = 1u << ev.jbutton.button;
            const bool down = ev.type == SDL_JOYBUTTONDOWN;
            if (down == bool(held_ & bit))
                break;
            held_ ^= bit;
            const uint32_t wParam = held_ | (bit << 8);
            if (down)
                emit buttonDown(wParam);
            else
                emit buttonUp(wParam);
            break;
        }
        case SDL_JOYDEVICEREMOVED:
            if (ev.jdevice.which == instance_) {
                // Buttons held at the moment of unplugging are reported
                // released, so nothing waits for an up that never comes.
                const uint32_t stillHeld = held_;
                closeDevice();
                for (uint32_t bit = 1; bit <= 8; bit <<= 1) {
                    if (stillHeld & bit)
                        emit buttonUp(bit << 8);
                }
            }
            break;
        case SDL_JOYDEVICEADDED:
            if (!joy_) {
                // The device we had, or any when the user named none.
                const int index = ev.jdevice.which;
                if (guidOf(index) == guid_ || spec_.isEmpty())
                    openDevice(index);
            }
            break;
        default:
            break;
        }
    }
}

} // namespace corv
