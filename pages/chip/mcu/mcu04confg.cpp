// The MCU04 configuration page: CFG0 and CFG30 to edit, CFG1 to CFG25 from the profile.
#include "pages/chip/mcu/mcuconfg.h"

namespace tessel {
namespace {

using namespace chip;

PageDesc build() {
    const QStringList vd15n =
        texts({"1.421", "1.431", "1.440", "1.450", "1.460", "1.470", "1.481", "1.491",
               "1.502", "1.513", "1.523", "1.534", "1.546", "1.557", "1.569", "1.580",
               "1.592", "1.604", "1.616", "1.629", "1.641", "1.654", "1.667", "1.681"});
    const QStringList vd15s = texts({"1.414", "1.434", "1.454", "1.474", "1.495", "1.517", "1.539",
                                     "1.562", "1.586", "1.610", "1.635", "1.661"});
    const QStringList work = texts({"工作", "关闭"});
    PageDesc d;
    d.className = QStringLiteral("CMCU04");
    d.caption = QString::fromUtf8("VE5812DUZI配置字界面");
    d.section = QStringLiteral("MCU04CFGS");
    // Only CFG0 and CFG30 are ever shown; the page has no save of its own.
    d.saveOffered = false;
    const int defaults[26] = {255, 1,   31,  63,  201, 45,  255, 63,  100, 127, 15, 255, 7,
                              3,   255, 255, 255, 3,   255, 255, 255, 34,  106, 40, 24,  0};
    d.words << word(0, "CFG0", "m_n_MCU04_CFG0", 255, kRestrictedVisible)
                   .labels("CFG_0 = 0x%1", "CFG0 = 0x%1");
    d.words << word(30, "CFG30", "m_n_MCU04_CFG30", 255, kRestrictedVisible)
                   .labels("CFG_30 = 0x%1", "PW_REG = 0x%1");
    for (int n = 1; n <= 25; ++n) {
        const QByteArray group = "CFG" + QByteArray::number(n);
        const QByteArray key = "m_n_MCU04_CFG" + QByteArray::number(n);
        d.words << word(n, group.constData(), key.constData(), defaults[n], kNeverShown);
    }
    d.words[2 + 10].labels("CFG_11 =  0x%1", "CFG_11 = 0x%1");
    d.fields = {
        checkField("inf_wr_protect", 0, 1, "m_cfg0_inf_wr_protect", 1),
        checkField("jtag_pd_idle", 0, 2, "m_cfg0_jtag_pd_idle_mode", 1),
        checkField("jtag_pd_wdt", 0, 3, "m_cfg0_jtag_pd_wdt", 1),
        checkField("wdtrst_wait", 0, 4, "m_cfg0_wdtrst_wait", 1),
        checkField("wdtrst_idle", 0, 5, "m_cfg0_wdtrst_idle", 1),
        hexField("main_password    0x", 30, 7, 0),
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
        listField("VD15_L_N", 4, 4, 0, vd15n, "m_cfg4_vd15ln", 3),
        listField("LDO_VREF_S", 5, 5, 5, texts({"VREF1P2", "VREF_LP"}), "m_cfg5_ldovrefs", 13),
        listField("VD15_H_N", 5, 4, 0, vd15n, "m_cfg5_vd15hn", 1),
        listField("PD_LDO_OSC", 6, 7, 7, texts({"LDO稳压", "VCC"}), "m_cfg6_pdldoosc", 1),
        listField("OSC1M", 6, 6, 0, numbers(0, 127), "m_cfg6_osc1m", 127),
        listField(
            "OSC32K", 7, 5, 0,
            texts({"33.344", "34.498", "35.333", "36.487", "37.323", "38.475", "39.315", "40.472",
                   "41.297", "42.45",  "43.29",  "44.446", "45.285", "46.444", "47.285", "48.451",
                   "49.269", "50.427", "51.273", "52.433", "53.273", "54.435", "55.276", "56.438",
                   "57.271", "58.434", "59.278", "60.445", "61.288", "62.448", "63.294", "64.458",
                   "1.991",  "3.105",  "3.918",  "5.041",  "5.853",  "6.981",  "7.801",  "8.933",
                   "9.74",   "10.875", "11.7",   "12.837", "13.657", "14.797", "15.624", "16.766",
                   "17.579", "18.723", "19.553", "20.697", "21.522", "22.67",  "23.505", "24.65",
                   "25.464", "26.617", "27.45",  "28.599", "29.432", "30.583", "31.418", "32.569"}),
            "m_cfg7_osc32k", 63),
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
        listField("LDO_LOAD", 10, 2, 0, numbers(0, 7), "m_cfg10_ldoload", 7),
        checkField("EEP_SEL", 11, 1, "m_cfg11_eepsel", 1),
        checkField("EEP_EN", 11, 0, "m_cfg11_eepen", 1),
        listField("GPIO_ORDER", 12, 2, 0, numbers(0, 7), "m_cfg12_gpiorder", 7),
        listField("KEY_EN[25:24]", 13, 1, 0, numbers(0, 3), "m_cfg13_keyen", 3),
        listField("KEY_EN[23:16]", 14, 7, 0, numbers(0, 255), "m_cfg14_keyen", 255),
        listField("KEY_EN[15:8]", 15, 7, 0, numbers(0, 255), "m_cfg15_keyen", 255),
        listField("KEY_EN[7:0]", 16, 7, 0, numbers(0, 255), "m_cfg16_keyen", 255),
        listField("ADC_EN[25:24]", 17, 1, 0, numbers(0, 3), "m_cfg17_adcen", 3),
        listField("ADC_EN[23:16]", 18, 7, 0, numbers(0, 255), "m_cfg18_adcen", 255),
        listField("ADC_EN[15:8]", 19, 7, 0, numbers(0, 255), "m_cfg19_adcen", 255),
        listField("ADC_EN[7:0]", 20, 7, 0, numbers(0, 255), "m_cfg20_adcen", 255),
        hexField("TMODE1[7:0]", 21, 7, 0).flagged(kDisabled),
        hexField("TMODE1[8]", 22, 6, 6, "data0_cfg22_tmode1", 1).flagged(kDisabled),
        hexField("TMODE2[5:0]", 22, 5, 0, "data0_cfg22_tmode2", 42).flagged(kDisabled),
        hexField("TMODE4[2:0]", 23, 5, 3, "data0_cfg23_tmode4", 3).flagged(kDisabled),
        hexField("TMODE3[18:16]", 23, 2, 0, "data0_cfg23_tmode3", 0).flagged(kDisabled),
        hexField("TMODE3[15:8]", 24, 7, 0).flagged(kDisabled),
        hexField("TMODE3[7:0]", 25, 7, 0).flagged(kDisabled),
    };
    d.keyOrder = texts({"m_cfg0_inf_wr_protect", "m_cfg0_jtag_pd_idle_mode",
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
                        "m_n_MCU04_CFG9",        "m_cfg10_ldoload",
                        "m_n_MCU04_CFG10",       "m_cfg11_eepsel",
                        "m_cfg11_eepen",         "m_n_MCU04_CFG11",
                        "m_cfg12_gpiorder",      "m_n_MCU04_CFG12",
                        "m_cfg13_keyen",         "m_n_MCU04_CFG13",
                        "m_cfg14_keyen",         "m_n_MCU04_CFG14",
                        "m_cfg15_keyen",         "m_n_MCU04_CFG15",
                        "m_cfg16_keyen",         "m_n_MCU04_CFG16",
                        "m_cfg17_adcen",         "m_n_MCU04_CFG17",
                        "m_cfg18_adcen",         "m_n_MCU04_CFG18",
                        "m_cfg19_adcen",         "m_n_MCU04_CFG19",
                        "m_cfg20_adcen",         "m_n_MCU04_CFG20",
                        "m_n_MCU04_CFG30",       "m_n_MCU04_CFG21",
                        "data0_cfg22_tmode1",    "data0_cfg22_tmode2",
                        "m_n_MCU04_CFG22",       "data0_cfg23_tmode4",
                        "data0_cfg23_tmode3",    "m_n_MCU04_CFG23",
                        "m_n_MCU04_CFG24",       "m_n_MCU04_CFG25"});
    for (int n = 1; n <= 25; ++n)
        d.writeOrder << n;
    d.wordZeroOrder = {0, 30};
    return d;
}

}  // namespace

const chip::PageDesc& CMCU04::description() {
    static const chip::PageDesc d = build();
    return d;
}

CMCU04::CMCU04(Profile profile, QObject* parent)
    : PageModel(description(), std::move(profile), parent) {}

}  // namespace tessel
