#pragma once

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QString>

class QSystemTrayIcon;
class QWidget;

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

    QString Hint() const { return FHint; }
    void SetHint(const QString& value);
    QIcon Icon() const { return FIcon; }
    void SetIcon(const QIcon& value);
    bool ShowIcon() const { return FShowIcon; }
    void SetShowIcon(bool value);

    // True while the icon is in the notification area.
    bool IconShown() const { return FIconShown; }
    // The tooltip as the notification area shows it.
    QString ToolTip() const;
    QWidget* Owner() const { return FOwner; }
    QSystemTrayIcon* trayIcon() const { return FTray; }

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

    QPointer<QWidget> FOwner;
    QSystemTrayIcon* FTray;
    QString FHint;
    QIcon FIcon;
    bool FShowIcon = false;
    bool FIconShown = false;
};
