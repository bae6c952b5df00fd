#pragma once

#include "engine/InputCapture.h"
#include "platform/Joystick.h"
#include "template/Inputs.h"

#include <QObject>
#include <QString>
#include <QTextStream>
#include <QTimer>
#include <cstdint>

namespace corv
{

// corvplay --watch: writes one line for each new press on joystick 1, in
// the numbers a template uses: the ButtonId a digital template's poll sees
// ("3 (buttons 1+2)", "9000 (hat right)") and the button-message word an
// analog template sees ("analog 257 (button 1)"). The names a gamepad
// (INPUTS=SEPARATE) template uses go to a stream of their own, standard
// error unless given, so that standard output keeps its lines as they were:
// "corvplay: input B3", "corvplay: input AXIS2_NEG", and a chord pressed
// within the chord window as "corvplay: input B1+B2".
class ButtonWatch : public QObject
{
    Q_OBJECT
public:
    ButtonWatch(Joystick* joystick, QTextStream& out, QObject* parent = nullptr);
    ButtonWatch(Joystick* joystick, QTextStream& out, QTextStream& inputs,
                QObject* parent = nullptr);

    // Captures the joystick, names it on the first line and starts polling
    // at the player's interval. False, with the reason on standard error,
    // when there is no joystick to watch.
    bool Start();
    // One poll: a line when something is pressed that was not before.
    void Poll();

    static QString DescribePoll(const JoyInfo& info);
    static QString DescribeMessage(uint32_t wParam);

private:
    void buttonDown(uint32_t wParam);
    void write(const QString& line);

    Joystick* joystick_;
    QTextStream& out_;
    QTextStream stderr_{stderr}; // the names' stream unless one is given
    QTextStream& inputs_;
    QTimer timer_;
    JoyInfo last_;
    InputCapture capture_;
};

} // namespace corv
