#pragma once

// Tables shared by the configuration and trim pages of the MCU01, MCU02 and MCU04 families:
// the fields both pages of a family offer (same items, bits, keys), the lists the families
// repeat, and the MCU01 chip-bit hooks.
#include "pages/chip/engine/pagedesc.h"

namespace tessel::chip::mcu {

// "VD15_N_H"/"VD15_N_L" of MCU02, "VD15_L_N"/"VD15_H_N" of MCU04: 24 voltages.
const QStringList& vd15nList();
// "OSC32K" of MCU02 and MCU04: 64 frequencies, bit 5 selecting the lower range.
const QStringList& osc32kList();

// MCU02: the fields of CFG1 to CFG7, CFG12 and CFG13 that both pages show alike, in the
// order of the words (without CFG3 bit 0 and CFG5 bit 0, a check box on one page and a
// list on the other).
QVector<FieldDesc> mcu02Fields();

// The seven lists of the MCU01/MCU02 trim pages' OSC_REG (word `number`): three test
// enables, "CSD_RB_TEST", "CSD_I_TEST", "TEST_CLK_EN" and "CLK_SEL".
QVector<FieldDesc> oscRegFields(int number);

// MCU01: the fields of CFG1 to CFG7 with the captions and defaults of the configuration
// page (trim false) or the trim page (trim true); keys carry "%1" for the chip's name.
QVector<FieldDesc> mcu01Fields(bool trim);
// MCU01 words CFG1 to CFG7 with the given byte defaults (CFG2 and CFG3 have no byte key).
QVector<WordDesc> mcu01Words(int cfg1, int cfg4, int cfg5, int cfg6, int cfg7);
// The two MCU01 chips, captioned "<name><suffix>".
QVector<Variant> mcu01Variants(const char* suffix, const char* suffixEn = nullptr);
// Bit 0 of CFG1 and CFG2: 1 for RO5812DA (chip 8), 0 for ZU5712RA16 (chip 9).
void mcu01ApplyChipBit(PageModel& m);
// After a load: CFG2 and CFG3 built from their lists, then the chip bit.
void mcu01AfterLoad(PageModel& m);

// MCU04: the CFG0 check boxes (captions in capitals on the trim page).
QVector<FieldDesc> mcu04Cfg0Fields(bool capitals);
// MCU04: the fields of CFG1 to CFG9.
QVector<FieldDesc> mcu04AnalogFields();
// MCU04: the TMODE entry fields of CFG21 to CFG25.
QVector<FieldDesc> mcu04TmodeFields(bool enabled);
// MCU04 keys: "m_cfg0_inf_wr_protect" to "m_n_MCU04_CFG9", and the CFG21 to CFG25 keys.
QStringList mcu04KeysCfg0To9();
QStringList mcu04KeysCfg21To25();

}  // namespace tessel::chip::mcu
