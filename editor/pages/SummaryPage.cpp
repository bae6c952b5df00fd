#include "editor/pages/SummaryPage.h"

#include "editor/MessageBox.h"
#include "editor/Summary.h"
#include "editor/SummaryPrinter.h"

#include <QFileDialog>
#include <QGroupBox>
#include <QListWidget>
#include <QVBoxLayout>

namespace corv::editor
{

namespace
{
const QString Information = QStringLiteral("Information");
const QString Confirm = QStringLiteral("Confirm");
const QString Error = QStringLiteral("Error");
} // namespace

SummaryPage::SummaryPage(Template& doc, QTabWidget* pages)
    : EditorPage(doc, pages, "tabSummary", "Summary",
                 QStringLiteral("Complete Button Summary For This Template:"))
{
    tabSummary = this;
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
    lstCompleteSummary->addItems(BuildSummaryLines(doc_, fileName) + BuildKeyLines(doc_));
}

void SummaryPage::PrintCompleteSummary()
{
    QStringList lines;
    for (int i = 0; i < lstCompleteSummary->count(); ++i)
        lines << lstCompleteSummary->item(i)->text();
    if (lines.isEmpty()) {
        ShowMessage(QMessageBox::Information, Information,
                    QStringLiteral("No summary data to print"));
        return;
    }
    QString error;
    if (HasDefaultPrinter()) {
        if (ShowMessage(QMessageBox::Question, Confirm,
                        QStringLiteral("Print Summary data to default printer?")) !=
            QMessageBox::Ok)
            return;
        error = PrintSummary(lines);
    } else {
        // Many desktops have no printer: a PDF file is the next best thing.
        if (ShowMessage(QMessageBox::Question, Confirm,
                        QStringLiteral("No printer is installed. Save the summary data as a PDF "
                                       "file instead?")) != QMessageBox::Ok)
            return;
        QFileDialog dialog(window(), QStringLiteral("Save Summary as PDF"));
        dialog.setObjectName(QStringLiteral("dlgPdf"));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setNameFilter(QStringLiteral("PDF File (*.pdf)"));
        dialog.setDefaultSuffix(QStringLiteral("pdf"));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return;
        error = PrintSummary(lines, dialog.selectedFiles().constFirst());
    }
    if (!error.isEmpty())
        ShowMessage(QMessageBox::Critical, Error, error);
}

} // namespace corv::editor
