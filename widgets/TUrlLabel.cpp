#include "TUrlLabel.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QUrl>

TUrlLabel::TUrlLabel(QWidget* parent) : QLabel(parent)
{
    setFontColor(QColor(0, 0, 255));
    QFont f = font();
    f.setUnderline(true);
    setFont(f);
    setCursor(Qt::PointingHandCursor);
    m_popupMenu = new QMenu(this);
    m_popupMenu->addAction(QStringLiteral("Copy"), this, &TUrlLabel::copyCaption);
}

QColor TUrlLabel::FontColor() const
{
    return palette().color(QPalette::WindowText);
}

void TUrlLabel::setFontColor(const QColor& c)
{
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, c);
    setPalette(pal);
}

QString TUrlLabel::Target() const
{
    return m_url.trimmed().isEmpty() ? text() : m_url;
}

void TUrlLabel::copyCaption()
{
    QGuiApplication::clipboard()->setText(text());
}

void TUrlLabel::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton) {
        m_savedColor = FontColor();
        setFontColor(m_activeColor);
        m_pressed = true;
    }
    QLabel::mousePressEvent(e);
}

void TUrlLabel::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton || !m_pressed) {
        QLabel::mouseReleaseEvent(e);
        return;
    }
    m_pressed = false;
    setFontColor(m_savedColor);
    QLabel::mouseReleaseEvent(e);
    // A click needs the release over the label.
    if (!rect().contains(e->position().toPoint()))
        return;
    emit OnClick(this);
    const QString target = Target();
    if (target.trimmed().isEmpty())
        return;
    QUrl url(target);
    if (url.scheme().isEmpty())
        url = QUrl::fromUserInput(target); // "www.example.org" should still open
    QDesktopServices::openUrl(url);
}

void TUrlLabel::contextMenuEvent(QContextMenuEvent* e)
{
    m_popupMenu->exec(e->globalPos());
}
