#pragma once

#include "editor/pages/EditorPage.h"

namespace corv
{
class TUrlLabel;
} // namespace corv

namespace corv::editor
{

// The controls of the Description page, which the window holding the pages
// shows too (TfrmMain derives from it).
struct DescriptionControls {
    QWidget* tabDescription = nullptr; // the page
    QLabel* lblVersion = nullptr;
    TUrlLabel* UrlLabel1 = nullptr;
    TUrlLabel* UrlLabel2 = nullptr;
    QLineEdit* txtTemplateDesc = nullptr;
};

// The program's name, version and links, and the template's description.
class DescriptionPage : public EditorPage, public DescriptionControls
{
    Q_OBJECT
public:
    DescriptionPage(Template& doc, QTabWidget* pages);

    void ShowDocument() override;
    void Clear() override;
};

} // namespace corv::editor
