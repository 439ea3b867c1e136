#include "app/chipcatalogue.h"

namespace tessel {

// clang-format off
const std::array<ChipInfo, kChipCount> kChipCatalogue = {{
    { 0, "KR4121",          "CKR4121Confg", 131, "CKR4121Adt",  135, 0x3FFE, 16382, false, ChipFamily::KR41xx},
    { 1, "KR4111",          "CKR4111Confg", 132, "CKR4111Adt",  136, 0x1FFF,  8191, false, ChipFamily::KR41xx},
    { 2, "KR4112",          "CKR4112Confg", 133, "CKR4112Adt",  137, 0x7FC0, 32704, false, ChipFamily::KR41xx},
    { 3, "KR4152",          "CKR4113Confg", 145, "CKR4113Adt",  147, 0x3FC0, 16320, false, ChipFamily::KR41xx},
    { 4, "KR4161",          "CKR4113Confg", 145, "CKR4113Adt",  147, 0x7FC0, 32704, false, ChipFamily::KR41xx},
    { 5, "KR4115/56/17",    "CKR4116Confg", 173, "CKR4116Adt",  174, 0x3FC0, 16320, true,  ChipFamily::KR41xx},
    { 6, "KR4115W/KR4113",  "CKR4113Confg", 145, "CKR4113Adt",  147, 0x3FC0, 16320, false, ChipFamily::KR41xx},
    { 7, "KR4116/4311/12A", "CKR4116Confg", 173, "CKR4116Adt",  174, 0x77C0, 30656, true,  ChipFamily::KR41xx},
    { 8, "RO5812DA",        "CMCU01Confg",  175, "MCU01Adt",    176, 0x3FC0, 16320, false, ChipFamily::MCU01},
    { 9, "ZU5712RA16",      "CMCU01Confg",  175, "MCU01Adt",    176, 0x3FC0, 16320, false, ChipFamily::MCU01},
    {10, "KR5815/KR5715",   "CMCU02Confg",  185, "CMCU02Adt",   187, 0xFC00, 64511, true,  ChipFamily::MCU02},
    {11, "KR5814",          "CMCU02Confg",  185, "CMCU02Adt",   187, 0xC000, 49151, true,  ChipFamily::MCU02},
    {12, "KR5813/KR5713",   "CMCU02Confg",  185, "CMCU02Adt",   187, 0x8000, 32767, true,  ChipFamily::MCU02},
    {13, "VE5812DUZI",      "CMCU04",       207, "CMCU04_Adt",  208, 0x3C00, 16384, true,  ChipFamily::MCU04},
}};
// clang-format on

const ChipInfo& chipInfo(int index) {
    return kChipCatalogue[sanitizeChipIndex(index)];
}

int sanitizeChipIndex(long long stored) {
    return stored >= 0 && stored < kChipCount ? static_cast<int>(stored) : 0;
}

int chipIndexFromText(const QString& text) {
    const QString t = text.trimmed();
    bool ok = false;
    const int n = t.toInt(&ok);
    if (ok)
        return n >= 0 && n < kChipCount ? n : -1;
    for (const ChipInfo& c : kChipCatalogue) {
        if (t.compare(QString::fromUtf8(c.comboText), Qt::CaseInsensitive) == 0)
            return c.index;
    }
    return -1;
}

}  // namespace tessel
