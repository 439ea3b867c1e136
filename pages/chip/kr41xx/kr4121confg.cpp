// The KR4121 configuration page: three words, the OSC field spread over CFG0 and CFG1.
#include "pages/chip/kr41xx/kr41xxconfg.h"
#include "pages/chip/kr41xx/kr41xxtables.h"

namespace tessel {
namespace {

using namespace chip;

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
    // The six CFG0/CFG1 fields are shared with the trim page; here the lock disables them.
    d.fields = kr41xx::kr4121Fields();
    for (FieldDesc& f : d.fields)
        f.flags |= kDisabledByLock;
    d.fields << QVector<FieldDesc>{
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
