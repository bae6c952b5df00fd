#include "widgets/TUrlLabel.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QUrl>

namespace corv
{

TUrlLabel::TUrlLabel(QWidget* parent) : QLabel(parent)
{
    setFontColor(QColor(0, 0, 255));
    QFont f = font();
    f.setUnderline(true);
    setFont(f);
    setCursor(Qt::PointingHandCursor);
    popupMenu_ = new QMenu(this);
    popupMenu_->addAction(QStringLiteral("Copy"), this, &TUrlLabel::copyCaption);
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
    return url_.trimmed().isEmpty() ? text() : url_;
}

void TUrlLabel::copyCaption()
{
    QGuiApplication::clipboard()->setText(text());
}

void TUrlLabel::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton) {
        savedColor_ = FontColor();
        setFontColor(activeColor_);
        pressed_ = true;
    }
    QLabel::mousePressEvent(e);
}

void TUrlLabel::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton || !pressed_) {
        QLabel::mouseReleaseEvent(e);
        return;
    }
    pressed_ = false;
    setFontColor(savedColor_);
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
    popupMenu_->exec(e->globalPos());
}

} // namespace corv
