#include "pages/chip/pagesconfigsource.h"

#include "app/chipcatalogue.h"
#include "pages/chip/kr41xx/kr41xxconfg.h"
#include "pages/chip/mcu/mcuconfg.h"

namespace tessel::chip {

std::array<uint8_t, 3> PagesConfigSource::kr4121Words() {
    auto& page = static_cast<CKR4121Confg&>(pages_.page(ConfigPage::KR4121));
    return {page.cfg0(), page.cfg1(), page.cfg2()};
}

bool PagesConfigSource::kr4121Locked() {
    return static_cast<CKR4121Confg&>(pages_.page(ConfigPage::KR4121)).lockCfg01() != 0;
}

uint8_t PagesConfigSource::cfg0(int chip) {
    return pages_.forChip(chip).word(0);
}

uint8_t PagesConfigSource::fileCfg1(int chip) {
    return carriesCfg1(chip) ? pages_.page(ConfigPage::KR4121).word(1) : 0;
}

void PagesConfigSource::showReadBack(int chip, const Report& reply) {
    static_cast<CMCU02Confg&>(pages_.page(ConfigPage::MCU02)).showReadBack(chip, reply);
}

std::vector<uint8_t> PagesConfigSource::configWords(int chip) {
    return pages_.forChip(chip).writeWords();
}

std::vector<uint8_t> PagesConfigSource::wordZeroWords(int chip) {
    return pages_.forChip(chip).wordZeroWords();
}

std::vector<uint8_t> PagesConfigSource::trimWords(int chip) {
    return pages_.trimForChip(chip).trimBytes();
}

}  // namespace tessel::chip
