// The configuration page shared by KR4152, KR4161 and KR4115W/KR4113 (chips 3, 4, 6).
#include "pages/chip/kr41xx/kr41xxconfg.h"
#include "pages/chip/kr41xx/kr41xxtables.h"

namespace tessel {
namespace {

using namespace chip;

Variant variant(int chip, const char* caption, const char* section, int cfg5, int flashItem) {
    Variant v;
    v.chip = chip;
    v.caption = QString::fromUtf8(caption);
    v.section = QString::fromUtf8(section);
    v.defaults = {{QStringLiteral("m_n_KR4113_CFG5"), cfg5}};
    v.infoItem = flashItem;
    return v;
}

PageDesc build() {
    PageDesc d;
    d.className = QStringLiteral("CKR4113Confg");
    d.caption = QString::fromUtf8("KR4152配置字界面");
    d.section = QStringLiteral("KR4152CFGS");
    d.variants = {variant(3, "KR4152配置字界面", "KR4152CFGS", 5, 0),
                  variant(4, "KR4161配置字界面", "KR4113/4161CFGS", 7, 1),
                  variant(6, "KR4115W/4113配置字界面", "KR4115CFGS", 5, 0)};
    d.loadOnlyForVariants = true;
    d.saveOnlyForVariants = true;
    d.words = kr41xx::words("KR4113", {3, 63, 31, 31, 254, 5, 255, 255, 255, 255});
    d.words[6].reserved("RB相关参数保留");
    d.fields = {
        checkField("inf写擦除保护", 0, 1, "m_check_KR4113_inf", 1)
            .clearing(0xFC)
            .flagged(kCfg0Control | kAutoSave),
        checkField("main读保护", 0, 0, "m_check_KR4113_main", 0)
            .with(xorCodec(1))
            .clearing(0xFC)
            .flagged(kCfg0Control | kAutoSave),
    };
    d.fields << kr41xx::kr4113Fields();
    d.fields << QVector<FieldDesc>{
        checkField("开启低功耗", 5, 2, "m_check_KR4113_Lp", 1).clearing(0xF8),
        checkField("开启AD功能", 5, 0, "m_check_KR4113_Ad", 1).clearing(0xF8),
        infoField("Flash容量", 5, texts({"16kByte", "32kByte"})),
    };
    d.fields << kr41xx::adcFields(7, "ADC_AH   0x", "ADC_AL   0x", "ADC_B    0x");
    d.keyOrder =
        kr41xx::keyOrder({"m_check_KR4113_inf", "m_check_KR4113_main", "m_com_KR4113_Rbtest",
                          "m_com_KR4113_Rb", "m_com_KR4113_Bg", "m_com_KR4113_Trim",
                          "m_com_KR4113_Osc", "m_check_KR4113_Lp", "m_check_KR4113_Ad"},
                         d.words);
    d.writeOrder = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    return d;
}

}  // namespace

const chip::PageDesc& CKR4113Confg::description() {
    static const chip::PageDesc d = build();
    return d;
}

CKR4113Confg::CKR4113Confg(Profile profile, QObject* parent)
    : PageModel(description(), std::move(profile), parent) {}

}  // namespace tessel
