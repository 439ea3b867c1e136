#include "app/chipcatalogue.h"

namespace tessel {

// clang-format off
namespace {
using F = ChipFamily;
using P = ProgramConfigStep;
using E = EepromKind;
using L = DebugLink;
using D = DebugFrameFamily;
using S = DifferSign;
constexpr bool y = true;
constexpr bool n = false;
}  // namespace

// Columns after the family: config step, config write, enter status, leave status, erase
// status, read-back on page, protection byte, EEPROM, EEPROM size, mass-production modes |
// debug link, frames, key flags, CSV key flags, Differ |
// configuration words, read CRCs, trim words, trim status, model bit {word, bit, set}.
const std::array<ChipInfo, kChipCount> kChipCatalogue = {{
    { 0, "KR4121",          "CKR4121Confg", 131, "CKR4121Adt",  135, 0x3FFE, 16382, n, F::KR41xx,
      P::Kr4121Words, n, n, n, n, n, n, E::None,              0, n,   L::Uart, D::Short,     n, n, S::RawMinusBaseline,
      3,  2,  3, n, {-1, 0, n}},
    { 1, "KR4111",          "CKR4111Confg", 132, "CKR4111Adt",  136, 0x1FFF,  8191, n, F::KR41xx,
      P::Word0,       y, n, n, n, n, n, E::None,              0, n,   L::Uart, D::Short,     n, n, S::RawMinusBaseline,
      7,  3,  4, n, {-1, 0, n}},
    { 2, "KR4112",          "CKR4112Confg", 133, "CKR4112Adt",  137, 0x7FC0, 32704, n, F::KR41xx,
      P::Word0,       y, y, n, n, n, n, E::None,              0, n,   L::Uart, D::Short,     n, n, S::RawMinusBaseline,
      9,  3,  5, n, {-1, 0, n}},
    { 3, "KR4152",          "CKR4113Confg", 145, "CKR4113Adt",  147, 0x3FC0, 16320, n, F::KR41xx,
      P::Word0,       y, y, y, n, n, n, E::None,              0, n,   L::Iic,  D::Counter24, y, y, S::RawMinusBaseline,
      10, 3,  5, n, { 5, 1, n}},
    { 4, "KR4161",          "CKR4113Confg", 145, "CKR4113Adt",  147, 0x7FC0, 32704, n, F::KR41xx,
      P::Word0,       y, y, y, n, n, n, E::None,              0, n,   L::Iic,  D::Counter24, y, y, S::RawMinusBaseline,
      10, 3,  5, n, { 5, 1, y}},
    { 5, "KR4115/56/17",    "CKR4116Confg", 173, "CKR4116Adt",  174, 0x3FC0, 16320, y, F::KR41xx,
      P::Word0,       y, y, y, y, n, n, E::InFlashBuffers, 2048, n,   L::Iic,  D::Counter24, y, y, S::RawMinusBaseline,
      10, 3,  5, y, { 5, 0, n}},
    { 6, "KR4115W/KR4113",  "CKR4113Confg", 145, "CKR4113Adt",  147, 0x3FC0, 16320, n, F::KR41xx,
      P::Word0,       y, y, y, n, n, n, E::None,              0, n,   L::Iic,  D::Counter24, y, y, S::RawMinusBaseline,
      10, 3,  5, n, { 5, 1, n}},
    { 7, "KR4116/4311/12A", "CKR4116Confg", 173, "CKR4116Adt",  174, 0x77C0, 30656, y, F::KR41xx,
      P::Word0,       y, y, y, y, n, n, E::InFlashBuffers, 2048, n,   L::Iic,  D::Counter24, y, y, S::RawMinusBaseline,
      10, 3,  5, y, { 5, 0, y}},
    { 8, "RO5812DA",        "CMCU01Confg",  175, "MCU01Adt",    176, 0x3FC0, 16320, n, F::MCU01,
      P::Word0,       y, y, y, y, n, n, E::None,              0, n,   L::Iic,  D::Counter24, y, y, S::BaselineMinusRaw,
      8,  7,  8, y, { 1, 0, y}},
    { 9, "ZU5712RA16",      "CMCU01Confg",  175, "MCU01Adt",    176, 0x3FC0, 16320, n, F::MCU01,
      P::Word0,       y, y, y, y, n, n, E::None,              0, n,   L::Iic,  D::Counter24, y, y, S::BaselineMinusRaw,
      8,  7,  8, y, { 1, 0, n}},
    {10, "KR5815/KR5715",   "CMCU02Confg",  185, "CMCU02Adt",   187, 0xFC00, 64511, y, F::MCU02,
      P::None,        y, y, y, y, y, y, E::Switchable,     1024, y,   L::Iic,  D::Counter32, y, n, S::BaselineMinusRaw,
      14, 14, 11, y, {-1, 0, n}},
    {11, "KR5814",          "CMCU02Confg",  185, "CMCU02Adt",   187, 0xC000, 49151, y, F::MCU02,
      P::None,        y, y, y, y, y, y, E::Switchable,     1024, y,   L::Iic,  D::Counter32, y, n, S::BaselineMinusRaw,
      14, 14, 11, y, {-1, 0, n}},
    {12, "KR5813/KR5713",   "CMCU02Confg",  185, "CMCU02Adt",   187, 0x8000, 32767, y, F::MCU02,
      P::None,        y, y, y, y, y, y, E::Switchable,     1024, y,   L::Iic,  D::Counter32, y, n, S::BaselineMinusRaw,
      14, 14, 11, y, {-1, 0, n}},
    {13, "VE5812DUZI",      "CMCU04",       207, "CMCU04_Adt",  208, 0x3C00, 16384, y, F::MCU04,
      P::None,        y, y, y, y, n, y, E::Switchable,     1024, n,   L::Iic,  D::Counter32, y, n, S::BaselineMinusRaw,
      31, 2,  38, y, {-1, 0, n}},
}};
// clang-format on

const ChipInfo& chipInfo(int index) {
    return kChipCatalogue[sanitizeChipIndex(index)];
}

int sanitizeChipIndex(long long stored) {
    return isChipIndex(stored) ? static_cast<int>(stored) : 0;
}

int chipIndexFromText(const QString& text) {
    const QString t = text.trimmed();
    bool ok = false;
    const int n = t.toInt(&ok);
    if (ok)
        return isChipIndex(n) ? n : -1;
    for (const ChipInfo& c : kChipCatalogue) {
        if (t.compare(QString::fromUtf8(c.comboText), Qt::CaseInsensitive) == 0)
            return c.index;
    }
    return -1;
}

}  // namespace tessel
