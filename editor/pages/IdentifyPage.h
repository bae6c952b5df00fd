#pragma once

#include "editor/pages/EditorPage.h"

namespace corv::editor
{

// The controls of the Identify page, which the window holding the pages
// shows too (TfrmMain derives from it).
struct IdentifyControls {
    QWidget* tabIdentify = nullptr; // the page
    QLineEdit* txtIdentifyId = nullptr;
    QLineEdit* txtIdentifyDesc = nullptr;
    QListWidget* lstIdentify = nullptr;
    QLabel* lblNoJoystickIdentify = nullptr; // shown while no joystick is captured
};

// Button identification: a press shows its ButtonId, the user names it
// and adds it to the identified buttons.
class IdentifyPage : public EditorPage, public IdentifyControls
{
    Q_OBJECT
public:
    IdentifyPage(Template& doc, QTabWidget* pages);

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
