#pragma once

#include "link/report.h"

#include <array>
#include <cstdint>

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
};

}  // namespace tessel
