// The MCU01 configuration page: eight words, the chip bit in CFG1 and CFG2, CFG2 and CFG3
// computed from their lists, saved after every change.
#include "pages/chip/mcu/mcuconfg.h"

namespace tessel {
namespace {

using namespace chip;

// Bit 0 of CFG1 and CFG2 tells the two chips apart: 1 for RO5812DA (8), 0 for ZU5712RA16.
void applyChipBit(PageModel& m) {
    const uint8_t bit = m.chipIndex() == 8 ? 1 : 0;
    for (int number : {1, 2}) {
        uint8_t& w = m.wordRef(number);
        w = static_cast<uint8_t>((w & ~1) | bit);
    }
}

// CFG2 and CFG3 have no byte key: a load builds them from their lists.
void afterLoad(PageModel& m) {
    for (int number : {2, 3}) {
        m.setWord(number, 0);
        for (int f = 0; f < m.fieldCount(); ++f) {
            if (m.field(f).word == number)
                m.encodeField(f);
        }
    }
    applyChipBit(m);
}

void afterChange(PageModel& m, int) {
    applyChipBit(m);
}

Variant variant(int chip, const char* name) {
    Variant v;
    v.chip = chip;
    v.keyTag = QString::fromUtf8(name);
    v.caption = v.keyTag + QString::fromUtf8("配置字界面");
    v.captionEn = v.keyTag + QStringLiteral(" CONFIGS");
    return v;
}

PageDesc build() {
    const QStringList vd = texts(
        {"1.932", "1.944", "1.955", "1.966", "1.978", "1.99",  "2.002", "2.014", "2.026", "2.038",
         "2.051", "2.064", "2.076", "2.089", "2.102", "2.116", "2.129", "2.143", "2.157", "2.171",
         "2.185", "2.199", "2.214", "2.229", "2.244", "2.259", "2.274", "2.29",  "2.305", "2.321",
         "2.338", "2.354", "2.371", "2.388", "2.405", "2.422", "2.44",  "2.458", "2.476", "2.495",
         "2.513", "2.532", "2.552", "2.571", "2.591", "2.612", "2.632", "2.653", "2.674", "2.696",
         "2.718", "2.74",  "2.763", "2.786", "2.809", "2.833", "2.857", "2.882", "2.907", "2.932",
         "2.958", "2.985", "3.012", "3.039"});
    PageDesc d;
    d.className = QStringLiteral("CMCU01Confg");
    d.caption = QString::fromUtf8("RO5812DA配置字界面");
    d.section = QStringLiteral("KR5712AXCFGS");
    d.variants = {variant(8, "RO5812DA"), variant(9, "ZU5712RA16")};
    d.loadOnlyForVariants = true;
    d.saveOnlyForVariants = true;
    d.words = {word(0, "CFG0", "m_n_%1_CFG0", 15, kRestrictedVisible),
               word(1, "CFG1", "m_n_%1_CFG1", 0),
               word(2, "CFG2", nullptr, 0),
               word(3, "CFG3", nullptr, 0),
               word(4, "CFG4", "m_n_%1_CFG4", 0).labels("CFG_4 = 0x%1", "CFG_4= 0x%1"),
               word(5, "CFG5", "m_n_%1_CFG5", 0).labels("CFG_5 = 0x%1", "CFG_5= 0x%1"),
               word(6, "CFG6", "m_n_%1_CFG6", 0).labels("CFG_6 = 0x%1", "CFG_6= 0x%1"),
               word(7, "CFG7", "m_n_%1_CFG7", 0).labels("CFG_7 = 0x%1", "CFG_7= 0x%1")};
    d.fields = {
        // The two protection boxes stay disabled for the page's whole life.
        checkField("INF写擦除保护", 0, 1, "m_check_%1_inf", 1)
            .setting(0x04)
            .flagged(kDisabled | kCfg0Control)
            .english("InfWriteProtection"),
        checkField("MAIN读保护", 0, 0, "m_check_%1_main", 0)
            .with(xorCodec(1))
            .setting(0x04)
            .flagged(kDisabled | kCfg0Control)
            .english("MainReadProtection"),
        checkField("PD_VTH_EN", 0, 3, "m_check_%1_VTH_EN", 0)
            .with(xorCodec(1))
            .setting(0x04)
            .clearing(0xF0)
            .flagged(kHideRestricted),
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
    for (FieldDesc& f : d.fields)
        f.flags |= kAutoSave;
    d.keyOrder =
        texts({"m_check_%1_inf", "m_check_%1_main", "m_check_%1_VTH_EN", "m_com_%1_ADJBGLP",
               "m_com_%1_ADJIREF", "m_n_%1_CFG0", "m_n_%1_CFG1", "m_n_%1_ADJLDODRIVE",
               "m_n_%1_ADJBORVTH", "m_n_%1_CFG4", "m_n_%1_CFG5", "m_n_%1_CFG6", "m_n_%1_CFG7"});
    d.writeOrder = {0, 1, 2, 3, 4, 5, 6, 7};
    d.hooks.afterLoad = afterLoad;
    d.hooks.afterChange = afterChange;
    return d;
}

}  // namespace

const chip::PageDesc& CMCU01Confg::description() {
    static const chip::PageDesc d = build();
    return d;
}

CMCU01Confg::CMCU01Confg(Profile profile, QObject* parent)
    : PageModel(description(), std::move(profile), parent) {}

}  // namespace tessel
