#include "image/imagemessages.h"

namespace tessel {

namespace {

struct SizeTexts {
    const char* chinese;
    const char* english;  // nullptr: the Chinese text in both languages
};

constexpr SizeTexts kOpenSizeTexts[] = {
    {"KR4121A不支持超过16k的文件!", "Error!The size of the file exceeds 16k!"},
    {"KR4111A不支持超过8k的文件!", nullptr},
    {"KR4112A不支持超过32k的文件!", nullptr},
    {"KR4152不支持超过16k的文件!", nullptr},
    {"KR4161不支持超过32k的文件!", nullptr},
    {"KR4115/56/17不支持超过16k的文件!", nullptr},
    {"KR4115W/4113不支持超过16k的文件!", nullptr},
    {"KR4116不支持超过30k的文件!", nullptr},
    {"RO5812DA不支持超过16k的文件!", "RO5812DA Error!The size of the file exceeds 16k!"},
    {"ZU5712Ra16不支持超过16k的文件!", "ZU5712Ra16 Error!The size of the file exceeds 16k!"},
    {"KR5815不支持超过63k的文件!", nullptr},
    {"KR5814不支持超过48k的文件!", nullptr},
    {"KR5813不支持超过32k的文件!", nullptr},
    {"MCU04不支持超过15k的文件!", nullptr},
};

constexpr int kChips = int(sizeof(kOpenSizeTexts) / sizeof(kOpenSizeTexts[0]));

int clampChip(int chip) {
    return chip >= 0 && chip < kChips ? chip : 0;
}

QString hex8(uint32_t value, bool upper) {
    QString digits = QString::number(value, 16).rightJustified(8, QLatin1Char('0'));
    return upper ? digits.toUpper() : digits;
}

}  // namespace

QString checksumLogLine(int chip, uint32_t checksum, CheckKind kind) {
    chip = clampChip(chip);
    const char* head = "打开文件的CheckSum值为：0x";
    bool upper = false;
    if (kind == CheckKind::Open) {
        if (chip == 0) {
            head = "CheckSum Value：0x";
            upper = true;
        } else if (chip == 8 || chip == 9) {
            head = "CheckSum Value：0x";
        } else if (chip >= 10) {
            upper = true;
        }
    } else {
        if (chip == 8 || chip == 9)
            head = "CheckSum Value：0x";
        upper = chip == 13;
    }
    return QString::fromUtf8(head) + hex8(checksum, upper);
}

QString sizeMessage(int chip, uint8_t language, CheckKind kind) {
    chip = clampChip(chip);
    SizeTexts texts = kOpenSizeTexts[chip];
    if (kind == CheckKind::Reload) {
        // Only the MCU01 chips choose by language here; chip 9 spells its name in full.
        if (chip == 9)
            texts.chinese = "ZU5712RA16不支持超过16k的文件!";
        if (chip != 8 && chip != 9)
            texts.english = nullptr;
    }
    if (language == 1 && texts.english)
        return QString::fromUtf8(texts.english);
    return QString::fromUtf8(texts.chinese);
}

}  // namespace tessel
