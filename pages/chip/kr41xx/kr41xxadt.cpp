// The KR4111, KR4112, KR4113 and KR4116 trim pages. The fields they share with their
// configuration pages come from kr41xxtables; here are OSC_REG and the words' groups.
#include "pages/chip/kr41xx/kr41xxadt.h"
#include "pages/chip/kr41xx/kr41xxtables.h"

namespace tessel {
namespace {

using namespace chip;

Variant variant(int chip, const char* caption, const char* section, const char* section2) {
    Variant v;
    v.chip = chip;
    v.caption = QString::fromUtf8(caption);
    v.section = QString::fromUtf8(section);
    v.section2 = QString::fromUtf8(section2);
    return v;
}

const QStringList& clockOut() {
    static const QStringList l = texts({"不输出", "输出"});
    return l;
}

const QStringList& testOrNot() {
    static const QStringList l = texts({"测试", "不测试"});
    return l;
}

PageDesc build4111() {
    PageDesc d;
    asTrimPage(d);
    d.className = QStringLiteral("CKR4111Adt");
    d.caption = QString::fromUtf8("KR4111修调界面");
    d.section = QStringLiteral("KR4111CFGS");
    d.section2 = QStringLiteral("KR4111ADTS");
    d.words = {kr41xx::trimWord(1, 0, "m_n_KR4111_CFG1", 239),
               kr41xx::trimWord(2, 1, "m_n_KR4111_CFG2", 191),
               kr41xx::trimWord(3, 2, "m_n_KR4111_CFG3", 247),
               kr41xx::oscRegWord("m_n_KR4111_AdtCFG3", 252)};
    d.fields = kr41xx::kr4111Fields();
    // Without "Rb阻值" on this page the CSD list is the base table.
    fieldNamed(d.fields, "CSD电阻值").items = kr41xx::kr4111CsdList(0);
    d.fields << QVector<FieldDesc>{
        listField("测试时钟", kOscRegWord, 1, 1, clockOut(), "m_com_KR4111_AdtTclk", 0)
            .inSecondSection(),
        listField("OSC/PLL时钟", kOscRegWord, 0, 0, texts({"OSC时钟", "PLL时钟"}),
                  "m_com_KR4111_AdtPll", 0)
            .inSecondSection(),
    };
    d.keyOrder =
        texts({"m_com_KR4111_Bg", "m_com_KR4111_Osc", "m_com_KR4111_Csd", "m_com_KR4111_TestRb",
               "m_com_KR4111_AdtTclk", "m_com_KR4111_AdtPll", "m_n_KR4111_CFG1", "m_n_KR4111_CFG2",
               "m_n_KR4111_CFG3", "m_n_KR4111_AdtCFG3"});
    d.writeOrder = {1, 2, 3, kOscRegWord};
    return d;
}

PageDesc build4112() {
    PageDesc d;
    asTrimPage(d);
    d.className = QStringLiteral("CKR4112Adt");
    d.caption = QString::fromUtf8("KR4112修调界面");
    d.section = QStringLiteral("KR4112CFGS");
    d.section2 = QStringLiteral("KR4112ADTS");
    d.words = {kr41xx::trimWord(1, 0, "m_n_KR4112_CFG1", 63),
               kr41xx::trimWord(2, 1, "m_n_KR4112_CFG2", 31),
               kr41xx::trimWord(3, 2, "m_n_KR4112_CFG3", 31),
               kr41xx::trimWord(4, 3, "m_n_KR4112_CFG4", 255),
               kr41xx::oscRegWord("m_n_KR4112_AdtCFG4", 0)};
    d.fields = kr41xx::kr4112Fields();
    // The pull-down trim list of the "10K" resistor.
    fieldNamed(d.fields, "下拉电阻修调").items = kr41xx::kr4112PullDownList(1);
    fieldNamed(d.fields, "OSC100k").caption = QStringLiteral("OSC100K");
    d.fields << QVector<FieldDesc>{
        listField("测试时钟", kOscRegWord, 2, 2, clockOut(), "m_com_KR4112_AdtTclk", 0)
            .clearing(0xF8)
            .inSecondSection(),
        listField("测试时钟选择", kOscRegWord, 1, 0, texts({"OSC_1M", "OSC_100K", "PLL_1M"}),
                  "m_com_KR4112_AdtTkc", 0)
            .with(tableCodec({0, 1, 3}))
            .clearing(0xF8)
            .inSecondSection(),
    };
    d.keyOrder = texts({"m_com_KR4112_Rbtest", "m_com_KR4112_ADJRB", "m_com_KR4112_BG",
                        "m_com_KR4112_OSC100k", "m_com_KR4112_OSC", "m_com_KR4112_AdtTclk",
                        "m_com_KR4112_AdtTkc", "m_n_KR4112_CFG1", "m_n_KR4112_CFG2",
                        "m_n_KR4112_CFG3", "m_n_KR4112_CFG4", "m_n_KR4112_AdtCFG4"});
    d.writeOrder = {1, 2, 3, 4, kOscRegWord};
    return d;
}

PageDesc build4113() {
    PageDesc d;
    asTrimPage(d);
    d.className = QStringLiteral("CKR4113Adt");
    d.caption = QString::fromUtf8("KR4152修调界面");
    d.section = QStringLiteral("KR4152CFGS");
    d.section2 = QStringLiteral("KR4152ADTS");
    d.variants = {variant(3, "KR4152修调界面", "KR4152CFGS", "KR4152ADTS"),
                  variant(4, "KR4161修调界面", "KR4113/4161CFGS", "KR4113/4161ADTS"),
                  variant(6, "KR4115W/4113修调界面", "KR4115CFGS", "KR4115ADTS")};
    d.loadOnlyForVariants = true;
    d.saveOnlyForVariants = true;
    d.words = {kr41xx::trimWord(1, 0, "m_n_KR4113_CFG1", 63),
               kr41xx::trimWord(2, 1, "m_n_KR4113_CFG2", 31),
               kr41xx::trimWord(3, 2, "m_n_KR4113_CFG3", 31),
               kr41xx::trimWord(4, 3, "m_n_KR4113_CFG4", 254),
               kr41xx::oscRegWord("m_n_KR4113_ADTCFG4", 0)};
    d.fields = kr41xx::kr4113Fields();
    d.fields << QVector<FieldDesc>{
        listField("TESE_CLK_EN", kOscRegWord, 2, 2, clockOut(), "m_com_KR4113_Adten", 0)
            .clearing(0xF8)
            .inSecondSection(),
        listField("CLK_SEL", kOscRegWord, 1, 0, texts({"OSC_1M", "OSC_RC", "2M", "OSC_XTAL"}),
                  "m_com_KR4113_Adtclk", 0)
            .clearing(0xF8)
            .inSecondSection(),
    };
    d.keyOrder =
        texts({"m_com_KR4113_Rbtest", "m_com_KR4113_Rb", "m_com_KR4113_Bg", "m_com_KR4113_Trim",
               "m_com_KR4113_Osc", "m_com_KR4113_Adten", "m_com_KR4113_Adtclk", "m_n_KR4113_CFG1",
               "m_n_KR4113_CFG2", "m_n_KR4113_CFG3", "m_n_KR4113_CFG4", "m_n_KR4113_ADTCFG4"});
    d.writeOrder = {1, 2, 3, 4, kOscRegWord};
    return d;
}

PageDesc build4116() {
    PageDesc d;
    asTrimPage(d);
    d.className = QStringLiteral("CKR4116Adt");
    d.caption = QString::fromUtf8("KR4115修调界面");
    d.section = QStringLiteral("KR4116CFGS");
    d.section2 = QStringLiteral("KR4116ADTS");
    d.variants = {variant(5, "KR4115修调界面", "KR4116CFGS", "KR4116ADTS"),
                  variant(7, "KR4116修调界面", "KR4117CFGS", "KR4117ADTS")};
    d.loadOnlyForVariants = true;
    d.saveOnlyForVariants = true;
    // This page shows the chip's own word numbers.
    d.words = {kr41xx::trimWord(1, 1, "m_n_KR4116_CFG1", 31),
               kr41xx::trimWord(2, 2, "m_n_KR4116_CFG2", 31),
               kr41xx::trimWord(3, 3, "m_n_KR4116_CFG3", 63),
               kr41xx::trimWord(4, 4, "m_n_KR4116_CFG4", 255),
               kr41xx::oscRegWord("m_n_KR4116_ADTCFG4", 24)};
    d.fields = kr41xx::kr4116Fields();
    // Every OSC_REG field keeps bits 4..0 outside its own and clears bits 7..5.
    d.fields << QVector<FieldDesc>{
        listField("CSD_I_TEST", kOscRegWord, 4, 4, testOrNot(), "m_com_KR4116_Adtitest", 1),
        listField("CSD_RB_TEST", kOscRegWord, 3, 3, testOrNot(), "m_com_KR4116_Adtrbtest", 1),
        listField("TEST_CLK_EN", kOscRegWord, 2, 2, clockOut(), "m_com_KR4116_Adtclken", 0),
        listField("CLK_SEL", kOscRegWord, 1, 0, texts({"OSC_1M", "OSC_32k", "2M/12", "外部32k"}),
                  "m_com_KR4116_Adtclksel", 0),
    };
    for (FieldDesc& f : d.fields) {
        if (f.word == kOscRegWord)
            f.clearing(0xE0).inSecondSection();
    }
    d.keyOrder =
        texts({"m_com_KR4116_adjrb", "m_com_KR4116_adjbg", "m_com_KR4116_adj32k",
               "m_com_KR4116_adjosc", "m_com_KR4116_Adtitest", "m_com_KR4116_Adtrbtest",
               "m_com_KR4116_Adtclken", "m_com_KR4116_Adtclksel", "m_n_KR4116_CFG1",
               "m_n_KR4116_CFG2", "m_n_KR4116_CFG3", "m_n_KR4116_CFG4", "m_n_KR4116_ADTCFG4"});
    d.writeOrder = {1, 2, 3, 4, kOscRegWord};
    return d;
}

}  // namespace

#define TESSEL_TRIM_PAGE(Class, builder)           \
    const chip::PageDesc& Class::description() {   \
        static const chip::PageDesc d = builder(); \
        return d;                                  \
    }                                              \
    Class::Class(Profile profile, QObject* parent) \
        : PageModel(description(), std::move(profile), parent) {}

TESSEL_TRIM_PAGE(CKR4111Adt, build4111)
TESSEL_TRIM_PAGE(CKR4112Adt, build4112)
TESSEL_TRIM_PAGE(CKR4113Adt, build4113)
TESSEL_TRIM_PAGE(CKR4116Adt, build4116)

}  // namespace tessel
