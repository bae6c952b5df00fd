#include "editor/pages/IdentifyPage.h"

#include "editor/MessageBox.h"

#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

namespace corv::editor
{

namespace
{
const QString Information = QStringLiteral("Information");
const QString Confirm = QStringLiteral("Confirm");
} // namespace

IdentifyPage::IdentifyPage(Template& doc, QTabWidget* pages)
    : EditorPage(doc, pages, "tabIdentify", "Identify", QStringLiteral("Button Identification:"))
{
    tabIdentify = this;
    QGroupBox* group = Group();
    auto* layout = new QGridLayout(group);
    AddExplanations(layout, 0,
                    {"Before you can assign keystrokes to the buttons on your joystick, you will "
                     "need to identify each button you wish to program.",
                     "To do this, press each button on your joystick, type a description, and "
                     "click Add.",
                     "TIP: The first time you use this software, identify every button on your "
                     "joystick and then save the template. This can then be used as a master "
                     "template for future programming."},
                    group);
    txtIdentifyId = Field("txtIdentifyId",
                          QStringLiteral("As you press a joystick button, this field will change"),
                          true, group);
    txtIdentifyDesc = Field("txtIdentifyDesc",
                            QStringLiteral("Type a meaningful description for the button (eg top "
                                           "left, bottom right)"),
                            false, group);
    txtIdentifyDesc->setMaxLength(MaxButtonDescLength);
    lstIdentify = List("lstIdentify", 43, group, true);
    lstIdentify->setToolTip(QStringLiteral("The list of buttons that have been identified"));
    layout->addWidget(new QLabel(QStringLiteral("Button ID:"), group), 3, 0);
    layout->addWidget(txtIdentifyId, 4, 0);
    layout->addWidget(new QLabel(QStringLiteral("Button Description:"), group), 5, 0);
    layout->addWidget(txtIdentifyDesc, 6, 0);
    layout->addWidget(new QLabel(QStringLiteral("Identified Buttons:"), group), 3, 1);
    layout->addWidget(lstIdentify, 4, 1, 4, 1);
    layout->setRowStretch(7, 1);
    lblNoJoystickIdentify = NoJoystickLabel("lblNoJoystickIdentify", group);
    layout->addWidget(lblNoJoystickIdentify, 8, 0, 1, -1);
    connect(lstIdentify, &QListWidget::itemSelectionChanged, this, &IdentifyPage::lstIdentifyClick);
    connect(lstIdentify, &QListWidget::itemClicked, this, &IdentifyPage::lstIdentifyClick);
}

void IdentifyPage::ResetFields()
{
    txtIdentifyId->clear();
    txtIdentifyDesc->clear();
}

void IdentifyPage::ShowPress(const QString& id)
{
    QApplication::beep();
    lstIdentify->clearSelection();
    txtIdentifyDesc->setFocus();
    txtIdentifyId->setText(id);
    // A known button shows its description, so that Add renames it.
    txtIdentifyDesc->setText(doc_.DescriptionOf(id));
}

void IdentifyPage::Clear()
{
    txtIdentifyId->clear();
    txtIdentifyDesc->clear();
    lstIdentify->clearSelection();
    txtIdentifyDesc->setFocus();
}

void IdentifyPage::ShowJoystickMissing(bool missing)
{
    lblNoJoystickIdentify->setVisible(missing);
}

void IdentifyPage::ShowIdentifiedList()
{
    lstIdentify->clear();
    for (const IdentifiedButton& button : doc_.IdentifiedButtons)
        lstIdentify->addItem(MappingLine(button.ButtonId, button.Description));
}

void IdentifyPage::AddIdentifiedButton()
{
    const QString id = txtIdentifyId->text();
    const QString description = txtIdentifyDesc->text();
    if (id.isEmpty()) {
        ShowMessage(QMessageBox::Information, Information,
                    QStringLiteral("Please choose a button first"));
        txtIdentifyDesc->setFocus();
        return;
    }
    if (description.isEmpty()) {
        ShowMessage(QMessageBox::Information, Information,
                    QStringLiteral("Please type a description for this button"));
        txtIdentifyDesc->setFocus();
        return;
    }
    const int i = IdentifiedIndex(id);
    if (i < 0)
        doc_.IdentifiedButtons.append({id, description});
    else
        doc_.IdentifiedButtons[i].Description = description; // keeps its place and mappings
    ShowIdentifiedList();
    emit DocumentEdited();
    txtIdentifyId->clear();
    txtIdentifyDesc->clear();
    QApplication::beep();
}

void IdentifyPage::DeleteIdentifiedButton()
{
    const QString id = txtIdentifyId->text();
    const int i = IdentifiedIndex(id);
    QString refusal;
    if (doc_.IdentifiedButtons.isEmpty())
        refusal = QStringLiteral("There are no buttons to delete");
    else if (id.isEmpty())
        refusal = QStringLiteral("No button selected, you must select a button first");
    else if (i < 0)
        refusal = QStringLiteral("This button has not been added yet");
    else if (doc_.IsButtonProgrammed(id))
        refusal = QStringLiteral(
            "This button has been programmed, delete it from the \"Buttons\" tab first");
    else if (id == doc_.ModeSwitchButton)
        refusal = QStringLiteral(
            "This button is the mode switching button, clear it from the \"Mode\" tab first");
    if (!refusal.isEmpty()) {
        ShowMessage(QMessageBox::Information, Information, refusal);
        return;
    }
    if (ShowMessage(QMessageBox::Question, Confirm, QStringLiteral("Delete this button")) !=
        QMessageBox::Ok)
        return;
    // A press during the question may have changed the field, not the
    // document: delete the button that passed the checks.
    doc_.IdentifiedButtons.removeAt(i);
    ShowIdentifiedList();
    emit DocumentEdited();
    Clear();
}

void IdentifyPage::lstIdentifyClick()
{
    const QList<QListWidgetItem*> selected = lstIdentify->selectedItems();
    if (selected.isEmpty())
        return;
    const int i = lstIdentify->row(selected.first());
    if (i < 0 || i >= doc_.IdentifiedButtons.size())
        return;
    const IdentifiedButton button = doc_.IdentifiedButtons[i];
    txtIdentifyId->setText(button.ButtonId);
    txtIdentifyDesc->setText(button.Description);
}

} // namespace corv::editor
