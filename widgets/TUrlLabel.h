#pragma once

#include <QColor>
#include <QLabel>

class QMenu;

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

    QString URL() const { return m_url; }
    void setURL(const QString& v) { m_url = v; }
    QColor ActiveColor() const { return m_activeColor; }
    void setActiveColor(const QColor& v) { m_activeColor = v; }
    QColor FontColor() const;
    void setFontColor(const QColor& c);
    QMenu* PopupMenu() const { return m_popupMenu; }

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

    QString m_url;
    QColor m_activeColor{128, 0, 128};
    QColor m_savedColor;
    bool m_pressed = false;
    QMenu* m_popupMenu;
};
