#include "editor/HintSwitch.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QMenu>
#include <QToolTip>

namespace corv::editor
{

HintSwitch::HintSwitch(QObject* parent, QWidget* menuParent)
    : QObject(parent), PopupMenu1(new QMenu(menuParent))
{
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    HintsOn1 = PopupMenu1->addAction(QStringLiteral("&Show Hints"));
    HintsOn1->setObjectName(QStringLiteral("HintsOn1"));
    HintsOn1->setCheckable(true);
    HintsOff1 = PopupMenu1->addAction(QStringLiteral("&Hide Hints"));
    HintsOff1->setObjectName(QStringLiteral("HintsOff1"));
    HintsOff1->setCheckable(true);
    HintsOff1->setChecked(true);
    qApp->installEventFilter(this);
}

void HintSwitch::Choose(bool shown)
{
    SetShown(shown);
    HintsOn1->setChecked(shown);
    HintsOff1->setChecked(!shown);
}

void HintSwitch::SetShown(bool shown)
{
    shown_ = shown;
    if (!shown)
        QToolTip::hideText();
}

bool HintSwitch::eventFilter(QObject*, QEvent* event)
{
    return event->type() == QEvent::ToolTip && !shown_;
}

} // namespace corv::editor
