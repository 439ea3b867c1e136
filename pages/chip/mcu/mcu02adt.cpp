// The MCU02 trim page: the analogue words of the configuration page, OSC_REG and PW_REG.
#include "pages/chip/mcu/mcuadt.h"
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

// CFG1 follows its two lists: a load builds it from the stored "LDO" and "BOR_VTH"
// indices (the byte key is written but never read). A stored index that does not fit its
// field's bits keeps the bits the field had.
void afterLoad(PageModel& m) {
    uint8_t cfg1 = m.word(1);
    for (const char* caption : {"LDO", "BOR_VTH"}) {
        const int f = m.fieldIndex(QString::fromUtf8(caption));
        const FieldDesc& fd = m.field(f);
        const int index = m.profile().readInt(m.desc().section, fd.key, fd.defaultValue);
        if (index < 0 || index >= (1 << fd.width))
            continue;
        cfg1 = static_cast<uint8_t>((cfg1 & ~fd.mask()) | (index << fd.shift));
    }
    m.setWord(1, cfg1);
}

PageDesc build() {
    PageDesc d;
    asTrimPage(d);
    d.className = QStringLiteral("CMCU02Adt");
    d.caption = QString::fromUtf8("MCU02修调界面");
    d.section = QStringLiteral("MCU02CFGS");
    d.variants = {variant(10, "KR5815/5715修调界面"), variant(11, "KR5814修调界面"),
                  variant(12, "KR5813/5713修调界面")};
    d.words = {
        word(1, "cfg 1", "m_n_MCU02_ADT_CFG1", 127).flagged(kWordSaveOnlyKey),
        word(2, "cfg 2", "m_n_MCU02_ADT_CFG2", 127),
        word(3, "cfg 3", "m_n_MCU02_ADT_CFG3", 255),
        word(4, "cfg 4", "m_n_MCU02_ADT_CFG4", 13),
        word(5, "cfg 5", "m_n_MCU02_ADT_CFG5", 78),
        word(6, "cfg 6", "m_n_MCU02_ADT_CFG6", 63),
        word(7, " cfg 7", "m_n_MCU02_ADT_CFG7", 31),
        word(kOscRegWord, "OSC REG", "m_MCU02_ADT_OSC_REG", 24)
            .labels("OSC_REG = 0x%1", "CFG_OSCREG = 0x%1"),
        word(12, "cfg 12", "m_n_MCU02_ADT_CFG12", 100),
        word(13, "cfg 13", "m_n_MCU02_ADT_CFG13", 255),
        word(kPwRegWord, "PW_REG", "m_n_MCU02_PASSWORD_REG", 255)
            .labels("CFG_PW = 0x%1", "CFG_PW = 0x%1"),
    };
    d.fields = mcu::mcu02Fields();
    d.fields << QVector<FieldDesc>{
        // Check boxes on the configuration page, two-entry lists here.
        listField("OSC1M电源", 3, 0, 0, texts({"LDO稳压", "VCC"}), "m_n_MCU02_ADT_OSC1M_PO", 1),
        listField("PD_CP", 5, 0, 0, texts({"工作", "关闭，输出VCC"}), "m_n_MCU02_ADT_PD_CP", 0),
        hexField("password    0x", kPwRegWord, 7, 0),
    };
    d.fields << mcu::oscRegFields(kOscRegWord);
    d.keyOrder =
        texts({"m_n_MCU02_ADJLDO",         "m_n_MCU02_ADT_BORVTH",   "m_n_MCU02_ADT_CFG1",
               "m_n_OSC32K_VOL_SEL_MCU02", "m_n_OSC32K_MCU02",       "m_n_MCU02_ADT_CFG2",
               "m_n_MCU02_ADT_OSC1M",      "m_n_MCU02_ADT_OSC1M_PO", "m_n_MCU02_ADT_CFG3",
               "m_n_MCU02_ADT_VD15H",      "m_n_MCU02_ADT_CFG4",     "m_n_MCU02_ADT_VD15L",
               "m_n_mcu02_ADT_LDO_DRIVE",  "m_n_MCU02_ADT_PD_CP",    "m_n_MCU02_ADT_CFG5",
               "m_n_MCU02_ADT_CFG6",       "m_n_MCU02_ADT_CFG7",     "m_MCU02_ADT_OSC_REG",
               "m_VD15_H_S_MCU02",         "m_VD15_L_S_MCU02",       "m_n_MCU02_ADT_CFG12",
               "m_BOR_VREF_SEL_MCU02",     "m_CHIP_MODE2_MCU02",     "m_VREF_LP_I_MCU02",
               "m_VREF_LP_MCU02",          "m_n_MCU02_ADT_CFG13",    "m_n_MCU02_PASSWORD_REG"});
    d.writeOrder = {1, 2, 3, 4, 5, 6, 7, kOscRegWord, 12, 13, kPwRegWord};
    d.hooks.afterLoad = afterLoad;
    return d;
}

}  // namespace

const chip::PageDesc& CMCU02Adt::description() {
    static const chip::PageDesc d = build();
    return d;
}

CMCU02Adt::CMCU02Adt(Profile profile, QObject* parent)
    : PageModel(description(), std::move(profile), parent) {}

}  // namespace tessel
