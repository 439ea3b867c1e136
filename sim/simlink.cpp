#include "sim/simlink.h"

#include <algorithm>

namespace tessel {

int64_t SimLinkModel::departure(int64_t now, int latencyFrames) {
    if (latencyFrames <= 0)
        return now;
    const int64_t frame = std::max(frameOf(now) + latencyFrames, lastOutFrame_ + 1);
    lastOutFrame_ = frame;
    return frame * kFrameNs;
}

int64_t SimLinkModel::arrival(int64_t produced, int latencyFrames) {
    if (latencyFrames <= 0)
        return produced;
    const int64_t frame = std::max(frameOf(produced) + latencyFrames, lastInFrame_ + 1);
    lastInFrame_ = frame;
    return frame * kFrameNs;
}

}  // namespace tessel
