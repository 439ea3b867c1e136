#pragma once

#include "link/notifications.h"
#include "link/report.h"

#include <array>
#include <cstdint>

namespace tessel {

// Reassembles the touch-key data frames (reply 0xB3) that arrive in up to three segments and
// checks them by chip family. Runs on the transport's reader thread.
//
// A segment report: byte 2 segment number (0, 1, 2), bytes 3-4 the payload length L
// (big-endian), bytes 5-64 sixty payload bytes. With c channels and n = 4c the payload B is
//   chips 0-2:   AE AE, n data bytes, two bytes, FF FF                      (L >= n+6)
//   chips 3-9:   AE, n data bytes, parity, n, 24-bit key flags, FF          (L >= n+7)
//   chips 10-13: AE, n data bytes, parity, n, 32-bit key flags, FF          (L >= n+8)
// The data bytes are the raw counts of channels 0..c-1, then their baselines, each 16 bits
// big-endian. The parity is 1 when the data bytes hold an odd number of set bits.
class DebugFrameAssembler {
public:
    enum class Outcome { None, Accepted, Malformed };

    static constexpr int kSegmentBytes = 60;
    static constexpr int kMaxPayload = 180;

    // Feeds one 0xB3 reply. Returns Accepted with *sample filled when a whole frame passed its
    // checks, Malformed when a whole frame failed them (too short for c channels included),
    // None while a frame is incomplete or a segment was ignored.
    //
    // Segment 0 always starts a new frame (a pending one is dropped); segment k > 0 is taken
    // only when it is the next one expected for the pending frame and carries the same L;
    // any other segment is ignored and drops the pending frame, so the remains of a frame
    // whose last segment was lost never merge with a later one.
    //
    // Every frame fed is either accepted, malformed or given up: a frame of a length the
    // family never sends (counted at its segment 0) and a pending frame that is dropped both
    // count as given up; takeIgnored() hands the count over once.
    Outcome feed(const Report& reply, int chipIndex, int channelCount, DebugSample* sample);
    // Forgets the pending frame without counting it (a new run starts).
    void reset();
    int takeIgnored();

    // The payload length a frame of the chip's family needs for c channels.
    static int layoutLength(int chipIndex, int channelCount);
    // 1 when the bytes hold an odd number of set bits.
    static uint8_t parity(const uint8_t* data, int n);

private:
    // Gives up the pending frame, if there is one.
    void dropPending();
    Outcome check(int length, int chipIndex, int channelCount, DebugSample* sample) const;

    // Assembled payload of up to three segments of sixty bytes.
    std::array<uint8_t, kMaxPayload> payload_{};
    int expectedSegment_ = 0;  // the segment taken next; 0 means no frame is pending
    int segmentCount_ = 0;     // segments of the pending frame
    int length_ = 0;           // L of the pending frame
    int ignored_ = 0;          // frames given up and not yet taken
};

}  // namespace tessel
