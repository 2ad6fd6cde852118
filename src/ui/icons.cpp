#include "icons.h"

#include <QPainter>
#include <QPainterPath>

namespace tav {

QIcon checkMarkIcon()
{
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QPen pen(QColor(0, 170, 0), 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    QPainterPath tick;
    tick.moveTo(5, 17);
    tick.lineTo(13, 25);
    tick.lineTo(27, 7);
    p.drawPath(tick);
    return QIcon(pm);
}

QPixmap saveGlyph()
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    // floppy disk
    p.setPen(QColor(0, 0, 0));
    p.setBrush(QColor(0, 0, 128));
    p.drawRect(2, 7, 12, 8);
    p.setBrush(QColor(192, 192, 192));
    p.drawRect(5, 11, 6, 4);
    // page
    p.setBrush(Qt::white);
    p.drawRect(4, 0, 8, 6);
    // red arrow pointing down into the disk
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::red);
    p.drawRect(7, 1, 2, 5);
    const QPoint head[] = {QPoint(5, 5), QPoint(11, 5), QPoint(8, 9)};
    p.drawPolygon(head, 3);
    return pm;
}

QPixmap openGlyph()
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(QColor(128, 128, 0));
    p.setBrush(QColor(255, 255, 0));
    // back of the folder with its tab
    const QPoint back[] = {QPoint(1, 3), QPoint(6, 3), QPoint(7, 5), QPoint(13, 5), QPoint(13, 13), QPoint(1, 13)};
    p.drawPolygon(back, 6);
    // the opened front leaf
    p.setBrush(QColor(255, 220, 0));
    const QPoint front[] = {QPoint(1, 13), QPoint(4, 8), QPoint(15, 8), QPoint(12, 13)};
    p.drawPolygon(front, 4);
    return pm;
}

} // namespace tav
