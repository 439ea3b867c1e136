#pragma once

#include "app/sharedstate.h"
#include "link/report.h"

#include <cstdint>

namespace tessel {

// The write-debug-parameters frame (0xB6):
//   1 0xB6, 2 chip, 3..34 the 32 key thresholds (low byte each), 35 RESO, 36 REF ("CTK_RV"),
//   37 Rb, 38 DS, 39 PRS, 40 adaptive enable, 41..44 0xFF, 45..46 adaptive line (16 bits,
//   big-endian), 47 DMS, 48 debug work, 49..52 channel-open mask (32 bits, big-endian),
//   53 ADC enable (low byte), 54 ADC resolution, 55..59 0, 60 chip package, 61..64 0.
Report debugParametersFrame(const DebugParameters& params, uint8_t chip);

// The other way round, for the board: the values a frame carries. Thresholds come back as
// their low bytes, the ADC enable as its low byte.
DebugParameters parseDebugParametersFrame(const Report& frame, uint8_t* chip = nullptr);

}  // namespace tessel
