#pragma once

#include "editor/pages/EditorPage.h"

#include <array>

namespace corv::editor
{

// How modes are switched, by an identified button or a plain key, and the
// modes' names.
class ModePage : public EditorPage
{
    Q_OBJECT
public:
    ModePage(Template& doc, QTabWidget* pages, TfrmSelect* frmSelect);

    QLineEdit* txtSwitchId; // hidden: the switch button's ButtonId
    QLineEdit* txtSwitchDesc;
    QLineEdit* txtSwitchKey;
    std::array<QLineEdit*, MaxModes> txtModeName{}; // txtMode1Name..txtMode5Name

    void ShowDocument() override;
    void PageShown() override;
    bool ReadsJoystick() const override { return true; }
    void ShowPress(const QString& id) override;
    void Clear() override;
};

} // namespace corv::editor
