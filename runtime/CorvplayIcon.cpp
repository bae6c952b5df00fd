#include "runtime/CorvplayIcon.h"

#include <QIcon>
#include <QPainter>
#include <QPixmap>

namespace corv
{

namespace
{

QPixmap drawJoystick(int size)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0); // drawn on the 32 x 32 grid of the SVG
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x3b, 0x42, 0x52));
    p.drawRoundedRect(QRectF(3, 21, 26, 9), 3, 3);
    p.setBrush(QColor(0x2e, 0x34, 0x40));
    p.drawEllipse(QPointF(16, 21.5), 6, 2);
    p.setBrush(QColor(0x8a, 0x93, 0xa3));
    p.drawRoundedRect(QRectF(14.5, 9, 3, 13), 1.5, 1.5);
    p.setBrush(QColor(0xd8, 0x34, 0x3a));
    p.drawEllipse(QPointF(16, 8), 5.5, 5.5);
    p.setBrush(QColor(255, 255, 255, 153));
    p.drawEllipse(QPointF(14.2, 6.2), 1.6, 1.6);
    p.setBrush(QColor(0xe5, 0xa5, 0x0a));
    p.drawEllipse(QPointF(24, 25.5), 1.8, 1.8);
    p.setBrush(QColor(0x4c, 0x9b, 0xe8));
    p.drawEllipse(QPointF(8, 25.5), 1.8, 1.8);
    return pm;
}

} // namespace

QIcon CorvplayIcon(QIcon::Mode mode)
{
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64})
        icon.addPixmap(drawJoystick(size));
    if (mode == QIcon::Normal)
        return icon;
    QIcon greyed;
    for (int size : {16, 22, 24, 32, 48, 64})
        greyed.addPixmap(icon.pixmap(size, mode));
    return greyed;
}

} // namespace corv
