#pragma once

#include "editor/pages/EditorPage.h"

class QSlider;
class QSpinBox;

namespace corv::editor
{

// The controls of the Response page, which the window holding the pages
// shows too (TfrmMain derives from it).
struct ResponseControls {
    QWidget* tabResponse = nullptr; // the page
    QSlider* trkResponse = nullptr;
    QLabel* lblResponseValue = nullptr;
    // A gamepad template's chord window and axis threshold.
    QSpinBox* spnChordMs = nullptr;
    QSpinBox* spnAxisThreshold = nullptr;
};

// How eagerly the player polls the joystick.
class ResponsePage : public EditorPage, public ResponseControls
{
    Q_OBJECT
public:
    ResponsePage(Template& doc, QTabWidget* pages);

    void ShowDocument() override;
    void trkResponseChange();
    void spnGamepadChange();
};

} // namespace corv::editor
