#pragma once

#include "link/notifications.h"
#include "link/report.h"

namespace tessel {

// Reassembles the touch-key data frames (reply 0xB3) that arrive in up to three segments and
// checks them by chip family. Runs on the transport's reader thread.
class DebugFrameAssembler {
public:
    enum class Outcome { None, Accepted, Malformed };

    // Feeds one 0xB3 reply. Returns Accepted with *sample filled when a whole frame passed its
    // checks, Malformed when a whole frame failed them, None while a frame is incomplete or a
    // segment was ignored.
    Outcome feed(const Report& reply, int chipIndex, int channelCount, DebugSample* sample);
    void reset();

private:
    // Assembled payload of up to three segments of sixty bytes.
    std::array<uint8_t, 180> payload_{};
    int expectedSegment_ = 0;  // the segment taken next; 0 means no frame is pending
};

}  // namespace tessel
