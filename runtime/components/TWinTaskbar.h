#pragma once

#include "runtime/components/TCustomWinTaskbar.h"

#include <QMenu>
#include <QPointer>

namespace corv
{

// The notification-area icon as the player uses it: a right press opens the
// pop-up menu at the cursor, a left click raises OnClick, a double click
// OnDblClick, and the release that ends a double click is not a click.
class TWinTaskbar : public TCustomWinTaskbar
{
    Q_OBJECT
    Q_PROPERTY(QMenu* PopUpMenu READ PopUpMenu WRITE SetPopUpMenu)

public:
    explicit TWinTaskbar(QWidget* owner);

    QMenu* PopUpMenu() const { return popUpMenu_; }
    void SetPopUpMenu(QMenu* menu) { popUpMenu_ = menu; }

    void DblClick() override;
    void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) override;
    void MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) override;

    void PopupAtCursor(int x, int y);

private:
    void bringOwnerToFront();

    // Tracks the menu's lifetime: a destroyed menu reads back as none.
    QPointer<QMenu> popUpMenu_;
    bool dblClicked_ = false;
};

} // namespace corv
