#include "pages/debug/debuglamps.h"

#include <QPainter>
#include <QRadialGradient>

namespace tessel::debuglamps {
namespace {

QPixmap lamp(int size, const QColor& colour, bool lit) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient g(size * 0.38, size * 0.35, size * 0.6);
    g.setColorAt(0, lit ? colour.lighter(170) : colour.lighter(115));
    g.setColorAt(1, colour);
    p.setBrush(g);
    p.setPen(QPen(QColor(0x40, 0x40, 0x40), 1));
    p.drawEllipse(QRectF(1, 1, size - 2, size - 2));
    return pm;
}

}  // namespace

QPixmap statusLamp(int which) {
    switch (which) {
        case 142:
            return lamp(20, QColor(0x20, 0xE0, 0x20), true);
        case 144:
            return lamp(20, QColor(0xE0, 0x20, 0x20), true);
        default:
            return lamp(20, QColor(0x10, 0x50, 0x10), false);
    }
}

QVector<QPixmap> keyLampImages() {
    return {lamp(14, QColor(0xD0, 0xD0, 0xD0), false), lamp(14, QColor(0x20, 0xE0, 0x20), true)};
}

}  // namespace tessel::debuglamps
