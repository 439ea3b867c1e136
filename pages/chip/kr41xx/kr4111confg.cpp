// The KR4111 configuration page: seven words, the CSD list rebuilt from "Rb阻值".
#include "pages/chip/kr41xx/kr41xxconfg.h"
#include "pages/chip/kr41xx/kr41xxtables.h"

namespace tessel {
namespace {

using namespace chip;

QStringList rebuiltItems(const PageModel& m, int f) {
    if (m.field(f).caption != QString::fromUtf8("CSD电阻值"))
        return m.field(f).items;
    const int rb = m.selection(m.fieldIndex(QString::fromUtf8("Rb阻值")));
    // Empty while "Rb阻值" has no selection.
    return rb < 0 ? QStringList() : kr41xx::kr4111CsdList(rb);
}

PageDesc build() {
    PageDesc d;
    d.className = QStringLiteral("CKR4111Confg");
    d.caption = QString::fromUtf8("KR4111配置字界面");
    d.section = QStringLiteral("KR4111CFGS");
    d.words = kr41xx::words("KR4111", {234, 239, 191, 247, 0, 0, 0});
    d.fields = {
        listField("掉电复位", 0, 2, 0, texts({"2.5", "pull down"}), "m_com_KR4111_Reset", 0)
            .with(tableCodec({2, 4}))
            .flagged(kCfg0Control),
        listField("Rb阻值", 0, 5, 4, texts({"5K", "10K", "15K", "20K"}), "m_com_KR4111_Rb", 0)
            .with(addModCodec(2))
            .flagged(kCfg0Control),
        listField("MCU时钟频率", 0, 3, 3, texts({"12 MHz", "24 MHz"}), "m_com_KR4111_Mcu", 1)
            .flagged(kCfg0Control),
        listField("ADC使能", 0, 6, 6, texts({"使能", "不使能"}), "m_com_KR4111_Adc", 1)
            .flagged(kCfg0Control),
    };
    d.fields << kr41xx::kr4111Fields();
    fieldNamed(d.fields, "CSD电阻值").flagged(kRebuiltList);
    fieldNamed(d.fields, "测试Rb电阻").flagged(kDisabled);
    d.fields << kr41xx::adcFields(4, "ADC_AH      0x", "ADC_AL     0x", "ADC_B       0x");
    d.keyOrder = kr41xx::keyOrder(
        {"m_com_KR4111_Reset", "m_com_KR4111_Rb", "m_com_KR4111_Mcu", "m_com_KR4111_Adc",
         "m_com_KR4111_Bg", "m_com_KR4111_Osc", "m_com_KR4111_Csd", "m_com_KR4111_TestRb"},
        d.words);
    // The chip takes the fifth and sixth words in swapped order.
    d.writeOrder = {0, 1, 2, 3, 5, 4, 6};
    d.hooks.items = rebuiltItems;
    return d;
}

}  // namespace

const chip::PageDesc& CKR4111Confg::description() {
    static const chip::PageDesc d = build();
    return d;
}

CKR4111Confg::CKR4111Confg(Profile profile, QObject* parent)
    : PageModel(description(), std::move(profile), parent) {}

}  // namespace tessel
