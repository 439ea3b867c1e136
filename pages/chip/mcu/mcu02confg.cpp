// The MCU02 configuration page: fourteen words, read-back into the controls.
#include "pages/chip/mcu/mcuconfg.h"
#include "pages/chip/mcu/mcutables.h"

namespace tessel {
namespace {

using namespace chip;

Variant variant(int chip, const char* caption) {
    Variant v;
    v.chip = chip;
    v.caption = QString::fromUtf8(caption);
    return v;
}

PageDesc build() {
    PageDesc d;
    d.className = QStringLiteral("CMCU02Confg");
    d.caption = QString::fromUtf8("MCU02配置字界面");
    d.section = QStringLiteral("MCU02CFGS");
    d.variants = {variant(10, "KR5815/5715 CONFIGS"), variant(11, "KR5814配置字界面"),
                  variant(12, "KR5813/5713配置字界面")};
    d.saveOnlyForVariants = true;
    d.words = {
        word(0, "CFG 0", "m_n_MCU02_ADT_CFG0", 255, kRestrictedVisible),
        word(1, "CFG 1", "m_n_MCU02_ADT_CFG1", 127),
        word(2, "CFG 2", "m_n_MCU02_ADT_CFG2", 127),
        word(3, "CFG 3", "m_n_MCU02_ADT_CFG3", 255),
        word(4, "CFG 4", "m_n_MCU02_ADT_CFG4", 13),
        word(5, "CFG 5", "m_n_MCU02_ADT_CFG5", 78),
        word(6, "CFG 6", "m_n_MCU02_ADT_CFG6", 255),
        word(7, " CFG 7", "m_n_MCU02_ADT_CFG7", 255),
        word(8, "CFG 8", "m_n_MCU02_ADT_CFG8", 255),
        word(9, "CFG 9", "m_n_MCU02_ADT_CFG9", 255),
        word(10, "CFG 10", "m_main_password", 255, kRestrictedVisible),
        word(11, "CFG 11", "m_eeprom_sel", 255).labels("CFG_11 =  0x%1", "CFG_11 = 0x%1"),
        word(12, "CFG 12", "m_n_MCU02_ADT_CFG12", 100),
        word(13, "CFG 13", "m_n_MCU02_ADT_CFG13", 239),
    };
    d.fields = {
        checkField("inf写擦除保护", 0, 1, "m_check_MCU02_inf", 1),
        checkField("JTAG不关闭MCU时钟", 0, 2, "m_check_MCU02_mcuClk", 1),
        checkField("JTAG wdt关闭", 0, 3, "m_check_MCU02_wdt", 1),
        // Bit 0 of CFG3 and CFG5 are check boxes here, lists on the trim page.
        checkField("PD_LDO_OSC1M", 3, 0, "m_n_MCU02_ADT_OSC1M_PO", 1),
        checkField("PD_CP", 5, 0, "m_n_MCU02_ADT_PD_CP", 0),
        checkField("CSD_EN", 8, 7, "m_CSD_EN_MCU02", 1),
        checkField("spi1_freq_lock", 8, 6, "m_CSD_SEL_MCU02", 1),
        checkField("PRS_EN", 8, 5, "m_CSD_PRS_MCU02", 1),
        listField("VTH_SEL", 8, 3, 2,
                  texts({"1.81~2144", "1.81~2.825", "1.81~3.513", "1.81~4.193"}), "m_VTH_SEL_MCU02",
                  3),
        checkField("EEPROM_EN", 8, 1, "m_EEPROM_EN_MCU02", 1),
        checkField("CHIP_MODE", 8, 0, "m_CHIP_MODE_MCU02", 1),
        checkField("LED_MATRIX_EN", 9, 7, "m_LED_MATRIX_EN_MCU02", 1),
        checkField("LED_POINT_EN", 9, 6, "m_LED_POINT_EN_MCU02", 1),
        checkField("LCD_EN", 9, 5, "m_LCD_EN_MCU02", 1),
        checkField("RFID_EN", 9, 4, "m_RFID_EN_MCU02", 1),
        listField("FLS_SEL", 9, 3, 2, texts({"16", "32", "48", "64"}), "m_FLS_SEL_MCU02", 1),
        listField("SRAM_SEL", 9, 1, 0, texts({"1", "2", "3", "4"}), "m_SRAM_SEL_MCU02", 1),
        hexField("main_pw   0x", 10, 7, 0),
        // Bits 7..5 of the EEPROM selection are always 0.
        hexField("EEP_SEL  0x", 11, 4, 0).clearing(0xE0).hinted("配置范围0~31"),
    };
    d.fields << mcu::mcu02Fields();
    d.keyOrder = texts({"m_check_MCU02_inf",   "m_check_MCU02_wdt",        "m_check_MCU02_mcuClk",
                        "m_n_MCU02_ADT_CFG0",  "m_n_MCU02_ADJLDO",         "m_n_MCU02_ADT_BORVTH",
                        "m_n_MCU02_ADT_CFG1",  "m_n_OSC32K_VOL_SEL_MCU02", "m_n_OSC32K_MCU02",
                        "m_n_MCU02_ADT_CFG2",  "m_n_MCU02_ADT_OSC1M",      "m_n_MCU02_ADT_OSC1M_PO",
                        "m_n_MCU02_ADT_CFG3",  "m_n_MCU02_ADT_VD15H",      "m_n_MCU02_ADT_CFG4",
                        "m_n_MCU02_ADT_VD15L", "m_n_mcu02_ADT_LDO_DRIVE",  "m_n_MCU02_ADT_PD_CP",
                        "m_n_MCU02_ADT_CFG5",  "m_n_MCU02_ADT_CFG6",       "m_n_MCU02_ADT_CFG7",
                        "m_CSD_EN_MCU02",      "m_CSD_SEL_MCU02",          "m_CSD_PRS_MCU02",
                        "m_VTH_SEL_MCU02",     "m_EEPROM_EN_MCU02",        "m_CHIP_MODE_MCU02",
                        "m_n_MCU02_ADT_CFG8",  "m_LED_MATRIX_EN_MCU02",    "m_LED_POINT_EN_MCU02",
                        "m_LCD_EN_MCU02",      "m_RFID_EN_MCU02",          "m_FLS_SEL_MCU02",
                        "m_SRAM_SEL_MCU02",    "m_n_MCU02_ADT_CFG9",       "m_main_password",
                        "m_eeprom_sel",        "m_VD15_H_S_MCU02",         "m_VD15_L_S_MCU02",
                        "m_n_MCU02_ADT_CFG12", "m_BOR_VREF_SEL_MCU02",     "m_CHIP_MODE2_MCU02",
                        "m_VREF_LP_I_MCU02",   "m_VREF_LP_MCU02",          "m_n_MCU02_ADT_CFG13"});
    d.writeOrder = {1, 2, 3, 4, 5, 6, 7, 8, 9, 12, 13};
    d.wordZeroOrder = {0, 10, 11};
    return d;
}

}  // namespace

const chip::PageDesc& CMCU02Confg::description() {
    static const chip::PageDesc d = build();
    return d;
}

CMCU02Confg::CMCU02Confg(Profile profile, QObject* parent)
    : PageModel(description(), std::move(profile), parent) {}

bool CMCU02Confg::showReadBack(int chipIndex, const Report& reply) {
    if (reply[kReadStatusByte] != 1)
        return false;
    // Reply offsets of the words (byte 0 is the report ID; the odd bytes 3..23 carry the
    // inverses of the pairs, which the sequence checks).
    static const int kOffsets[][2] = {{1, 2},   {2, 4},  {3, 6},   {4, 8},  {5, 10},
                                      {6, 12},  {7, 14}, {8, 16},  {9, 18}, {12, 20},
                                      {13, 22}, {0, 38}, {10, 39}, {11, 40}};
    for (const auto& [number, offset] : kOffsets)
        setWord(number, reply[offset]);
    for (int f = 0; f < fieldCount(); ++f) {
        decodeField(f);
        if (field(f).kind == chip::ControlKind::HexEdit)
            encodeField(f);
    }
    finishReadBack(chipIndex);
    return true;
}

}  // namespace tessel
