#pragma once

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QString>

class QSystemTrayIcon;
class QWidget;

namespace corv
{

// An icon with a tooltip in the notification area. Mouse activity arrives
// through the virtuals, which raise the matching signals; derived classes
// give them meaning.
class TCustomWinTaskbar : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString Hint READ Hint WRITE SetHint)
    Q_PROPERTY(QIcon Icon READ Icon WRITE SetIcon)
    Q_PROPERTY(bool ShowIcon READ ShowIcon WRITE SetShowIcon)

public:
    static constexpr int MaxHintLength = 63;

    // The owner is the form whose window the icon stands for.
    explicit TCustomWinTaskbar(QWidget* owner);
    ~TCustomWinTaskbar() override;

    QString Hint() const { return hint_; }
    void SetHint(const QString& value);
    QIcon Icon() const { return icon_; }
    void SetIcon(const QIcon& value);
    bool ShowIcon() const { return showIcon_; }
    void SetShowIcon(bool value);

    // True while the icon is in the notification area.
    bool IconShown() const { return iconShown_; }
    // The tooltip as the notification area shows it.
    QString ToolTip() const;
    QWidget* Owner() const { return owner_; }
    QSystemTrayIcon* trayIcon() const { return tray_; }

    virtual void DblClick();
    virtual void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    virtual void MouseMove(Qt::KeyboardModifiers shift, int x, int y);
    virtual void MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);

signals:
    void OnClick(TCustomWinTaskbar* sender);
    void OnDblClick(TCustomWinTaskbar* sender);
    void OnMouseDown(TCustomWinTaskbar* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift,
                     int x, int y);
    void OnMouseMove(TCustomWinTaskbar* sender, Qt::KeyboardModifiers shift, int x, int y);
    void OnMouseUp(TCustomWinTaskbar* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift,
                   int x, int y);

protected:
    // Add, modify or remove the icon so that it matches ShowIcon and Icon.
    void RefreshIcon();
    // Whether a handler is connected: the behaviour of some clicks depends on it.
    bool hasOnClick() const;
    bool hasOnDblClick() const;

private:
    void activated(int reason);

    QPointer<QWidget> owner_;
    QSystemTrayIcon* tray_;
    QString hint_;
    QIcon icon_;
    bool showIcon_ = false;
    bool iconShown_ = false;
};

} // namespace corv
