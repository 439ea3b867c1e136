#pragma once

#include "pages/chip/engine/pagemodel.h"

namespace tessel {

// The trim pages of the MCU01, MCU02 and MCU04 families. Their "保存到配置字" writes the
// trim fields into the keys the configuration page loads; trimBytes() gives what the
// write-trim command carries, in the order sent.

// RO5812DA and ZU5712RA16 (chips 8, 9): CFG1 to CFG7 and OSC_REG. Loads only when the
// programming page asks (entering trim mode), not at its creation. "ADJ_VD_H" and
// "ADJ_VD_L" move together, three entries apart.
class MCU01Adt : public chip::PageModel {
    Q_OBJECT
public:
    explicit MCU01Adt(Profile profile, QObject* parent = nullptr);
    static const chip::PageDesc& description();
};

// KR5815/KR5715, KR5814, KR5813/KR5713 (chips 10 to 12): CFG1 to CFG7, OSC_REG, CFG12,
// CFG13 and PW_REG (eleven bytes).
class CMCU02Adt : public chip::PageModel {
    Q_OBJECT
public:
    explicit CMCU02Adt(Profile profile, QObject* parent = nullptr);
    static const chip::PageDesc& description();
};

// VE5812DUZI (chip 13): nineteen words (CFG0, CFG1 to CFG9, CFG21 to CFG25, TEST_REG,
// OSC_REG, PLDO_REG, PASSWORD), each with a write flag; trimBytes() is the nineteen values
// followed by the nineteen flags.
class CMCU04_Adt : public chip::PageModel {
    Q_OBJECT
public:
    explicit CMCU04_Adt(Profile profile, QObject* parent = nullptr);
    static const chip::PageDesc& description();
};

}  // namespace tessel
