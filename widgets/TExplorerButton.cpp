#include "widgets/TExplorerButton.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QCursor>
#include <QKeySequence>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QShortcutEvent>

namespace corv
{

namespace
{
// Shared by every button; dropped when any button goes and remade on demand.
QImage* g_downPattern = nullptr;

const QImage& downPattern(const QPalette& pal)
{
    if (!g_downPattern) {
        g_downPattern = new QImage(8, 8, QImage::Format_RGB32);
        const QRgb face = pal.color(QPalette::Button).rgb();
        const QRgb light = pal.color(QPalette::Light).rgb();
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                g_downPattern->setPixel(x, y, x % 2 == y % 2 ? light : face);
    }
    return *g_downPattern;
}

bool isTransparent(QRgb pixel, QRgb key)
{
    return qAlpha(pixel) == 0 || pixel == key;
}

QImage silhouette(const QImage& image, const QColor& color)
{
    // Every pixel that is neither transparent nor light (silver or brighter).
    const QImage src = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = src.pixel(0, 0);
    QImage out(src.size(), QImage::Format_ARGB32);
    out.fill(Qt::transparent);
    for (int y = 0; y < src.height(); ++y)
        for (int x = 0; x < src.width(); ++x) {
            const QRgb px = src.pixel(x, y);
            if (!isTransparent(px, key) && qRed(px) + qGreen(px) + qBlue(px) < 576)
                out.setPixel(x, y, color.rgb());
        }
    return out;
}

// Offsets of the three horizontal placements: left, right, centre.
int place(TExplorerButton::TAlignment a, int left, int right, int centre)
{
    switch (a) {
    case TExplorerButton::taLeftJustify:
        return left;
    case TExplorerButton::taRightJustify:
        return right;
    default:
        return centre;
    }
}
} // namespace

TExplorerButton::TExplorerButton(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    unselectedFontColor_ = QApplication::palette().color(QPalette::WindowText);
    fontColor_ = QApplication::palette().color(QPalette::WindowText);
    resize(50, 40);
}

TExplorerButton::~TExplorerButton()
{
    delete g_downPattern;
    g_downPattern = nullptr;
}

QString TExplorerButton::StripAccelerators(const QString& caption)
{
    QString out;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        const QChar c = caption.at(i);
        if (c != QLatin1Char('&') || i + 1 == caption.size()) {
            out.append(c);
        } else if (caption.at(i + 1) == QLatin1Char('&')) {
            out.append(c);
            ++i;
        }
    }
    return out;
}

QImage TExplorerButton::MakeMonoImage(const QImage& image, TExplorerButtonShadingType shading,
                                      const QPalette& palette)
{
    static constexpr int thresholds[3][3] = {{205, 127, 68}, {553, 231, 57}, {335, 274, 175}};
    const int* t = thresholds[shading];
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    if (out.isNull())
        return out;
    const QRgb key = out.pixel(0, 0);
    const QRgb light = palette.color(QPalette::Light).rgb();
    const QRgb shadow = palette.color(QPalette::Dark).rgb();
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x) {
            const QRgb px = out.pixel(x, y);
            if (isTransparent(px, key))
                continue;
            const int s = qRed(px) + qGreen(px) + qBlue(px);
            const QRgb grey = s > t[0]   ? qRgb(255, 255, 255)
                              : s > t[1] ? light
                              : s > t[2] ? shadow
                                         : qRgb(0, 0, 0);
            out.setPixel(x, y, grey);
        }
    return out;
}

QImage TExplorerButton::TransparentImage(const QImage& image)
{
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    if (out.isNull())
        return out;
    const QRgb key = out.pixel(0, 0);
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x)
            if (isTransparent(out.pixel(x, y), key))
                out.setPixel(x, y, qRgba(0, 0, 0, 0));
    return out;
}

// ---- setters ----

void TExplorerButton::setAlignment(TAlignment v)
{
    alignment_ = v;
    update();
}

void TExplorerButton::setAllowAllUp(bool v)
{
    allowAllUp_ = v;
    if (groupIndex_ != 0)
        for (TExplorerButton* b : groupMates())
            b->allowAllUp_ = v;
}

void TExplorerButton::setBevelStyle(TBevelStyle v)
{
    bevelStyle_ = v;
    update();
}

void TExplorerButton::setBitmap(const QImage& v)
{
    bitmap_ = v;
    remakeMonoImage();
    update();
}

void TExplorerButton::setNoFocusBitmap(const QImage& v)
{
    noFocusBitmap_ = v;
    remakeMonoImage();
    update();
}

void TExplorerButton::setDisabledBitmap(const QImage& v)
{
    disabledBitmap_ = v;
    if (!isEnabled())
        update();
}

void TExplorerButton::setCaption(const QString& v)
{
    caption_ = v;
    updateShortcut();
    if (options_ & boIconOnly)
        setToolTip(StripAccelerators(v));
    else
        update();
}

void TExplorerButton::setDown(bool v)
{
    if (v == down_ || groupIndex_ == 0)
        return;
    down_ = v;
    update();
    if (v)
        for (TExplorerButton* b : groupMates())
            if (b->down_) {
                b->down_ = false;
                b->update();
            }
}

void TExplorerButton::setGroupIndex(int v)
{
    groupIndex_ = v;
    if (v == 0 && down_) {
        down_ = false;
        update();
    }
}

void TExplorerButton::setDropDownMenu(QMenu* v)
{
    dropDownMenu_ = v;
    if (options_ & boPopupMark)
        update();
}

void TExplorerButton::setLayout(TExplorerButtonLayout v)
{
    if (v == layout_)
        return;
    layout_ = v;
    update();
}

void TExplorerButton::setOptions(TExplorerButtonOptions v)
{
    options_ = v;
    const QString plain = StripAccelerators(caption_);
    if ((v & boIconOnly) && toolTip().isEmpty()) {
        setToolTip(plain);
        showHint_ = true;
    } else if (!(v & boIconOnly) && toolTip() == plain) {
        setToolTip(QString());
        showHint_ = false;
    }
    update();
}

void TExplorerButton::setShadingType(TExplorerButtonShadingType v)
{
    if (v == shadingType_)
        return;
    shadingType_ = v;
    if (monoInUse()) {
        remakeMonoImage();
        update();
    }
}

void TExplorerButton::setShowDownPattern(bool v)
{
    if (v == showDownPattern_)
        return;
    showDownPattern_ = v;
    update();
}

void TExplorerButton::setUnselectedFontColor(const QColor& v)
{
    if (v == unselectedFontColor_)
        return;
    unselectedFontColor_ = v;
    update();
}

void TExplorerButton::setFontColor(const QColor& v)
{
    fontColor_ = v;
    update();
}

void TExplorerButton::setWordWrap(bool v)
{
    if (v == wordWrap_)
        return;
    wordWrap_ = v;
    update();
}

bool TExplorerButton::monoInUse() const
{
    return !bitmap_.isNull() && noFocusBitmap_.isNull();
}

void TExplorerButton::remakeMonoImage()
{
    monoImage_ = monoInUse() ? MakeMonoImage(bitmap_, shadingType_, palette()) : QImage();
}

void TExplorerButton::updateShortcut()
{
    if (shortcutId_)
        releaseShortcut(shortcutId_);
    shortcutId_ = 0;
    const QKeySequence seq = QKeySequence::mnemonic(caption_);
    if (!seq.isEmpty())
        shortcutId_ = grabShortcut(seq);
}

QList<TExplorerButton*> TExplorerButton::groupMates() const
{
    QList<TExplorerButton*> out;
    if (!parentWidget() || groupIndex_ == 0)
        return out;
    const auto all = parentWidget()->findChildren<TExplorerButton*>(Qt::FindDirectChildrenOnly);
    for (TExplorerButton* b : all)
        if (b != this && b->groupIndex_ == groupIndex_)
            out.append(b);
    return out;
}

// ---- input ----

void TExplorerButton::setMouseInside(bool v)
{
    if (v == mouseInside_)
        return;
    mouseInside_ = v;
    if (isEnabled() && !down_)
        update();
}

void TExplorerButton::mouseMoveEvent(QMouseEvent* e)
{
    QWidget::mouseMoveEvent(e);
    const QPoint p = e->position().toPoint();
    const bool outside = p.x() < 0 || p.y() < 0 || p.x() > width() || p.y() > height();
    setMouseInside(!outside);
}

void TExplorerButton::enterEvent(QEnterEvent* e)
{
    QWidget::enterEvent(e);
    setMouseInside(true);
}

void TExplorerButton::leaveEvent(QEvent* e)
{
    QWidget::leaveEvent(e);
    // While pressed the pointer is still ours; moves decide.
    if (!pressed_)
        setMouseInside(false);
}

void TExplorerButton::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(e);
        return;
    }
    e->accept();
    if (QWidget* w = window(); w && !w->isActiveWindow()) {
        w->raise();
        w->activateWindow();
    }
    leftDown();
}

void TExplorerButton::leftDown()
{
    if (!isEnabled() || !isVisible())
        return;
    pressed_ = true;
    mouseInside_ = true;
    repaint();
    if (dropDownMenu_) {
        // A menu command may delete this button.
        QPointer<TExplorerButton> self(this);
        dropDownMenu_->exec(mapToGlobal(QPoint(0, height())));
        if (self)
            afterMenu();
    }
}

void TExplorerButton::afterMenu()
{
    // The menu consumed the press; whatever the pointer did meanwhile is stale.
    if (QWidget* grabber = QWidget::mouseGrabber())
        grabber->releaseMouse();
    if (!rect().contains(mapFromGlobal(QCursor::pos())))
        mouseInside_ = false;
    pressed_ = false;
    repaint();
}

void TExplorerButton::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(e);
        return;
    }
    e->accept();
    const QPoint p = e->position().toPoint();
    if (pressed_)
        mouseInside_ = !(p.x() < 0 || p.y() < 0 || p.x() > width() || p.y() > height());
    leftUp();
}

void TExplorerButton::leftUp()
{
    if (!isEnabled() || !isVisible() || !pressed_)
        return;
    pressed_ = false;
    if (mouseInside_ && groupIndex_ != 0) {
        if (!down_) {
            for (TExplorerButton* b : groupMates())
                if (b->down_) {
                    b->down_ = false;
                    b->update();
                }
            down_ = true;
        } else if (allowAllUp_) {
            down_ = false;
        }
    }
    if (!mouseInside_) {
        update();
        return;
    }
    mouseInside_ = false;
    repaint();
    if (!dropDownMenu_)
        emit OnClick(this);
}

void TExplorerButton::contextMenuEvent(QContextMenuEvent* e)
{
    if (!popupMenu_) {
        QWidget::contextMenuEvent(e);
        return;
    }
    QPointer<TExplorerButton> self(this);
    popupMenu_->exec(e->globalPos());
    if (self)
        afterMenu();
}

void TExplorerButton::performAccelerator()
{
    // Events run in between, and a click handler may delete this button.
    QPointer<TExplorerButton> self(this);
    mouseInside_ = true;
    pressed_ = false;
    repaint();
    QCoreApplication::processEvents();
    if (!self)
        return;
    leftDown();
    QCoreApplication::processEvents();
    if (!self)
        return;
    leftUp();
    QCoreApplication::processEvents();
    if (!self)
        return;
    if (!rect().contains(mapFromGlobal(QCursor::pos()))) {
        mouseInside_ = false;
        repaint();
    }
}

bool TExplorerButton::event(QEvent* e)
{
    if (e->type() == QEvent::Shortcut) {
        auto* se = static_cast<QShortcutEvent*>(e);
        if (se->shortcutId() == shortcutId_) {
            if (isEnabled() && isVisible())
                performAccelerator();
            return true;
        }
    }
    if (e->type() == QEvent::ToolTip && !showHint_)
        return true;
    return QWidget::event(e);
}

void TExplorerButton::changeEvent(QEvent* e)
{
    QWidget::changeEvent(e);
    if (e->type() == QEvent::EnabledChange) {
        pressed_ = false;
        mouseInside_ = false;
        update();
    }
}

// ---- layout and painting ----

TExplorerButton::Geometry TExplorerButton::computeGeometry() const
{
    Geometry g;
    const int W = width(), H = height();
    g.hasCaption = !(options_ & boIconOnly) && !caption_.isEmpty();
    g.hasImage = !bitmap_.isNull();
    const bool mark = (options_ & boPopupMark) && dropDownMenu_;
    int cw = 0, ch = 0, gap = 0;
    if (g.hasCaption) {
        const QString text = wordWrap_ ? caption_ + QLatin1Char(' ') : caption_;
        const int flags = Qt::TextShowMnemonic | (wordWrap_ ? Qt::TextWordWrap : 0);
        const QRect br =
            fontMetrics().boundingRect(QRect(0, 0, std::max(0, W - 4), 10000), flags, text);
        cw = std::min(br.width(), W - 4);
        ch = br.height();
        gap = 2;
    }
    int iw = g.hasImage ? bitmap_.width() : 0;
    const int ih = g.hasImage ? bitmap_.height() : 0;
    const int bareIw = iw;
    if (mark && g.hasImage)
        iw += 10;
    int drawn = cw;
    int ix = 0, iy = 0, cx = 0, cy = 0;
    const auto a = alignment_;
    if (!g.hasImage) {
        if (mark) {
            drawn = std::min(cw, W - 14);
            cw = drawn + 10;
        }
        cy = (H - ch) / 2;
        cx = place(a, 3, W - cw - 3, (W - cw) / 2);
    } else {
        switch (layout_) {
        case blBitmapTop:
            iy = (H - ch - ih - gap) / 2;
            ix = place(a, 3, W - iw - 3, (W - iw) / 2);
            cy = iy + ih + gap;
            cx = place(a, 3, W - cw - 3, (W - cw) / 2);
            break;
        case blBitmapBottom:
            cy = (H - ch - ih - gap) / 2;
            cx = place(a, 3, W - cw - 3, (W - cw) / 2);
            iy = cy + ch + gap;
            ix = place(a, 3, W - iw - 3, (W - iw) / 2);
            break;
        case blBitmapLeft:
            if (cw + iw + gap > W - 4)
                cw = drawn = W - gap - iw - 4;
            iy = (H - ih) / 2;
            cy = (H - ch) / 2;
            if (a == taLeftJustify) {
                ix = 3;
                cx = iw + gap + 3;
            } else if (a == taRightJustify) {
                cx = W - cw - 3;
                ix = cx - iw - gap;
            } else {
                ix = (W - cw - iw - gap) / 2;
                cx = ix + iw + gap;
            }
            break;
        case blBitmapRight:
            if (cw + iw + gap > W - 4)
                cw = drawn = W - gap - iw - 4;
            iy = (H - ih) / 2;
            cy = (H - ch) / 2;
            if (a == taLeftJustify) {
                cx = 3;
                ix = cw + 3 + gap;
            } else if (a == taRightJustify) {
                ix = W - iw - 3;
                cx = ix - cw - gap;
            } else {
                cx = (W - cw - iw - gap) / 2;
                ix = cx + cw + gap;
            }
            break;
        }
    }
    if (wordWrap_ && cx + drawn > W - 5)
        drawn = W - cx - 5;
    g.image = QRect(ix, iy, bareIw, ih);
    g.caption = QRect(cx, cy, std::max(0, drawn), ch);
    g.ch = ch;
    return g;
}

QRect TExplorerButton::ImageRect() const
{
    return computeGeometry().image;
}

QRect TExplorerButton::CaptionRect() const
{
    return computeGeometry().caption;
}

void TExplorerButton::drawBevel(QPainter& p, bool raised) const
{
    const int W = width(), H = height();
    const QColor light = palette().color(QPalette::Light);
    const QColor shadow = palette().color(QPalette::Dark);
    const QColor& tl = raised ? light : shadow;
    const QColor& br = raised ? shadow : light;
    p.fillRect(0, 0, 1, H, tl);
    p.fillRect(0, 0, W - 1, 1, tl);
    p.fillRect(W - 1, 0, 1, H - 1, br);
    p.fillRect(1, H - 1, W - 1, 1, br);
}

void TExplorerButton::drawCaption(QPainter& p, const Geometry& g, QPoint offset,
                                  const QColor& color) const
{
    if (!g.hasCaption)
        return;
    const QString text = wordWrap_ ? caption_ + QLatin1Char(' ') : caption_;
    int flags = Qt::TextShowMnemonic | Qt::AlignTop;
    flags |= alignment_ == taLeftJustify    ? Qt::AlignLeft
             : alignment_ == taRightJustify ? Qt::AlignRight
                                            : Qt::AlignHCenter;
    const QRect r = g.caption.translated(offset);
    QString shown = text;
    if (wordWrap_)
        flags |= Qt::TextWordWrap;
    else
        shown = fontMetrics().elidedText(text, Qt::ElideRight, r.width(), Qt::TextShowMnemonic);
    p.save();
    p.setClipRect(r);
    p.setPen(color);
    p.drawText(r, flags, shown);
    p.restore();
}

void TExplorerButton::drawMark(QPainter& p, const Geometry& g, bool pressedLook,
                               const QColor& color) const
{
    int x, y;
    if (g.hasImage) {
        x = g.image.x() + g.image.width() + 3;
        y = g.image.y() + g.image.height() / 2;
    } else {
        x = g.caption.right() + 1 + 3;
        y = g.caption.y() + g.ch / 2;
    }
    if (pressedLook) {
        x += 1;
        y += 1;
    }
    p.fillRect(x, y - 1, 7, 1, color);
    p.fillRect(x + 1, y, 5, 1, color);
    p.fillRect(x + 2, y + 1, 3, 1, color);
    p.fillRect(x + 3, y + 2, 1, 1, color);
}

void TExplorerButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const Geometry g = computeGeometry();
    const QPalette& pal = palette();
    const bool hoverRaised = bevelStyle_ == bsRaised;
    if (down_ && showDownPattern_)
        p.drawTiledPixmap(rect(), QPixmap::fromImage(downPattern(pal))); // aligned to our corner

    if (!isEnabled()) {
        if (down_)
            drawBevel(p, !hoverRaised);
        if (!disabledBitmap_.isNull()) {
            p.drawImage(g.image.topLeft(), TransparentImage(disabledBitmap_));
        } else if (g.hasImage) {
            p.drawImage(g.image.topLeft() + QPoint(1, 1),
                        silhouette(bitmap_, pal.color(QPalette::Light)));
            p.drawImage(g.image.topLeft(), silhouette(bitmap_, pal.color(QPalette::Dark)));
        }
        drawCaption(p, g, QPoint(1, 1), pal.color(QPalette::Light));
        drawCaption(p, g, QPoint(0, 0), pal.color(QPalette::Dark));
        return;
    }

    const bool mark = (options_ & boPopupMark) && dropDownMenu_;
    if ((pressed_ && mouseInside_) || down_) {
        drawBevel(p, !hoverRaised);
        drawCaption(p, g, hoverRaised ? QPoint(1, 1) : QPoint(0, 0), fontColor_);
        if (g.hasImage)
            p.drawImage(g.image.topLeft() + QPoint(1, 1), TransparentImage(bitmap_));
        if (mark)
            drawMark(p, g, true, fontColor_);
        return;
    }

    QColor color = unselectedFontColor_;
    if (mouseInside_) {
        drawBevel(p, hoverRaised);
        color = fontColor_;
    }
    drawCaption(p, g, hoverRaised ? QPoint(0, 0) : QPoint(1, 1), color);
    if (g.hasImage) {
        const QImage* img = &bitmap_;
        if (!mouseInside_ && (options_ & boMonoDisplay))
            img = noFocusBitmap_.isNull() ? &monoImage_ : &noFocusBitmap_;
        p.drawImage(g.image.topLeft(), TransparentImage(*img));
    }
    if (mark)
        drawMark(p, g, false, color);
}

} // namespace corv
