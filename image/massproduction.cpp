#include "image/massproduction.h"

#include "app/chipcatalogue.h"
#include "image/imagestate.h"

#include <iterator>

namespace tessel {

namespace {

// The EEPROM image starts at the first multiple of 16 strictly above the image.
uint32_t eepromStart(uint32_t imageLength) {
    return imageLength - imageLength % 16 + 16;
}

QString hexField(uint32_t value, int width, bool upper) {
    QString digits = QString::number(value, 16).rightJustified(width, QLatin1Char('0'));
    return QStringLiteral("0x") + (upper ? digits.toUpper() : digits);
}

// The default file names and the model lines are texts of the mass-production file format,
// kept here by chip index (the IC type byte) rather than in the catalogue; the table must
// have a row for every chip of the catalogue.
struct NameParts {
    const char* prefix;
    bool withCfg0;
    bool upper;
    bool appliesConfig;  // loading the file sets the configuration page
};

constexpr NameParts kNames[] = {
    {"KR4121量产_", false, false, false},     {"KR4111量产_", true, false, true},
    {"KR4112量产_", true, false, true},       {"KR4152量产_", true, false, true},
    {"KR4161量产_", true, false, true},       {"KR4115_4156_4117量产_", true, false, true},
    {"KR4115W_4113量产_", true, false, true}, {"KR4116量产_", true, false, true},
    {"RO5812DA MP_", true, false, true},      {"ZU5712RA16 MP_", true, false, true},
    {"Velkor_KR5815_", false, true, true},    {"Velkor_KR5815_", false, true, true},
    {"Velkor_KR5815_", false, true, true},    {"Velkor_VE5812DUZI MP_", true, true, false},
};

constexpr const char* kModelLines[] = {
    "IC_type = %1，芯片为KR4121系列",
    "IC_type = %1，芯片为KR4111系列",
    "IC_type = %1，芯片为KR4112系列",
    "IC_type = %1，芯片为KR4152系列",
    "IC_type = %1，芯片为KR4161系列",
    "IC_type = %1，芯片为KR4115/56/17系列",
    "IC_type = %1，芯片为KR4115W/4113系列",
    "IC_type = %1，芯片为KR4116系列",
    "IC_type = %1，芯片为RO5812DA系列",
    "IC_type = %1，芯片为ZU5712RA16系列",
    "IC_type = %1，芯片为KR5815,KR5814,KR5813系列",
    "IC_type = %1，芯片为KR5815,KR5814,KR5813系列",
    "IC_type = %1，芯片为KR5815,KR5814,KR5813系列",
    "IC_type = %1，芯片为DE5812RO系列",
};

static_assert(std::size(kNames) == kChipCount, "a default file name for every chip");
static_assert(std::size(kModelLines) == kChipCount, "a model line for every chip");

}  // namespace

// What a file carries after the image follows from the chip's traits: the KR4121 CFG1 and
// CFG0, the chips with an EEPROM in the flash buffers their EEPROM image and its length, the
// chips with production modes the mode byte, every other chip CFG0.
uint32_t trailerLength(int chip) {
    if (carriesCfg1(chip))
        return 4;
    if (eepromInFlashBuffer(chip))
        return 5;
    return 3;
}

TkContents decodeMassProductionFile(const uint8_t* data, uint32_t n) {
    TkContents c;
    if (n < 4)
        return c;  // NotTk
    const int t = data[n - 1];
    if (!isChipIndex(t))
        return c;
    c.chip = t;
    const uint32_t trailer = trailerLength(t);
    if (n < trailer)
        return c;
    if (data[n - trailer] != t) {
        c.status = TkStatus::ContentError;
        return c;
    }
    if (eepromInFlashBuffer(t)) {
        c.cfg0 = data[n - 4];
        c.imageLength = uint32_t(data[n - 3]) * 256 + data[n - 2];
        c.eepromOffset = eepromStart(c.imageLength);
        // The EEPROM copy must lie between the image and the trailer.
        if (c.imageLength == 0 || c.eepromOffset + kFlashEepromImageSize > n - trailer) {
            c.status = TkStatus::ContentError;
            return c;
        }
    } else {
        c.imageLength = n - trailer;
        if (carriesCfg1(t)) {
            c.cfg1 = data[n - 3];
            c.cfg0 = data[n - 2];
        } else if (chipInfo(t).massProductionModes) {
            c.modeByte = data[n - 2];
        } else {
            c.cfg0 = data[n - 2];
        }
    }
    c.status = TkStatus::Ok;
    return c;
}

int modeSelectionFromByte(uint8_t modeByte) {
    if (modeByte & 0x01)
        return 0;
    if (modeByte & 0x10)
        return 1;
    return 2;
}

uint8_t modeByteFromSelection(int selection) {
    if (selection == 0)
        return 0x01;
    if (selection == 1)
        return 0x10;
    return 0x00;
}

QString massProductionExtension(int chip, int modeSelection) {
    if (chipInfo(chip).massProductionModes) {
        if (modeSelection == 0)
            return QStringLiteral(".mtk");
        if (modeSelection == 1)
            return QStringLiteral(".ntk");
    }
    return QStringLiteral(".tk");
}

bool massProductionAppliesConfig(int chip) {
    return isChipIndex(chip) && kNames[chip].appliesConfig;
}

QString massProductionModelLine(int chip) {
    chip = sanitizeChipIndex(chip);
    return QString::fromUtf8(kModelLines[chip]).arg(chip);
}

QString massProductionTimeStamp(const QDateTime& utc) {
    const QDateTime t = utc.toUTC().addSecs(8 * 3600);
    const QDate d = t.date();
    const QTime h = t.time();
    auto two = [](int v) { return QString::number(v).rightJustified(2, QLatin1Char('0')); };
    return QString::number(d.year()).rightJustified(4, QLatin1Char('0')) + QLatin1Char('_') +
           two(d.month()) + QLatin1Char('_') + two(d.day()) + QLatin1Char('_') + two(h.hour()) +
           QLatin1Char('_') + two(h.minute()) + QLatin1Char('_') + two(h.second());
}

TkBuild buildMassProductionFile(const ImageState& image, int chip, uint8_t cfg0, uint8_t cfg1,
                                int modeSelection, const QDateTime& utcNow) {
    TkBuild b;
    chip = sanitizeChipIndex(chip);
    const uint32_t length = image.imageLength;
    const uint32_t pad = eepromInFlashBuffer(chip) ? 16 - length % 16 : 0;
    const uint32_t eeprom = eepromInFlashBuffer(chip) ? kFlashEepromImageSize : 0;
    const uint64_t total = uint64_t(length) + pad + eeprom + trailerLength(chip);
    b.extension = massProductionExtension(chip, modeSelection);
    b.filter = QStringLiteral("Save Files (*%1)").arg(b.extension);

    const NameParts& names = kNames[chip];
    b.defaultName = QString::fromUtf8(names.prefix) +
                    hexField(image.imageChecksum, 8, names.upper) + QLatin1Char('_');
    if (names.withCfg0)
        b.defaultName += hexField(cfg0, 2, names.upper) + QLatin1Char('_');
    b.defaultName += massProductionTimeStamp(utcNow);

    // A file the reader would refuse as too long is not written either.
    if (total > kLargestReadableFile)
        return b;
    b.fits = true;

    const char* buffer = reinterpret_cast<const char*>(image.writeBuffer.data());
    const char ic = char(chip);
    b.content.reserve(qsizetype(total));
    b.content.append(buffer, qsizetype(length));
    if (eepromInFlashBuffer(chip)) {
        b.content.append(buffer + length, qsizetype(pad));
        b.content.append(buffer + kEepromOffsetInFlashBuffer, qsizetype(kFlashEepromImageSize));
    }
    b.content.append(ic);
    if (carriesCfg1(chip)) {
        b.content.append(char(cfg1));
        b.content.append(char(cfg0));
    } else if (eepromInFlashBuffer(chip)) {
        b.content.append(char(cfg0));
        b.content.append(char(length >> 8));
        b.content.append(char(length & 0xFF));
    } else if (chipInfo(chip).massProductionModes) {
        b.content.append(char(modeByteFromSelection(modeSelection)));
    } else {
        b.content.append(char(cfg0));
    }
    b.content.append(ic);
    return b;
}

}  // namespace tessel
