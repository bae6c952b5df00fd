#pragma once

#include "editor/pages/EditorPage.h"

namespace corv
{
class TUrlLabel;
} // namespace corv

namespace corv::editor
{

// The program's name, version and links, and the template's description.
class DescriptionPage : public EditorPage
{
    Q_OBJECT
public:
    DescriptionPage(Template& doc, QTabWidget* pages);

    QLabel* lblVersion;
    TUrlLabel* UrlLabel1;
    TUrlLabel* UrlLabel2;
    QLineEdit* txtTemplateDesc;

    void ShowDocument() override;
    void Clear() override;
};

} // namespace corv::editor
