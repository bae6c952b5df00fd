#pragma once

#include "editor/pages/EditorPage.h"

#include <array>

namespace corv::editor
{

// The controls of the Mode page, which the window holding the pages
// shows too (TfrmMain derives from it).
struct ModeControls {
    QWidget* tabMode = nullptr;       // the page
    QLineEdit* txtSwitchId = nullptr; // hidden: the switch button's ButtonId
    QLineEdit* txtSwitchDesc = nullptr;
    QLineEdit* txtSwitchKey = nullptr;
    std::array<QLineEdit*, MaxModes> txtModeName{}; // txtMode1Name..txtMode5Name
};

// How modes are switched, by an identified button or a plain key, and the
// modes' names.
class ModePage : public EditorPage, public ModeControls
{
    Q_OBJECT
public:
    ModePage(Template& doc, QTabWidget* pages, TfrmSelect* frmSelect);

    void ShowDocument() override;
    void PageShown() override;
    bool ReadsJoystick() const override { return true; }
    void ShowPress(const QString& id) override;
    void Clear() override;
};

} // namespace corv::editor
