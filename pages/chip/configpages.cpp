#include "pages/chip/configpages.h"

#include "pages/chip/kr41xx/kr41xxadt.h"
#include "pages/chip/kr41xx/kr41xxconfg.h"
#include "pages/chip/mcu/mcuadt.h"
#include "pages/chip/mcu/mcuconfg.h"

#include <algorithm>

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

PageModel& ConfigPages::prepareConfigPage(int chipIndex) {
    PageModel& page = forChip(chipIndex);
    if (chipIndex > 2)
        page.loadFromProfile(chipIndex);
    return page;
}

PageModel& ConfigPages::prepareTrimPage(int chipIndex) {
    PageModel& page = trimForChip(chipIndex);
    page.loadFromProfile(chipIndex);
    return page;
}

PageModel& ConfigPages::restoreConfigPage(int chipIndex) {
    PageModel& page = forChip(chipIndex);
    page.loadFromProfile(chipIndex);
    page.setFullView(true);
    return page;
}

QStringList configReport(int chipIndex, const Profile& profile) {
    if (chipIndex < 0 || chipIndex > 13)
        return {};
    // The page as a board command finds it: the programming page's start with the chip.
    ConfigPages pages(profile);
    pages.initialiseAll(chipIndex);
    const PageModel& page = pages.prepareConfigPage(chipIndex);
    QStringList lines = page.labels();
    QStringList hex;
    for (uint8_t b : page.writeWords())
        hex << QString::asprintf("%02x", b);
    for (uint8_t b : page.wordZeroWords())
        hex << QString::asprintf("%02x", b);
    lines << QStringLiteral("bytes=") + hex.join(QLatin1Char(' '));
    return lines;
}

QStringList trimReport(int chipIndex, const Profile& profile) {
    if (chipIndex < 0 || chipIndex > 13)
        return {};
    // The page as trim mode shows it: the programming page's start, then trim mode entered.
    ConfigPages pages(profile);
    pages.initialiseAll(chipIndex);
    pages.prepareConfigPage(chipIndex);
    const PageModel& page = pages.prepareTrimPage(chipIndex);
    QStringList lines{page.caption()};
    lines << page.labels();
    QStringList hex;
    for (uint8_t b : page.trimBytes())
        hex << QString::asprintf("%02x", b);
    lines << QStringLiteral("bytes=") + hex.join(QLatin1Char(' '));
    return lines;
}

std::vector<PageModel::ValueOutOfRange> profileValuesOutOfRange(int chipIndex,
                                                                const Profile& profile) {
    if (chipIndex < 0 || chipIndex > 13)
        return {};
    ConfigPages pages(profile);
    pages.initialiseAll(chipIndex);
    std::vector<PageModel::ValueOutOfRange> out;
    const auto add = [&out](const PageModel& page) {
        for (const PageModel::ValueOutOfRange& v : page.valuesOutOfRange()) {
            const bool seen = std::any_of(out.begin(), out.end(), [&v](const auto& o) {
                return o.section.compare(v.section, Qt::CaseInsensitive) == 0 &&
                       o.key.compare(v.key, Qt::CaseInsensitive) == 0;
            });
            if (!seen)
                out.push_back(v);
        }
    };
    add(pages.prepareConfigPage(chipIndex));
    add(pages.prepareTrimPage(chipIndex));
    return out;
}

}  // namespace tessel::chip
