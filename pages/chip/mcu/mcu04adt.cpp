// The MCU04 trim page: nineteen words with their write flags.
#include "pages/chip/mcu/mcuadt.h"
#include "pages/chip/mcu/mcutables.h"

namespace tessel {
namespace {

using namespace chip;

// A save takes the entry fields again, so the TMODE values are merged into their words.
void beforeSave(PageModel& m) {
    for (int f = 0; f < m.fieldCount(); ++f) {
        if (m.field(f).kind == ControlKind::HexEdit)
            m.encodeField(f);
    }
}

// The words in send order: number, group (the write flag's caption), byte key, default,
// label after a load, label after a change, flag key.
struct TrimWord {
    int number;
    const char* name;
    const char* key;
    int def;
    const char* loadLabel;
    const char* changeLabel;
    const char* flagKey;
};

const TrimWord kWords[] = {
    {0, "CFG0", "m_n_MCU04_CFG0", 255, "CFG_0 = 0x%1", "CFG0 = 0x%1", "m_n_check_MCU04_ADT_CFG0"},
    {1, "CFG1", "m_n_MCU04_CFG1", 1, nullptr, nullptr, "m_n_check_MCU04_ADT1"},
    {2, "CFG2", "m_n_MCU04_CFG2", 31, nullptr, nullptr, "m_n_check_MCU04_ADT2"},
    {3, "CFG3", "m_n_MCU04_CFG3", 63, nullptr, nullptr, "m_n_check_MCU04_ADT3"},
    {4, "CFG4", "m_n_MCU04_CFG4", 201, nullptr, nullptr, "m_n_check_MCU04_ADT4"},
    {5, "CFG5", "m_n_MCU04_CFG5", 45, nullptr, nullptr, "m_n_check_MCU04_ADT5"},
    {6, "CFG6", "m_n_MCU04_CFG6", 255, nullptr, nullptr, "m_n_check_MCU04_ADT6"},
    {7, "CFG7", "m_n_MCU04_CFG7", 63, nullptr, nullptr, "m_n_check_MCU04_ADT7"},
    {8, "CFG8", "m_n_MCU04_CFG8", 100, nullptr, nullptr, "m_n_check_MCU04_ADT8"},
    {9, "CFG9", "m_n_MCU04_CFG9", 127, nullptr, nullptr, "m_n_check_MCU04_ADT9"},
    {21, "CFG21", "m_n_MCU04_CFG21", 96, nullptr, nullptr, "m_n_check_MCU04_ADT21"},
    {22, "CFG22", "m_n_MCU04_CFG22", 109, nullptr, nullptr, "m_n_check_MCU04_ADT22"},
    {23, "CFG23", "m_n_MCU04_CFG23", 8, nullptr, nullptr, "m_n_check_MCU04_ADT23"},
    {24, "CFG24", "m_n_MCU04_CFG24", 24, nullptr, nullptr, "m_n_check_MCU04_ADT24"},
    {25, "CFG25", "m_n_MCU04_CFG25", 0, nullptr, nullptr, "m_n_check_MCU04_ADT25"},
    {kTestRegWord, "TEST_REG", "m_n_MCU04_TESTREG", 0, "TESTREG = 0x%1", "TEST_REG = 0x%1",
     "m_n_check_MCU04_TESTREG"},
    {kOscRegWord, "OSC_REG", "m_n_MCU04_OSCREG", 0, "OSCREG = 0x%1", "OSC_REG = 0x%1",
     "m_n_check_MCU04_OSCREG"},
    {kPldoRegWord, "PLDO_REG", "m_n_MCU04_PLDOREG", 0, "LDOREG = 0x%1", "PLDO_REG = 0x%1",
     "m_n_check_MCU04_PLDOREG"},
    {30, "PASSWD", "m_n_MCU04_CFG30", 255, "PASSWORD = 0x%1", "PW_REG = 0x%1",
     "m_n_check_MCU04_ADT_PASS"},
};

QVector<FieldDesc> registerFields() {
    return {
        listField("ANA_TEST", kTestRegWord, 2, 0,
                  texts({" 不测试", "上拉电流", "VTH", "BG", "BG_LP", "VD15", "RB"}),
                  "m_testreg_adt_anatest", 0),
        listField("1P5_VREF_SEL", kTestRegWord, 3, 3, texts({"VREF1P2", "VREF_LP"}),
                  "m_testreg_adt_ldo1p5vrefsel", 0),
        checkField("ANA_TEST_EN7", kTestRegWord, 4, "m_testreg_adt_anatesten7", 0),
        checkField("ANA_TEST_EN0", kTestRegWord, 5, "m_testreg_adt_anatesten0", 0),
        listField("TEST_CLK_SEL", kOscRegWord, 2, 0,
                  texts({"OSC_1M", "OSC_32K", "PLL_2M", "XTAL_12M", "XTAL_32K"}),
                  "m_oscreg_adt_testclksel", 0),
        listField("TEST_CLK_EN", kOscRegWord, 3, 3, texts({"不输出", "输出"}),
                  "m_oscreg_adt_testclken", 0),
        checkField("TEST_XTAL32K_EN", kOscRegWord, 4, "m_oscreg_adt_xtal32ken", 0),
        checkField("TEST_XTAL12M_EN", kOscRegWord, 5, "m_oscreg_adt_xtal12men", 0),
        listField("PG_LDO_TIM", kPldoRegWord, 3, 0, numbers(0, 15), "m_pldoreg_adt_pgldotim", 0),
        // The item index is the bits' value; the lists show what PLDO_REG holds and their
        // keys record the choice.
        listField("PG_LDO_LOAD1", kPldoRegWord, 6, 4, numbers(0, 7), "m_pldoreg_adt_ldoload1", 0)
            .flagged(kSaveOnlyKey),
        listField("PG_LDO_LOAD2", kPldoRegWord, 7, 7, numbers(0, 1), "m_pldoreg_adt_ldoload2", 0)
            .flagged(kSaveOnlyKey),
        hexField("PASSWORD    0X", 30, 7, 0),
    };
}

PageDesc build() {
    PageDesc d;
    asTrimPage(d);
    d.className = QStringLiteral("CMCU04_Adt");
    d.caption = QString::fromUtf8("VE5812DUZI修调界面");
    d.section = QStringLiteral("MCU04CFGS");
    QVector<FieldDesc> flags;
    for (const TrimWord& t : kWords) {
        WordDesc w = word(t.number, t.name, t.key, t.def);
        if (t.loadLabel)
            w.labels(t.loadLabel, t.changeLabel);
        d.words << w;
        d.writeOrder << t.number;
        // The write flag owns no bits: a click sets the flag only.
        FieldDesc flag = checkField(t.name, t.number, 0, t.flagKey, 0).flagged(kWriteFlag);
        flag.width = 0;
        flags << flag;
    }
    d.fields = mcu::mcu04Cfg0Fields(true);
    d.fields << mcu::mcu04AnalogFields();
    d.fields << mcu::mcu04TmodeFields(true);
    fieldNamed(d.fields, "TMODE2[5:0]").defaultValue = 45;
    fieldNamed(d.fields, "TMODE4[2:0]").defaultValue = 1;
    d.fields << registerFields() << flags;
    d.keyOrder = mcu::mcu04KeysCfg0To9();
    d.keyOrder << QStringLiteral("m_n_MCU04_CFG30") << mcu::mcu04KeysCfg21To25();
    d.keyOrder << texts({"m_testreg_adt_anatest", "m_testreg_adt_ldo1p5vrefsel",
                         "m_testreg_adt_anatesten7", "m_testreg_adt_anatesten0",
                         "m_n_MCU04_TESTREG", "m_oscreg_adt_testclksel", "m_oscreg_adt_testclken",
                         "m_oscreg_adt_xtal32ken", "m_oscreg_adt_xtal12men", "m_n_MCU04_OSCREG",
                         "m_pldoreg_adt_pgldotim", "m_pldoreg_adt_ldoload1",
                         "m_pldoreg_adt_ldoload2", "m_n_MCU04_PLDOREG"});
    // The flag keys: CFG1 to CFG9, CFG21 to CFG25, the registers, the password, CFG0.
    for (int i = 1; i < 19; ++i)
        d.keyOrder << QString::fromUtf8(kWords[i].flagKey);
    d.keyOrder << QString::fromUtf8(kWords[0].flagKey);
    d.hooks.beforeSave = beforeSave;
    return d;
}

}  // namespace

const chip::PageDesc& CMCU04_Adt::description() {
    static const chip::PageDesc d = build();
    return d;
}

CMCU04_Adt::CMCU04_Adt(Profile profile, QObject* parent)
    : PageModel(description(), std::move(profile), parent) {}

}  // namespace tessel
