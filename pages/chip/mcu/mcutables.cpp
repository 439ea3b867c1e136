#include "pages/chip/mcu/mcutables.h"

#include "pages/chip/engine/pagemodel.h"

namespace tessel::chip::mcu {

const QStringList& vd15nList() {
    static const QStringList l =
        texts({"1.421", "1.431", "1.440", "1.450", "1.460", "1.470", "1.481", "1.491",
               "1.502", "1.513", "1.523", "1.534", "1.546", "1.557", "1.569", "1.580",
               "1.592", "1.604", "1.616", "1.629", "1.641", "1.654", "1.667", "1.681"});
    return l;
}

const QStringList& osc32kList() {
    static const QStringList l =
        texts({"33.344", "34.498", "35.333", "36.487", "37.323", "38.475", "39.315", "40.472",
               "41.297", "42.45",  "43.29",  "44.446", "45.285", "46.444", "47.285", "48.451",
               "49.269", "50.427", "51.273", "52.433", "53.273", "54.435", "55.276", "56.438",
               "57.271", "58.434", "59.278", "60.445", "61.288", "62.448", "63.294", "64.458",
               "1.991",  "3.105",  "3.918",  "5.041",  "5.853",  "6.981",  "7.801",  "8.933",
               "9.74",   "10.875", "11.7",   "12.837", "13.657", "14.797", "15.624", "16.766",
               "17.579", "18.723", "19.553", "20.697", "21.522", "22.67",  "23.505", "24.65",
               "25.464", "26.617", "27.45",  "28.599", "29.432", "30.583", "31.418", "32.569"});
    return l;
}

QVector<FieldDesc> mcu02Fields() {
    // The 4-bit VD15_H_S/VD15_L_S fields hold the first 16 entries of their list only.
    const QStringList vd15s =
        texts({"1.405", "1.414", "1.424", "1.434", "1.444", "1.454", "1.464", "1.474", "1.484",
               "1.494", "1.506", "1.517", "1.528", "1.539", "1.550", "1.562"});
    return {
        listField("LDO", 1, 6, 4, numbers(0, 7), "m_n_MCU02_ADJLDO", 7),
        listField("BOR_VTH", 1, 3, 0,
                  texts({"2.329", "2.374", "2.421", "2.47", "2.521", "2.574", "2.629", "2.687",
                         "2.748", "2.811", "2.877", "2.947", "3.02"}),
                  "m_n_MCU02_ADT_BORVTH", 15),
        listField("OSC32K_VOL_SEL", 2, 6, 6, texts({"3.3V", "5V"}), "m_n_OSC32K_VOL_SEL_MCU02", 1),
        listField("OSC32K", 2, 5, 0, osc32kList(), "m_n_OSC32K_MCU02", 63),
        listField("OSC1M", 3, 7, 1, numbers(0, 127), "m_n_MCU02_ADT_OSC1M", 254),
        listField("VD15_N_H", 4, 4, 0, vd15nList(), "m_n_MCU02_ADT_VD15H", 13),
        listField("VD15_N_L", 5, 7, 3, vd15nList(), "m_n_MCU02_ADT_VD15L", 9),
        listField("LDO_DRIVE", 5, 2, 1, texts({"4uA", "3uA", "2uA", "1uA"}),
                  "m_n_mcu02_ADT_LDO_DRIVE", 3),
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
}

QVector<FieldDesc> oscRegFields(int number) {
    const QStringList test = texts({"不测试", "测试"});
    const QStringList csd = texts({"测试", "不测试"});
    return {
        listField("BG_LP测试使能", number, 7, 7, test),
        listField("VD测试使能", number, 6, 6, test),
        listField("VTH测试使能", number, 5, 5, test),
        listField("CSD_RB_TEST", number, 4, 4, csd),
        listField("CSD_I_TEST", number, 3, 3, csd),
        listField("TEST_CLK_EN", number, 2, 2, texts({"不输出", "输出"})),
        // Value 3 has no entry.
        listField("CLK_SEL", number, 1, 0, texts({"OSC_1M", "OSC_32k", "2M"})),
    };
}

QVector<FieldDesc> mcu01Fields(bool trim) {
    const QStringList vd = texts(
        {"1.932", "1.944", "1.955", "1.966", "1.978", "1.99",  "2.002", "2.014", "2.026", "2.038",
         "2.051", "2.064", "2.076", "2.089", "2.102", "2.116", "2.129", "2.143", "2.157", "2.171",
         "2.185", "2.199", "2.214", "2.229", "2.244", "2.259", "2.274", "2.29",  "2.305", "2.321",
         "2.338", "2.354", "2.371", "2.388", "2.405", "2.422", "2.44",  "2.458", "2.476", "2.495",
         "2.513", "2.532", "2.552", "2.571", "2.591", "2.612", "2.632", "2.653", "2.674", "2.696",
         "2.718", "2.74",  "2.763", "2.786", "2.809", "2.833", "2.857", "2.882", "2.907", "2.932",
         "2.958", "2.985", "3.012", "3.039"});
    QVector<FieldDesc> f = {
        listField("ADJ_VTH", 1, 4, 1,
                  texts({"2.518", "2.48", "2.445", "2.411", "2.38", "2.35", "2.321", "2.294",
                         "2.924", "2.86", "2.8", "2.745", "2.693", "2.645", "2.6", "2.558"}))
            .clearing(0xE0),
        listField("ADJ_BG_LP", 2, 7, 5,
                  texts({"2.338", "2.418", "2.483", "2.54", "2.595", "2.64", "2.69", "2.747"}),
                  "m_com_%1_ADJBGLP", 3),
        listField("ADJ_IREF", 2, 4, 1,
                  texts({"122.7", "118.2", "113.9", "110", "106.2", "102.8", "99.5", "96.5",
                         "178.5", "168.9", "160.4", "152.6", "145.5", "139.1", "133.2", "127.5"}),
                  "m_com_%1_ADJIREF", 3),
        listField("ADJ_LDO_DRI", 3, 5, 4, texts({"4uA", "3uA", "2uA", "1uA"}), "m_n_%1_ADJLDODRIVE",
                  0)
            .clearing(0xC0),
        listField("ADJ_BOR_VTH", 3, 3, 0, numbers(0, 15), "m_n_%1_ADJBORVTH", 0).clearing(0xC0),
        listField("ADJ_OSC32K", 4, 7, 0,
                  texts({"8.279", "10.67", "12.83", "15.25", "16.87", "19.3",  "21.5",  "23.95",
                         "25.6",  "28.06", "30.29", "32.76", "34.42", "36.91", "39.16", "41.66",
                         "43.33", "45.84", "48.11", "50.63", "52.31", "54.84", "57.12", "59.66",
                         "61.35", "63.9",  "66.19", "68.74", "70.45", "73.01", "75.31", "77.88"})),
        listField("ADJ_OSC_1M", 5, 7, 0,
                  sparseList(256, {{0, "0.994952"},
                                   {1, "0.991783"},
                                   {127, "0.702323"},
                                   {128, "1.72326"},
                                   {129, "1.71372"},
                                   {255, "0.999488"}})),
        listField("ADJ_VD_H", 6, 7, 0, vd),
        listField("ADJ_VD_L", 7, 7, 0, vd),
    };
    if (trim) {
        fieldNamed(f, "ADJ_IREF").defaultValue = 15;
        fieldNamed(f, "ADJ_LDO_DRI").defaultValue = 3;
        fieldNamed(f, "ADJ_BOR_VTH").defaultValue = 15;
        fieldNamed(f, "ADJ_LDO_DRI").caption = QStringLiteral("ADJ_LDO_DRIVE");
        fieldNamed(f, "ADJ_OSC32K").caption = QStringLiteral("ADJ_32K(KHz)");
        fieldNamed(f, "ADJ_OSC_1M").caption = QStringLiteral("ADJ_OSC(MHz)");
    }
    return f;
}

QVector<WordDesc> mcu01Words(int cfg1, int cfg4, int cfg5, int cfg6, int cfg7) {
    return {word(1, "CFG1", "m_n_%1_CFG1", cfg1),
            word(2, "CFG2", nullptr, 0),
            word(3, "CFG3", nullptr, 0),
            word(4, "CFG4", "m_n_%1_CFG4", cfg4).labels("CFG_4 = 0x%1", "CFG_4= 0x%1"),
            word(5, "CFG5", "m_n_%1_CFG5", cfg5).labels("CFG_5 = 0x%1", "CFG_5= 0x%1"),
            word(6, "CFG6", "m_n_%1_CFG6", cfg6).labels("CFG_6 = 0x%1", "CFG_6= 0x%1"),
            word(7, "CFG7", "m_n_%1_CFG7", cfg7).labels("CFG_7 = 0x%1", "CFG_7= 0x%1")};
}

QVector<Variant> mcu01Variants(const char* suffix, const char* suffixEn) {
    QVector<Variant> out;
    for (const auto& [chip, name] :
         {QPair<int, const char*>(8, "RO5812DA"), QPair<int, const char*>(9, "ZU5712RA16")}) {
        Variant v;
        v.chip = chip;
        v.keyTag = QString::fromUtf8(name);
        v.caption = v.keyTag + QString::fromUtf8(suffix);
        if (suffixEn)
            v.captionEn = v.keyTag + QString::fromUtf8(suffixEn);
        out << v;
    }
    return out;
}

void mcu01ApplyChipBit(PageModel& m) {
    const uint8_t bit = m.chipIndex() == 8 ? 1 : 0;
    for (int number : {1, 2}) {
        uint8_t& w = m.wordRef(number);
        w = static_cast<uint8_t>((w & ~1) | bit);
    }
}

void mcu01AfterLoad(PageModel& m) {
    // CFG2 and CFG3 have no byte key: a load builds them from their lists.
    for (int number : {2, 3}) {
        m.setWord(number, 0);
        for (int f = 0; f < m.fieldCount(); ++f) {
            if (m.field(f).word == number)
                m.encodeField(f);
        }
    }
    mcu01ApplyChipBit(m);
}

QVector<FieldDesc> mcu04Cfg0Fields(bool capitals) {
    QVector<FieldDesc> f = {
        checkField("inf_wr_protect", 0, 1, "m_cfg0_inf_wr_protect", 1),
        checkField("jtag_pd_idle", 0, 2, "m_cfg0_jtag_pd_idle_mode", 1),
        checkField("jtag_pd_wdt", 0, 3, "m_cfg0_jtag_pd_wdt", 1),
        checkField("wdtrst_wait", 0, 4, "m_cfg0_wdtrst_wait", 1),
        checkField("wdtrst_idle", 0, 5, "m_cfg0_wdtrst_idle", 1),
    };
    if (capitals) {
        for (FieldDesc& d : f)
            d.caption = d.caption.toUpper();
    }
    return f;
}

QVector<FieldDesc> mcu04AnalogFields() {
    const QStringList vd15s = texts({"1.414", "1.434", "1.454", "1.474", "1.495", "1.517", "1.539",
                                     "1.562", "1.586", "1.610", "1.635", "1.661"});
    const QStringList work = texts({"工作", "关闭"});
    return {
        listField("CFG_PD_XTAL", 1, 0, 0, work, "m_cfg1_pd_xtal", 1),
        listField("ADJ_VREF", 2, 4, 0,
                  texts({"1.353", "1.338", "1.323", "1.308", "1.292", "1.277", "1.262", "1.247",
                         "1.231", "1.216", "1.2",   "1.185", "1.17",  "1.154", "1.139", "1.124",
                         "1.593", "1.578", "1.564", "1.549", "1.534", "1.509", "1.504", "1.49",
                         "1.474", "1.459", "1.444", "1.429", "1.414", "1.399", "1.384", "1.369"}),
                  "m_cfg2_adjvref", 31),
        listField("ADJ_IREF", 3, 5, 0,
                  texts({"130.3", "131.5", "132.9", "134.1", "135.8", "137",   "138.6", "139.9",
                         "142",   "143.4", "145",   "146.5", "148.5", "150.0", "151.8", "153.4",
                         "156.3", "158.0", "160.0", "161.7", "164.2", "166.1", "168.3", "170.2",
                         "173.4", "175.4", "177.9", "180.1", "183.2", "185.5", "188.3", "190.7",
                         "97.7",  "98.4",  "99.1",  "99.8",  "100.7", "101.4", "102.3", "103.0",
                         "104.1", "104.8", "105.7", "106.5", "107.6", "108.4", "109.3", "110.1",
                         "111.6", "112.4", "113.5", "114.3", "115.6", "116.5", "117.6", "118.5",
                         "120.0", "121.0", "122.2", "123.2", "124.6", "125.7", "127.0", "128.1"}),
                  "m_cfg3_adjiref", 63),
        listField("LDO_DRV", 4, 7, 6, texts({"4uA", "3uA", "2uA", "1uA"}), "m_cfg4_ldodrv", 9),
        listField("PD_LDO_CP", 4, 5, 5, work, "m_cfg4_pdldocp", 0),
        listField("VD15_L_N", 4, 4, 0, vd15nList(), "m_cfg4_vd15ln", 3),
        listField("LDO_VREF_S", 5, 5, 5, texts({"VREF1P2", "VREF_LP"}), "m_cfg5_ldovrefs", 13),
        listField("VD15_H_N", 5, 4, 0, vd15nList(), "m_cfg5_vd15hn", 1),
        listField("PD_LDO_OSC", 6, 7, 7, texts({"LDO稳压", "VCC"}), "m_cfg6_pdldoosc", 1),
        listField("OSC1M", 6, 6, 0, numbers(0, 127), "m_cfg6_osc1m", 127),
        listField("OSC32K", 7, 5, 0, osc32kList(), "m_cfg7_osc32k", 63),
        listField("VD15_H_S", 8, 7, 4, vd15s, "m_cfg8_vd15hs", 4),
        listField("VD15_L_S", 8, 3, 0, vd15s, "m_cfg8_vd15ls", 6),
        checkField("BOR_VREF_SEL", 9, 6, "m_cfg9_borvrefsel", 1),
        checkField("BG_CTRL", 9, 5, "m_cfg9_bgctrl", 1),
        listField("VREF_LP", 9, 4, 0,
                  texts({"1.361", "1.347", "1.334", "1.321", "1.307", "1.294", "1.28",  "1.267",
                         "1.253", "1.24",  "1.227", "1.213", "1.2",   "1.186", "1.173", "1.16",
                         "1.573", "1.56",  "1.547", "1.534", "1.52",  "1.507", "1.494", "1.481",
                         "1.467", "1.454", "1.441", "1.427", "1.414", "1.401", "1.387", "1.374"}),
                  "m_cfg9_vreflp", 31),
    };
}

QVector<FieldDesc> mcu04TmodeFields(bool enabled) {
    QVector<FieldDesc> f = {
        hexField("TMODE1[7:0]", 21, 7, 0).flagged(kDisabled),
        hexField("TMODE1[8]", 22, 6, 6, "data0_cfg22_tmode1", 1).flagged(kDisabled),
        hexField("TMODE2[5:0]", 22, 5, 0, "data0_cfg22_tmode2", 42).flagged(kDisabled),
        hexField("TMODE4[2:0]", 23, 5, 3, "data0_cfg23_tmode4", 3).flagged(kDisabled),
        hexField("TMODE3[18:16]", 23, 2, 0, "data0_cfg23_tmode3", 0).flagged(kDisabled),
        hexField("TMODE3[15:8]", 24, 7, 0).flagged(kDisabled),
        hexField("TMODE3[7:0]", 25, 7, 0).flagged(kDisabled),
    };
    if (enabled) {
        for (FieldDesc& d : f)
            d.flags &= ~unsigned(kDisabled);
    }
    return f;
}

QStringList mcu04KeysCfg0To9() {
    return texts({"m_cfg0_inf_wr_protect", "m_cfg0_jtag_pd_idle_mode",
                  "m_cfg0_jtag_pd_wdt",    "m_cfg0_wdtrst_wait",
                  "m_cfg0_wdtrst_idle",    "m_n_MCU04_CFG0",
                  "m_cfg1_pd_xtal",        "m_n_MCU04_CFG1",
                  "m_cfg2_adjvref",        "m_n_MCU04_CFG2",
                  "m_cfg3_adjiref",        "m_n_MCU04_CFG3",
                  "m_cfg4_vd15ln",         "m_cfg4_pdldocp",
                  "m_cfg4_ldodrv",         "m_n_MCU04_CFG4",
                  "m_cfg5_vd15hn",         "m_cfg5_ldovrefs",
                  "m_n_MCU04_CFG5",        "m_cfg6_pdldoosc",
                  "m_cfg6_osc1m",          "m_n_MCU04_CFG6",
                  "m_cfg7_osc32k",         "m_n_MCU04_CFG7",
                  "m_cfg8_vd15ls",         "m_cfg8_vd15hs",
                  "m_n_MCU04_CFG8",        "m_cfg9_borvrefsel",
                  "m_cfg9_bgctrl",         "m_cfg9_vreflp",
                  "m_n_MCU04_CFG9"});
}

QStringList mcu04KeysCfg21To25() {
    return texts({"m_n_MCU04_CFG21", "data0_cfg22_tmode1", "data0_cfg22_tmode2", "m_n_MCU04_CFG22",
                  "data0_cfg23_tmode4", "data0_cfg23_tmode3", "m_n_MCU04_CFG23", "m_n_MCU04_CFG24",
                  "m_n_MCU04_CFG25"});
}

}  // namespace tessel::chip::mcu
