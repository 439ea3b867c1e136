// The KR4121 configuration page: three words, the OSC field spread over CFG0 and CFG1.
#include "pages/chip/kr41xx/kr41xxconfg.h"

namespace tessel {
namespace {

using namespace chip;

// "OSC时钟": CFG0 bits 7..4 = (index mod 16) XOR 1; CFG1 bit 6 set for the lower half.
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

PageDesc build() {
    const QStringList onOff = texts({"开", "关"});
    const QStringList clocks = texts({"f/1 MHz", "f/2 MHz", "f/4 MHz", "f/6 MHz", "f/8 MHz",
                                      "f/12 MHz", "f/16 MHz", "f/18 MHz"});
    PageDesc d;
    d.className = QStringLiteral("CKR4121Confg");
    d.caption = QString::fromUtf8("KR4121配置字界面");
    d.section = QStringLiteral("KR4121CFGS");
    d.words = {word(0, "CFG0", "m_n_KR4121_CFG0", 15, kRestrictedVisible),
               word(1, "CFG1", "m_n_KR4121_CFG1", 135), word(2, "CFG2", "m_n_KR4121_CFG2", 7)};
    d.fields = {
        listField("LDO输出电压", 0, 3, 0,
                  texts({"2.240 V", "2.267 V", "2.295 V", "2.324 V", "2.354 V", "2.387 V",
                         "2.420 V", "2.457 V", "2.496 V", "2.537 V", "2.580 V", "2.627 V",
                         "2.670 V", "2.730 V", "2.790 V", "2.850 V"}),
                  "m_com_vddctrl", 8)
            .with(xorCodec(3))
            .flagged(kDisabledByLock),
        listField(
            "OSC时钟", 0, 7, 4,
            texts({"412.7 KHz", "417.8 KHz", "423.3 KHz", "428.8 KHz", "434.6 KHz", "440.3 KHz",
                   "446.3 KHz", "452.2 KHz", "459.2 KHz", "465.6 KHz", "472.4 KHz", "479.0 KHz",
                   "486.6 KHz", "493.7 KHz", "501.4 KHz", "508.9 KHz", "518.2 KHz", "526.2 KHz",
                   "534.9 KHz", "543.4 KHz", "553.1 KHz", "562.2 KHz", "572.2 KHz", "582.0 KHz",
                   "593.5 KHz", "604.0 KHz", "615.4 KHz", "626.9 KHz", "639.7 KHz", "652.0 KHz",
                   "665.4 KHz", "678.7 KHz"}),
            "m_com_osc", 14)
            .hooked(encodeOsc, decodeOsc, 1)
            .flagged(kDisabledByLock),
        listField("读保护0", 1, 0, 0, onOff, "m_com_rprotect0", 1).flagged(kDisabledByLock),
        listField("写保护", 1, 1, 1, onOff, "m_com_wprotect", 1).flagged(kDisabledByLock),
        listField("锁相环微调", 1, 4, 3, texts({"0", "6", "9", "15"}), "m_com_mod", 0)
            .with(reverseCodec())
            .flagged(kDisabledByLock),
        listField("锁相环时钟频率", 1, 6, 5, texts({"12 MHz", "16 MHz", "24 MHz", "32 MHz"}),
                  "m_com_div", 0)
            .hooked(encodePll, decodePll, -1)
            .flagged(kDisabledByLock),
        listField("读保护1", 2, 0, 0, onOff, "m_com_rprotect1", 1),
        listField("CSD时钟", 2, 4, 2, clocks, "m_com_csd", 1),
        listField("掉电复位", 2, 1, 1, onOff, "m_com_rstdt", 1),
        listField("MCU时钟", 2, 7, 5, clocks, "m_com_mcu", 0),
        checkField("锁定配置字0和1", -1, 0, "m_check_lock", 1).flagged(kIsLock),
    };
    // A lock field owns no bits.
    d.fields.last().width = 0;
    d.keyOrder =
        texts({"m_com_vddctrl", "m_com_osc", "m_com_rprotect0", "m_com_mod", "m_com_wprotect",
               "m_com_div", "m_com_rprotect1", "m_com_csd", "m_com_rstdt", "m_com_mcu",
               "m_check_lock", "m_n_KR4121_CFG0", "m_n_KR4121_CFG1", "m_n_KR4121_CFG2"});
    d.writeOrder = {0, 1, 2};
    return d;
}

}  // namespace

const chip::PageDesc& CKR4121Confg::description() {
    static const chip::PageDesc d = build();
    return d;
}

CKR4121Confg::CKR4121Confg(Profile profile, QObject* parent)
    : PageModel(description(), std::move(profile), parent) {}

int CKR4121Confg::lockCfg01() const {
    const int f = fieldIndex(QString::fromUtf8("锁定配置字0和1"));
    return f >= 0 && checked(f) ? 1 : 0;
}

}  // namespace tessel
