#pragma once

#include "editor/pages/EditorPage.h"

class QFontDialog;
class QPushButton;

namespace corv
{
class TColorGrid;
} // namespace corv

namespace corv::editor
{

// The controls of the Appearance page, which the window holding the pages
// shows too (TfrmMain derives from it).
struct AppearanceControls {
    QWidget* tabAppearance = nullptr; // the page
    TColorGrid* ColorGrid1 = nullptr;
    QPushButton* btnFont = nullptr;
    QPushButton* btnDefault = nullptr;
    QLabel* pnlExample = nullptr;
    QFontDialog* FontDialog1 = nullptr;
};

// The mode window's colours and font, with an example of it.
class AppearancePage : public EditorPage, public AppearanceControls
{
    Q_OBJECT
public:
    AppearancePage(Template& doc, QTabWidget* pages);

    // A new document has the default appearance, the window's font.
    void ResetFields() override { ApplyDefaultAppearance(); }
    void ShowDocument() override;
    void ColorGrid1Change();
    void btnFontClick();
    void btnDefaultClick();
    void ApplyDefaultAppearance();

private:
    void SetExampleFont(const QString& family, int pointSize, bool bold, bool italic);
    // The colour text (FORECOLOURS, BACKCOLOURS) kept as the file wrote it, or null.
    static const QString* KeptColour(const Template& doc, const QString& key);
};

} // namespace corv::editor
