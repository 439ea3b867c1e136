#pragma once

#include "image/imageloadeffects.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

#include <cstdint>

namespace tessel::test {

// One Intel HEX record with its checksum, upper-case digits, no line end.
inline QByteArray hexRecord(uint16_t address, const QByteArray& data, uint8_t type = 0) {
    QByteArray raw;
    raw.append(char(data.size()));
    raw.append(char(address >> 8));
    raw.append(char(address & 0xFF));
    raw.append(char(type));
    raw.append(data);
    uint8_t sum = 0;
    for (char c : raw)
        sum = uint8_t(sum + uint8_t(c));
    raw.append(char(uint8_t(0x100 - sum)));
    return ':' + raw.toHex().toUpper();
}

inline const QByteArray kEndRecord = QByteArrayLiteral(":00000001FF");

// Writes bytes to path; fails the calling test through the return value.
inline bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(bytes) == bytes.size();
}

inline QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// An image of `length` bytes that are not 0xFF (so nothing is trimmed).
inline QByteArray patternImage(int length, int seed = 0) {
    QByteArray b(length, '\0');
    for (int i = 0; i < length; ++i)
        b[i] = char((i * 7 + seed) % 0xFF);
    return b;
}

// Records which effects a load asked for, in order.
class RecordingEffects : public ImageLoadEffects {
public:
    QStringList calls;
    void openStarted() override { calls << QStringLiteral("openStarted"); }
    void openFinished() override { calls << QStringLiteral("openFinished"); }
    void hexLoaded() override { calls << QStringLiteral("hexLoaded"); }
    void massProductionChipSelected(int chip) override {
        calls << QStringLiteral("chipSelected %1").arg(chip);
    }
    void massProductionConfigApplied(int chip, uint8_t cfg0) override {
        calls << QStringLiteral("config %1 0x%2").arg(chip).arg(cfg0, 2, 16, QLatin1Char('0'));
    }
    void chipComboChangeRequested(int chip) override {
        calls << QStringLiteral("combo %1").arg(chip);
    }
    void eepromImageLoaded() override { calls << QStringLiteral("eeprom"); }
};

}  // namespace tessel::test
