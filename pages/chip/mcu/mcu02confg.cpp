// The MCU02 configuration page: fourteen words, read-back into the controls.
#include "pages/chip/mcu/mcuconfg.h"

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
    const QStringList vd15n =
        texts({"1.421", "1.431", "1.440", "1.450", "1.460", "1.470", "1.481", "1.491",
               "1.502", "1.513", "1.523", "1.534", "1.546", "1.557", "1.569", "1.580",
               "1.592", "1.604", "1.616", "1.629", "1.641", "1.654", "1.667", "1.681"});
    // The 4-bit VD15_H_S/VD15_L_S fields hold the first 16 entries of their list only.
    const QStringList vd15s =
        texts({"1.405", "1.414", "1.424", "1.434", "1.444", "1.454", "1.464", "1.474", "1.484",
               "1.494", "1.506", "1.517", "1.528", "1.539", "1.550", "1.562"});
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
        listField("LDO", 1, 6, 4, numbers(0, 7), "m_n_MCU02_ADJLDO", 7),
        listField("BOR_VTH", 1, 3, 0,
                  texts({"2.329", "2.374", "2.421", "2.47", "2.521", "2.574", "2.629", "2.687",
                         "2.748", "2.811", "2.877", "2.947", "3.02"}),
                  "m_n_MCU02_ADT_BORVTH", 15),
        listField("OSC32K_VOL_SEL", 2, 6, 6, texts({"3.3V", "5V"}), "m_n_OSC32K_VOL_SEL_MCU02", 1),
        listField(
            "OSC32K", 2, 5, 0,
            texts({"33.344", "34.498", "35.333", "36.487", "37.323", "38.475", "39.315", "40.472",
                   "41.297", "42.45",  "43.29",  "44.446", "45.285", "46.444", "47.285", "48.451",
                   "49.269", "50.427", "51.273", "52.433", "53.273", "54.435", "55.276", "56.438",
                   "57.271", "58.434", "59.278", "60.445", "61.288", "62.448", "63.294", "64.458",
                   "1.991",  "3.105",  "3.918",  "5.041",  "5.853",  "6.981",  "7.801",  "8.933",
                   "9.74",   "10.875", "11.7",   "12.837", "13.657", "14.797", "15.624", "16.766",
                   "17.579", "18.723", "19.553", "20.697", "21.522", "22.67",  "23.505", "24.65",
                   "25.464", "26.617", "27.45",  "28.599", "29.432", "30.583", "31.418", "32.569"}),
            "m_n_OSC32K_MCU02", 63),
        listField("OSC1M", 3, 7, 1, numbers(0, 127), "m_n_MCU02_ADT_OSC1M", 254),
        checkField("PD_LDO_OSC1M", 3, 0, "m_n_MCU02_ADT_OSC1M_PO", 1),
        listField("VD15_N_H", 4, 4, 0, vd15n, "m_n_MCU02_ADT_VD15H", 13),
        listField("VD15_N_L", 5, 7, 3, vd15n, "m_n_MCU02_ADT_VD15L", 9),
        listField("LDO_DRIVE", 5, 2, 1, texts({"4uA", "3uA", "2uA", "1uA"}),
                  "m_n_mcu02_ADT_LDO_DRIVE", 3),
        checkField("PD_CP", 5, 0, "m_n_MCU02_ADT_PD_CP", 0),
        // The whole byte is the index; the list follows the byte.
        listField("ADJ_IREF", 6, 7, 0,
                  texts({"129.9", "131.2", "132.5", "133.7", "135.4", "136.7", "138.2", "139.5",
                         "141.7", "143.1", "144.7", "146.1", "148.2", "149.7", "151.5", "153",
                         "155.8", "157.6", "159.5", "161.3", "163.8", "165.6", "167.9", "169.8",
                         "172.9", "175.1", "177.5", "179.6", "182.7", "185",   "187.8", "190.2",
                         "97.4",  "98.1",  "98.9",  "99.5",  "100.5", "101.2", "102",   "102.7",
                         "103.8", "104.6", "105.5", "106.2", "107.3", "108.1", "109",   "109.8",
                         "111.3", "112.1", "113.2", "114",   "115.3", "116.2", "117.3", "118.2",
                         "119.7", "120.7", "121.9", "122.9", "124.3", "125.4", "126.7", "127.8"})),
        listField("ADJ_VREF", 7, 7, 0,
                  texts({"4.068", "4.023", "3.978", "3.933", "3.886", "3.842", "3.795", "3.751",
                         "3.703", "3.659", "3.612", "3.568", "3.520", "3.476", "3.429", "3.384",
                         "4.775", "4.734", "4.690", "4.649", "4.602", "4.561", "4.517", "4.473",
                         "4.426", "4.385", "4.337", "4.293", "4.249", "4.205", "4.161", "4.116"})),
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
        listField("VD15_H_S", 12, 7, 4, vd15s, "m_VD15_H_S_MCU02", 6),
        listField("VD15_L_S", 12, 3, 0, vd15s, "m_VD15_L_S_MCU02", 4),
        listField("BOR_VREF_SEL", 13, 7, 7, texts({"VREF_LP", "VREF1P2"}), "m_BOR_VREF_SEL_MCU02",
                  1),
        listField("CHIP_MODE2", 13, 6, 6, texts({"0", "1"}), "m_CHIP_MODE2_MCU02", 1),
        listField("VREF_LP_I", 13, 5, 4, texts({"0", "1", "2", "3"}), "m_VREF_LP_I_MCU02", 2),
        listField("VREF_LP", 13, 3, 0,
                  texts({"1.178", "1.155", "1.133", "1.11", "1.087", "1.064", "1.04", "1.017",
                         "1.349", "1.329", "1.308", "1.287", "1.266", "1.244", "1.222", "1.2"}),
                  "m_VREF_LP_MCU02", 15),
    };
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
