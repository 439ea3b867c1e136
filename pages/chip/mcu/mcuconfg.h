#pragma once

#include "link/report.h"
#include "pages/chip/engine/pagemodel.h"

namespace tessel {

// The configuration pages of the MCU01, MCU02 and MCU04 families. Their words travel with
// bitwise inverses, which the write sequences compute; the pages hold the plain words.

// RO5812DA and ZU5712RA16 (chips 8, 9): CFG0 to CFG7, one profile section for both chips
// with the chip's name in every key, saved after every change.
class CMCU01Confg : public chip::PageModel {
    Q_OBJECT
public:
    explicit CMCU01Confg(Profile profile, QObject* parent = nullptr);
    static const chip::PageDesc& description();
};

// KR5815/KR5715, KR5814, KR5813/KR5713 (chips 10 to 12): CFG0 to CFG13.
class CMCU02Confg : public chip::PageModel {
    Q_OBJECT
public:
    explicit CMCU02Confg(Profile profile, QObject* parent = nullptr);
    static const chip::PageDesc& description();

    uint8_t cfg0() const { return word(0); }
    uint8_t word10() const { return word(10); }
    uint8_t word11() const { return word(11); }

    // Takes the words of a read-configuration reply into the page, when the reply's status
    // byte says the read passed; returns whether it did. A failed read never lands on the
    // page, so the next configuration write cannot send its garbage to the chip.
    bool showReadBack(int chipIndex, const Report& reply);

    static constexpr int kReadStatusByte = 54;
};

// VE5812DUZI (chip 13): CFG0, CFG30 and CFG1 to CFG25; only CFG0 and CFG30 are shown.
class CMCU04 : public chip::PageModel {
    Q_OBJECT
public:
    explicit CMCU04(Profile profile, QObject* parent = nullptr);
    static const chip::PageDesc& description();

    uint8_t cfg0() const { return word(0); }
    uint8_t word30() const { return word(30); }
};

}  // namespace tessel
