// The KR4121 trim page: CFG0 and CFG1 as on the configuration page, plus OSC_REG.
#include "pages/chip/kr41xx/kr41xxadt.h"
#include "pages/chip/kr41xx/kr41xxtables.h"

namespace tessel {
namespace {

using namespace chip;

PageDesc build() {
    const QStringList clock = texts({"内部时钟", "外部时钟"});
    PageDesc d;
    asTrimPage(d);
    d.className = QStringLiteral("CKR4121Adt");
    d.caption = QString::fromUtf8("KR4121修调界面");
    d.section = QStringLiteral("KR4121CFGS");
    d.section2 = QStringLiteral("KR4121ADTS");
    d.words = {word(0, "CFG0", "m_n_KR4121_CFG0", 15), word(1, "CFG1", "m_n_KR4121_CFG1", 135),
               kr41xx::oscRegWord("m_n_KR4121_AdtCFG2", 0)};
    d.fields = kr41xx::kr4121Fields();
    // OSC_REG bits 7..4 belong to no control and keep what was loaded.
    d.fields << QVector<FieldDesc>{
        listField("PLL时钟", kOscRegWord, 3, 3, clock, "m_com_KR4121_AdtPll", 0).inSecondSection(),
        listField("OSC时钟选择", kOscRegWord, 2, 2, clock, "m_com_KR4121_AdtOsc1", 0)
            .inSecondSection(),
        listField("Test_clk输出", kOscRegWord, 0, 0, texts({"CSD_CLK", "LED_CLK"}),
                  "m_com_KR4121_AdtClk", 0)
            .inSecondSection(),
        listField("PWM或Test_clk", kOscRegWord, 1, 1, texts({"PWM_CLK", "TEST_CLK"}),
                  "m_com_KR4121_AdtPwm", 0)
            .inSecondSection(),
    };
    d.keyOrder =
        texts({"m_com_vddctrl", "m_com_osc", "m_com_rprotect0", "m_com_mod", "m_com_wprotect",
               "m_com_div", "m_com_KR4121_AdtPll", "m_com_KR4121_AdtOsc1", "m_com_KR4121_AdtClk",
               "m_com_KR4121_AdtPwm", "m_n_KR4121_CFG0", "m_n_KR4121_CFG1", "m_n_KR4121_AdtCFG2"});
    d.writeOrder = {0, 1, kOscRegWord};
    return d;
}

}  // namespace

const chip::PageDesc& CKR4121Adt::description() {
    static const chip::PageDesc d = build();
    return d;
}

CKR4121Adt::CKR4121Adt(Profile profile, QObject* parent)
    : PageModel(description(), std::move(profile), parent) {}

}  // namespace tessel
