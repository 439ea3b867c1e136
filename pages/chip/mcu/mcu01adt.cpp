// The MCU01 trim page: CFG1 to CFG7 as on the configuration page, OSC_REG, and the coupled
// "ADJ_VD_H"/"ADJ_VD_L" lists.
#include "pages/chip/mcu/mcuadt.h"
#include "pages/chip/mcu/mcutables.h"

#include <algorithm>

namespace tessel {
namespace {

using namespace chip;

// "ADJ_VD_H" stays three entries above "ADJ_VD_L". A choice the other list cannot follow
// (VD_H below 3, VD_L above 60) moves to the nearest pair that keeps the distance: VD_H 3
// with VD_L 0, or VD_L 60 with VD_H 63.
constexpr int kVdDistance = 3;
constexpr int kVdLast = 63;

void coupleVd(PageModel& m, int f) {
    const QString& caption = m.field(f).caption;
    const bool high = caption == QLatin1String("ADJ_VD_H");
    if (!high && caption != QLatin1String("ADJ_VD_L"))
        return;
    const int fh = m.fieldIndex(QStringLiteral("ADJ_VD_H"));
    const int fl = m.fieldIndex(QStringLiteral("ADJ_VD_L"));
    int h = high ? m.selection(fh) : m.selection(fl) + kVdDistance;
    h = std::clamp(h, kVdDistance, kVdLast);
    m.setSelection(fh, h);
    m.setSelection(fl, h - kVdDistance);
    m.setWord(6, static_cast<uint8_t>(h));
    m.setWord(7, static_cast<uint8_t>(h - kVdDistance));
    m.markChanged(6);
    m.markChanged(7);
}

void afterChange(PageModel& m, int f) {
    coupleVd(m, f);
    mcu::mcu01ApplyChipBit(m);
}

PageDesc build() {
    PageDesc d;
    asTrimPage(d);
    d.className = QStringLiteral("MCU01Adt");
    d.caption = QString::fromUtf8("RO5812DA修调界面");
    d.section = QStringLiteral("KR5712AXCFGS");
    // Chip 9 is captioned as a trim page too, so that nobody mistakes it for the
    // configuration page before writing trim values.
    d.variants = mcu::mcu01Variants("修调界面");
    d.loadOnlyForVariants = true;
    d.saveOnlyForVariants = true;
    d.loadAtInit = false;
    d.words = mcu::mcu01Words(31, 11, 255, 45, 42);
    d.words << word(kOscRegWord, "OSC_REG", "m_n_%1_OSC_REG", 24)
                   .labels("OSC_REG = 0x%1", "OSC_REG = 0x%1");
    d.fields = mcu::mcu01Fields(true);
    d.fields << mcu::oscRegFields(kOscRegWord);
    d.keyOrder = texts({"m_com_%1_ADJBGLP", "m_com_%1_ADJIREF", "m_n_%1_CFG1", "m_n_%1_ADJLDODRIVE",
                        "m_n_%1_ADJBORVTH", "m_n_%1_CFG4", "m_n_%1_CFG5", "m_n_%1_CFG6",
                        "m_n_%1_CFG7", "m_n_%1_OSC_REG"});
    d.writeOrder = {1, 2, 3, 4, 5, 6, 7, kOscRegWord};
    d.hooks.afterLoad = mcu::mcu01AfterLoad;
    d.hooks.afterChange = afterChange;
    return d;
}

}  // namespace

const chip::PageDesc& MCU01Adt::description() {
    static const chip::PageDesc d = build();
    return d;
}

MCU01Adt::MCU01Adt(Profile profile, QObject* parent)
    : PageModel(description(), std::move(profile), parent) {}

}  // namespace tessel
