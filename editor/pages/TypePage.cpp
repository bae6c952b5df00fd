#include "editor/pages/TypePage.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QRadioButton>

namespace corv::editor
{

TypePage::TypePage(Template& doc, QTabWidget* pages)
    : EditorPage(doc, pages, "tabType", "Type", QStringLiteral("Device Type:"))
{
    tabType = this;
    QGroupBox* group = Group();
    auto* layout = new QGridLayout(group);
    int row = AddExplanations(
        layout, 0,
        {"Different devices connected to your games port can detect button presses using 2 "
         "different methods. Although not strictly correct, I have called these methods Digital "
         "and Analog.",
         "Only change from Digital to Analog if your button presses are not being detected.",
         "DIGITAL - This is the default device type and would be used by most modern day "
         "devices. Any joystick or device with many buttons or axis of movement would be a "
         "Digital device.For example the Microsoft Sidewinder 3D Pro.",
         "ANALOG - Used by some older style or simpler devices. Joysticks with only 2 or 4 "
         "buttons would probably fit this category. For example, the Warrior 5 QuickShot "
         "joystick by Bondwell.",
         "Some devices will work in either mode such as CH Products' Flightstick Pro.",
         "GAMEPAD - For modern game pads played in real time. Each button, hat direction, "
         "stick direction and trigger acts on its own, so keys can be held while a stick is "
         "pushed and two buttons pressed together can do something else. Buttons are named "
         "B1, B2..., sticks and triggers AXIS1_POS, AXIS1_NEG..."},
        group);
    rbDigital = new QRadioButton(QStringLiteral("Digital"), group);
    rbDigital->setObjectName(QStringLiteral("rbDigital"));
    rbDigital->setToolTip(QStringLiteral("Set device type to Digital"));
    rbDigital->setChecked(true);
    rbAnalogue = new QRadioButton(QStringLiteral("Analog"), group);
    rbAnalogue->setObjectName(QStringLiteral("rbAnalogue"));
    rbAnalogue->setToolTip(QStringLiteral("Set device type to Analog"));
    rbGamepad =
        new QRadioButton(QStringLiteral("Gamepad (separate inputs, sticks and triggers)"), group);
    rbGamepad->setObjectName(QStringLiteral("rbGamepad"));
    rbGamepad->setToolTip(QStringLiteral("Set device type to Gamepad"));
    layout->addWidget(rbDigital, row++, 0);
    layout->addWidget(rbAnalogue, row++, 0);
    layout->addWidget(rbGamepad, row++, 0);
    layout->setRowStretch(row, 1);
    connect(rbDigital, &QRadioButton::clicked, this, &TypePage::rbDigitalClick);
    connect(rbAnalogue, &QRadioButton::clicked, this, &TypePage::rbAnalogueClick);
    connect(rbGamepad, &QRadioButton::clicked, this, &TypePage::rbGamepadClick);
}

DeviceType DeviceTypeOf(const Template& doc)
{
    if (!doc.DigitalDevice)
        return DeviceType::Analog;
    return doc.SeparateInputs() ? DeviceType::Gamepad : DeviceType::Digital;
}

void SetDeviceType(Template& doc, DeviceType type)
{
    doc.DigitalDevice = type != DeviceType::Analog;
    doc.SetSeparateInputs(type == DeviceType::Gamepad);
}

QString ChangeWarning(DeviceType from, DeviceType to)
{
    static const char* const names[] = {"Analog", "Digital", "Gamepad"};
    return QStringLiteral("Changing from %1 to %2 will clear all settings. Continue?")
        .arg(QLatin1String(names[int(from)]), QLatin1String(names[int(to)]));
}

void TypePage::ShowDocument()
{
    switch (DeviceTypeOf(doc_)) {
    case DeviceType::Analog:
        rbAnalogue->setChecked(true);
        break;
    case DeviceType::Digital:
        rbDigital->setChecked(true);
        break;
    case DeviceType::Gamepad:
        rbGamepad->setChecked(true);
        break;
    }
}

void TypePage::rbDigitalClick()
{
    if (DeviceTypeOf(doc_) != DeviceType::Digital)
        emit DeviceTypeChosen(DeviceType::Digital);
}

void TypePage::rbAnalogueClick()
{
    if (DeviceTypeOf(doc_) != DeviceType::Analog)
        emit DeviceTypeChosen(DeviceType::Analog);
}

void TypePage::rbGamepadClick()
{
    if (DeviceTypeOf(doc_) != DeviceType::Gamepad)
        emit DeviceTypeChosen(DeviceType::Gamepad);
}

void TypePage::DisableDeviceTypeChoice()
{
    for (QRadioButton* rb : {rbDigital, rbAnalogue, rbGamepad})
        rb->setEnabled(false);
}

void TypePage::EnableDeviceTypeChoice()
{
    for (QRadioButton* rb : {rbDigital, rbAnalogue, rbGamepad})
        rb->setEnabled(true);
}

} // namespace corv::editor
