#pragma once

#include "editor/pages/EditorPage.h"

class QRadioButton;

namespace corv::editor
{

// The controls of the Type page, which the window holding the pages
// shows too (TfrmMain derives from it).
struct TypeControls {
    QWidget* tabType = nullptr; // the page
    QRadioButton* rbDigital = nullptr;
    QRadioButton* rbAnalogue = nullptr;
};

// The device type. A change empties the template, which the window holding
// the document asks about: the page only says which type was chosen.
class TypePage : public EditorPage, public TypeControls
{
    Q_OBJECT
public:
    TypePage(Template& doc, QTabWidget* pages);

    // Selects the radio button of the document's device type.
    void ShowDocument() override;
    void rbDigitalClick();
    void rbAnalogueClick();
    void DisableDeviceTypeChoice();
    void EnableDeviceTypeChoice();

signals:
    // A type other than the document's was chosen (digital or not).
    void DeviceTypeChosen(bool digital);
};

} // namespace corv::editor
