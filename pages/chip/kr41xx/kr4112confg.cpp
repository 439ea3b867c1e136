// The KR4112 configuration page: nine words; the pull-down trim list follows "下拉电阻".
#include "pages/chip/kr41xx/kr41xxconfg.h"
#include "pages/chip/kr41xx/kr41xxtables.h"

namespace tessel {
namespace {

using namespace chip;

// The four pull-down trim lists, one per "下拉电阻" choice.
const QStringList& trimList(int rb) {
    static const QStringList lists[4] = {
        sparseList(32, {{0, "5146.4"}, {1, "5204.4"}, {30, "8074.1"}, {31, "8131.9"}},
                   xorCodec(0x17), 5),
        sparseList(32, {{0, "9073.6"}, {1, "9193.7"}, {30, "14920.0"}, {31, "15040.4"}},
                   xorCodec(0x17), 5),
        sparseList(32, {{0, "13113.9"}, {1, "13297.6"}, {30, "21903.3"}, {31, "22087.2"}},
                   xorCodec(0x17), 5),
        sparseList(32, {{0, "17037.4"}, {1, "17284.0"}, {30, "28760.2"}, {31, "29007.2"}},
                   xorCodec(0x17), 5),
    };
    return lists[rb];
}

QStringList rebuiltItems(const PageModel& m, int f) {
    if (m.field(f).caption != QString::fromUtf8("下拉电阻修调"))
        return m.field(f).items;
    const int rb = m.selection(m.fieldIndex(QString::fromUtf8("下拉电阻")));
    return rb >= 0 && rb < 4 ? trimList(rb) : QStringList();
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
        listField("CSD_RB_TEST", 1, 5, 5, texts({"测试", "不测试"}), "m_com_KR4112_Rbtest", 1)
            .clearing(0xC0)
            .flagged(kDisabled),
        listField("下拉电阻修调", 1, 4, 0, {}, "m_com_KR4112_ADJRB", 8)
            .with(xorCodec(0x17))
            .clearing(0xC0)
            .flagged(kRebuiltList),
        listField("BandGap", 2, 7, 0, sparseList(32, {{0, "1.16"}, {1, "1.15"}, {31, "1.27"}}),
                  "m_com_KR4112_BG", 31),
        listField("OSC100k", 3, 7, 0,
                  sparseList(32, {{0, "69.93"}, {1, "71.28"}, {31, "179.53"}}, xorCodec(0x0F)),
                  "m_com_KR4112_OSC100k", 16)
            .with(xorCodec(0x0F)),
        listField("OSC输出频率", 4, 7, 0,
                  sparseList(256, {{0, "1.00234"},
                                   {1, "0.99901"},
                                   {2, "0.99570"},
                                   {127, "0.70423"},
                                   {128, "1.74825"},
                                   {255, "1.00569"}}),
                  "m_com_KR4112_OSC", 255),
    };
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
