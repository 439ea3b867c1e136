// The MCU01 configuration page: eight words, the chip bit in CFG1 and CFG2, CFG2 and CFG3
// computed from their lists, saved after every change.
#include "pages/chip/mcu/mcuconfg.h"
#include "pages/chip/mcu/mcutables.h"

namespace tessel {
namespace {

using namespace chip;

void afterChange(PageModel& m, int) {
    mcu::mcu01ApplyChipBit(m);
}

PageDesc build() {
    PageDesc d;
    d.className = QStringLiteral("CMCU01Confg");
    d.caption = QString::fromUtf8("RO5812DA配置字界面");
    d.section = QStringLiteral("KR5712AXCFGS");
    d.variants = mcu::mcu01Variants("配置字界面", " CONFIGS");
    d.loadOnlyForVariants = true;
    d.saveOnlyForVariants = true;
    d.words = {word(0, "CFG0", "m_n_%1_CFG0", 15, kRestrictedVisible)};
    d.words << mcu::mcu01Words(0, 0, 0, 0, 0);
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
    };
    d.fields << mcu::mcu01Fields(false);
    for (FieldDesc& f : d.fields)
        f.flags |= kAutoSave;
    d.keyOrder =
        texts({"m_check_%1_inf", "m_check_%1_main", "m_check_%1_VTH_EN", "m_com_%1_ADJBGLP",
               "m_com_%1_ADJIREF", "m_n_%1_CFG0", "m_n_%1_CFG1", "m_n_%1_ADJLDODRIVE",
               "m_n_%1_ADJBORVTH", "m_n_%1_CFG4", "m_n_%1_CFG5", "m_n_%1_CFG6", "m_n_%1_CFG7"});
    d.writeOrder = {0, 1, 2, 3, 4, 5, 6, 7};
    d.hooks.afterLoad = mcu::mcu01AfterLoad;
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
