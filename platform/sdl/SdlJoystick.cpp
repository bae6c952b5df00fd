#include "platform/sdl/SdlJoystick.h"

#include "platform/sdl/JoystickScript.h"

#include <QSocketNotifier>
#include <QTimer>
#include <SDL.h>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace corv
{

namespace
{

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

// Where the virtual joystick's axis rests: sticks in the middle, triggers
// let go at one end.
int32_t virtualRest(int axis)
{
    return axis >= 5 ? -32768 : 0;
}

// "1 hat", "2 hats": these lines are read by people.
QString countOf(int n, const char* one, const char* many)
{
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}

} // namespace

SdlJoystick::SdlJoystick(const QString& spec, QObject* parent)
    : Joystick(parent), spec_(spec), pumpTimer_(new QTimer(this)), hotPlug_(new QTimer(this)),
      resume_(new QTimer(this))
{
    pumpTimer_->setInterval(PumpMs);
    pumpTimer_->setTimerType(Qt::PreciseTimer);
    hotPlug_->setInterval(HotPlugMs);
    resume_->setSingleShot(true);
    resume_->setTimerType(Qt::PreciseTimer);
    connect(pumpTimer_, &QTimer::timeout, this, &SdlJoystick::pump);
    connect(resume_, &QTimer::timeout, this, &SdlJoystick::pump);
    connect(hotPlug_, &QTimer::timeout, this, [this] {
        // Polls notice a device coming and going themselves.
        if (!sincePoll_.isValid() || sincePoll_.elapsed() >= HotPlugMs)
            pump();
    });
}

SdlJoystick::~SdlJoystick()
{
    if (starter_.joinable()) {
        starter_.join();
        sdlStarted_ = sdlStarted_ || starterOk_;
    }
    unwatchDevice();
    closeDevice();
    detachVirtual();
    if (sdlStarted_) {
        if (eventsWanted_)
            SDL_EventState(SDL_JOYAXISMOTION, SDL_IGNORE);
        SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    }
}

bool SdlJoystick::startSubsystem(std::string* error)
{
    // SIGINT and SIGTERM stay ours, and nobody here has keyboard focus.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) {
        *error = SDL_GetError();
        return false;
    }
    SDL_JoystickEventState(SDL_ENABLE);
    // Only buttons, the hat and devices coming and going are read; a stick
    // that moves must not fill the queue between two polls. Axes are read
    // only while events are wanted, when the device is pumped.
    for (const Uint32 type : {SDL_JOYAXISMOTION, SDL_JOYBALLMOTION, SDL_JOYBATTERYUPDATED})
        SDL_EventState(type, SDL_IGNORE);
    return true;
}

void SdlJoystick::prepare()
{
    if (sdlStarted_ || starter_.joinable())
        return;
    starter_ = std::thread([this] { starterOk_ = startSubsystem(&starterError_); });
}

bool SdlJoystick::initSdl()
{
    if (sdlStarted_)
        return true;
    std::string error;
    if (starter_.joinable()) {
        // What the thread found stands for this capture; a later one tries
        // again here.
        starter_.join();
        sdlStarted_ = starterOk_;
        error = starterError_;
    } else {
        sdlStarted_ = startSubsystem(&error);
    }
    if (!sdlStarted_)
        captureError_ = QStringLiteral("the SDL joystick subsystem cannot start: %1")
                            .arg(QString::fromStdString(error));
    return sdlStarted_;
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
        lines << QStringLiteral("%1: %2 (%3, %4, %5)")
                     .arg(i)
                     .arg(name, countOf(SDL_JoystickNumButtons(joy), "button", "buttons"),
                          countOf(SDL_JoystickNumHats(joy), "hat", "hats"),
                          countOf(SDL_JoystickNumAxes(joy), "axis", "axes"));
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
    return QStringLiteral("%1 (%2, %3)")
        .arg(QString::fromUtf8(SDL_JoystickName(joy_)),
             countOf(SDL_JoystickNumButtons(joy_), "button", "buttons"),
             countOf(SDL_JoystickNumHats(joy_), "hat", "hats"));
}

bool SdlJoystick::openDevice(int index)
{
    joy_ = SDL_JoystickOpen(index);
    if (joy_ && SDL_JoystickInstanceID(joy_) == virtualInstance_) {
        // SDL takes the values a device has when it is opened for its rests,
        // and a virtual one can be moved only once open: its triggers are let
        // go, then it is opened again, before anyone has read it.
        for (int k = 1; k <= int(ScriptCommand::Axes); ++k)
            SDL_JoystickSetVirtualAxis(joy_, k - 1, Sint16(virtualRest(k)));
        SDL_JoystickClose(joy_);
        joy_ = SDL_JoystickOpen(index);
    }
    if (!joy_)
        return false;
    instance_ = SDL_JoystickInstanceID(joy_);
    guid_ = guidOf(index);
    held_ = 0;
    readRests();
    // Opening sends each axis's value as motion; the device has not moved.
    // Axes of other devices are never read, so all of them go.
    SDL_FlushEvent(SDL_JOYAXISMOTION);
    // A device just plugged in has told the receiver nothing yet.
    sentButtons_ = 0;
    sentHat_ = 0;
    for (size_t i = 0; i < sentAxes_.size(); ++i)
        sentAxes_[i] = axisRest(int(i) + 1);
    return true;
}

void SdlJoystick::readRests()
{
    axisRests_.assign(size_t(std::max(SDL_JoystickNumAxes(joy_), 0)), 0);
    for (size_t i = 0; i < axisRests_.size(); ++i) {
        Sint16 state = 0;
        if (!SDL_JoystickGetAxisInitialState(joy_, int(i), &state))
            state = SDL_JoystickGetAxis(joy_, int(i));
        axisRests_[i] = state;
    }
}

int SdlJoystick::axisCount() const
{
    return joy_ ? std::max(SDL_JoystickNumAxes(joy_), 0) : 0;
}

int32_t SdlJoystick::axisRest(int axis) const
{
    return axis >= 1 && size_t(axis) <= axisRests_.size() ? axisRests_[size_t(axis - 1)] : 0;
}

void SdlJoystick::closeDevice()
{
    if (joy_)
        SDL_JoystickClose(joy_);
    joy_ = nullptr;
    instance_ = -1;
    held_ = 0;
    // What it did since the last poll goes with it: nothing is typed once
    // it is gone.
    latchedButtons_ = 0;
    latchedPov_ = JoyInfo::PovCentered;
    releasedButtons_ = 0;
    hatRecentred_ = false;
}

uint32_t SdlJoystick::liveButtons() const
{
    uint32_t mask = 0;
    const int buttons = joy_ ? std::min(SDL_JoystickNumButtons(joy_), 32) : 0;
    for (int b = 0; b < buttons; ++b) {
        if (SDL_JoystickGetButton(joy_, b))
            mask |= 1u << b;
    }
    return mask;
}

int32_t SdlJoystick::liveHat() const
{
    // SDL's hat bits are the ones events carry.
    return joy_ && SDL_JoystickNumHats(joy_) > 0 ? SDL_JoystickGetHat(joy_, 0) & 0xF : 0;
}

void SdlJoystick::reportLiveState()
{
    sentButtons_ = liveButtons();
    sentHat_ = liveHat();
    for (size_t i = 0; i < sentAxes_.size(); ++i)
        sentAxes_[i] = int(i) < axisCount() ? SDL_JoystickGetAxis(joy_, int(i)) : 0;
}

int SdlJoystick::attachVirtual()
{
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_UNKNOWN;
    desc.naxes = Uint16(ScriptCommand::Axes);
    desc.nbuttons = 32;
    desc.nhats = 1;
    desc.name = VirtualName;
    const int index = SDL_JoystickAttachVirtualEx(&desc);
    if (index < 0) {
        qWarning("virtual joystick: %s", SDL_GetError());
        return -1;
    }
    virtualInstance_ = SDL_JoystickGetDeviceInstanceID(index);
    return index;
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

void SdlJoystick::setVirtualState()
{
    if (!joy_)
        return;
    for (int b = 0; b < 32; ++b)
        SDL_JoystickSetVirtualButton(joy_, b, (scriptButtons_ >> b) & 1u);
    SDL_JoystickSetVirtualHat(joy_, 0, hatValue(scriptPov_));
    for (size_t i = 0; i < scriptAxes_.size(); ++i)
        SDL_JoystickSetVirtualAxis(joy_, int(i), Sint16(scriptAxes_[i]));
}

int SdlJoystick::openVirtual(const QString& path)
{
    // A capture retried after a failure starts afresh: one script reader
    // and one device, never a second of each.
    closeDevice();
    detachVirtual();
    resume_->stop();
    delete script_;
    script_ = new JoystickScript(this);
    waitMs_ = 0;
    scriptButtons_ = 0;
    scriptPov_ = JoyInfo::PovCentered;
    for (size_t i = 0; i < scriptAxes_.size(); ++i)
        scriptAxes_[i] = virtualRest(int(i) + 1);
    QString error;
    if (!script_->open(path, &error)) {
        captureError_ = QStringLiteral("cannot read the virtual joystick's script, %1; name "
                                       "a readable file, a named pipe, or - for standard input")
                            .arg(error);
        return BadDevice;
    }
    const int index = attachVirtual();
    if (index < 0) {
        captureError_ = QStringLiteral("the virtual joystick cannot be made: %1")
                            .arg(QString::fromUtf8(SDL_GetError()));
        return CannotCapture;
    }
    if (!openDevice(index))
        return CannotCapture;
    // It changes only when its script says so: pumped when commands arrive
    // and when a wait runs out, never on a clock, so an idle program sleeps.
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
    if (eventsWanted_)
        SDL_EventState(SDL_JOYAXISMOTION, SDL_ENABLE);
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
    captured_ = result == Captured;
    arrangePump();
    return result;
}

JoyInfo SdlJoystick::poll()
{
    JoyInfo info;
    if (!sdlStarted_)
        return info;
    // The virtual joystick is read after each command of its script.
    if (!script_)
        update();
    sincePoll_.start();
    if (joy_) {
        info.dwButtons = liveButtons();
        if (SDL_JoystickNumHats(joy_) > 0)
            info.dwPOV = hatAngle(SDL_JoystickGetHat(joy_, 0));
    }
    if (info.dwButtons == 0 && info.dwPOV == JoyInfo::PovCentered) {
        info.dwButtons = latchedButtons_;
        info.dwPOV = latchedPov_;
    }
    // Down at both polls is one hold only if it never came up in between.
    info.pressedAgain =
        (info.dwButtons & releasedButtons_) != 0 || (!info.hatCentred() && hatRecentred_);
    latchedButtons_ = 0;
    latchedPov_ = JoyInfo::PovCentered;
    releasedButtons_ = 0;
    hatRecentred_ = false;
    return info;
}

void SdlJoystick::setMessagesWanted(bool wanted)
{
    if (wanted == messagesWanted_)
        return;
    held_ = 0;
    if (wanted && sdlStarted_) {
        // The first message is a change from the buttons held now.
        update();
        held_ = liveButtons() & 0xFu;
    }
    messagesWanted_ = wanted;
    arrangePump();
}

void SdlJoystick::setEventsWanted(bool wanted)
{
    if (wanted == eventsWanted_)
        return;
    if (sdlStarted_) {
        // Read what came before with events off: the first event is a
        // change from the state now.
        if (wanted)
            update();
        SDL_EventState(SDL_JOYAXISMOTION, wanted ? SDL_ENABLE : SDL_IGNORE);
        if (wanted)
            reportLiveState();
    }
    eventsWanted_ = wanted;
    arrangePump();
}

void SdlJoystick::arrangePump()
{
    // The virtual joystick changes only when its script says so.
    if (script_ || !captured_)
        return;
    if ((messagesWanted_ || eventsWanted_) && joy_) {
        if (!deviceNotifier_ && !pumpTimer_->isActive() && !watchDevice())
            pumpTimer_->start();
    } else {
        unwatchDevice();
        pumpTimer_->stop();
    }
    // The fast timer notices a device coming and going as well.
    if (pumpTimer_->isActive())
        hotPlug_->stop();
    else if (!hotPlug_->isActive())
        hotPlug_->start();
}

bool SdlJoystick::watchDevice()
{
    const char* path = SDL_JoystickPath(joy_);
    if (!path)
        return false;
    deviceFd_ = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (deviceFd_ < 0)
        return false;
    deviceNotifier_ = new QSocketNotifier(deviceFd_, QSocketNotifier::Read, this);
    connect(deviceNotifier_, &QSocketNotifier::activated, this, &SdlJoystick::readDevice);
    return true;
}

void SdlJoystick::unwatchDevice()
{
    if (deviceNotifier_) {
        // It may be the notifier whose signal is running.
        deviceNotifier_->setEnabled(false);
        deviceNotifier_->deleteLater();
        deviceNotifier_ = nullptr;
    }
    if (deviceFd_ >= 0)
        ::close(deviceFd_);
    deviceFd_ = -1;
}

void SdlJoystick::readDevice()
{
    // This copy of the device's input only says when to pump; SDL reads its
    // own. It is emptied, or it would keep the notifier firing.
    char buffer[1024];
    ssize_t n = 0;
    do {
        n = ::read(deviceFd_, buffer, sizeof buffer);
    } while (n > 0 || (n < 0 && errno == EINTR));
    if (n == 0 || errno != EAGAIN) {
        // Unplugged or failing: the timer pumps until SDL has seen it go.
        unwatchDevice();
        pumpTimer_->start();
        hotPlug_->stop();
    }
    pump();
}

void SdlJoystick::apply(const ScriptCommand& command)
{
    switch (command.kind) {
    case ScriptCommand::Press:
        scriptButtons_ |= 1u << (command.value - 1);
        break;
    case ScriptCommand::Release:
        scriptButtons_ &= ~(1u << (command.value - 1));
        break;
    case ScriptCommand::Buttons:
        scriptButtons_ = command.value;
        break;
    case ScriptCommand::Hat:
        scriptPov_ = command.value;
        break;
    case ScriptCommand::Axis:
        scriptAxes_[command.value - 1] =
            command.rest ? virtualRest(int(command.value)) : command.position;
        break;
    case ScriptCommand::Unplug:
        detachVirtual();
        return;
    case ScriptCommand::Plug:
        // Known again by its GUID, as a device plugged back in.
        if (virtualInstance_ < 0 && attachVirtual() >= 0)
            update();
        break;
    case ScriptCommand::Wait:
        return;
    }
    // Unplugged, the state is kept for the device's return.
    setVirtualState();
}

void SdlJoystick::applyScript()
{
    // A script fed faster than its messages go out waits for them, so that
    // they never pile up.
    while (script_->hasPending() && outbox_.size() < MaxOutbox) {
        if (waitMs_ > 0) {
            const qint64 left = waitMs_ - waitClock_.elapsed();
            if (left > 0) {
                resume_->start(int(left));
                return;
            }
            waitMs_ = 0;
        }
        const ScriptCommand command = script_->takeNext();
        if (command.kind == ScriptCommand::Wait) {
            waitMs_ = command.value;
            waitClock_.start();
            continue;
        }
        apply(command);
        // A press and release between two updates would be lost, so each
        // change is read on its own.
        update();
    }
}

void SdlJoystick::pump()
{
    if (!sdlStarted_)
        return;
    if (script_)
        applyScript();
    update();
}

void SdlJoystick::update()
{
    SDL_JoystickUpdate();
    handleEvents();
    if (!outbox_.empty())
        postDelivery();
}

void SdlJoystick::handleEvents()
{
    // Only state changes here: the messages go out later from the event
    // loop, as a receiver may run it from inside one of them.
    SDL_Event ev;
    while (SDL_PeepEvents(&ev, 1, SDL_GETEVENT, SDL_JOYAXISMOTION, SDL_JOYBATTERYUPDATED) == 1) {
        switch (ev.type) {
        case SDL_JOYAXISMOTION:
            if (eventsWanted_ && ev.jaxis.which == instance_ && ev.jaxis.axis < EventAxes)
                queueEvent({JoyEvent::Axis, ev.jaxis.axis + 1, ev.jaxis.value});
            break;
        case SDL_JOYHATMOTION:
            if (ev.jhat.which != instance_ || ev.jhat.hat != 0)
                break;
            if (ev.jhat.value != SDL_HAT_CENTERED)
                latchedPov_ = hatAngle(ev.jhat.value);
            else
                hatRecentred_ = true;
            if (eventsWanted_)
                queueEvent({JoyEvent::Hat, 0, ev.jhat.value & 0xF});
            break;
        case SDL_JOYBUTTONDOWN:
        case SDL_JOYBUTTONUP: {
            if (ev.jbutton.which != instance_)
                break;
            const bool down = ev.type == SDL_JOYBUTTONDOWN;
            if (ev.jbutton.button < 32) {
                (down ? latchedButtons_ : releasedButtons_) |= 1u << ev.jbutton.button;
                if (eventsWanted_)
                    queueEvent({JoyEvent::Button, ev.jbutton.button + 1, down ? 1 : 0});
            }
            if (!messagesWanted_ || ev.jbutton.button >= 4)
                break;
            const uint32_t bit = 1u << ev.jbutton.button;
            if (down == bool(held_ & bit))
                break;
            held_ ^= bit;
            outbox_.push_back({down ? Message::Down : Message::Up, held_ | (bit << 8), {}});
            break;
        }
        case SDL_JOYDEVICEREMOVED:
            if (ev.jdevice.which == instance_) {
                // Inputs held at the moment of unplugging are reported
                // released, so nothing waits for an up that never comes.
                if (eventsWanted_) {
                    queueRests();
                    outbox_.push_back({Message::Event, 0, {JoyEvent::Removed, 0, 0}});
                }
                for (uint32_t bit = 1; bit <= 8; bit <<= 1) {
                    if (held_ & bit) {
                        held_ &= ~bit;
                        outbox_.push_back({Message::Up, held_ | (bit << 8), {}});
                    }
                }
                closeDevice();
                arrangePump();
            }
            break;
        case SDL_JOYDEVICEADDED:
            if (!joy_) {
                // The device we had, or any when the user named none.
                const int index = ev.jdevice.which;
                if ((guidOf(index) == guid_ || spec_.isEmpty()) && openDevice(index))
                    arrangePump();
            }
            break;
        default:
            break;
        }
    }
}

void SdlJoystick::queueEvent(const JoyEvent& event)
{
    // SDL repeats a value now and then (an axis's first one, a recentring
    // of what was never pushed); the receiver hears of changes only.
    switch (event.kind) {
    case JoyEvent::Button: {
        const uint32_t bit = 1u << (event.index - 1);
        if (bool(sentButtons_ & bit) == bool(event.value))
            return;
        sentButtons_ ^= bit;
        break;
    }
    case JoyEvent::Hat:
        if (sentHat_ == event.value)
            return;
        sentHat_ = event.value;
        break;
    case JoyEvent::Axis: {
        int32_t& sent = sentAxes_[size_t(event.index - 1)];
        if (sent == event.value)
            return;
        sent = event.value;
        // A moving stick sends a flood: one that has not gone out yet is
        // overtaken by the newer value instead of queueing behind it.
        if (!outbox_.empty() && outbox_.back().kind == Message::Event &&
            outbox_.back().event.kind == JoyEvent::Axis &&
            outbox_.back().event.index == event.index) {
            outbox_.back().event.value = event.value;
            return;
        }
        break;
    }
    case JoyEvent::Removed:
        break;
    }
    outbox_.push_back({Message::Event, 0, event});
}

void SdlJoystick::queueRests()
{
    for (int b = 0; b < 32; ++b) {
        if (sentButtons_ & (1u << b))
            queueEvent({JoyEvent::Button, b + 1, 0});
    }
    queueEvent({JoyEvent::Hat, 0, 0});
    for (int k = 1; k <= EventAxes; ++k)
        queueEvent({JoyEvent::Axis, k, axisRest(k)});
}

void SdlJoystick::postDelivery()
{
    if (deliveryPosted_)
        return;
    deliveryPosted_ = true;
    QMetaObject::invokeMethod(
        this, [this] { deliver(); }, Qt::QueuedConnection);
}

void SdlJoystick::deliver()
{
    deliveryPosted_ = false;
    if (outbox_.empty())
        return;
    const Message message = outbox_.front();
    outbox_.pop_front();
    // One message per turn of the event loop: a receiver that runs a nested
    // loop inside this signal gets the next one there, and a nested loop
    // that this message ends returns before the next can start another.
    if (!outbox_.empty())
        postDelivery();
    else if (script_ && script_->hasPending())
        resume_->start(0); // the script waited for its messages to go out
    switch (message.kind) {
    case Message::Down:
        emit buttonDown(message.wParam);
        break;
    case Message::Up:
        emit buttonUp(message.wParam);
        break;
    case Message::Event:
        emit joyEvent(message.event);
        break;
    }
}

} // namespace corv
