#pragma once

#include "link/configsource.h"
#include "pages/chip/configpages.h"

namespace tessel::chip {

// The configuration pages as the operation sequences read them.
class PagesConfigSource : public ConfigSource {
public:
    explicit PagesConfigSource(ConfigPages& pages) : pages_(pages) {}

    std::array<uint8_t, 3> kr4121Words() override;
    bool kr4121Locked() override;
    uint8_t cfg0(int chip) override;
    void showReadBack(int chip, const Report& reply) override;
    std::vector<uint8_t> configWords(int chip) override;
    std::vector<uint8_t> wordZeroWords(int chip) override;
    std::vector<uint8_t> trimWords(int chip) override;
    void chipSelected(int chip) override { pages_.prepareConfigPage(chip); }
    void trimModeEntered(int chip) override { pages_.prepareTrimPage(chip); }
    void trimModeLeft(int chip) override { pages_.restoreConfigPage(chip); }

    // The configuration bytes a mass-production file of the chip carries: CFG0, and CFG1
    // for KR4121 (0 otherwise).
    uint8_t fileCfg0(int chip) { return cfg0(chip); }
    uint8_t fileCfg1(int chip);

private:
    ConfigPages& pages_;
};

}  // namespace tessel::chip
