// The configuration page shared by KR4115/56/17 and KR4116/4311/12A (chips 5, 7).
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
    v.defaults = {{QStringLiteral("m_n_KR4116_CFG5"), cfg5}};
    v.infoItem = flashItem;
    return v;
}

PageDesc build() {
    PageDesc d;
    d.className = QStringLiteral("CKR4116Confg");
    d.caption = QString::fromUtf8("KR4115/4156/4117配置字界面");
    d.section = QStringLiteral("KR4116CFGS");
    d.variants = {variant(5, "KR4115/4156/4117配置字界面", "KR4116CFGS", 6, 0),
                  variant(7, "KR4116配置字界面", "KR4117CFGS", 7, 1)};
    d.loadOnlyForVariants = true;
    d.saveOnlyForVariants = true;
    d.words = kr41xx::words("KR4116", {3, 31, 31, 63, 255, 6, 255, 255, 255, 255});
    d.words[6].reserved("RB相关参数保留");
    d.fields = {
        checkField("inf写擦除保护", 0, 1, "m_check_KR4116_inf", 1)
            .clearing(0xFC)
            .flagged(kCfg0Control | kAutoSave),
        checkField("Main读保护", 0, 0, "m_check_KR4116_main", 0)
            .with(xorCodec(1))
            .clearing(0xFC)
            .flagged(kCfg0Control | kAutoSave),
    };
    d.fields << kr41xx::kr4116Fields();
    d.fields << QVector<FieldDesc>{
        checkField("LED_SEL", 5, 2, "m_check_KR4116_led", 1).clearing(0xF8),
        checkField("EEPROM_SEL", 5, 1, "m_check_KR4116_eeprom", 1).clearing(0xF8),
        infoField("Flash容量", 5, texts({"16kByte", "32kByte"})),
    };
    d.fields << kr41xx::adcFields(7, "ADC_AH      0x", "ADC_AL      0x", "ADC_B       0x");
    d.keyOrder =
        kr41xx::keyOrder({"m_check_KR4116_inf", "m_check_KR4116_main", "m_com_KR4116_adjrb",
                          "m_com_KR4116_adjbg", "m_com_KR4116_adj32k", "m_com_KR4116_adjosc",
                          "m_check_KR4116_led", "m_check_KR4116_eeprom"},
                         d.words);
    d.writeOrder = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    return d;
}

}  // namespace

const chip::PageDesc& CKR4116Confg::description() {
    static const chip::PageDesc d = build();
    return d;
}

CKR4116Confg::CKR4116Confg(Profile profile, QObject* parent)
    : PageModel(description(), std::move(profile), parent) {}

}  // namespace tessel
