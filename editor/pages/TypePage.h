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
    QRadioButton* rbGamepad = nullptr;
};

// The three kinds of template; Gamepad is a digital one with INPUTS=SEPARATE.
enum class DeviceType { Analog, Digital, Gamepad };
DeviceType DeviceTypeOf(const Template& doc);
void SetDeviceType(Template& doc, DeviceType type);
// "Changing from Digital to Analog will clear all settings. Continue?"
QString ChangeWarning(DeviceType from, DeviceType to);

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
    void rbGamepadClick();
    void DisableDeviceTypeChoice();
    void EnableDeviceTypeChoice();

signals:
    // A type other than the document's was chosen.
    void DeviceTypeChosen(corv::editor::DeviceType type);
};

} // namespace corv::editor
