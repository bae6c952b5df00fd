#include "widgets/TColorGrid.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

namespace corv
{

namespace
{
constexpr QRgb kColors[16] = {
    qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
    qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
    qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
    qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255),
};

QColor contrast(const QColor& c)
{
    return QColor(c.red() >= 128 ? 0 : 255, c.green() >= 128 ? 0 : 255, c.blue() >= 128 ? 0 : 255);
}
} // namespace

TColorGrid::TColorGrid(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
    setFocusPolicy(Qt::StrongFocus);
    resize(100, 100);
}

QColor TColorGrid::PaletteColor(int index)
{
    if (index < 0 || index > 15)
        return QColor();
    return QColor::fromRgb(kColors[index]);
}

QRect TColorGrid::CellRect(int index) const
{
    const int cw = width() / columns_, ch = height() / rows_;
    return QRect((index % columns_) * cw, (index / columns_) * ch, cw, ch);
}

bool TColorGrid::TabStop() const
{
    return focusPolicy() & Qt::TabFocus;
}

void TColorGrid::setTabStop(bool v)
{
    setFocusPolicy(v ? Qt::StrongFocus : Qt::ClickFocus);
}

void TColorGrid::setGridOrdering(TGridOrdering v)
{
    if (v == ordering_)
        return;
    ordering_ = v;
    columns_ = 16 >> int(v);
    rows_ = 1 << int(v);
    // Snap the current size to the new arrangement.
    resize(size());
    QResizeEvent e(size(), size());
    resizeEvent(&e);
    update();
}

void TColorGrid::setForegroundIndex(int v)
{
    if (v == fgIndex_ || !fgEnabled_)
        return;
    fgIndex_ = v;
    update();
    emit OnChange(this);
}

void TColorGrid::setBackgroundIndex(int v)
{
    if (v == bgIndex_ || !bgEnabled_)
        return;
    bgIndex_ = v;
    update();
    emit OnChange(this);
}

void TColorGrid::setForegroundEnabled(bool v)
{
    if (v == fgEnabled_)
        return;
    fgEnabled_ = v;
    update();
}

void TColorGrid::setBackgroundEnabled(bool v)
{
    if (v == bgEnabled_)
        return;
    bgEnabled_ = v;
    update();
}

void TColorGrid::setSelection(int v)
{
    if (v == selection_)
        return;
    selection_ = v;
    update();
}

void TColorGrid::setCtl3D(bool v)
{
    ctl3D_ = v;
    update();
}

void TColorGrid::chooseForeground(int k)
{
    if (!fgEnabled_ && clickEnables_) {
        fgEnabled_ = true;
        fgIndex_ = -1; // so that the next step always stores k
        update();
    }
    setForegroundIndex(k);
}

void TColorGrid::chooseBackground(int k)
{
    if (!bgEnabled_ && clickEnables_) {
        bgEnabled_ = true;
        bgIndex_ = -1;
        update();
    }
    setBackgroundIndex(k);
}

int TColorGrid::cellAt(QPoint p) const
{
    const int x = std::clamp(p.x(), 0, std::max(0, width() - 1));
    const int y = std::clamp(p.y(), 0, std::max(0, height() - 1));
    const int cw = std::max(1, width() / columns_), ch = std::max(1, height() / rows_);
    return std::min(y / ch, rows_ - 1) * columns_ + std::min(x / cw, columns_ - 1);
}

void TColorGrid::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    const int w = width() - width() % columns_, h = height() - height() % rows_;
    if (w != width() || h != height())
        resize(w, h); // keeps left and top
}

void TColorGrid::mousePressEvent(QMouseEvent* e)
{
    QWidget::mousePressEvent(e);
    e->accept();
    tracking_ = true;
    trackButton_ = e->button();
    // Qt grabs the pointer for every button while it is held, so moves beyond
    // the edge still arrive here.
    const int k = cellAt(e->position().toPoint());
    if (e->button() == Qt::LeftButton)
        chooseForeground(k);
    else
        chooseBackground(k);
    setSelection(k);
    if (TabStop())
        setFocus(Qt::MouseFocusReason);
}

void TColorGrid::mouseMoveEvent(QMouseEvent* e)
{
    QWidget::mouseMoveEvent(e);
    if (!tracking_)
        return;
    const int k = cellAt(e->position().toPoint());
    if (trackButton_ == Qt::LeftButton)
        setForegroundIndex(k);
    else
        setBackgroundIndex(k);
    setSelection(k);
}

void TColorGrid::mouseReleaseEvent(QMouseEvent* e)
{
    QWidget::mouseReleaseEvent(e);
    const bool wasLeft = tracking_ && trackButton_ == Qt::LeftButton;
    tracking_ = false;
    trackButton_ = Qt::NoButton;
    if (wasLeft && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()))
        emit OnClick(this);
}

void TColorGrid::keyPressEvent(QKeyEvent* e)
{
    const int n = columns_ * rows_, s = selection_;
    int next = s;
    switch (e->key()) {
    case Qt::Key_Space:
    case Qt::Key_Right:
        next = s + 1 >= n ? 0 : s + 1;
        break;
    case Qt::Key_Left:
        next = s - 1 < 0 ? n - 1 : s - 1;
        break;
    case Qt::Key_Down:
        if (s == n - 1)
            next = 0;
        else if (s + columns_ >= n)
            next = s % columns_ + 1;
        else
            next = s + columns_;
        break;
    case Qt::Key_Up:
        if (s == 0)
            next = n - 1;
        else if (s < columns_)
            next = n - columns_ + s - 1;
        else
            next = s - columns_;
        break;
    case Qt::Key_Home:
        next = 0;
        break;
    case Qt::Key_End:
        next = n - 1;
        break;
    case Qt::Key_F:
    case Qt::Key_B:
        if (e->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier)) {
            QWidget::keyPressEvent(e);
            return;
        }
        if (e->key() == Qt::Key_F)
            chooseForeground(s);
        else
            chooseBackground(s);
        setSelection(s);
        emit OnClick(this);
        break;
    default:
        QWidget::keyPressEvent(e);
        return;
    }
    e->accept();
    if (next != s)
        setSelection(next);
}

void TColorGrid::focusInEvent(QFocusEvent* e)
{
    QWidget::focusInEvent(e);
    focused_ = true;
    update();
}

void TColorGrid::focusOutEvent(QFocusEvent* e)
{
    QWidget::focusOutEvent(e);
    focused_ = false;
    update();
}

void TColorGrid::drawCell(QPainter& p, int index, bool selected) const
{
    if (index < 0 || index > 15)
        return;
    const QColor color = PaletteColor(index);
    const QRect r = CellRect(index);
    const QPalette& pal = palette();
    p.save();
    if (ctl3D_) {
        // Button-face outline, then a two-pixel sunken frame one pixel in.
        p.setPen(pal.color(QPalette::Button));
        p.setBrush(Qt::NoBrush);
        p.drawRect(r.adjusted(0, 0, -1, -1));
        const QRect frame = r.adjusted(1, 1, -1, -1);
        const QColor shadow = pal.color(QPalette::Dark), light = pal.color(QPalette::Light);
        for (int i = 0; i < 2; ++i) {
            const QRect f = frame.adjusted(i, i, -i, -i);
            p.fillRect(f.left(), f.top(), f.width(), 1, shadow);
            p.fillRect(f.left(), f.top(), 1, f.height(), shadow);
            p.fillRect(f.left(), f.bottom(), f.width(), 1, light);
            p.fillRect(f.right(), f.top() + 1, 1, f.height() - 1, light);
        }
        const QRect inner = frame.adjusted(2, 2, -2, -2);
        p.fillRect(inner, color);
        if (selected && inner.width() > 2 && inner.height() > 2) {
            QPen pen(contrast(color), 1, Qt::DotLine);
            p.setPen(pen);
            p.drawRect(inner.adjusted(1, 1, -2, -2));
        }
    } else {
        p.setPen(Qt::black);
        p.setBrush(color);
        p.drawRect(r.adjusted(0, 0, -1, -1));
        if (selected) {
            // Inverted outline, and a black-outlined colour box two pixels in.
            p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
            p.setPen(Qt::white);
            p.setBrush(Qt::NoBrush);
            p.drawRect(r.adjusted(0, 0, -1, -1));
            p.setCompositionMode(QPainter::CompositionMode_SourceOver);
            p.setPen(Qt::black);
            p.setBrush(color);
            p.drawRect(r.adjusted(2, 2, -3, -3));
        }
    }
    p.restore();
}

void TColorGrid::drawMark(QPainter& p, int index, const QString& mark) const
{
    if (index < 0 || index > 15)
        return;
    p.setPen(contrast(PaletteColor(index)));
    p.drawText(CellRect(index), Qt::AlignCenter | Qt::TextSingleLine, mark);
}

void TColorGrid::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Button));
    for (int i = 0; i < columns_ * rows_; ++i)
        drawCell(p, i, false);
    if (focused_)
        drawCell(p, selection_, true);
    p.setFont(font());
    const bool same = fgIndex_ == bgIndex_;
    if (fgEnabled_)
        drawMark(p, fgIndex_, same && bgEnabled_ ? QStringLiteral("FB") : QStringLiteral("FG"));
    // A shared cell gets its "FB" once; drawing it twice would thicken the glyphs.
    if (bgEnabled_ && !(same && fgEnabled_))
        drawMark(p, bgIndex_, same && fgEnabled_ ? QStringLiteral("FB") : QStringLiteral("BG"));
}

} // namespace corv
