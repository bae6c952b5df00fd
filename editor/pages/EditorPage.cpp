#include "editor/pages/EditorPage.h"

#include "editor/TabStopDelegate.h"
#include "editor/TfrmSelect.h"
#include "template/KeyTable.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace corv::editor
{

namespace
{

const QString KeyHint =
    QStringLiteral("Double click for keystroke selection. To delete a keystroke, double click "
                   "and select [NONE] from the list");

// Makes a keystroke field wide enough for the longest keystroke it can show,
// all three modifiers and the widest key name, in its own font, so that no
// keystroke is scrolled out of sight.
void FitKeystrokes(QLineEdit* field)
{
    const QFontMetrics metrics(field->font());
    int text = 0;
    for (const KeyTableRow& row : KeyTable)
        text = std::max(text, metrics.horizontalAdvance(
                                  ComposeKeystroke(QLatin1String(row.Name), true, true, true)));
    // The field's own hint is room for 17 x's and its margins and frame;
    // the cursor position after the last letter must stay inside too.
    const int frame = field->sizeHint().width() - 17 * metrics.horizontalAdvance(u'x');
    field->setMinimumWidth(text + frame + 2);
}

} // namespace

EditorPage::EditorPage(Template& doc, QTabWidget* pages, const char* name, const char* caption,
                       const QString& groupCaption)
    : doc_(doc)
{
    setObjectName(QLatin1String(name));
    // In the notebook before the controls are made: they take the window's
    // font, which the keystroke fields are measured in.
    pages->addTab(this, QLatin1String(caption));
    auto* layout = new QVBoxLayout(this);
    group_ = new QGroupBox(groupCaption, this);
    layout->addWidget(group_);
}

int EditorPage::IndexOfText(const QStringList& lines, const QString& text)
{
    return int(lines.lastIndexOf(text));
}

QString EditorPage::MappingLine(const QString& buttonId, const QString& description)
{
    return buttonId + QLatin1Char('\t') + description;
}

int EditorPage::IdentifiedIndex(const QString& buttonId) const
{
    QStringList ids;
    for (const IdentifiedButton& button : doc_.IdentifiedButtons)
        ids << button.ButtonId;
    return IndexOfText(ids, buttonId);
}

QLabel* EditorPage::Explanation(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

QLineEdit* EditorPage::Field(const char* name, const QString& hint, bool readOnly, QWidget* parent)
{
    auto* field = new QLineEdit(parent);
    field->setObjectName(QLatin1String(name));
    field->setToolTip(hint);
    field->setReadOnly(readOnly);
    return field;
}

QListWidget* EditorPage::List(const char* name, int tabStop, QWidget* parent, bool ids)
{
    auto* list = new QListWidget(parent);
    list->setObjectName(QLatin1String(name));
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setItemDelegate(new TabStopDelegate(tabStop, list, ids));
    return list;
}

int EditorPage::AddExplanations(QGridLayout* layout, int row,
                                std::initializer_list<const char*> texts, QWidget* parent)
{
    for (const char* text : texts)
        layout->addWidget(Explanation(QString::fromUtf8(text), parent), row++, 0, 1, -1);
    return row;
}

QLabel* EditorPage::NoJoystickLabel(const char* name, QWidget* parent)
{
    auto* label = Explanation(QStringLiteral("No joystick is connected, so buttons cannot be "
                                             "identified. Connect one: it is taken as soon as "
                                             "it is found."),
                              parent);
    label->setObjectName(QLatin1String(name));
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, QColor(128, 0, 0));
    label->setPalette(pal);
    label->hide();
    return label;
}

QLineEdit* EditorPage::KeystrokeField(const char* name, TfrmSelect* dialog, bool modifiers,
                                      QWidget* parent)
{
    QLineEdit* field = Field(name, KeyHint, true, parent);
    FitKeystrokes(field);
    field->installEventFilter(this);
    frmSelect_ = dialog;
    keystrokeModifiers_ = modifiers;
    keystrokeFields_ << field;
    return field;
}

void EditorPage::txtKey1DblClick(QLineEdit* field)
{
    // The keystroke goes to the field that opened the dialog, whatever a
    // press while it is up shows on the page.
    const QPointer<QLineEdit> target(field);
    const std::optional<QString> chosen =
        frmSelect_->Choose(field->objectName(), field->text(), keystrokeModifiers_);
    if (chosen && target)
        target->setText(*chosen);
}

bool EditorPage::eventFilter(QObject* watched, QEvent* event)
{
    auto* field = qobject_cast<QLineEdit*>(watched);
    if (!field || !keystrokeFields_.contains(field))
        return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::MouseButtonDblClick) {
        txtKey1DblClick(field);
        return true;
    }
    // Space on the focused field picks its key as a double-click does, so
    // the keyboard alone can program a button.
    if (event->type() == QEvent::KeyPress && field == window()->focusWidget()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier) {
            txtKey1DblClick(field);
            return true;
        }
    }
    return false;
}

QString EditorPage::TabBarStyle()
{
    return QStringLiteral(
        "QTabBar::tab { padding: 3px 4px; margin-right: 1px; border: 1px solid palette(mid);"
        " border-bottom: none; border-top-left-radius: 3px; border-top-right-radius: 3px;"
        " background: palette(button); }"
        "QTabBar::tab:selected { background: palette(window); margin-bottom: -1px; }"
        "QTabBar::tab:!selected { margin-top: 2px; }");
}

} // namespace corv::editor
