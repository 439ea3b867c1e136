// The KR4111 configuration page: seven words, the CSD list rebuilt from "Rb阻值".
#include "pages/chip/kr41xx/kr41xxconfg.h"
#include "pages/chip/kr41xx/kr41xxtables.h"

namespace tessel {
namespace {

using namespace chip;

// Base resistances of the "CSD电阻值" list for "5K"; the other Rb choices multiply them.
constexpr int kCsdBase[32] = {4716, 4770, 4860, 4913, 5055, 5112, 5197, 5249, 5495, 5550, 5636,
                              5691, 5827, 5885, 5970, 6024, 6285, 6340, 6430, 6480, 6620, 6680,
                              6710, 6770, 7057, 7112, 7119, 7257, 7390, 7451, 7535, 7587};

QStringList rebuiltItems(const PageModel& m, int f) {
    if (m.field(f).caption != QString::fromUtf8("CSD电阻值"))
        return m.field(f).items;
    const int rb = m.selection(m.fieldIndex(QString::fromUtf8("Rb阻值")));
    QStringList out;
    if (rb < 0)
        return out;  // empty while "Rb阻值" has no selection
    for (int base : kCsdBase)
        out << QString::number((rb + 1) * base);
    return out;
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
        listField("BandGap阻值", 1, 4, 0,
                  sparseList(32, {{0, "1.03446"}, {1, "1.04622"}, {2, "1.05819"}, {31, "1.40345"}},
                             reverseCodec(0x1A), 5),
                  "m_com_KR4111_Bg", 21)
            .with(reverseCodec(0x1A)),
        listField("OSC时钟", 2, 6, 0,
                  sparseList(128,
                             {{0, "570.0"},
                              {1, "576.8"},
                              {2, "583.7"},
                              {61, "979.4"},
                              {62, "968.2"},
                              {63, "992.0"},
                              {64, "1001.0"},
                              {127, "1389.7"}},
                             subFromCodec(63), 7),
                  "m_com_KR4111_Osc", 0)
            .with(subFromCodec(63)),
        listField("CSD电阻值", 3, 4, 0, {}, "m_com_KR4111_Csd", 0)
            .with(xorCodec(0x17))
            .flagged(kRebuiltList),
        listField("测试Rb电阻", 3, 5, 5, texts({"是", "否"}), "m_com_KR4111_TestRb", 1)
            .flagged(kDisabled),
    };
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
