#pragma once

#include "editor/pages/EditorPage.h"

class QSlider;

namespace corv::editor
{

// How eagerly the player polls the joystick.
class ResponsePage : public EditorPage
{
    Q_OBJECT
public:
    ResponsePage(Template& doc, QTabWidget* pages);

    QSlider* trkResponse;
    QLabel* lblResponseValue;

    void ShowDocument() override;
    void trkResponseChange();
};

} // namespace corv::editor
