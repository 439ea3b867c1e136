#include "pages/chip/kr41xx/kr41xxtables.h"

#include "pages/chip/engine/pagemodel.h"

namespace tessel::chip::kr41xx {

QVector<WordDesc> words(const char* model, std::initializer_list<int> defaults) {
    QVector<WordDesc> out;
    int n = 0;
    for (int def : defaults) {
        const QByteArray key = QByteArray("m_n_") + model + "_CFG" + QByteArray::number(n);
        const QByteArray group = "CFG" + QByteArray::number(n);
        out << word(n, group.constData(), key.constData(), def,
                    n == 0 ? unsigned(kRestrictedVisible) : 0u);
        ++n;
    }
    return out;
}

QStringList keyOrder(std::initializer_list<const char*> fieldKeys, const QVector<WordDesc>& words) {
    QStringList out = texts(fieldKeys);
    for (const WordDesc& w : words)
        out << w.key;
    return out;
}

QVector<FieldDesc> adcFields(int firstWord, const char* first, const char* second,
                             const char* third) {
    return {hexField(first, firstWord, 7, 0), hexField(second, firstWord + 1, 7, 0),
            hexField(third, firstWord + 2, 7, 0)};
}

WordDesc trimWord(int number, int shown, const char* key, int def) {
    const QByteArray group = "CFG" + QByteArray::number(shown);
    WordDesc w = word(number, group.constData(), key, def);
    w.loadLabel = QStringLiteral("CFG_%1 = 0x").arg(shown) + QStringLiteral("%1");
    w.changeLabel = w.loadLabel;
    return w;
}

WordDesc oscRegWord(const char* key, int def) {
    return word(kOscRegWord, "OSC_REG", key, def)
        .labels("OSC_REG = 0x%1", "OSC_REG = 0x%1")
        .inSecondSection();
}

namespace {

// "OSC时钟" of KR4121: CFG0 bits 7..4 = (index mod 16) XOR 1; CFG1 bit 6 set for the lower
// half of the list.
void encodeOsc(PageModel& m, int index) {
    uint8_t& cfg0 = m.wordRef(0);
    uint8_t& cfg1 = m.wordRef(1);
    cfg0 = static_cast<uint8_t>((cfg0 & 0x0F) | ((((index % 16) ^ 1) & 0x0F) << 4));
    cfg1 = static_cast<uint8_t>(index < 16 ? (cfg1 | 0x40) : (cfg1 & ~0x40));
}

int decodeOsc(const PageModel& m) {
    const int low = ((m.word(0) >> 4) ^ 1) & 0x0F;
    return (m.word(1) & 0x40) ? low : low + 16;
}

// "锁相环时钟频率": CFG1 bit 5 = low bit of the index; 24 and 32 MHz also set bit 6, which
// 12 and 16 MHz leave alone (it belongs to the OSC field as well).
void encodePll(PageModel& m, int index) {
    uint8_t& cfg1 = m.wordRef(1);
    cfg1 = static_cast<uint8_t>((cfg1 & ~0x20) | ((index & 1) << 5));
    if (index >= 2)
        cfg1 |= 0x40;
}

int decodePll(const PageModel& m) {
    const uint8_t cfg1 = m.word(1);
    return ((cfg1 >> 5) & 1) | ((cfg1 & 0x40) ? 2 : 0);
}

// Base resistances of the KR4111 "CSD电阻值" list for "5K".
constexpr int kCsdBase[32] = {4716, 4770, 4860, 4913, 5055, 5112, 5197, 5249, 5495, 5550, 5636,
                              5691, 5827, 5885, 5970, 6024, 6285, 6340, 6430, 6480, 6620, 6680,
                              6710, 6770, 7057, 7112, 7119, 7257, 7390, 7451, 7535, 7587};

}  // namespace

QVector<FieldDesc> kr4121Fields() {
    const QStringList onOff = texts({"开", "关"});
    return {
        listField("LDO输出电压", 0, 3, 0,
                  texts({"2.240 V", "2.267 V", "2.295 V", "2.324 V", "2.354 V", "2.387 V",
                         "2.420 V", "2.457 V", "2.496 V", "2.537 V", "2.580 V", "2.627 V",
                         "2.670 V", "2.730 V", "2.790 V", "2.850 V"}),
                  "m_com_vddctrl", 8)
            .with(xorCodec(3)),
        listField(
            "OSC时钟", 0, 7, 4,
            texts({"412.7 KHz", "417.8 KHz", "423.3 KHz", "428.8 KHz", "434.6 KHz", "440.3 KHz",
                   "446.3 KHz", "452.2 KHz", "459.2 KHz", "465.6 KHz", "472.4 KHz", "479.0 KHz",
                   "486.6 KHz", "493.7 KHz", "501.4 KHz", "508.9 KHz", "518.2 KHz", "526.2 KHz",
                   "534.9 KHz", "543.4 KHz", "553.1 KHz", "562.2 KHz", "572.2 KHz", "582.0 KHz",
                   "593.5 KHz", "604.0 KHz", "615.4 KHz", "626.9 KHz", "639.7 KHz", "652.0 KHz",
                   "665.4 KHz", "678.7 KHz"}),
            "m_com_osc", 14)
            .hooked(encodeOsc, decodeOsc, 1),
        listField("读保护0", 1, 0, 0, onOff, "m_com_rprotect0", 1),
        listField("写保护", 1, 1, 1, onOff, "m_com_wprotect", 1),
        listField("锁相环微调", 1, 4, 3, texts({"0", "6", "9", "15"}), "m_com_mod", 0)
            .with(reverseCodec()),
        listField("锁相环时钟频率", 1, 6, 5, texts({"12 MHz", "16 MHz", "24 MHz", "32 MHz"}),
                  "m_com_div", 0)
            .hooked(encodePll, decodePll, -1),
    };
}

QVector<FieldDesc> kr4111Fields() {
    return {
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
        listField("CSD电阻值", 3, 4, 0, {}, "m_com_KR4111_Csd", 0).with(xorCodec(0x17)),
        listField("测试Rb电阻", 3, 5, 5, texts({"是", "否"}), "m_com_KR4111_TestRb", 1),
    };
}

QStringList kr4111CsdList(int rb) {
    QStringList out;
    for (int base : kCsdBase)
        out << QString::number((rb + 1) * base);
    return out;
}

const QStringList& kr4112PullDownList(int rb) {
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
    return lists[rb >= 0 && rb < 4 ? rb : 1];
}

QVector<FieldDesc> kr4112Fields() {
    return {
        listField("CSD_RB_TEST", 1, 5, 5, texts({"测试", "不测试"}), "m_com_KR4112_Rbtest", 1)
            .clearing(0xC0),
        listField("下拉电阻修调", 1, 4, 0, {}, "m_com_KR4112_ADJRB", 8)
            .with(xorCodec(0x17))
            .clearing(0xC0),
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
}

QVector<FieldDesc> kr4113Fields() {
    return {
        listField("CSD_RB_TEST", 1, 5, 5, texts({"测试", "不测试"}), "m_com_KR4113_Rbtest", 1)
            .clearing(0xC0),
        listField(
            "ADJ_RB", 1, 4, 0,
            sparseList(32, {{0, "9073.6"}, {1, "9193.7"}, {31, "15040.4"}}, xorCodec(0x17), 5),
            "m_com_KR4113_Rb", 8)
            .with(xorCodec(0x17))
            .clearing(0xC0),
        listField("ADJ_BG", 2, 7, 0,
                  sparseList(32, {{0, "1.03252"}, {1, "1.04437"}, {31, "1.40166"}}, xorCodec(0x0B)),
                  "m_com_KR4113_Bg", 20)
            .with(xorCodec(0x0B)),
        listField("ADJ_TRIM(KHz)", 3, 7, 0,
                  sparseList(32, {{0, "63.025"}, {1, "59.175"}, {31, "67.375"}}),
                  "m_com_KR4113_Trim", 31),
        // The key stores the CFG4 code, twice the item index.
        listField(
            "ADJ_OSC(MHz)", 4, 7, 0,
            sparseList(128, {{0, "1.14325"}, {1, "1.13617"}, {127, "1.15040"}}, scaleCodec(2)),
            "m_com_KR4113_Osc", 254)
            .with(scaleCodec(2))
            .flagged(kKeyHoldsCode),
    };
}

QVector<FieldDesc> kr4116Fields() {
    return {
        listField("ADJ_RB", 1, 7, 0, sparseList(32, {{0, "27160"}, {1, "26790"}, {31, "20190"}}),
                  "m_com_KR4116_adjrb", 31),
        listField("ADJ_BG", 2, 7, 0,
                  sparseList(32, {{0, "1.21037"}, {1, "1.19923"}, {31, "1.22236"}}),
                  "m_com_KR4116_adjbg", 31),
        listField("ADJ_32k(kHz)", 3, 7, 0,
                  sparseList(64, {{0, "31.5525"}, {1, "30.5395"}, {63, "32.7652"}}),
                  "m_com_KR4116_adj32k", 63),
        listField("ADJ_OSC(MHz)", 4, 7, 0,
                  sparseList(256, {{0, "0.994952"}, {1, "0.991783"}, {255, "0.999488"}}),
                  "m_com_KR4116_adjosc", 255),
    };
}

}  // namespace tessel::chip::kr41xx
