#pragma once

#include "editor/pages/EditorPage.h"

namespace corv::editor
{

// Every programmed button of every mode and the settings, as text; what
// Print prints.
class SummaryPage : public EditorPage
{
    Q_OBJECT
public:
    SummaryPage(Template& doc, QTabWidget* pages);

    QListWidget* lstCompleteSummary;

    void ResetFields() override;
    // The summary of the document saved as fileName (none when empty).
    // Without identified buttons the summary on show stays as it is.
    void BuildCompleteSummary(const QString& fileName);
};

} // namespace corv::editor
