#include "editor/pages/ResponsePage.h"

#include "editor/Summary.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QSlider>

namespace corv::editor
{

ResponsePage::ResponsePage(Template& doc, QTabWidget* pages)
    : EditorPage(doc, pages, "tabResponse", "Response", QStringLiteral("Button Responsivness:"))
{
    tabResponse = this;
    QGroupBox* group = Group();
    auto* layout = new QGridLayout(group);
    int row = AddExplanations(
        layout, 0,
        {"You may find that joystick button presses in some games do not respond quickly "
         "enough. For most games this should NOT be the case. You can alter the responsivness "
         "of button presses by setting the slider below.",
         "Normally, you will NOT need to modify this setting.",
         "IMPORTANT: Setting the slider too high can severly impact the performance of your "
         "game or even your entire system. Use with care."},
        group);
    trkResponse = new QSlider(Qt::Horizontal, group);
    trkResponse->setObjectName(QStringLiteral("trkResponse"));
    trkResponse->setToolTip(QStringLiteral("Button responsiveness setting"));
    trkResponse->setRange(0, 6);
    trkResponse->setPageStep(1);
    trkResponse->setTickInterval(1);
    trkResponse->setTickPosition(QSlider::TicksBelow);
    trkResponse->setValue(3);
    lblResponseValue = new QLabel(group);
    lblResponseValue->setObjectName(QStringLiteral("lblResponseValue"));
    lblResponseValue->setAlignment(Qt::AlignCenter);
    layout->addWidget(new QLabel(QStringLiteral("Lowest"), group), row, 0);
    layout->addWidget(trkResponse, row, 1);
    layout->addWidget(new QLabel(QStringLiteral("Highest"), group), row++, 2);
    layout->addWidget(lblResponseValue, row++, 1);
    layout->setRowStretch(row, 1);
    connect(trkResponse, &QSlider::valueChanged, this, &ResponsePage::trkResponseChange);
}

void ResponsePage::ShowDocument()
{
    trkResponse->setValue(doc_.Response);
    trkResponseChange();
}

void ResponsePage::trkResponseChange()
{
    doc_.Response = trkResponse->value();
    lblResponseValue->setText(ResponseName(trkResponse->value()));
    emit DocumentEdited();
}

} // namespace corv::editor
