// The wiring diagrams and the title picture of the wiring-help window, drawn from the tables of
// res/wiring.h.
#include "res/artwork.h"
#include "res/canvas.h"
#include "res/wiring.h"

#include <QFont>
#include <QPainter>

#include <cstring>

namespace tessel::artwork {
namespace {

using wiring::Purpose;
using wiring::Wire;

constexpr int kPinTop = 86;   // centre of pin 1
constexpr int kPinStep = 26;  // distance between pin centres
constexpr int kBoxTop = 70;   // connector and chip boxes
constexpr int kBoxBottom = 280;
constexpr int kConnectorLeft = 24;
constexpr int kConnectorRight = 124;
constexpr int kChipLeft = 340;
constexpr int kChipRight = 460;
const QColor kInk(0x20, 0x20, 0x20);
const QColor kFaint(0xa0, 0xa0, 0xa0);
const QColor kBlue(0x1f, 0x6f, 0xb2);

int pinY(int pin) {
    return kPinTop + (pin - 1) * kPinStep;
}

QColor signalColour(const char* connectorName) {
    struct Entry {
        const char* name;
        QRgb colour;
    };
    static const Entry kColours[] = {{"VCC", 0xd02020}, {"GND", 0x303030}, {"VPP", 0xe07000},
                                     {"PGC", 0x1f5fd0}, {"PGD", 0x109040}, {"TXD", 0x8030b0},
                                     {"RXD", 0x008080}};
    for (const Entry& e : kColours) {
        if (std::strcmp(e.name, connectorName) == 0)
            return QColor(e.colour);
    }
    return kInk;
}

struct Caption {
    const char* chinese;
    const char* english;
};

Caption purposeCaption(Purpose purpose) {
    switch (purpose) {
        case Purpose::Programming:
            return {"烧录接线", "Programming wiring"};
        case Purpose::SerialDebugging:
            return {"调试接线 (串口)", "Debugging wiring (serial link)"};
        case Purpose::IicDebugging:
            return {"调试接线 (IIC)", "Debugging wiring (IIC)"};
        case Purpose::ProgrammingAndDebugging:
            break;
    }
    return {"烧录及调试接线", "Programming and debugging wiring"};
}

std::vector<Wire> wiresFor(Purpose purpose) {
    switch (purpose) {
        case Purpose::SerialDebugging:
            return {wiring::kSerialDebugWires.begin(), wiring::kSerialDebugWires.end()};
        case Purpose::IicDebugging:
            return {wiring::kIicDebugWires.begin(), wiring::kIicDebugWires.end()};
        case Purpose::Programming:
        case Purpose::ProgrammingAndDebugging:
            break;
    }
    return {wiring::kProgrammingWires.begin(), wiring::kProgrammingWires.end()};
}

void setFont(QPainter& p, int pixels, bool bold) {
    QFont f = p.font();
    f.setPixelSize(pixels);
    f.setBold(bold);
    p.setFont(f);
}

void drawTitle(QPainter& p, const QString& chinese, const QString& english) {
    p.fillRect(QRect(0, 0, wiring::kWidth, 48), QColor(0xe8, 0xf0, 0xfa));
    p.setPen(kBlue);
    setFont(p, 18, true);
    p.drawText(QRect(16, 4, wiring::kWidth - 32, 24), Qt::AlignLeft | Qt::AlignVCenter, chinese);
    p.setPen(kInk);
    setFont(p, 11, false);
    p.drawText(QRect(16, 28, wiring::kWidth - 32, 16), Qt::AlignLeft | Qt::AlignVCenter, english);
}

void drawConnector(QPainter& p, const std::vector<Wire>& wires) {
    setFont(p, 11, true);
    p.setPen(kInk);
    p.drawText(QRect(kConnectorLeft - 10, 52, 140, 16), Qt::AlignLeft,
               QStringLiteral("编程器接口 (8 针)"));
    p.setBrush(QColor(0xf4, 0xf4, 0xf4));
    p.setPen(QPen(kInk, 1.5));
    p.drawRect(
        QRectF(kConnectorLeft, kBoxTop, kConnectorRight - kConnectorLeft, kBoxBottom - kBoxTop));
    for (int pin = 1; pin <= 8; ++pin) {
        bool used = false;
        for (const Wire& w : wires)
            used = used || w.pin == pin;
        const int y = pinY(pin);
        p.setPen(used ? kInk : kFaint);
        setFont(p, 12, used);
        p.drawText(QRect(kConnectorLeft + 6, y - 9, 20, 18), Qt::AlignLeft | Qt::AlignVCenter,
                   QString::number(pin));
        p.drawText(QRect(kConnectorLeft + 30, y - 9, 50, 18), Qt::AlignLeft | Qt::AlignVCenter,
                   QString::fromLatin1(wiring::kConnectorPins[pin - 1]));
        p.setBrush(used ? QColor(0xc0, 0x90, 0x20) : QColor(0xd8, 0xd8, 0xd8));
        p.setPen(QPen(used ? kInk : kFaint, 1));
        p.drawRect(QRectF(kConnectorRight - 14, y - 5, 10, 10));
    }
}

void drawChip(QPainter& p, const QString& chipGroup, const std::vector<Wire>& wires) {
    setFont(p, 12, true);
    p.setPen(kInk);
    p.drawText(QRect(kChipLeft - 20, 52, kChipRight - kChipLeft + 40, 16), Qt::AlignCenter,
               chipGroup);
    p.setBrush(QColor(0x30, 0x30, 0x38));
    p.setPen(QPen(kInk, 1.5));
    p.drawRoundedRect(QRectF(kChipLeft, kBoxTop, kChipRight - kChipLeft, kBoxBottom - kBoxTop), 6,
                      6);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x90, 0x90, 0x98), 1));
    p.drawEllipse(QPointF(kChipRight - 16, kBoxBottom - 16), 5, 5);  // pin-1 mark of a package
    for (const Wire& w : wires) {
        const int y = pinY(w.pin);
        p.setBrush(QColor(0xd0, 0xd0, 0xd0));
        p.setPen(Qt::NoPen);
        p.drawRect(QRectF(kChipLeft - 4, y - 4, 10, 8));
        p.setPen(Qt::white);
        setFont(p, 12, true);
        p.drawText(QRect(kChipLeft + 12, y - 9, kChipRight - kChipLeft - 16, 18),
                   Qt::AlignLeft | Qt::AlignVCenter, QString::fromLatin1(w.chipSignal));
    }
}

void drawWires(QPainter& p, const std::vector<Wire>& wires) {
    for (const Wire& w : wires) {
        const int y = pinY(w.pin);
        const QColor colour = signalColour(wiring::kConnectorPins[w.pin - 1]);
        p.setPen(QPen(colour, 2.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(kConnectorRight - 4, y), QPointF(kChipLeft - 4, y));
        p.setBrush(colour);
        p.drawEllipse(QPointF(kConnectorRight - 4, y), 2.5, 2.5);
        p.drawEllipse(QPointF(kChipLeft - 4, y), 2.5, 2.5);
        setFont(p, 11, true);
        p.setPen(colour);
        p.drawText(QRect((kConnectorRight + kChipLeft) / 2 - 30, y - 16, 60, 13), Qt::AlignCenter,
                   QString::fromLatin1(w.label));
    }
}

void drawPinNote(QPainter& p) {
    p.setPen(QColor(0xa0, 0x30, 0x10));
    setFont(p, 13, true);
    p.drawText(QRect(0, 290, wiring::kWidth, 20), Qt::AlignCenter,
               QStringLiteral("引脚号见芯片数据手册"));
    p.setPen(kInk);
    setFont(p, 10, false);
    p.drawText(QRect(0, 310, wiring::kWidth, 16), Qt::AlignCenter,
               QStringLiteral("Pin numbers and packages: see the chip's data sheet"));
}

}  // namespace

QPixmap wiringPicture(int resourceId, qreal dpr) {
    const wiring::Diagram* d = wiring::findDiagram(resourceId);
    if (!d)
        return {};
    QPixmap pm = canvas(wiring::kWidth, wiring::kHeight, dpr, Qt::white);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QString group = QString::fromUtf8(d->chipGroup);
    const Caption caption = purposeCaption(d->purpose);
    drawTitle(p, group + QLatin1Char(' ') + QString::fromUtf8(caption.chinese),
              group + QStringLiteral(": ") + QString::fromUtf8(caption.english));
    const std::vector<Wire> wires = wiresFor(d->purpose);
    drawConnector(p, wires);
    drawWires(p, wires);
    drawChip(p, group, wires);
    drawPinNote(p);
    return pm;
}

QPixmap titlePicture(qreal dpr) {
    QPixmap pm = canvas(wiring::kWidth, wiring::kHeight, dpr, Qt::white);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(QRect(0, 0, wiring::kWidth, 150), QColor(0xe8, 0xf0, 0xfa));
    p.save();
    p.translate(32, 27);
    p.drawImage(QRectF(0, 0, 96, 96), iconImage(qRound(96 * pm.devicePixelRatio())));
    p.restore();
    p.setPen(kBlue);
    setFont(p, 44, true);
    p.drawText(QRect(148, 24, 320, 56), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Tessel"));
    p.setPen(kInk);
    setFont(p, 14, false);
    p.drawText(QRect(150, 82, 320, 20), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("USB调试烧录器 V1.4 · 触摸按键芯片"));
    p.drawText(QRect(150, 104, 320, 20), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("烧录 · 配置 · 调试"));

    setFont(p, 12, true);
    p.drawText(QRect(0, 172, wiring::kWidth, 18), Qt::AlignCenter,
               QStringLiteral("编程器接口 (8 针) / target connector"));
    const int cell = 52;
    const int left = (wiring::kWidth - 8 * cell) / 2;
    for (int i = 0; i < 8; ++i) {
        const QRect r(left + i * cell, 198, cell, 44);
        p.setPen(QPen(kInk, 1));
        p.setBrush(QColor(0xf4, 0xf4, 0xf4));
        p.drawRect(r);
        p.setPen(kInk);
        setFont(p, 11, false);
        p.drawText(r.adjusted(0, 3, 0, -22), Qt::AlignCenter, QString::number(i + 1));
        p.setPen(signalColour(wiring::kConnectorPins[i]));
        setFont(p, 12, true);
        p.drawText(r.adjusted(0, 20, 0, -3), Qt::AlignCenter,
                   QString::fromLatin1(wiring::kConnectorPins[i]));
    }
    p.setPen(kInk);
    setFont(p, 13, false);
    p.drawText(QRect(0, 262, wiring::kWidth, 20), Qt::AlignCenter,
               QStringLiteral("在左侧选择芯片的烧录或调试, 查看接线图"));
    setFont(p, 11, false);
    p.drawText(QRect(0, 284, wiring::kWidth, 18), Qt::AlignCenter,
               QStringLiteral("Pick a chip's programming or debugging entry on the left"));
    return pm;
}

}  // namespace tessel::artwork
