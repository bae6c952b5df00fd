#pragma once

#include "engine/InputState.h"
#include "platform/Joystick.h"
#include "template/Inputs.h"
#include "template/RuntimeTemplate.h"

#include <QObject>
#include <QTimer>

namespace corv
{

// Names what is pressed on the joystick the way a gamepad template names
// it: one input past its threshold, or the chord of every input pressed
// within the chord window of the first. For the places that identify a
// press (corvplay --watch, the editor), not for play.
class InputCapture : public QObject
{
    Q_OBJECT
public:
    explicit InputCapture(Joystick* joystick, QObject* parent = nullptr);

    // Events on or off, with a template's chord window and axis threshold
    // (the player's defaults for one that sets neither); either way what is
    // down is forgotten.
    void SetActive(bool active, int chordMs = RuntimeTemplate::DefaultChordMs,
                   int axisThreshold = RuntimeTemplate::DefaultAxisThreshold);

signals:
    // Once the chord window of the first of them has passed.
    void Captured(corv::InputMask inputs);

private:
    void joyEvent(const JoyEvent& event);
    void windowPassed();

    Joystick* joystick_;
    bool active_ = false;
    int chordMs_ = RuntimeTemplate::DefaultChordMs;
    InputState state_;
    InputMask chord_ = 0; // pressed since the window opened
    QTimer window_;
};

} // namespace corv
