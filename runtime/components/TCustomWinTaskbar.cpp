#include "runtime/components/TCustomWinTaskbar.h"

#include <QCursor>
#include <QMetaMethod>
#include <QSystemTrayIcon>
#include <QWidget>

namespace corv
{

TCustomWinTaskbar::TCustomWinTaskbar(QWidget* owner)
    : QObject(owner), owner_(owner), tray_(new QSystemTrayIcon(this))
{
    connect(tray_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) { activated(reason); });
}

TCustomWinTaskbar::~TCustomWinTaskbar()
{
    SetShowIcon(false);
}

void TCustomWinTaskbar::SetHint(const QString& value)
{
    if (value != hint_) {
        hint_ = value;
        tray_->setToolTip(ToolTip());
        RefreshIcon();
    }
}

QString TCustomWinTaskbar::ToolTip() const
{
    return hint_.left(MaxHintLength);
}

void TCustomWinTaskbar::SetIcon(const QIcon& value)
{
    icon_ = value;
    RefreshIcon();
}

void TCustomWinTaskbar::SetShowIcon(bool value)
{
    showIcon_ = value;
    RefreshIcon();
}

void TCustomWinTaskbar::RefreshIcon()
{
    if (showIcon_ && !icon_.isNull()) {
        tray_->setIcon(icon_);
        if (!iconShown_) {
            tray_->show();
            iconShown_ = true;
        }
    } else {
        iconShown_ = false;
        tray_->hide();
    }
}

// The notification area reports clicks rather than raw button events; each is
// replayed as the button events it stands for, so the virtuals see the same
// sequence as from a plain mouse: down, up, double click, up.
void TCustomWinTaskbar::activated(int reason)
{
    const QPoint at = QCursor::pos();
    const Qt::KeyboardModifiers none;
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        MouseDown(Qt::LeftButton, none, at.x(), at.y());
        MouseUp(Qt::LeftButton, none, at.x(), at.y());
        break;
    case QSystemTrayIcon::DoubleClick:
        DblClick();
        MouseUp(Qt::LeftButton, none, at.x(), at.y());
        break;
    case QSystemTrayIcon::Context:
        MouseDown(Qt::RightButton, none, at.x(), at.y());
        MouseUp(Qt::RightButton, none, at.x(), at.y());
        break;
    case QSystemTrayIcon::MiddleClick:
        MouseDown(Qt::MiddleButton, none, at.x(), at.y());
        MouseUp(Qt::MiddleButton, none, at.x(), at.y());
        break;
    default:
        break;
    }
}

bool TCustomWinTaskbar::hasOnClick() const
{
    return isSignalConnected(QMetaMethod::fromSignal(&TCustomWinTaskbar::OnClick));
}

bool TCustomWinTaskbar::hasOnDblClick() const
{
    return isSignalConnected(QMetaMethod::fromSignal(&TCustomWinTaskbar::OnDblClick));
}

void TCustomWinTaskbar::DblClick()
{
    emit OnDblClick(this);
}

void TCustomWinTaskbar::MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y)
{
    emit OnMouseDown(this, button, shift, x, y);
}

void TCustomWinTaskbar::MouseMove(Qt::KeyboardModifiers shift, int x, int y)
{
    emit OnMouseMove(this, shift, x, y);
}

void TCustomWinTaskbar::MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y)
{
    emit OnMouseUp(this, button, shift, x, y);
}

} // namespace corv
