#include "editor/TfrmSelect.h"

#include "template/KeyTable.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>

namespace corv::editor
{

namespace
{

const QString SelectHint = QStringLiteral("Select this for combination keystrokes");

QFont faceOfHeight(int pixels)
{
    QFont f(QStringLiteral("MS Sans Serif"));
    f.setPixelSize(pixels);
    return f;
}

} // namespace

TfrmSelect::TfrmSelect(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      grdSelect(new QTableWidget(int(KeyTable.size()), 2, this)),
      Button1(new QPushButton(QStringLiteral("O&K"), this)),
      Button2(new QPushButton(QStringLiteral("&Cancel"), this)),
      chkAlt(new QCheckBox(QStringLiteral("ALT"), this)),
      chkCtrl(new QCheckBox(QStringLiteral("CTRL"), this)),
      chkShift(new QCheckBox(QStringLiteral("SHIFT"), this)), lblCaller(new QLabel(this))
{
    setObjectName(QStringLiteral("frmSelect"));
    setWindowTitle(QStringLiteral("Keystroke Selection"));
    setModal(true);
    setFont(faceOfHeight(11));
    setFixedSize(277, 209);

    grdSelect->setObjectName(QStringLiteral("grdSelect"));
    grdSelect->setGeometry(12, 12, 157, 181);
    grdSelect->horizontalHeader()->hide();
    grdSelect->verticalHeader()->hide();
    grdSelect->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grdSelect->verticalHeader()->setDefaultSectionSize(18);
    grdSelect->horizontalHeader()->setDefaultSectionSize(300);
    grdSelect->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grdSelect->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    grdSelect->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdSelect->setSelectionMode(QAbstractItemView::SingleSelection);
    grdSelect->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Tab leaves the list for CTRL rather than moving to the hidden codes.
    grdSelect->setTabKeyNavigation(false);
    grdSelect->setShowGrid(false);
    grdSelect->setFont(faceOfHeight(13));
    QPalette pal = grdSelect->palette();
    pal.setColor(QPalette::Text, QColor(0, 0, 128));
    grdSelect->setPalette(pal);
    grdSelect->setToolTip(
        QStringLiteral("A list of all possible keys you can allocate to a joystick button press"));
    // FormCreate: the key table, names in the first column and codes in
    // the second, which the grid is too narrow to show.
    for (int row = 0; row < int(KeyTable.size()); ++row) {
        grdSelect->setItem(row, 0, new QTableWidgetItem(QString::fromLatin1(KeyTable[row].Name)));
        grdSelect->setItem(row, 1, new QTableWidgetItem(QString::number(KeyTable[row].Code)));
    }
    grdSelect->setCurrentCell(0, 0);

    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(188, 12, 75, 25);
    Button1->setDefault(true);
    Button1->setToolTip(QStringLiteral("Press to add the selected keystroke"));
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(188, 40, 75, 25);
    Button2->setAutoDefault(false);
    Button2->setToolTip(QStringLiteral("Press to cancel with no changes"));
    chkAlt->setObjectName(QStringLiteral("chkAlt"));
    chkAlt->setGeometry(188, 128, 65, 17);
    chkCtrl->setObjectName(QStringLiteral("chkCtrl"));
    chkCtrl->setGeometry(188, 152, 65, 17);
    chkShift->setObjectName(QStringLiteral("chkShift"));
    chkShift->setGeometry(188, 176, 65, 17);
    for (QCheckBox* box : {chkAlt, chkCtrl, chkShift})
        box->setToolTip(SelectHint);
    lblCaller->setObjectName(QStringLiteral("lblCaller"));
    lblCaller->hide();

    setTabOrder(Button1, Button2);
    setTabOrder(Button2, grdSelect);
    setTabOrder(grdSelect, chkCtrl);
    setTabOrder(chkCtrl, chkShift);
    setTabOrder(chkShift, chkAlt);
    grdSelect->installEventFilter(this);

    connect(Button1, &QPushButton::clicked, this, &TfrmSelect::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TfrmSelect::Button2Click);
    connect(grdSelect, &QTableWidget::cellDoubleClicked, this, &TfrmSelect::grdSelectDblClick);
}

std::optional<QString> TfrmSelect::Choose(const QString& caller, const QString& keystroke,
                                          bool modifiers)
{
    lblCaller->setText(caller);
    keystroke_ = keystroke;
    modifiers_ = modifiers;
    if (exec() != QDialog::Accepted)
        return std::nullopt;
    return chosen_;
}

void TfrmSelect::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    // The keyboard starts in the key list, where typing a name finds its key.
    grdSelect->setFocus();
    FormActivate();
}

bool TfrmSelect::eventFilter(QObject* watched, QEvent* event)
{
    // Home and End go to the first and last key name; the grid's own would
    // move along the row into the hidden codes.
    if (watched == grdSelect && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Home || key->key() == Qt::Key_End) &&
            !(key->modifiers() & Qt::ShiftModifier)) {
            grdSelect->setCurrentCell(key->key() == Qt::Key_Home ? 0 : grdSelect->rowCount() - 1,
                                      0);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// Tab goes round: from ALT back to OK, and Shift+Tab from OK to ALT.
bool TfrmSelect::focusNextPrevChild(bool next)
{
    QWidget* from = focusWidget();
    if (next ? from == chkAlt : from == Button1) {
        (next ? static_cast<QWidget*>(Button1) : chkAlt)
            ->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
        return true;
    }
    return QDialog::focusNextPrevChild(next);
}

// Runs each time the dialog is shown, not on every activation, so that
// switching to another program and back keeps the boxes the user ticked.
void TfrmSelect::FormActivate()
{
    for (QCheckBox* box : {chkAlt, chkCtrl, chkShift}) {
        box->setChecked(false);
        box->setEnabled(modifiers_);
    }
    // A filled field opens on its own keystroke, so that looking at it and
    // confirming changes nothing; an empty one keeps the row left last time.
    QString name = keystroke_;
    if (name.isEmpty())
        return;
    const bool ctrl = HasCtrl(name);
    const bool shift = HasShift(name);
    const bool alt = HasAlt(name);
    for (const char* prefix : {CtrlPrefix, ShiftPrefix, AltPrefix}) {
        if (name.startsWith(QLatin1String(prefix)))
            name.remove(0, qsizetype(qstrlen(prefix)));
    }
    for (int row = 1; row < grdSelect->rowCount(); ++row) {
        if (grdSelect->item(row, 0)->text() == name) {
            grdSelect->setCurrentCell(row, 0);
            grdSelect->scrollToItem(grdSelect->item(row, 0));
            chkCtrl->setChecked(ctrl && modifiers_);
            chkShift->setChecked(shift && modifiers_);
            chkAlt->setChecked(alt && modifiers_);
            return;
        }
    }
}

void TfrmSelect::Button1Click()
{
    const int row = std::max(grdSelect->currentRow(), 0);
    QString text = ComposeKeystroke(grdSelect->item(row, 0)->text(), chkCtrl->isChecked(),
                                    chkShift->isChecked(), chkAlt->isChecked());
    if (row == 0) // "[NONE]" deletes the keystroke, whatever is ticked
        text.clear();
    chosen_ = text;
    accept();
}

void TfrmSelect::Button2Click()
{
    reject();
}

void TfrmSelect::grdSelectDblClick()
{
    Button1Click();
}

} // namespace corv::editor
