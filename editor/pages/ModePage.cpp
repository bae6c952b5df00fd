#include "editor/pages/ModePage.h"

#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

namespace corv::editor
{

ModePage::ModePage(Template& doc, QTabWidget* pages, TfrmSelect* frmSelect)
    : EditorPage(doc, pages, "tabMode", "Mode", QStringLiteral("Mode Switching Details:"))
{
    tabMode = this;
    QGroupBox* group = Group();
    auto* layout = new QGridLayout(group);
    AddExplanations(layout, 0,
                    {"If you want to be able to switch \"modes\" on your joystick and use "
                     "virtual buttons, you must choose either a joystick button OR a keyboard "
                     "key to be used for mode switching."},
                    group);
    txtSwitchId = Field("txtSwitchId", QString(), true, group);
    txtSwitchId->hide();
    txtSwitchDesc = Field("txtSwitchDesc",
                          QStringLiteral("Only identified buttons will appear here"), true, group);
    // The switch key is a plain key: the dialog offers no modifiers for it.
    txtSwitchKey = KeystrokeField("txtSwitchKey", frmSelect, false, group);
    layout->addWidget(
        new QLabel(QStringLiteral("Joystick Button - [ Press Required Joystick Button ]"), group),
        1, 0);
    layout->addWidget(txtSwitchDesc, 1, 1);
    layout->addWidget(
        new QLabel(QStringLiteral("Keystroke - [ Double Click for Selection ]"), group), 2, 0);
    layout->addWidget(txtSwitchKey, 2, 1);
    AddExplanations(layout, 3,
                    {"When you run CORVPLAY.EXE, it will display what \"mode\" you are in. To "
                     "change the default names for each mode, edit the descriptions below."},
                    group);
    auto* names = new QGridLayout;
    for (int n = 1; n <= MaxModes; ++n) {
        QLineEdit* name = Field(qPrintable(QStringLiteral("txtMode%1Name").arg(n)),
                                QStringLiteral("Name for mode %1").arg(n), false, group);
        name->setMaxLength(MaxTextLength);
        txtModeName[size_t(n - 1)] = name;
        names->addWidget(new QLabel(QStringLiteral("Mode %1:").arg(n), group), n - 1, 0);
        names->addWidget(name, n - 1, 1);
        connect(name, &QLineEdit::textChanged, this, [this, n](const QString& text) {
            doc_.ModeNames[size_t(n - 1)] = text;
            emit DocumentEdited();
        });
    }
    layout->addLayout(names, 4, 0, 1, 2);
    layout->setRowStretch(5, 1);
    connect(txtSwitchId, &QLineEdit::textChanged, this, [this](const QString& text) {
        doc_.ModeSwitchButton = text;
        // A switch button that is not identified has no description to
        // show, but must be seen to be cleared: its ButtonId stands in.
        txtSwitchDesc->setPlaceholderText(text);
        emit DocumentEdited();
    });
    connect(txtSwitchKey, &QLineEdit::textChanged, this, [this](const QString& text) {
        doc_.ModeSwitchKey = text;
        emit DocumentEdited();
    });
}

void ModePage::ShowDocument()
{
    // Each field copies its value back into the document as it changes.
    const Template d = doc_;
    for (int n = 0; n < MaxModes; ++n)
        txtModeName[size_t(n)]->setText(d.ModeNames[size_t(n)]);
    txtSwitchId->setText(d.ModeSwitchButton);
    txtSwitchDesc->setText(doc_.DescriptionOf(d.ModeSwitchButton));
    txtSwitchKey->setText(d.ModeSwitchKey);
}

void ModePage::PageShown()
{
    if (!txtSwitchId->text().isEmpty())
        txtSwitchDesc->setText(doc_.DescriptionOf(txtSwitchId->text()));
}

void ModePage::ShowPress(const QString& id)
{
    if (IdentifiedIndex(id) < 0) {
        txtSwitchId->clear();
        txtSwitchDesc->clear();
        return;
    }
    QApplication::beep();
    txtSwitchId->setText(id);
    txtSwitchDesc->setText(doc_.DescriptionOf(id));
}

void ModePage::Clear()
{
    txtSwitchId->clear();
    txtSwitchDesc->clear();
    txtSwitchKey->clear();
    txtSwitchDesc->setFocus();
}

} // namespace corv::editor
