#pragma once

#include "editor/pages/EditorPage.h"

namespace corv::editor
{

// Button identification: a press shows its ButtonId, the user names it
// and adds it to the identified buttons.
class IdentifyPage : public EditorPage
{
    Q_OBJECT
public:
    IdentifyPage(Template& doc, QTabWidget* pages);

    QLineEdit* txtIdentifyId;
    QLineEdit* txtIdentifyDesc;
    QListWidget* lstIdentify;
    QLabel* lblNoJoystickIdentify; // shown while no joystick is captured

    void ResetFields() override;
    void ShowDocument() override { ShowIdentifiedList(); }
    bool ReadsJoystick() const override { return true; }
    void ShowPress(const QString& id) override;
    void Add() override { AddIdentifiedButton(); }
    void Delete() override { DeleteIdentifiedButton(); }
    void Clear() override;
    void ShowJoystickMissing(bool missing) override;

    void AddIdentifiedButton();
    void DeleteIdentifiedButton();
    void lstIdentifyClick();

private:
    void ShowIdentifiedList();
};

} // namespace corv::editor
