#pragma once

#include <QColor>
#include <QLabel>

class QMenu;

namespace corv
{

// Label that behaves like a hyperlink: underlined, hand pointer, a second
// colour while pressed; a click opens URL (or the caption when URL is blank).
class TUrlLabel : public QLabel
{
    Q_OBJECT
    Q_PROPERTY(QString URL READ URL WRITE setURL)
    Q_PROPERTY(QColor ActiveColor READ ActiveColor WRITE setActiveColor)
    Q_PROPERTY(QColor FontColor READ FontColor WRITE setFontColor)
public:
    explicit TUrlLabel(QWidget* parent = nullptr);

    QString URL() const { return url_; }
    void setURL(const QString& v) { url_ = v; }
    QColor ActiveColor() const { return activeColor_; }
    void setActiveColor(const QColor& v) { activeColor_ = v; }
    QColor FontColor() const;
    void setFontColor(const QColor& c);
    QMenu* PopupMenu() const { return popupMenu_; }

    // What a click opens: URL unless it is blank, else the caption.
    QString Target() const;

signals:
    void OnClick(TUrlLabel* sender);

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;

private:
    void copyCaption();

    QString url_;
    QColor activeColor_{128, 0, 128};
    QColor savedColor_;
    bool pressed_ = false;
    QMenu* popupMenu_;
};

} // namespace corv
