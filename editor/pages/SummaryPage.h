#pragma once

#include "editor/pages/EditorPage.h"

namespace corv::editor
{

// The controls of the Summary page, which the window holding the pages
// shows too (TfrmMain derives from it).
struct SummaryControls {
    QWidget* tabSummary = nullptr; // the page
    QListWidget* lstCompleteSummary = nullptr;
};

// Every programmed button of every mode and the settings, as text; what
// Print prints.
class SummaryPage : public EditorPage, public SummaryControls
{
    Q_OBJECT
public:
    SummaryPage(Template& doc, QTabWidget* pages);

    void ResetFields() override;
    // The summary of the document saved as fileName (none when empty).
    // Without identified buttons the summary on show stays as it is.
    void BuildCompleteSummary(const QString& fileName);
    // Prints the summary on show, on the default printer or else into a
    // PDF file asked for, once the user agrees.
    void PrintCompleteSummary();
};

} // namespace corv::editor
