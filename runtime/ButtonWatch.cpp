#include "runtime/ButtonWatch.h"

#include "engine/DispatchEngine.h"
#include "runtime/Messages.h"
#include "template/Inputs.h"

#include <QTextStream>

namespace corv
{

ButtonWatch::ButtonWatch(Joystick* joystick, QTextStream& out, QObject* parent)
    : ButtonWatch(joystick, out, stderr_, parent)
{
}

ButtonWatch::ButtonWatch(Joystick* joystick, QTextStream& out, QTextStream& inputs, QObject* parent)
    : QObject(parent), joystick_(joystick), out_(out), inputs_(inputs), capture_(joystick)
{
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &ButtonWatch::Poll);
    connect(joystick_, &Joystick::buttonDown, this, &ButtonWatch::buttonDown);
    // The player's defaults, which is what a template without thresholds gets.
    capture_.SetActive(true);
    connect(&capture_, &InputCapture::Captured, this, [this](InputMask inputs) {
        inputs_ << "corvplay: input " << InputMaskName(inputs) << Qt::endl;
    });
}

bool ButtonWatch::Start()
{
    const int result = joystick_->capture();
    if (result != Joystick::Captured) {
        Messages::PrintMessage(Joystick::captureMessage(result), joystick_->captureError());
        return false;
    }
    // Analog templates are driven by the button messages.
    joystick_->setMessagesWanted(true);
    // Gamepad templates are driven by the events.
    joystick_->setEventsWanted(true);
    last_ = joystick_->poll();
    write(QStringLiteral("Watching %1; Ctrl+C ends").arg(joystick_->description()));
    timer_.start(DispatchEngine::PollInterval);
    return true;
}

void ButtonWatch::Poll()
{
    const JoyInfo info = joystick_->poll();
    // Letting go is not a press; a hat turned while no button is down is.
    const bool pressed = (info.dwButtons & ~last_.dwButtons) != 0 ||
                         (info.dwButtons == 0 && !info.hatCentred() && info.dwPOV != last_.dwPOV);
    last_ = info;
    if (pressed)
        write(DescribePoll(info));
}

// Both kinds of template name a press by a ButtonId, and both lines show on
// each press, so each says which kind it is for.
QString ButtonWatch::DescribePoll(const JoyInfo& info)
{
    return QStringLiteral("digital: ") + ButtonIdName(info.buttonId(), true);
}

QString ButtonWatch::DescribeMessage(uint32_t wParam)
{
    return QStringLiteral("analog: ") + ButtonIdName(static_cast<int32_t>(wParam), false);
}

void ButtonWatch::buttonDown(uint32_t wParam)
{
    write(DescribeMessage(wParam));
}

void ButtonWatch::write(const QString& line)
{
    out_ << line << Qt::endl;
}

} // namespace corv
