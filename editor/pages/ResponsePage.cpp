#include "editor/pages/ResponsePage.h"

#include "editor/Summary.h"
#include "template/RuntimeTemplate.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QSlider>
#include <QSpinBox>

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

    // How a gamepad template tells its inputs apart.
    layout->addWidget(Explanation("GAMEPAD - Buttons pressed within the chord window of each "
                                  "other act as one chord. A stick or trigger acts once it has "
                                  "moved the threshold of the way from rest to its end.",
                                  group),
                      row++, 0, 1, 3);
    spnChordMs = new QSpinBox(group);
    spnChordMs->setObjectName(QStringLiteral("spnChordMs"));
    spnChordMs->setRange(0, RuntimeTemplate::MaxChordMs);
    spnChordMs->setSuffix(QStringLiteral(" ms"));
    spnChordMs->setToolTip(QStringLiteral("How close together buttons must be pressed to be a "
                                          "chord; 0 for no chords"));
    spnAxisThreshold = new QSpinBox(group);
    spnAxisThreshold->setObjectName(QStringLiteral("spnAxisThreshold"));
    spnAxisThreshold->setRange(RuntimeTemplate::MinAxisThreshold,
                               RuntimeTemplate::MaxAxisThreshold);
    spnAxisThreshold->setSuffix(QStringLiteral(" %"));
    spnAxisThreshold->setToolTip(
        QStringLiteral("How far a stick or trigger must move before it acts"));
    layout->addWidget(new QLabel(QStringLiteral("Chord Window:"), group), row, 0);
    layout->addWidget(spnChordMs, row++, 1, Qt::AlignLeft);
    layout->addWidget(new QLabel(QStringLiteral("Axis Threshold:"), group), row, 0);
    layout->addWidget(spnAxisThreshold, row++, 1, Qt::AlignLeft);
    layout->setRowStretch(row, 1);
    connect(trkResponse, &QSlider::valueChanged, this, &ResponsePage::trkResponseChange);
    connect(spnChordMs, &QSpinBox::valueChanged, this, &ResponsePage::spnGamepadChange);
    connect(spnAxisThreshold, &QSpinBox::valueChanged, this, &ResponsePage::spnGamepadChange);
}

void ResponsePage::ShowDocument()
{
    trkResponse->setValue(doc_.Response);
    trkResponseChange();
    // Shown as the player reads them; only a gamepad template has them.
    const QSignalBlocker chord(spnChordMs);
    const QSignalBlocker threshold(spnAxisThreshold);
    spnChordMs->setValue(
        doc_.GlobalNumber(QStringLiteral("CHORD_MS"), RuntimeTemplate::DefaultChordMs));
    spnAxisThreshold->setValue(
        doc_.GlobalNumber(QStringLiteral("AXIS_THRESHOLD"), RuntimeTemplate::DefaultAxisThreshold));
    spnChordMs->setEnabled(doc_.SeparateInputs());
    spnAxisThreshold->setEnabled(doc_.SeparateInputs());
}

void ResponsePage::spnGamepadChange()
{
    doc_.SetGlobalNumber(QStringLiteral("CHORD_MS"), spnChordMs->value(),
                         RuntimeTemplate::DefaultChordMs);
    doc_.SetGlobalNumber(QStringLiteral("AXIS_THRESHOLD"), spnAxisThreshold->value(),
                         RuntimeTemplate::DefaultAxisThreshold);
    emit DocumentEdited();
}

void ResponsePage::trkResponseChange()
{
    doc_.Response = trkResponse->value();
    lblResponseValue->setText(ResponseName(trkResponse->value()));
    emit DocumentEdited();
}

} // namespace corv::editor
