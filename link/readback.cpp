#include "link/readback.h"

namespace tessel {
namespace readback {
namespace {

enum class Fam { KR41, MCU01, MCU02, MCU04, None };

Fam family(int chip) {
    if (chip >= 0 && chip <= 7)
        return Fam::KR41;
    if (chip == 8 || chip == 9)
        return Fam::MCU01;
    if (chip >= 10 && chip <= 12)
        return Fam::MCU02;
    if (chip == 13)
        return Fam::MCU04;
    return Fam::None;
}

// KR41xx words per chip: 3 (0), 7 (1), 9 (2), 10 (3 to 7).
int kr41Words(int chip) {
    if (chip == 0)
        return 3;
    if (chip == 1)
        return 7;
    if (chip == 2)
        return 9;
    return 10;
}

const std::vector<int>& mcu02Pairs() {
    static const std::vector<int> pairs{1, 2, 3, 4, 5, 6, 7, 8, 9, 12, 13};
    return pairs;
}

const std::vector<int>& mcu01Pairs() {
    static const std::vector<int> pairs{1, 2, 3, 4, 5, 6, 7};
    return pairs;
}

const std::vector<int>& mcu04Pairs() {
    static const std::vector<int> pairs = [] {
        std::vector<int> p;
        for (int k = 1; k <= 25; ++k)
            p.push_back(k);
        return p;
    }();
    return pairs;
}

int pairIndex(int chip, int word) {
    const std::vector<int>& p = pairedWords(chip);
    for (size_t i = 0; i < p.size(); ++i) {
        if (p[i] == word)
            return static_cast<int>(i);
    }
    return kNone;
}

}  // namespace

int configPayloadLength(int chip) {
    switch (family(chip)) {
        case Fam::KR41:
            return kr41Words(chip);
        case Fam::MCU01:
            return 15;
        case Fam::MCU02:
            return 22;
        case Fam::MCU04:
            return 50;
        case Fam::None:
            break;
    }
    return 0;
}

int configWordCount(int chip) {
    switch (family(chip)) {
        case Fam::KR41:
            return kr41Words(chip);
        case Fam::MCU01:
            return 8;
        case Fam::MCU02:
            return 14;
        case Fam::MCU04:
            return 31;
        case Fam::None:
            break;
    }
    return 0;
}

std::vector<int> pairedWords(int chip) {
    switch (family(chip)) {
        case Fam::MCU01:
            return mcu01Pairs();
        case Fam::MCU02:
            return mcu02Pairs();
        case Fam::MCU04:
            return mcu04Pairs();
        default:
            return {};
    }
}

int readStatusPos(int chip) {
    switch (family(chip)) {
        case Fam::KR41:
            return 19;
        case Fam::MCU01:
            return 27;
        case Fam::MCU02:
            return 54;
        case Fam::MCU04:
            return 47;
        case Fam::None:
            break;
    }
    return kNone;
}

int writeStatusPos(int chip) {
    switch (family(chip)) {
        case Fam::KR41:
            return 26;
        case Fam::MCU01:
            return 50;
        case Fam::MCU02:
        case Fam::MCU04:
            return 62;
        case Fam::None:
            break;
    }
    return kNone;
}

int readWordPos(int chip, int word) {
    switch (family(chip)) {
        case Fam::KR41:
            return word >= 0 && word < kr41Words(chip) ? 2 + word : kNone;
        case Fam::MCU01:
            if (word == 0)
                return 2;
            return word >= 1 && word <= 7 ? 1 + 2 * word : kNone;
        case Fam::MCU02: {
            if (word == 0)
                return 38;
            if (word == 10)
                return 39;
            if (word == 11)
                return 40;
            const int i = pairIndex(chip, word);
            return i == kNone ? kNone : 2 + 2 * i;
        }
        case Fam::MCU04:
            if (word == 0)
                return 52;
            if (word == 30)
                return 54;
            return word >= 1 && word <= 25 ? 2 * word : kNone;
        case Fam::None:
            break;
    }
    return kNone;
}

int readInversePos(int chip, int word) {
    switch (family(chip)) {
        case Fam::MCU01:
            return word >= 1 && word <= 7 ? 2 + 2 * word : kNone;
        case Fam::MCU02: {
            const int i = pairIndex(chip, word);
            return i == kNone ? kNone : 3 + 2 * i;
        }
        case Fam::MCU04:
            // ~CFG23 would sit at byte 47, where the status byte is.
            return word >= 1 && word <= 25 && word != 23 ? 2 * word + 1 : kNone;
        default:
            break;
    }
    return kNone;
}

int readCrcPos(int chip, int k) {
    switch (family(chip)) {
        case Fam::KR41: {
            const int crcs = chip == 0 ? 2 : 3;
            return k >= 1 && k <= crcs ? 1 + kr41Words(chip) + k : kNone;
        }
        case Fam::MCU01:
            return k >= 1 && k <= 7 ? 16 + k : kNone;
        case Fam::MCU02:
            return k >= 0 && k <= 13 ? 24 + k : kNone;
        case Fam::MCU04:
            if (k == 0)
                return 57;
            if (k == 30)
                return 58;
            return kNone;
        case Fam::None:
            break;
    }
    return kNone;
}

int writeWordPos(int chip, int word) {
    switch (family(chip)) {
        case Fam::KR41:
            return word >= 0 && word < kr41Words(chip) ? 12 + word : kNone;
        case Fam::MCU01:
            if (word == 0)
                return 49;
            return word >= 1 && word <= 7 ? 20 + 2 * word : kNone;
        case Fam::MCU02: {
            if (word == 0)
                return 61;
            const int i = pairIndex(chip, word);
            return i == kNone ? kNone : 26 + 2 * i;
        }
        case Fam::MCU04:
            if (word == 0)
                return 61;
            return word >= 1 && word <= 25 ? 2 * word : kNone;
        case Fam::None:
            break;
    }
    return kNone;
}

int writeInversePos(int chip, int word) {
    const int pos = writeWordPos(chip, word);
    if (pos == kNone || word == 0 || family(chip) == Fam::KR41)
        return kNone;
    return pos + 1;
}

int writeEchoPos(int chip) {
    const Fam f = family(chip);
    return f == Fam::MCU04 || f == Fam::None ? kNone : 2;
}

int writeCompareStart(int chip) {
    switch (family(chip)) {
        case Fam::KR41:
            return 12;
        case Fam::MCU01:
            return 22;
        case Fam::MCU02:
            return 26;
        case Fam::MCU04:
            return 2;
        case Fam::None:
            break;
    }
    return kNone;
}

int writeCompareLength(int chip) {
    switch (family(chip)) {
        case Fam::KR41:
            return kr41Words(chip);
        case Fam::MCU01:
            return 14;
        case Fam::MCU02:
            return 22;
        case Fam::MCU04:
            return 50;
        case Fam::None:
            break;
    }
    return 0;
}

int writeCrcPos(int chip, int k) {
    switch (family(chip)) {
        case Fam::KR41:
            return k >= 0 && k < 3 ? 22 + k : kNone;
        case Fam::MCU01:
            return k >= 0 && k < 7 ? 36 + k : kNone;
        case Fam::MCU02:
            return k >= 0 && k < 11 ? 48 + k : kNone;
        case Fam::MCU04:
            return k >= 0 && k < 9 ? 52 + k : kNone;
        case Fam::None:
            break;
    }
    return kNone;
}

int icTypePos(int chip) {
    switch (family(chip)) {
        case Fam::MCU01:
            return 25;
        case Fam::MCU02:
            return 41;
        case Fam::MCU04:
            return 55;
        default:
            return kNone;
    }
}

int icTypeInversePos(int chip) {
    switch (family(chip)) {
        case Fam::MCU01:
            return 24;
        case Fam::MCU02:
            return 42;
        case Fam::MCU04:
            return 56;
        default:
            return kNone;
    }
}

int vd15Pos(int chip) {
    return family(chip) == Fam::MCU02 ? 43 : kNone;
}

int protectPos(int chip) {
    const Fam f = family(chip);
    return f == Fam::MCU02 || f == Fam::MCU04 ? 53 : kNone;
}

BitPos eepromEnable(int chip) {
    BitPos p;
    if (family(chip) == Fam::MCU02) {
        p.byte = readWordPos(chip, 8);  // 16
        p.bit = 1;
    } else if (family(chip) == Fam::MCU04) {
        p.byte = readWordPos(chip, 11);  // 22
        p.bit = 0;
    }
    return p;
}

BitPos variantBit(int chip, bool afterWrite) {
    BitPos p;
    if (chip >= 3 && chip <= 7) {
        p.byte = afterWrite ? writeWordPos(chip, 5) : readWordPos(chip, 5);  // 17 or 7
        p.bit = (chip == 5 || chip == 7) ? 0 : 1;
    } else if (chip == 8 || chip == 9) {
        p.byte = afterWrite ? writeWordPos(chip, 1) : readWordPos(chip, 1);  // 22 or 3
        p.bit = 0;
    }
    return p;
}

bool variantBitValue(int chip) {
    return chip == 4 || chip == 7 || chip == 8;
}

int cfg0WordCount(int chip) {
    switch (family(chip)) {
        case Fam::MCU02:
            return 3;
        case Fam::MCU04:
            return 2;
        case Fam::None:
            return 0;
        default:
            return 1;
    }
}

int cfg0EchoPos(int chip) {
    return family(chip) == Fam::None ? kNone : 2;
}

int cfg0ReadBackPos(int chip) {
    switch (family(chip)) {
        case Fam::MCU02:
        case Fam::MCU04:
            return 7;
        case Fam::None:
            return kNone;
        default:
            return 3;
    }
}

int cfg0CrcPos(int chip) {
    const Fam f = family(chip);
    return f == Fam::MCU02 || f == Fam::MCU04 ? 10 : kNone;
}

int cfg0StatusPos(int chip) {
    const Fam f = family(chip);
    return f == Fam::MCU02 || f == Fam::MCU04 ? 17 : kNone;
}

int trimWordCount(int chip) {
    if (chip == 0)
        return 3;
    if (chip == 1)
        return 4;
    if (chip >= 2 && chip <= 7)
        return 5;
    if (chip == 8 || chip == 9)
        return 8;
    if (chip >= 10 && chip <= 12)
        return 11;
    if (chip == 13)
        return 38;
    return 0;
}

int trimEchoPos(int chip) {
    return chip >= 0 && chip <= 12 ? 2 : kNone;
}

int trimReadBackPos(int chip) {
    if (chip >= 0 && chip <= 7)
        return 7;
    if (chip >= 8 && chip <= 12)
        return 2 + trimWordCount(chip);  // 10 or 13
    if (chip == 13)
        return 2;
    return kNone;
}

int trimStatusPos(int chip) {
    if (chip == 5 || chip == 7)
        return 16;
    if (chip == 8 || chip == 9)
        return 18;
    if (chip >= 10 && chip <= 12)
        return 24;
    if (chip == 13)
        return 40;
    return kNone;
}

}  // namespace readback
}  // namespace tessel
