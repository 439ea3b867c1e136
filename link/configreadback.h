#pragma once

#include "app/prompts.h"
#include "app/sharedstate.h"
#include "link/report.h"

namespace tessel {

// The verdict on a configuration read-back (reply 0x82), after its words, inverses and CRC
// bytes were logged in the family's formats.
enum class ReadBackVerdict {
    Passed,
    Failed,  // status, variant or chip-type check failed (already logged)
};

// Logs the read-back of chip `chip` and judges it: the board's status byte, the variant bit
// of chips 3 to 7, the chip bit of 8 and 9, the IC type of the MCU families. For chip 0 a
// second configuration word other than 0x87 or 0xC7 fails only while CFG0/CFG1 are locked.
ReadBackVerdict judgeConfigReadBack(int chip, const Report& reply, bool kr4121Locked,
                                    const SharedState& state, LogSink& log);

// The bytes of a passing read-back that the sequences keep as their copy of the chip's
// configuration, in wire order: 15 for chips 0 to 9, 22 for 10 to 12, 50 for 13.
int configCopyLength(int chip);

// Whether the read-back says the EEPROM is enabled (chips 10 to 13).
bool eepromEnabledIn(int chip, const Report& reply);

}  // namespace tessel
