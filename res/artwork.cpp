#include "res/artwork.h"

#include <QFont>
#include <QPainter>

namespace tessel::artwork {
namespace {

QPixmap sign(const QString& text, const QColor& colour) {
    QPixmap pm(96, 48);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(colour, 3));
    p.drawRoundedRect(QRectF(2, 2, 92, 44), 8, 8);
    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(28);
    p.setFont(f);
    p.drawText(pm.rect(), Qt::AlignCenter, text);
    return pm;
}

}  // namespace

QIcon appIcon() {
    QPixmap pm(64, 64);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(0x1f, 0x6f, 0xb2));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(4, 4, 56, 56), 10, 10);
    p.setBrush(Qt::white);
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j)
            p.drawRect(QRectF(14 + i * 13, 14 + j * 13, 10, 10));
    }
    return QIcon(pm);
}

QPixmap logo() {
    QPixmap pm(160, 48);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.drawPixmap(0, 4, appIcon().pixmap(40, 40));
    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(26);
    p.setFont(f);
    p.setPen(QColor(0x1f, 0x6f, 0xb2));
    p.drawText(QRect(46, 0, 114, 48), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("Tessel"));
    return pm;
}

QPixmap okPicture() {
    return sign(QStringLiteral("OK"), QColor(0x10, 0xa0, 0x30));
}

QPixmap ngPicture() {
    return sign(QStringLiteral("NG"), QColor(0xd0, 0x20, 0x20));
}

QPixmap busyPicture() {
    QPixmap pm(96, 48);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x20, 0xb0, 0x40));
    for (int i = 0; i < 5; ++i)
        p.drawRect(6 + i * 18, 18, 12, 12);
    return pm;
}

}  // namespace tessel::artwork
