#pragma once

#include "app/profile.h"
#include "pages/chip/engine/pagemodel.h"

#include <QStringList>

#include <array>
#include <memory>

namespace tessel::chip {

// The eight configuration page classes; several chips share one page.
enum class ConfigPage { KR4121, KR4111, KR4112, KR4113, KR4116, MCU01, MCU02, MCU04 };
constexpr int kConfigPageCount = 8;

// The configuration page of a chip index (0..13; other values give KR4121's).
ConfigPage configPageOf(int chipIndex);

// A new, not yet loaded object of a configuration page class.
std::unique_ptr<PageModel> makeConfigPage(ConfigPage page, const Profile& profile);

// A new, not yet loaded object of the trim page class that goes with a configuration page
// class (the two serve the same chips).
std::unique_ptr<PageModel> makeTrimPage(ConfigPage page, const Profile& profile);

// One object of each configuration and trim page class, as the programming page holds
// them. A page that serves several chips is the same object for all of them; load it with
// the chip index each time it is shown.
class ConfigPages {
public:
    explicit ConfigPages(const Profile& profile);

    PageModel& page(ConfigPage p) { return *pages_[static_cast<int>(p)]; }
    PageModel& forChip(int chipIndex) { return page(configPageOf(chipIndex)); }
    // The trim pages, by the class of the chip's configuration page or by chip.
    PageModel& trimPage(ConfigPage p) { return *trimPages_[static_cast<int>(p)]; }
    PageModel& trimForChip(int chipIndex) { return trimPage(configPageOf(chipIndex)); }
    // Every page as it starts with the program: loaded for chipIndex where it serves that
    // chip (else for the first chip it serves); configuration pages then in the restricted
    // view. The MCU01 trim page loads nothing until asked.
    void initialiseAll(int chipIndex);

    // How the programming page readies a chip's pages, in one place for the window and the
    // command line. prepareConfigPage: the chip is selected outside trim mode (the pages that
    // serve several chips take the chip's values; those of KR4121, KR4111 and KR4112 keep
    // theirs). prepareTrimPage: trim mode begins for the chip (its trim page loads from the
    // profile; the MCU01 trim page loads nothing before this). restoreConfigPage: trim mode
    // ended (the configuration page loads again and shows all of its groups).
    PageModel& prepareConfigPage(int chipIndex);
    PageModel& prepareTrimPage(int chipIndex);
    PageModel& restoreConfigPage(int chipIndex);

private:
    std::array<std::unique_ptr<PageModel>, kConfigPageCount> pages_;
    std::array<std::unique_ptr<PageModel>, kConfigPageCount> trimPages_;
};

// What "tessel-cli config --chip C" prints: the configuration page of the chip loaded from
// the profile, one line per word label exactly as the page shows it ("CFG_0 = 0x0f"), then
// one line "bytes=" with the bytes in two lower-case hex digits separated by blanks, in
// the order the configuration write sends them: the words of the write-configuration
// command (without the inverses the MCU families add; KR4111's fifth and sixth words
// swapped), followed, for the MCU02 and MCU04 families, by the words of their separate
// word-0 write (CFG0, 10, 11 or CFG0, 30). Where the one-key write sends CFG0 alone
// (KR4111 to KR4116, MCU01) it is the first byte; KR4121's one-key write sends all three.
// An unknown chip index gives an empty list.
QStringList configReport(int chipIndex, const Profile& profile);

// The values of the profile outside what their controls or bytes take, found while the
// chip's configuration page and trim page load, once per section and key, in the order read.
std::vector<PageModel::ValueOutOfRange> profileValuesOutOfRange(int chipIndex,
                                                                const Profile& profile);

// What "tessel-cli trim --chip C" prints: the trim page of the chip loaded from the
// profile: its caption, one line per word label as the page shows it after a load, then
// "bytes=" and the bytes of the write-trim command in the order sent (on the VE5812DUZI
// page the nineteen values, then the nineteen write flags). An unknown chip index gives an
// empty list.
QStringList trimReport(int chipIndex, const Profile& profile);

}  // namespace tessel::chip
