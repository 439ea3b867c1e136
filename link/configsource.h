#pragma once

#include "link/report.h"

#include <array>
#include <cstdint>
#include <vector>

namespace tessel {

// What the operation sequences take from the chip's configuration page.
class ConfigSource {
public:
    virtual ~ConfigSource() = default;
    // KR4121: CFG0, CFG1, CFG2 of the page, and whether CFG0/CFG1 are locked (the held copy
    // read back from the chip is written instead).
    virtual std::array<uint8_t, 3> kr4121Words() = 0;
    virtual bool kr4121Locked() = 0;
    // CFG0 of the configuration page of chips 1 to 9.
    virtual uint8_t cfg0(int chip) = 0;
    // A passing configuration read of chips 10 to 12 is shown on their configuration page.
    virtual void showReadBack(int chip, const Report& reply) = 0;

    // Whole payloads for the configuration write and the trim write, from the chip's pages
    // as they stand. The configuration words come in send order without inverses (the
    // sequence adds them): 7, 9 or 10 words for chips 1 to 7 (KR4111's fifth and sixth
    // swapped), CFG0 to CFG7 for 8 and 9, CFG1 to CFG9, CFG12, CFG13 for 10 to 12, CFG1 to
    // CFG25 for 13. The word-0 words are CFG0, CFG10, CFG11 (10 to 12) or CFG0, CFG30 (13).
    // The trim words are the trim page's bytes in send order. A source that has none gives
    // an empty list and the operation ends with a message.
    virtual std::vector<uint8_t> configWords(int /*chip*/) { return {}; }
    virtual std::vector<uint8_t> wordZeroWords(int /*chip*/) { return {}; }
    virtual std::vector<uint8_t> trimWords(int /*chip*/) { return {}; }

    // The chip is selected outside trim mode: its configuration page readies itself as the
    // programming page shows it (pages that serve several chips take the chip's values).
    virtual void chipSelected(int /*chip*/) {}
    // Trim mode begins for the chip (its trim page takes its values from the profile before
    // anything is sent) and ends (the chip's configuration page takes its values again and
    // shows all of its groups). Every front end enters and leaves trim mode through the
    // sequences, so the pages are prepared alike in all of them.
    virtual void trimModeEntered(int /*chip*/) {}
    virtual void trimModeLeft(int /*chip*/) {}
};

}  // namespace tessel
