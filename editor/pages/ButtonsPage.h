#pragma once

#include "editor/pages/EditorPage.h"

#include <array>

class QComboBox;
class QSpinBox;

namespace corv::editor
{

// The controls of the Buttons page, which the window holding the pages
// shows too (TfrmMain derives from it).
struct ButtonsControls {
    QWidget* tabButtons = nullptr; // the page
    QLineEdit* txtButtonId = nullptr;
    QLineEdit* txtButtonDesc = nullptr;
    QComboBox* cmbMode = nullptr;
    QLineEdit* txtButtonPurpose = nullptr;
    QComboBox* cmbRepeat = nullptr;
    std::array<QLineEdit*, MaxSlots> txtKey{}; // txtKey1..txtKey6
    QListWidget* lstButtonSummary = nullptr;
    QLabel* lblNoJoystickButtons = nullptr;
    // What the keystrokes do while the button is held, and their timing;
    // each is enabled only where it applies. 0 in a spin box is the default.
    QComboBox* cmbAction = nullptr;     // Tap, Hold, Toggle, Turbo (+ Mode, Layer)
    QComboBox* cmbActionMode = nullptr; // the mode of Mode and Layer
    QSpinBox* spnRate = nullptr;        // ms between sends of Turbo and Repeat
    QSpinBox* spnPressMs = nullptr;     // ms each tapped key stays down
    QSpinBox* spnGapMs = nullptr;       // ms between the slots of a tap
};

// The keystrokes of an identified button in the mode being programmed.
class ButtonsPage : public EditorPage, public ButtonsControls
{
    Q_OBJECT
public:
    // currentMode is the window's mode being programmed (1..MaxModes),
    // which cmbMode changes.
    ButtonsPage(Template& doc, QTabWidget* pages, TfrmSelect* frmSelect, int& currentMode);

    // Mode 1, nothing typed, no mappings listed.
    void ResetFields() override;
    void ShowDocument() override { RefreshModeNames(); }
    void PageShown() override;
    bool ReadsJoystick() const override { return true; }
    void ShowPress(const QString& id) override;
    void Add() override { AddOrModifyMapping(); }
    void Delete() override { DeleteMapping(); }
    void Clear() override;
    void ShowJoystickMissing(bool missing) override;

    void RefreshModeNames();
    void FillModeList();
    void LoadMappingFields(const QString& buttonId);
    void ClearMappingFields();
    // Where a ButtonId stands among the current mode's mappings (the lines
    // of lstButtonSummary), or -1.
    int MappingIndex(const QString& buttonId) const;
    void AddOrModifyMapping();
    void DeleteMapping();
    void lstButtonSummaryClick();
    void lstButtonSummaryExit();
    void cmbModeChange();
    void txtButtonIdChange();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void EmptyButtonFields();
    // The action controls from a mapping's newer keys, and back.
    void LoadAction(const ButtonMapping& mapping);
    void SaveAction(ButtonMapping& mapping) const;
    void EnableActionFields();
    QList<ButtonMapping>& CurrentMappings() { return doc_.Mappings[size_t(currentMode_ - 1)]; }

    int& currentMode_;
};

} // namespace corv::editor
