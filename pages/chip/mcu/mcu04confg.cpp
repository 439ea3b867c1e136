// The MCU04 configuration page: CFG0 and CFG30 to edit, CFG1 to CFG25 from the profile.
#include "pages/chip/mcu/mcuconfg.h"
#include "pages/chip/mcu/mcutables.h"

namespace tessel {
namespace {

using namespace chip;

PageDesc build() {
    PageDesc d;
    d.className = QStringLiteral("CMCU04");
    d.caption = QString::fromUtf8("VE5812DUZI配置字界面");
    d.section = QStringLiteral("MCU04CFGS");
    // Only CFG0 and CFG30 are ever shown; the page has no save of its own.
    d.saveOffered = false;
    const int defaults[26] = {255, 1,   31,  63,  201, 45,  255, 63,  100, 127, 15, 255, 7,
                              3,   255, 255, 255, 3,   255, 255, 255, 34,  106, 40, 24,  0};
    d.words << word(0, "CFG0", "m_n_MCU04_CFG0", 255, kRestrictedVisible)
                   .labels("CFG_0 = 0x%1", "CFG0 = 0x%1");
    d.words << word(30, "CFG30", "m_n_MCU04_CFG30", 255, kRestrictedVisible)
                   .labels("CFG_30 = 0x%1", "PW_REG = 0x%1");
    for (int n = 1; n <= 25; ++n) {
        const QByteArray group = "CFG" + QByteArray::number(n);
        const QByteArray key = "m_n_MCU04_CFG" + QByteArray::number(n);
        d.words << word(n, group.constData(), key.constData(), defaults[n], kNeverShown);
    }
    d.words[2 + 10].labels("CFG_11 =  0x%1", "CFG_11 = 0x%1");
    d.fields = mcu::mcu04Cfg0Fields(false);
    d.fields << QVector<FieldDesc>{
        hexField("main_password    0x", 30, 7, 0),
    };
    d.fields << mcu::mcu04AnalogFields();
    d.fields << QVector<FieldDesc>{
        listField("LDO_LOAD", 10, 2, 0, numbers(0, 7), "m_cfg10_ldoload", 7),
        checkField("EEP_SEL", 11, 1, "m_cfg11_eepsel", 1),
        checkField("EEP_EN", 11, 0, "m_cfg11_eepen", 1),
        listField("GPIO_ORDER", 12, 2, 0, numbers(0, 7), "m_cfg12_gpiorder", 7),
        listField("KEY_EN[25:24]", 13, 1, 0, numbers(0, 3), "m_cfg13_keyen", 3),
        listField("KEY_EN[23:16]", 14, 7, 0, numbers(0, 255), "m_cfg14_keyen", 255),
        listField("KEY_EN[15:8]", 15, 7, 0, numbers(0, 255), "m_cfg15_keyen", 255),
        listField("KEY_EN[7:0]", 16, 7, 0, numbers(0, 255), "m_cfg16_keyen", 255),
        listField("ADC_EN[25:24]", 17, 1, 0, numbers(0, 3), "m_cfg17_adcen", 3),
        listField("ADC_EN[23:16]", 18, 7, 0, numbers(0, 255), "m_cfg18_adcen", 255),
        listField("ADC_EN[15:8]", 19, 7, 0, numbers(0, 255), "m_cfg19_adcen", 255),
        listField("ADC_EN[7:0]", 20, 7, 0, numbers(0, 255), "m_cfg20_adcen", 255),
    };
    d.fields << mcu::mcu04TmodeFields(false);
    d.keyOrder = mcu::mcu04KeysCfg0To9();
    d.keyOrder << texts(
        {"m_cfg10_ldoload", "m_n_MCU04_CFG10",  "m_cfg11_eepsel",  "m_cfg11_eepen",
         "m_n_MCU04_CFG11", "m_cfg12_gpiorder", "m_n_MCU04_CFG12", "m_cfg13_keyen",
         "m_n_MCU04_CFG13", "m_cfg14_keyen",    "m_n_MCU04_CFG14", "m_cfg15_keyen",
         "m_n_MCU04_CFG15", "m_cfg16_keyen",    "m_n_MCU04_CFG16", "m_cfg17_adcen",
         "m_n_MCU04_CFG17", "m_cfg18_adcen",    "m_n_MCU04_CFG18", "m_cfg19_adcen",
         "m_n_MCU04_CFG19", "m_cfg20_adcen",    "m_n_MCU04_CFG20", "m_n_MCU04_CFG30"});
    d.keyOrder << mcu::mcu04KeysCfg21To25();
    for (int n = 1; n <= 25; ++n)
        d.writeOrder << n;
    d.wordZeroOrder = {0, 30};
    return d;
}

}  // namespace

const chip::PageDesc& CMCU04::description() {
    static const chip::PageDesc d = build();
    return d;
}

CMCU04::CMCU04(Profile profile, QObject* parent)
    : PageModel(description(), std::move(profile), parent) {}

}  // namespace tessel
