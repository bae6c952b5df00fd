#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

// Keeps its owner's window off the taskbar. On X11 that is the EWMH state
// _NET_WM_STATE_SKIP_TASKBAR, which Qt does not set by itself; elsewhere the
// component does nothing.
class TNoTask : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool HideForm READ GetHideForm WRITE SetHideForm)

public:
    explicit TNoTask(QWidget* owner);

    bool GetHideForm() const { return FHideForm; }
    void SetHideForm(bool value);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void apply();

    QPointer<QWidget> FOwner;
    bool FHideForm = false;
};
