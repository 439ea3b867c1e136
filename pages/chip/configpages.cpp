#include "pages/chip/configpages.h"

#include "pages/chip/kr41xx/kr41xxadt.h"
#include "pages/chip/kr41xx/kr41xxconfg.h"
#include "pages/chip/mcu/mcuadt.h"
#include "pages/chip/mcu/mcuconfg.h"

#include "app/chipcatalogue.h"

#include <algorithm>
#include <cstring>

namespace tessel::chip {

namespace {

// The configuration page classes the catalogue names, and whether the page loads the
// profile each time it is shown (the shared pages and the MCU04's; the KR4121, KR4111 and
// KR4112 pages keep what they loaded at start).
struct PageClass {
    const char* name;
    ConfigPage page;
    bool loadOnShow;
};

constexpr PageClass kPageClasses[kConfigPageCount] = {
    {"CKR4121Confg", ConfigPage::KR4121, false}, {"CKR4111Confg", ConfigPage::KR4111, false},
    {"CKR4112Confg", ConfigPage::KR4112, false}, {"CKR4113Confg", ConfigPage::KR4113, true},
    {"CKR4116Confg", ConfigPage::KR4116, true},  {"CMCU01Confg", ConfigPage::MCU01, true},
    {"CMCU02Confg", ConfigPage::MCU02, true},    {"CMCU04", ConfigPage::MCU04, true},
};

const PageClass& pageClassOf(int chipIndex) {
    const char* name = chipInfo(chipIndex).configPageClass;
    for (const PageClass& c : kPageClasses) {
        if (std::strcmp(c.name, name) == 0)
            return c;
    }
    return kPageClasses[0];
}

// The first chip a page serves: what a page that serves none of the selection shows.
int firstChipOf(ConfigPage page) {
    for (const ChipInfo& c : kChipCatalogue) {
        if (configPageOf(c.index) == page)
            return c.index;
    }
    return 0;
}

}  // namespace

ConfigPage configPageOf(int chipIndex) {
    return pageClassOf(chipIndex).page;
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
    for (int p = 0; p < kConfigPageCount; ++p) {
        if (!pages_[p])
            continue;
        const ConfigPage page = static_cast<ConfigPage>(p);
        const int chip = configPageOf(chipIndex) == page ? chipIndex : firstChipOf(page);
        pages_[p]->initialise(chip);
        trimPages_[p]->initialise(chip);
    }
}

PageModel& ConfigPages::prepareConfigPage(int chipIndex) {
    PageModel& page = forChip(chipIndex);
    if (pageClassOf(chipIndex).loadOnShow)
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
    if (!isChipIndex(chipIndex))
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
    if (!isChipIndex(chipIndex))
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
    if (!isChipIndex(chipIndex))
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
