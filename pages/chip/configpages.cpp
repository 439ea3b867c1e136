#include "pages/chip/configpages.h"

#include "pages/chip/kr41xx/kr41xxadt.h"
#include "pages/chip/kr41xx/kr41xxconfg.h"
#include "pages/chip/mcu/mcuadt.h"
#include "pages/chip/mcu/mcuconfg.h"

namespace tessel::chip {

ConfigPage configPageOf(int chipIndex) {
    switch (chipIndex) {
        case 1:
            return ConfigPage::KR4111;
        case 2:
            return ConfigPage::KR4112;
        case 3:
        case 4:
        case 6:
            return ConfigPage::KR4113;
        case 5:
        case 7:
            return ConfigPage::KR4116;
        case 8:
        case 9:
            return ConfigPage::MCU01;
        case 10:
        case 11:
        case 12:
            return ConfigPage::MCU02;
        case 13:
            return ConfigPage::MCU04;
        default:
            return ConfigPage::KR4121;
    }
}

std::unique_ptr<PageModel> makeConfigPage(ConfigPage page, const Profile& profile) {
    switch (page) {
        case ConfigPage::KR4121:
            return std::make_unique<CKR4121Confg>(profile);
        case ConfigPage::KR4111:
            return std::make_unique<CKR4111Confg>(profile);
        case ConfigPage::KR4112:
            return std::make_unique<CKR4112Confg>(profile);
        case ConfigPage::KR4113:
            return std::make_unique<CKR4113Confg>(profile);
        case ConfigPage::KR4116:
            return std::make_unique<CKR4116Confg>(profile);
        case ConfigPage::MCU01:
            return std::make_unique<CMCU01Confg>(profile);
        case ConfigPage::MCU02:
            return std::make_unique<CMCU02Confg>(profile);
        case ConfigPage::MCU04:
            return std::make_unique<CMCU04>(profile);
    }
    return nullptr;
}

std::unique_ptr<PageModel> makeTrimPage(ConfigPage page, const Profile& profile) {
    switch (page) {
        case ConfigPage::KR4121:
            return std::make_unique<CKR4121Adt>(profile);
        case ConfigPage::KR4111:
            return std::make_unique<CKR4111Adt>(profile);
        case ConfigPage::KR4112:
            return std::make_unique<CKR4112Adt>(profile);
        case ConfigPage::KR4113:
            return std::make_unique<CKR4113Adt>(profile);
        case ConfigPage::KR4116:
            return std::make_unique<CKR4116Adt>(profile);
        case ConfigPage::MCU01:
            return std::make_unique<MCU01Adt>(profile);
        case ConfigPage::MCU02:
            return std::make_unique<CMCU02Adt>(profile);
        case ConfigPage::MCU04:
            return std::make_unique<CMCU04_Adt>(profile);
    }
    return nullptr;
}

ConfigPages::ConfigPages(const Profile& profile) {
    for (int p = 0; p < kConfigPageCount; ++p) {
        pages_[p] = makeConfigPage(static_cast<ConfigPage>(p), profile);
        trimPages_[p] = makeTrimPage(static_cast<ConfigPage>(p), profile);
    }
}

void ConfigPages::initialiseAll(int chipIndex) {
    static const int kFirstChip[kConfigPageCount] = {0, 1, 2, 3, 5, 8, 10, 13};
    for (int p = 0; p < kConfigPageCount; ++p) {
        if (!pages_[p])
            continue;
        const bool serves = configPageOf(chipIndex) == static_cast<ConfigPage>(p);
        pages_[p]->initialise(serves ? chipIndex : kFirstChip[p]);
        trimPages_[p]->initialise(serves ? chipIndex : kFirstChip[p]);
    }
}

QStringList configReport(int chipIndex, const Profile& profile) {
    if (chipIndex < 0 || chipIndex > 13)
        return {};
    std::unique_ptr<PageModel> page = makeConfigPage(configPageOf(chipIndex), profile);
    if (!page)
        return {};
    page->loadFromProfile(chipIndex);
    QStringList lines = page->labels();
    QStringList hex;
    for (uint8_t b : page->writeWords())
        hex << QString::asprintf("%02x", b);
    for (uint8_t b : page->wordZeroWords())
        hex << QString::asprintf("%02x", b);
    lines << QStringLiteral("bytes=") + hex.join(QLatin1Char(' '));
    return lines;
}

QStringList trimReport(int chipIndex, const Profile& profile) {
    if (chipIndex < 0 || chipIndex > 13)
        return {};
    std::unique_ptr<PageModel> page = makeTrimPage(configPageOf(chipIndex), profile);
    page->loadFromProfile(chipIndex);
    QStringList lines{page->caption()};
    lines << page->labels();
    QStringList hex;
    for (uint8_t b : page->trimBytes())
        hex << QString::asprintf("%02x", b);
    lines << QStringLiteral("bytes=") + hex.join(QLatin1Char(' '));
    return lines;
}

}  // namespace tessel::chip
