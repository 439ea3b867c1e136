#include "res/artwork.h"

#include "res/canvas.h"
#include "res/wiring.h"

#include <QFont>
#include <QPainter>
#include <QRadialGradient>

#include <algorithm>
#include <array>

namespace tessel::artwork {
namespace {

// The program icon on a 64 × 64 grid: a blue tile carrying a three-by-three field of keys, one
// of them lit as if touched. The same table draws the pixmaps and writes the SVG.
struct IconShape {
    qreal x, y, w, h, radius;
    QRgb colour;
};
constexpr QRgb kBlue = 0xff1f6fb2;
constexpr QRgb kKey = 0xffffffff;
constexpr QRgb kTouched = 0xffffb020;
// clang-format off
constexpr std::array<IconShape, 10> kIcon = {{
    { 4,  4, 56, 56, 10, kBlue},
    {13, 13, 10, 10,  2, kKey}, {27, 13, 10, 10, 2, kKey}, {41, 13, 10, 10, 2, kKey},
    {13, 27, 10, 10,  2, kKey}, {27, 27, 10, 10, 2, kTouched}, {41, 27, 10, 10, 2, kKey},
    {13, 41, 10, 10,  2, kKey}, {27, 41, 10, 10, 2, kKey}, {41, 41, 10, 10, 2, kKey},
}};
// clang-format on

void paintIcon(QPainter& p, qreal size) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    p.setPen(Qt::NoPen);
    for (const IconShape& s : kIcon) {
        p.setBrush(QColor::fromRgba(s.colour));
        p.drawRoundedRect(QRectF(s.x, s.y, s.w, s.h), s.radius, s.radius);
    }
    p.restore();
}

QPixmap sign(const QString& text, const QColor& colour, int width, int height, qreal dpr) {
    QPixmap pm = canvas(width, height, dpr);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal pen = height >= 40 ? 3 : 2;
    p.setPen(QPen(colour, pen));
    p.drawRoundedRect(QRectF(pen, pen, width - 2 * pen, height - 2 * pen), height / 6.0,
                      height / 6.0);
    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(height * 7 / 12);
    p.setFont(f);
    p.drawText(QRect(0, 0, width, height), Qt::AlignCenter, text);
    return pm;
}

QPixmap roundLamp(int size, const QColor& colour, qreal dpr) {
    QPixmap pm = canvas(size, size, dpr);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(1.5, 1.5, size - 3, size - 3);
    QRadialGradient glow(r.center() - QPointF(size / 6.0, size / 6.0), size * 0.6);
    glow.setColorAt(0, colour.lighter(170));
    glow.setColorAt(1, colour);
    p.setBrush(glow);
    p.setPen(QPen(colour.darker(160), 1));
    p.drawEllipse(r);
    return pm;
}

}  // namespace

QImage iconImage(int size) {
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    paintIcon(p, size);
    return img;
}

QByteArray iconSvg() {
    QByteArray svg =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"64\" height=\"64\" "
        "viewBox=\"0 0 64 64\">\n";
    for (const IconShape& s : kIcon) {
        svg += QStringLiteral(
                   "  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" rx=\"%5\" "
                   "fill=\"%6\"/>\n")
                   .arg(s.x)
                   .arg(s.y)
                   .arg(s.w)
                   .arg(s.h)
                   .arg(s.radius)
                   .arg(QColor::fromRgba(s.colour).name())
                   .toUtf8();
    }
    svg += "</svg>\n";
    return svg;
}

QIcon appIcon() {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(QPixmap::fromImage(iconImage(size)));
    return icon;
}

QPixmap logo(qreal dpr) {
    QPixmap pm = canvas(160, 48, dpr);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.save();
    p.translate(0, 4);
    paintIcon(p, 40);
    p.restore();
    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(26);
    p.setFont(f);
    p.setPen(QColor::fromRgba(kBlue));
    p.drawText(QRect(46, 0, 114, 48), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("Tessel"));
    return pm;
}

QPixmap okPicture(qreal dpr) {
    return sign(QStringLiteral("OK"), QColor(0x10, 0xa0, 0x30), 96, 48, dpr);
}

QPixmap ngPicture(qreal dpr) {
    return sign(QStringLiteral("NG"), QColor(0xd0, 0x20, 0x20), 96, 48, dpr);
}

QPixmap busyPicture(qreal dpr) {
    QPixmap pm = canvas(96, 48, dpr);
    QPainter p(&pm);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x20, 0xb0, 0x40));
    for (int i = 0; i < 5; ++i)
        p.drawRect(6 + i * 18, 18, 12, 12);
    return pm;
}

QPixmap lamp(Lamp which, qreal dpr) {
    switch (which) {
        case Lamp::Bright:
            return roundLamp(20, QColor(0x20, 0xe0, 0x40), dpr);
        case Lamp::Dark:
            return roundLamp(20, QColor(0x10, 0x50, 0x20), dpr);
        case Lamp::Red:
            break;
    }
    return roundLamp(20, QColor(0xe0, 0x20, 0x20), dpr);
}

QPixmap keyFlagLamp(bool set, qreal dpr) {
    if (!set)
        return canvas(16, 16, dpr);
    return roundLamp(16, QColor(0x20, 0xe0, 0x40), dpr);
}

QPixmap parameterOkPicture(qreal dpr) {
    return sign(QStringLiteral("OK"), QColor(0x10, 0xa0, 0x30), 48, 24, dpr);
}

QPixmap parameterNgPicture(qreal dpr) {
    return sign(QStringLiteral("NG"), QColor(0xd0, 0x20, 0x20), 48, 24, dpr);
}

QPixmap picture(int resourceId, qreal dpr) {
    switch (resourceId) {
        case 142:
            return lamp(Lamp::Bright, dpr);
        case 143:
            return lamp(Lamp::Dark, dpr);
        case 144:
            return lamp(Lamp::Red, dpr);
        case 159:
            return titlePicture(dpr);
        case 162:
            return logo(dpr);
        case 168:
            return okPicture(dpr);
        case 169:
            return ngPicture(dpr);
        case 171:
            return busyPicture(dpr);
        case 182:
            return parameterNgPicture(dpr);
        case 183:
            return parameterOkPicture(dpr);
        default:
            return wiringPicture(resourceId, dpr);
    }
}

QList<int> pictureIds() {
    QList<int> ids{142, 143, 144, 159, 162, 168, 169, 171, 182, 183};
    for (const wiring::Diagram& d : wiring::kDiagrams)
        ids.append(d.resourceId);
    std::sort(ids.begin(), ids.end());
    return ids;
}

}  // namespace tessel::artwork
