#include "runtime/components/TWinTaskbar.h"

#include <QMenu>
#include <QWidget>

namespace corv
{

TWinTaskbar::TWinTaskbar(QWidget* owner) : TCustomWinTaskbar(owner) {}

void TWinTaskbar::DblClick()
{
    if (!hasOnDblClick())
        return;
    dblClicked_ = true;
    bringOwnerToFront();
    emit OnDblClick(this);
}

void TWinTaskbar::MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers, int x, int y)
{
    if (button == Qt::RightButton)
        PopupAtCursor(x, y);
}

void TWinTaskbar::MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers, int, int)
{
    if (button != Qt::LeftButton)
        return;
    if (dblClicked_) {
        dblClicked_ = false;
        return;
    }
    if (hasOnClick()) {
        bringOwnerToFront();
        emit OnClick(this);
    }
}

void TWinTaskbar::PopupAtCursor(int x, int y)
{
    if (!popUpMenu_)
        return;
    bringOwnerToFront();
    popUpMenu_->popup(QPoint(x, y));
}

// Raise only: the player's window must never take the keyboard focus from
// the game it types into.
void TWinTaskbar::bringOwnerToFront()
{
    if (QWidget* owner = Owner(); owner && owner->isVisible())
        owner->raise();
}

} // namespace corv
