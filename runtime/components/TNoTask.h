#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

namespace corv
{

// Keeps its owner's window off the taskbar. On X11 that is the EWMH state
// _NET_WM_STATE_SKIP_TASKBAR, which Qt does not set by itself; elsewhere the
// component does nothing.
class TNoTask : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool HideForm READ GetHideForm WRITE SetHideForm)

public:
    explicit TNoTask(QWidget* owner);

    bool GetHideForm() const { return hideForm_; }
    void SetHideForm(bool value);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void apply();

    QPointer<QWidget> owner_;
    bool hideForm_ = false;
};

} // namespace corv
