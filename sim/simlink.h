#pragma once

#include <cstdint>

namespace tessel {

// The USB link between the program and the simulated board: a full-speed HID interrupt
// endpoint pair, which carries at most one report each way per 1 ms frame.
//
// Times are nanoseconds since the link came up; frame k spans [k ms, k+1 ms). With a latency
// of L frames per hop, a report written during frame k leaves at the start of frame k+L (or
// of the first frame after the previous report out); an answer the board produced during
// frame j is readable at the start of frame j+L (or of the first frame after the previous
// report in). Every time is derived from frame boundaries, never from when a sleep ended, so
// the simulator's own timing error never accumulates. Latency 0 is "as fast as possible":
// no frames, every report goes at once.
//
// Not thread-safe: the simulated device calls it under its own lock.
class SimLinkModel {
public:
    static constexpr int64_t kFrameNs = 1000000;

    // When a report written at `now` reaches the board.
    int64_t departure(int64_t now, int latencyFrames);
    // When an answer (or a debug frame segment) the board produced at `produced` can be read.
    // Each call takes the next free frame in, so a multi-report answer takes one per frame.
    int64_t arrival(int64_t produced, int latencyFrames);

private:
    static int64_t frameOf(int64_t t) { return t / kFrameNs; }

    int64_t lastOutFrame_ = -1;  // frame in which the last report out left
    int64_t lastInFrame_ = -1;   // frame in which the last report in became readable
};

}  // namespace tessel
