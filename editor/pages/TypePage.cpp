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
         "Some devices will work in either mode such as CH Products' Flightstick Pro."},
        group);
    rbDigital = new QRadioButton(QStringLiteral("Digital"), group);
    rbDigital->setObjectName(QStringLiteral("rbDigital"));
    rbDigital->setToolTip(QStringLiteral("Set device type to Digital"));
    rbDigital->setChecked(true);
    rbAnalogue = new QRadioButton(QStringLiteral("Analog"), group);
    rbAnalogue->setObjectName(QStringLiteral("rbAnalogue"));
    rbAnalogue->setToolTip(QStringLiteral("Set device type to Analog"));
    layout->addWidget(rbDigital, row++, 0);
    layout->addWidget(rbAnalogue, row++, 0);
    layout->setRowStretch(row, 1);
    connect(rbDigital, &QRadioButton::clicked, this, &TypePage::rbDigitalClick);
    connect(rbAnalogue, &QRadioButton::clicked, this, &TypePage::rbAnalogueClick);
}

void TypePage::ShowDocument()
{
    if (doc_.DigitalDevice)
        rbDigital->setChecked(true);
    else
        rbAnalogue->setChecked(true);
}

void TypePage::rbDigitalClick()
{
    if (!doc_.DigitalDevice)
        emit DeviceTypeChosen(true);
}

void TypePage::rbAnalogueClick()
{
    if (doc_.DigitalDevice)
        emit DeviceTypeChosen(false);
}

void TypePage::DisableDeviceTypeChoice()
{
    rbDigital->setEnabled(false);
    rbAnalogue->setEnabled(false);
}

void TypePage::EnableDeviceTypeChoice()
{
    rbDigital->setEnabled(true);
    rbAnalogue->setEnabled(true);
}

} // namespace corv::editor
