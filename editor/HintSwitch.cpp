#include "editor/HintSwitch.h"

#include <QApplication>
#include <QEvent>
#include <QToolTip>

namespace corv::editor
{

HintSwitch::HintSwitch(QObject* parent) : QObject(parent)
{
    qApp->installEventFilter(this);
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
