#include "editor/pages/ButtonsPage.h"

#include "editor/MessageBox.h"
#include "template/RuntimeTemplate.h"
#include "template/TemplateFile.h"

#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>
#include <QStandardItemModel>
#include <algorithm>

namespace corv::editor
{

namespace
{
const QString Information = QStringLiteral("Information");
const QString Confirm = QStringLiteral("Confirm");

QSpinBox* msBox(const char* name, int maximum, const QString& hint, QWidget* parent)
{
    auto* box = new QSpinBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setRange(0, maximum);
    box->setSuffix(QStringLiteral(" ms"));
    box->setSpecialValueText(QStringLiteral("Default"));
    box->setToolTip(hint);
    return box;
}
} // namespace

ButtonsPage::ButtonsPage(Template& doc, QTabWidget* pages, TfrmSelect* frmSelect, int& currentMode)
    : EditorPage(doc, pages, "tabButtons", "Buttons",
                 QStringLiteral("Keystroke Actions For Button:")),
      currentMode_(currentMode)
{
    tabButtons = this;
    QGroupBox* group = Group();
    auto* layout = new QGridLayout(group);
    txtButtonId =
        Field("txtButtonId", QStringLiteral("Identified button id appears here"), true, group);
    txtButtonDesc =
        Field("txtButtonDesc", QStringLiteral("Only identified buttons appear here"), true, group);
    cmbMode = new QComboBox(group);
    cmbMode->setObjectName(QStringLiteral("cmbMode"));
    cmbMode->setToolTip(QStringLiteral("Use this to select which mode you are currently "
                                       "programming the joystick buttons for"));
    for (int n = 1; n <= MaxModes; ++n)
        cmbMode->addItem(Template::DefaultModeName(n));
    txtButtonPurpose = Field("txtButtonPurpose",
                             QStringLiteral("Type a meaningful description for what this button "
                                            "press does (eg fire gun, start engines)"),
                             false, group);
    txtButtonPurpose->setMaxLength(MaxTextLength);
    cmbRepeat = new QComboBox(group);
    cmbRepeat->setObjectName(QStringLiteral("cmbRepeat"));
    cmbRepeat->setToolTip(QStringLiteral("Set to True if you want keystrokes to repeat"));
    cmbRepeat->addItems({QStringLiteral("False"), QStringLiteral("True")});
    lstButtonSummary = List("lstButtonSummary", 40, group, true);
    lstButtonSummary->setToolTip(
        QStringLiteral("As you add and modify buttons, a summary list will appear here"));

    auto* idRow = new QGridLayout;
    idRow->addWidget(new QLabel(QStringLiteral("ID:"), group), 0, 0);
    idRow->addWidget(txtButtonId, 1, 0);
    idRow->addWidget(new QLabel(QStringLiteral("Description:"), group), 0, 1);
    idRow->addWidget(txtButtonDesc, 1, 1);
    idRow->setColumnStretch(1, 2);
    layout->addLayout(idRow, 0, 0);
    layout->addWidget(new QLabel(QStringLiteral("Description of what this button does:"), group), 1,
                      0);
    layout->addWidget(txtButtonPurpose, 2, 0);
    auto* repeatRow = new QHBoxLayout;
    repeatRow->addWidget(new QLabel(QStringLiteral("Repeat:"), group));
    repeatRow->addWidget(cmbRepeat);
    repeatRow->addStretch();
    layout->addLayout(repeatRow, 3, 0);
    layout->addWidget(new QLabel(QStringLiteral("[ Double Click for Selection ]"), group), 4, 0);
    auto* keys = new QGridLayout;
    for (int n = 1; n <= MaxSlots; ++n) {
        QLineEdit* key =
            KeystrokeField(qPrintable(QStringLiteral("txtKey%1").arg(n)), frmSelect, true, group);
        txtKey[size_t(n - 1)] = key;
        const int column = (n - 1) / 3;
        const int row = (n - 1) % 3;
        keys->addWidget(new QLabel(QString::number(n), group), row, column * 2);
        keys->addWidget(key, row, column * 2 + 1);
    }
    // Six keystrokes as wide as the longest need the page's width.
    layout->addLayout(keys, 5, 0, 1, -1);

    cmbAction = new QComboBox(group);
    cmbAction->setObjectName(QStringLiteral("cmbAction"));
    cmbAction->setToolTip(QStringLiteral("Tap strikes the keystrokes once, Hold keeps them down "
                                         "while the button is held, Toggle until it is pressed "
                                         "again, Turbo strikes them again and again; Mode and "
                                         "Layer change the mode"));
    cmbAction->addItems({QStringLiteral("Tap"), QStringLiteral("Hold"), QStringLiteral("Toggle"),
                         QStringLiteral("Turbo"), QStringLiteral("Mode"), QStringLiteral("Layer")});
    cmbActionMode = new QComboBox(group);
    cmbActionMode->setObjectName(QStringLiteral("cmbActionMode"));
    cmbActionMode->setToolTip(
        QStringLiteral("The mode Mode switches to, and Layer holds while the button is held"));
    for (int n = 1; n <= MaxModes; ++n)
        cmbActionMode->addItem(QString::number(n));
    spnRate = msBox("spnRate", 2000,
                    QStringLiteral("Time between two strikes of Turbo, and of a repeating Tap "
                                   "(default 80 ms)"),
                    group);
    spnPressMs = msBox("spnPressMs", 1000,
                       QStringLiteral("How long each struck key stays down, for games that "
                                      "miss a key struck too fast"),
                       group);
    spnGapMs =
        msBox("spnGapMs", 1000, QStringLiteral("Time between two keystrokes of a tap"), group);
    // Across the page under the keystrokes, which leave no room beside them.
    auto* actionRow = new QHBoxLayout;
    const auto addLabelled = [&](QHBoxLayout* row, const QString& label, QWidget* field) {
        row->addWidget(new QLabel(label, group));
        row->addWidget(field, 1);
    };
    addLabelled(actionRow, QStringLiteral("Action:"), cmbAction);
    addLabelled(actionRow, QStringLiteral("To Mode:"), cmbActionMode);
    auto* timingRow = new QHBoxLayout;
    addLabelled(timingRow, QStringLiteral("Rate:"), spnRate);
    addLabelled(timingRow, QStringLiteral("Press:"), spnPressMs);
    addLabelled(timingRow, QStringLiteral("Gap:"), spnGapMs);
    connect(cmbAction, &QComboBox::currentIndexChanged, this, &ButtonsPage::EnableActionFields);
    connect(cmbRepeat, &QComboBox::currentIndexChanged, this, &ButtonsPage::EnableActionFields);

    // Tab follows the work on a button: what it does, Repeat, the keystrokes,
    // then how they act.
    QWidget* chain[] = {txtButtonPurpose, cmbRepeat,  txtKey[0], txtKey[1],       txtKey[2],
                        txtKey[3],        txtKey[4],  txtKey[5], cmbAction,       cmbActionMode,
                        spnRate,          spnPressMs, spnGapMs,  lstButtonSummary};
    for (size_t i = 1; i < std::size(chain); ++i)
        setTabOrder(chain[i - 1], chain[i]);
    auto* modeRow = new QHBoxLayout;
    modeRow->addWidget(new QLabel(QStringLiteral("Current Mode:"), group));
    modeRow->addWidget(cmbMode, 1);
    layout->addLayout(modeRow, 0, 1);
    layout->addWidget(lstButtonSummary, 1, 1, 4, 1);
    layout->addLayout(actionRow, 6, 0, 1, -1);
    layout->addLayout(timingRow, 7, 0, 1, -1);
    layout->setRowStretch(8, 1);
    lblNoJoystickButtons = NoJoystickLabel("lblNoJoystickButtons", group);
    layout->addWidget(lblNoJoystickButtons, 9, 0, 1, -1);
    layout->setColumnStretch(0, 3);
    layout->setColumnStretch(1, 2);

    connect(cmbMode, &QComboBox::activated, this, &ButtonsPage::cmbModeChange);
    connect(txtButtonId, &QLineEdit::textChanged, this, &ButtonsPage::txtButtonIdChange);
    connect(lstButtonSummary, &QListWidget::itemSelectionChanged, this,
            &ButtonsPage::lstButtonSummaryClick);
    connect(lstButtonSummary, &QListWidget::itemClicked, this, &ButtonsPage::lstButtonSummaryClick);
    lstButtonSummary->installEventFilter(this);
}

void ButtonsPage::ResetFields()
{
    currentMode_ = 1;
    cmbMode->setCurrentIndex(0);
    EmptyButtonFields();
    lstButtonSummary->clear();
}

void ButtonsPage::PageShown()
{
    FillModeList();
    RefreshModeNames();
    EnableActionFields();
    if (!txtButtonId->text().isEmpty()) {
        // A button deleted on the Identify page meanwhile is not shown.
        if (IdentifiedIndex(txtButtonId->text()) < 0)
            EmptyButtonFields();
        else
            txtButtonDesc->setText(doc_.DescriptionOf(txtButtonId->text()));
    }
}

void ButtonsPage::ShowPress(const QString& id)
{
    lstButtonSummary->clearSelection();
    txtButtonPurpose->setFocus();
    if (IdentifiedIndex(id) < 0) {
        txtButtonId->clear();
        txtButtonDesc->clear();
        cmbRepeat->setCurrentIndex(0);
        return;
    }
    QApplication::beep();
    // Loads the mapping when the Id changes; the same Id keeps what was typed.
    txtButtonId->setText(id);
    txtButtonDesc->setText(doc_.DescriptionOf(id));
    const int i = MappingIndex(id);
    cmbRepeat->setCurrentIndex(i >= 0 && CurrentMappings()[i].Repeat ? 1 : 0);
}

void ButtonsPage::Clear()
{
    EmptyButtonFields();
    txtButtonPurpose->setFocus();
}

void ButtonsPage::ShowJoystickMissing(bool missing)
{
    lblNoJoystickButtons->setVisible(missing);
}

int ButtonsPage::MappingIndex(const QString& buttonId) const
{
    QStringList ids;
    for (const ButtonMapping& mapping : doc_.Mappings[size_t(currentMode_ - 1)])
        ids << mapping.ButtonId;
    return IndexOfText(ids, buttonId);
}

void ButtonsPage::RefreshModeNames()
{
    const int index = cmbMode->currentIndex();
    for (int n = 1; n <= MaxModes; ++n)
        cmbMode->setItemText(n - 1, doc_.ModeNameOrDefault(n));
    cmbMode->setCurrentIndex(index);
}

void ButtonsPage::FillModeList()
{
    lstButtonSummary->clear();
    for (const ButtonMapping& mapping : CurrentMappings())
        lstButtonSummary->addItem(
            MappingLine(mapping.ButtonId, doc_.DescriptionOf(mapping.ButtonId)));
}

void ButtonsPage::ClearMappingFields()
{
    txtButtonPurpose->clear();
    for (QLineEdit* key : txtKey)
        key->clear();
    LoadAction({});
}

void ButtonsPage::LoadAction(const ButtonMapping& mapping)
{
    // cmbAction's items are in MappingAction's order.
    const std::optional<MappingAction> action = ParseMappingAction(mapping.Extra(u"ACTION"));
    cmbAction->setCurrentIndex(action ? int(*action) : 0);
    const int mode = mapping.Extra(u"MODE").toInt();
    cmbActionMode->setCurrentIndex(mode >= 1 && mode <= MaxModes ? mode - 1 : 0);
    spnRate->setValue(mapping.Extra(u"RATE").toInt());
    spnPressMs->setValue(mapping.Extra(u"PRESS_MS").toInt());
    spnGapMs->setValue(mapping.Extra(u"GAP_MS").toInt());
    EnableActionFields();
}

void ButtonsPage::SaveAction(ButtonMapping& mapping) const
{
    const int action = cmbAction->currentIndex();
    // A plain tap writes none of the newer keys, as templates did before
    // them; a TAP the file spells out stays.
    const QString tap = ParseMappingAction(mapping.Extra(u"ACTION")) == MappingAction::Tap
                            ? MappingActionName(MappingAction::Tap)
                            : QString();
    SetExtra(mapping.Extras, u"ACTION",
             action > 0 ? MappingActionName(MappingAction(action)) : tap);
    SetExtra(mapping.Extras, u"MODE",
             cmbActionMode->isEnabled() ? QString::number(cmbActionMode->currentIndex() + 1)
                                        : QString());
    // A timing the action does not use is left as the file has it.
    const std::pair<QStringView, const QSpinBox*> timings[] = {
        {u"RATE", spnRate}, {u"PRESS_MS", spnPressMs}, {u"GAP_MS", spnGapMs}};
    for (const auto& [key, box] : timings) {
        if (box->isEnabled())
            SetExtra(mapping.Extras, key,
                     box->value() > 0 ? QString::number(box->value()) : QString());
    }
}

void ButtonsPage::EnableActionFields()
{
    // Mode and Layer play only in a gamepad template; one read from a file
    // elsewhere stays shown, and saved, as it is.
    const int action = cmbAction->currentIndex();
    auto* items = qobject_cast<QStandardItemModel*>(cmbAction->model());
    for (int i = 4; items && i < 6; ++i)
        items->item(i)->setEnabled(doc_.SeparateInputs() || action == i);
    const bool taps = action == 0 || action == 3; // Tap, Turbo
    cmbActionMode->setEnabled(action >= 4);
    spnRate->setEnabled(action == 3 || (action == 0 && cmbRepeat->currentIndex() != 0));
    spnPressMs->setEnabled(taps);
    spnGapMs->setEnabled(taps);
}

void ButtonsPage::LoadMappingFields(const QString& buttonId)
{
    if (buttonId.isEmpty())
        return;
    txtButtonDesc->setText(doc_.DescriptionOf(buttonId));
    for (const ButtonMapping& mapping : CurrentMappings()) {
        if (mapping.ButtonId != buttonId)
            continue;
        txtButtonPurpose->setText(mapping.Purpose);
        for (int k = 0; k < MaxSlots; ++k)
            txtKey[size_t(k)]->setText(mapping.Keystrokes[size_t(k)]);
        LoadAction(mapping);
        break;
    }
}

void ButtonsPage::EmptyButtonFields()
{
    txtButtonId->clear();
    txtButtonDesc->clear();
    cmbRepeat->setCurrentIndex(0);
    ClearMappingFields();
}

void ButtonsPage::txtButtonIdChange()
{
    ClearMappingFields();
    LoadMappingFields(txtButtonId->text());
}

void ButtonsPage::AddOrModifyMapping()
{
    const QString id = txtButtonId->text();
    if (id.isEmpty()) {
        ShowMessage(QMessageBox::Information, Information,
                    QStringLiteral("Button ID cannot be null"));
        txtButtonId->setFocus();
        return;
    }
    // Mode and Layer change the mode and need no keystroke.
    if (cmbAction->currentIndex() < 4 &&
        std::all_of(txtKey.begin(), txtKey.end(),
                    [](const QLineEdit* key) { return key->text().isEmpty(); })) {
        ShowMessage(QMessageBox::Information, Information,
                    QStringLiteral("You must specify a keystroke"));
        txtKey[0]->setFocus();
        return;
    }
    const int i = MappingIndex(id);
    if (i < 0 && CurrentMappings().size() >= MaxButtons) {
        ShowMessage(QMessageBox::Information, Information,
                    QStringLiteral("Maximum of %1 buttons allowed").arg(MaxButtons));
        return;
    }
    QApplication::beep();
    // A modified mapping keeps the newer keys this page does not show (TEXT,
    // _CHAR…); those it shows are written from its fields.
    ButtonMapping mapping;
    if (i >= 0)
        mapping.Extras = CurrentMappings()[i].Extras;
    SaveAction(mapping);
    mapping.ButtonId = id;
    mapping.Purpose = txtButtonPurpose->text();
    mapping.Repeat = cmbRepeat->currentIndex() != 0;
    for (int k = 0; k < MaxSlots; ++k)
        mapping.Keystrokes[size_t(k)] = txtKey[size_t(k)]->text();
    const QString line = MappingLine(id, txtButtonDesc->text());
    if (i < 0) {
        CurrentMappings().append(mapping);
        lstButtonSummary->addItem(line);
    } else {
        CurrentMappings()[i] = mapping;
        delete lstButtonSummary->takeItem(i);
        lstButtonSummary->insertItem(i, line);
    }
    emit DocumentEdited();
    EmptyButtonFields();
}

void ButtonsPage::DeleteMapping()
{
    const QString id = txtButtonId->text();
    const int i = MappingIndex(id);
    QString refusal;
    if (CurrentMappings().isEmpty())
        refusal = QStringLiteral("There are no buttons to delete in this mode");
    else if (id.isEmpty())
        refusal = QStringLiteral("No button selected, you must select a button first");
    else if (i < 0)
        refusal = QStringLiteral("This button has not been added yet");
    if (!refusal.isEmpty()) {
        ShowMessage(QMessageBox::Information, Information, refusal);
        return;
    }
    if (ShowMessage(QMessageBox::Question, Confirm,
                    QStringLiteral("Delete this button for this mode")) != QMessageBox::Ok)
        return;
    // The mapping that passed the checks, whatever a press did to the fields.
    delete lstButtonSummary->takeItem(i);
    CurrentMappings().removeAt(i);
    emit DocumentEdited();
    // The list moves its selection to the next line; nothing is selected
    // once the fields are empty.
    lstButtonSummaryExit();
    EmptyButtonFields();
    txtButtonPurpose->setFocus();
}

void ButtonsPage::lstButtonSummaryClick()
{
    const QList<QListWidgetItem*> selected = lstButtonSummary->selectedItems();
    if (selected.isEmpty())
        return;
    const int i = lstButtonSummary->row(selected.first());
    if (i < 0 || i >= CurrentMappings().size())
        return;
    const ButtonMapping mapping = CurrentMappings()[i];
    txtButtonId->setText(mapping.ButtonId);
    txtButtonPurpose->setText(mapping.Purpose);
    cmbRepeat->setCurrentIndex(mapping.Repeat ? 1 : 0);
    for (int k = 0; k < MaxSlots; ++k)
        txtKey[size_t(k)]->setText(mapping.Keystrokes[size_t(k)]);
    LoadAction(mapping);
}

void ButtonsPage::lstButtonSummaryExit()
{
    lstButtonSummary->clearSelection();
    lstButtonSummary->setCurrentRow(-1);
}

void ButtonsPage::cmbModeChange()
{
    currentMode_ = cmbMode->currentIndex() + 1;
    EmptyButtonFields();
    FillModeList();
}

bool ButtonsPage::eventFilter(QObject* watched, QEvent* event)
{
    // Leaving the list for another control, not for a box or another window.
    if (watched == lstButtonSummary && event->type() == QEvent::FocusOut) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            lstButtonSummaryExit();
        return false;
    }
    return EditorPage::eventFilter(watched, event);
}

} // namespace corv::editor
