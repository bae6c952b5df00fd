#include "TWinTaskbar.h"

#include <QMenu>
#include <QWidget>

TWinTaskbar::TWinTaskbar(QWidget* owner) : TCustomWinTaskbar(owner) {}

void TWinTaskbar::DblClick()
{
    if (!hasOnDblClick())
        return;
    FDblClicked = true;
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
    if (FDblClicked) {
        FDblClicked = false;
        return;
    }
    if (hasOnClick()) {
        bringOwnerToFront();
        emit OnClick(this);
    }
}

void TWinTaskbar::PopupAtCursor(int x, int y)
{
    if (!FPopUpMenu)
        return;
    bringOwnerToFront();
    FPopUpMenu->popup(QPoint(x, y));
}

// Raise only: the player's window must never take the keyboard focus from
// the game it types into.
void TWinTaskbar::bringOwnerToFront()
{
    if (QWidget* owner = Owner(); owner && owner->isVisible())
        owner->raise();
}
