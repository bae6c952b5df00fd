#include "editor/pages/SummaryPage.h"

#include "editor/Summary.h"

#include <QGroupBox>
#include <QListWidget>
#include <QVBoxLayout>

namespace corv::editor
{

SummaryPage::SummaryPage(Template& doc, QTabWidget* pages)
    : EditorPage(doc, pages, "tabSummary", "Summary",
                 QStringLiteral("Complete Button Summary For This Template:"))
{
    QGroupBox* group = Group();
    auto* layout = new QVBoxLayout(group);
    lstCompleteSummary = List("lstCompleteSummary", 85, group);
    lstCompleteSummary->setSelectionMode(QAbstractItemView::NoSelection);
    lstCompleteSummary->setToolTip(
        QStringLiteral("Displays a list of all buttons you have programmed for all modes. Handy to "
                       "print this list for referral"));
    layout->addWidget(lstCompleteSummary);
}

void SummaryPage::ResetFields()
{
    lstCompleteSummary->clear();
}

void SummaryPage::BuildCompleteSummary(const QString& fileName)
{
    if (doc_.IdentifiedButtons.isEmpty())
        return;
    lstCompleteSummary->clear();
    lstCompleteSummary->addItems(BuildSummaryLines(doc_, fileName));
}

} // namespace corv::editor
