#include "link/readback.h"

#include "app/chipcatalogue.h"

#include <algorithm>

namespace tessel {
namespace readback {
namespace {

// A word that travels alone (without its inverse) at a fixed byte.
struct WordAt {
    int word;
    int pos;
};

// Where one family's replies carry each byte. The counts that vary from chip to chip within
// a family (configuration and trim words, read CRCs, the trim status, the model bit) are
// fields of the chip's catalogue entry; this table holds the positions.
struct Layout {
    // --- configuration read (0x82) ---
    int payloadLength;            // bytes of the write payload; 0: one per word (KR41xx)
    std::vector<int> pairs;       // CFG numbers sent as word/inverse pairs, in wire order
    int slotsFrom;                // KR41xx: slot k at slotsFrom + k (kNone: pairs instead)
    int pairsFrom;                // first pair (word, then inverse)
    std::vector<WordAt> singles;  // words outside the pairs
    int missingInverse;           // the inverse the status byte displaces (kNone: none)
    std::vector<int> crcNumbers;  // CRC numbers in wire order (the chip's readCrcs first ones)
    int crcFrom;                  // position of the first CRC (kNone: right after the slots)
    int readStatus;
    int icType, icTypeInverse, vd15, protect;
    int eepromEnableWord, eepromEnableBit;  // word kNone: no switchable EEPROM
    int copyLength;                         // bytes kept of a passing read

    // --- configuration write (0x89) ---
    int writeEcho;
    int writeSlotsFrom;  // KR41xx slots (kNone: pairs)
    int writePairsFrom;
    int writeCfg0;                    // CFG0 read back (kNone: in the slots)
    int compareStart, compareLength;  // length 0: one per word (KR41xx)
    int writeCrcFrom, writeCrcCount;
    int writeStatus;

    // --- configuration word 0 (0x84) ---
    int cfg0Words, cfg0ReadBack, cfg0Crc, cfg0Status;

    // --- trim words (0x8D) ---
    int trimEcho;
    int trimReadBack;  // kNone: right after the echoed words
    int trimStatus;    // where the chips that report it put it
};

std::vector<int> numbers(int first, int last) {
    std::vector<int> v;
    for (int k = first; k <= last; ++k)
        v.push_back(k);
    return v;
}

// clang-format off
const Layout kKr41xx{
    0, {}, 2, kNone, {}, kNone, {1, 2, 3}, kNone, 19, kNone, kNone, kNone, kNone, kNone, 0, 15,
    2, 12, kNone, kNone, 12, 0, 22, 3, 26,
    1, 3, kNone, kNone,
    2, 7, 16};
const Layout kMcu01{
    15, numbers(1, 7), kNone, 3, {{0, 2}}, kNone, numbers(1, 7), 17, 27, 25, 24, kNone, kNone,
    kNone, 0, 15,
    2, kNone, 22, 49, 22, 14, 36, 7, 50,
    1, 3, kNone, kNone,
    2, kNone, 18};
const Layout kMcu02{
    22, {1, 2, 3, 4, 5, 6, 7, 8, 9, 12, 13}, kNone, 2, {{0, 38}, {10, 39}, {11, 40}}, kNone,
    numbers(0, 13), 24, 54, 41, 42, 43, 53, 8, 1, 22,
    2, kNone, 26, 61, 26, 22, 48, 11, 62,
    3, 7, 10, 17,
    2, kNone, 24};
const Layout kMcu04{
    50, numbers(1, 25), kNone, 2, {{0, 52}, {30, 54}}, 23, {0, 30}, 57, 47, 55, 56, kNone, 53,
    11, 0, 50,
    kNone, kNone, 2, 61, 2, 50, 52, 9, 62,
    2, 7, 10, 17,
    kNone, 2, 40};
// clang-format on

const Layout& layout(ChipFamily family) {
    switch (family) {
        case ChipFamily::KR41xx:
            return kKr41xx;
        case ChipFamily::MCU01:
            return kMcu01;
        case ChipFamily::MCU02:
            return kMcu02;
        case ChipFamily::MCU04:
            return kMcu04;
    }
    return kKr41xx;
}

// The family's table, or nullptr for an index outside the catalogue.
const Layout* of(int chip) {
    return isChipIndex(chip) ? &layout(chipInfo(chip).family) : nullptr;
}

int pairIndex(const Layout& l, int word) {
    const auto it = std::find(l.pairs.begin(), l.pairs.end(), word);
    return it == l.pairs.end() ? kNone : static_cast<int>(it - l.pairs.begin());
}

int singlePos(const Layout& l, int word) {
    for (const WordAt& s : l.singles) {
        if (s.word == word)
            return s.pos;
    }
    return kNone;
}

bool isSlot(int chip, int word) {
    return word >= 0 && word < chipInfo(chip).configWords;
}

// Position of `word` given where the family's slots or pairs start (kNone when absent).
int wordPos(int chip, const Layout& l, int slotsFrom, int pairsFrom, int word) {
    if (slotsFrom != kNone)
        return isSlot(chip, word) ? slotsFrom + word : kNone;
    const int i = pairIndex(l, word);
    return i == kNone ? kNone : pairsFrom + 2 * i;
}

}  // namespace

int configPayloadLength(int chip) {
    const Layout* l = of(chip);
    if (!l)
        return 0;
    return l->payloadLength ? l->payloadLength : chipInfo(chip).configWords;
}

int configWordCount(int chip) {
    return of(chip) ? chipInfo(chip).configWords : 0;
}

std::vector<int> pairedWords(int chip) {
    const Layout* l = of(chip);
    return l ? l->pairs : std::vector<int>{};
}

int readStatusPos(int chip) {
    const Layout* l = of(chip);
    return l ? l->readStatus : kNone;
}

int writeStatusPos(int chip) {
    const Layout* l = of(chip);
    return l ? l->writeStatus : kNone;
}

int readWordPos(int chip, int word) {
    const Layout* l = of(chip);
    if (!l)
        return kNone;
    const int single = singlePos(*l, word);
    return single != kNone ? single : wordPos(chip, *l, l->slotsFrom, l->pairsFrom, word);
}

int readInversePos(int chip, int word) {
    const Layout* l = of(chip);
    if (!l || l->pairs.empty() || word == l->missingInverse)
        return kNone;
    const int i = pairIndex(*l, word);
    return i == kNone ? kNone : l->pairsFrom + 2 * i + 1;
}

int readCrcPos(int chip, int k) {
    const Layout* l = of(chip);
    if (!l)
        return kNone;
    const int count =
        std::min<int>(chipInfo(chip).readCrcs, static_cast<int>(l->crcNumbers.size()));
    const int from = l->crcFrom != kNone ? l->crcFrom : l->slotsFrom + chipInfo(chip).configWords;
    for (int i = 0; i < count; ++i) {
        if (l->crcNumbers[static_cast<size_t>(i)] == k)
            return from + i;
    }
    return kNone;
}

int writeWordPos(int chip, int word) {
    const Layout* l = of(chip);
    if (!l)
        return kNone;
    if (word == 0 && l->writeCfg0 != kNone)
        return l->writeCfg0;
    return wordPos(chip, *l, l->writeSlotsFrom, l->writePairsFrom, word);
}

int writeInversePos(int chip, int word) {
    const int pos = writeWordPos(chip, word);
    if (pos == kNone || word == 0 || pairedWords(chip).empty())
        return kNone;
    return pos + 1;
}

int writeEchoPos(int chip) {
    const Layout* l = of(chip);
    return l ? l->writeEcho : kNone;
}

int writeCompareStart(int chip) {
    const Layout* l = of(chip);
    return l ? l->compareStart : kNone;
}

int writeCompareLength(int chip) {
    const Layout* l = of(chip);
    if (!l)
        return 0;
    return l->compareLength ? l->compareLength : chipInfo(chip).configWords;
}

int writeCrcPos(int chip, int k) {
    const Layout* l = of(chip);
    return l && k >= 0 && k < l->writeCrcCount ? l->writeCrcFrom + k : kNone;
}

int icTypePos(int chip) {
    const Layout* l = of(chip);
    return l ? l->icType : kNone;
}

int icTypeInversePos(int chip) {
    const Layout* l = of(chip);
    return l ? l->icTypeInverse : kNone;
}

int vd15Pos(int chip) {
    const Layout* l = of(chip);
    return l ? l->vd15 : kNone;
}

int protectPos(int chip) {
    const Layout* l = of(chip);
    return l ? l->protect : kNone;
}

BitPos eepromEnable(int chip) {
    BitPos p;
    const Layout* l = of(chip);
    if (l && l->eepromEnableWord != kNone) {
        p.byte = readWordPos(chip, l->eepromEnableWord);
        p.bit = l->eepromEnableBit;
    }
    return p;
}

WordBit eepromEnableWord(int chip) {
    WordBit w;
    const Layout* l = of(chip);
    if (l && l->eepromEnableWord != kNone) {
        w.word = l->eepromEnableWord;
        w.bit = l->eepromEnableBit;
    }
    return w;
}

BitPos variantBit(int chip, bool afterWrite) {
    BitPos p;
    if (!isChipIndex(chip))
        return p;
    const ModelBit& m = chipInfo(chip).modelBit;
    if (m.word != kNone) {
        p.byte = afterWrite ? writeWordPos(chip, m.word) : readWordPos(chip, m.word);
        p.bit = m.bit;
    }
    return p;
}

bool variantBitValue(int chip) {
    return isChipIndex(chip) && chipInfo(chip).modelBit.set;
}

int configCopyLength(int chip) {
    const Layout* l = of(chip);
    return l ? l->copyLength : 0;
}

int cfg0WordCount(int chip) {
    const Layout* l = of(chip);
    return l ? l->cfg0Words : 0;
}

int cfg0EchoPos(int chip) {
    return of(chip) ? 2 : kNone;
}

int cfg0ReadBackPos(int chip) {
    const Layout* l = of(chip);
    return l ? l->cfg0ReadBack : kNone;
}

int cfg0CrcPos(int chip) {
    const Layout* l = of(chip);
    return l ? l->cfg0Crc : kNone;
}

int cfg0StatusPos(int chip) {
    const Layout* l = of(chip);
    return l ? l->cfg0Status : kNone;
}

int trimWordCount(int chip) {
    return of(chip) ? chipInfo(chip).trimWords : 0;
}

int trimEchoPos(int chip) {
    const Layout* l = of(chip);
    return l ? l->trimEcho : kNone;
}

int trimReadBackPos(int chip) {
    const Layout* l = of(chip);
    if (!l)
        return kNone;
    return l->trimReadBack != kNone ? l->trimReadBack : l->trimEcho + trimWordCount(chip);
}

int trimStatusPos(int chip) {
    const Layout* l = of(chip);
    return l && chipInfo(chip).trimStatus ? l->trimStatus : kNone;
}

}  // namespace readback
}  // namespace tessel
