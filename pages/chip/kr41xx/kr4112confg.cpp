// The KR4112 configuration page: nine words; the pull-down trim list follows "下拉电阻".
#include "pages/chip/kr41xx/kr41xxconfg.h"
#include "pages/chip/kr41xx/kr41xxtables.h"

namespace tessel {
namespace {

using namespace chip;

QStringList rebuiltItems(const PageModel& m, int f) {
    if (m.field(f).caption != QString::fromUtf8("下拉电阻修调"))
        return m.field(f).items;
    const int rb = m.selection(m.fieldIndex(QString::fromUtf8("下拉电阻")));
    return rb >= 0 && rb < 4 ? kr41xx::kr4112PullDownList(rb) : QStringList();
}

PageDesc build() {
    PageDesc d;
    d.className = QStringLiteral("CKR4112Confg");
    d.caption = QString::fromUtf8("KR4112配置字界面");
    d.section = QStringLiteral("KR4112CFGS");
    d.words = kr41xx::words("KR4112", {63, 63, 31, 31, 255, 255, 0, 0, 0});
    d.words[5].reserved("RB参数保留");
    // Every CFG0 and CFG1 control also clears bits 7..6 of its word.
    d.fields = {
        checkField("inf写擦除保护", 0, 1, "m_check_KR4112_inf", 1)
            .clearing(0xC0)
            .flagged(kCfg0Control),
        checkField("main读保护", 0, 0, "m_check_KR4112_main", 0)
            .with(xorCodec(1))
            .clearing(0xC0)
            .flagged(kCfg0Control),
        listField("BOR复位电压", 0, 5, 4, texts({"2.5", "pull dowm"}), "m_com_KR4112_Bor", 2)
            .with(tableCodec({0, 3}))
            .clearing(0xC0)
            .flagged(kCfg0Control),
        listField("下拉电阻", 0, 3, 2, texts({"5K", "10K", "15K", "20K"}), "m_com_KR4112_Rb", 1)
            .with(addModCodec(2))
            .clearing(0xC0)
            .flagged(kCfg0Control),
    };
    d.fields << kr41xx::kr4112Fields();
    fieldNamed(d.fields, "CSD_RB_TEST").flagged(kDisabled);
    fieldNamed(d.fields, "下拉电阻修调").flagged(kRebuiltList);
    d.fields << kr41xx::adcFields(6, "ADC_AL    0x", "ADC_AH      0x", "ADC_B     0x");
    d.keyOrder = kr41xx::keyOrder({"m_check_KR4112_inf", "m_check_KR4112_main", "m_com_KR4112_Bor",
                                   "m_com_KR4112_Rb", "m_com_KR4112_Rbtest", "m_com_KR4112_ADJRB",
                                   "m_com_KR4112_BG", "m_com_KR4112_OSC100k", "m_com_KR4112_OSC"},
                                  d.words);
    d.writeOrder = {0, 1, 2, 3, 4, 5, 6, 7, 8};
    d.hooks.items = rebuiltItems;
    return d;
}

}  // namespace

const chip::PageDesc& CKR4112Confg::description() {
    static const chip::PageDesc d = build();
    return d;
}

CKR4112Confg::CKR4112Confg(Profile profile, QObject* parent)
    : PageModel(description(), std::move(profile), parent) {}

}  // namespace tessel
