#include "link/debugframe.h"

#include "app/chipcatalogue.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace tessel {

int DebugFrameAssembler::layoutLength(int chipIndex, int channelCount) {
    const int n = 4 * channelCount;
    switch (debugFrameFamily(chipIndex)) {
        case DebugFrameFamily::Short:
            return n + 6;
        case DebugFrameFamily::Counter24:
            return n + 7;
        case DebugFrameFamily::Counter32:
            break;
    }
    return n + 8;
}

uint8_t DebugFrameAssembler::parity(const uint8_t* data, int n) {
    uint8_t p = 0;
    for (int i = 0; i < n; ++i) {
        for (uint8_t b = data[i]; b; b &= static_cast<uint8_t>(b - 1))
            p ^= 1;
    }
    return p;
}

DebugFrameAssembler::Outcome DebugFrameAssembler::feed(const Report& reply, int chipIndex,
                                                       int channelCount, DebugSample* sample) {
    const int segment = reply[2];
    const int length = reply[3] << 8 | reply[4];
    const uint8_t* bytes = &reply[5];

    if (length <= kSegmentBytes) {
        // A frame in one report; whatever was pending is lost.
        dropPending();
        std::memcpy(payload_.data(), bytes, kSegmentBytes);
        return check(length, chipIndex, channelCount, sample);
    }
    int segments = 0;
    if (length <= 2 * kSegmentBytes) {
        segments = 2;
    } else if (length <= kMaxPayload &&
               debugFrameFamily(chipIndex) != DebugFrameFamily::Counter24) {
        segments = 3;
    } else {
        // A size this family never sends: the frame counts once, at its first segment.
        if (segment == 0) {
            dropPending();
            ++ignored_;
        }
        return Outcome::None;
    }

    if (segment == 0) {
        dropPending();
        std::memcpy(payload_.data(), bytes, kSegmentBytes);
        expectedSegment_ = 1;
        segmentCount_ = segments;
        length_ = length;
        return Outcome::None;
    }
    if (expectedSegment_ == 0 || segment != expectedSegment_ || length != length_) {
        dropPending();  // out of turn: the pending frame cannot be completed
        return Outcome::None;
    }
    std::memcpy(payload_.data() + segment * kSegmentBytes, bytes, kSegmentBytes);
    if (++expectedSegment_ < segmentCount_)
        return Outcome::None;
    expectedSegment_ = 0;
    return check(length, chipIndex, channelCount, sample);
}

DebugFrameAssembler::Outcome DebugFrameAssembler::check(int length, int chip, int c,
                                                        DebugSample* sample) const {
    if (c < 0 || c > kMaxDebugChannels)
        return Outcome::Malformed;
    const int n = 4 * c;
    if (length < layoutLength(chip, c))
        return Outcome::Malformed;
    const uint8_t* b = payload_.data();
    int data = 1;
    uint32_t keyFlags = 0;
    const DebugFrameFamily family = debugFrameFamily(chip);
    if (family == DebugFrameFamily::Short) {
        if (b[0] != 0xAE || b[1] != 0xAE || b[n + 4] != 0xFF || b[n + 5] != 0xFF) {
            return Outcome::Malformed;
        }
        data = 2;
    } else {
        const bool wide = family == DebugFrameFamily::Counter32;
        const int terminator = wide ? n + 7 : n + 6;
        if (b[0] != 0xAE || b[terminator] != 0xFF)
            return Outcome::Malformed;
        // Chips 10 to 13 check parity and length only for frames of more than one report
        // with at most 24 channels.
        const bool full = !wide || (length > kSegmentBytes && c <= 24);
        if (full && (b[n + 1] != parity(b + 1, n) || b[n + 2] != static_cast<uint8_t>(n))) {
            return Outcome::Malformed;
        }
        keyFlags =
            static_cast<uint32_t>(b[n + 3]) << 16 | static_cast<uint32_t>(b[n + 4]) << 8 | b[n + 5];
        if (wide)
            keyFlags = keyFlags << 8 | b[n + 6];
    }
    DebugSample s;
    s.channelCount = c;
    for (int i = 0; i < c; ++i) {
        s.raw[i] = static_cast<uint16_t>(b[data + 2 * i] << 8 | b[data + 2 * i + 1]);
        const int bl = data + 2 * c + 2 * i;
        s.baseline[i] = static_cast<uint16_t>(b[bl] << 8 | b[bl + 1]);
    }
    s.keyFlags = keyFlags;
    if (sample)
        *sample = s;
    return Outcome::Accepted;
}

void DebugFrameAssembler::reset() {
    expectedSegment_ = 0;
    segmentCount_ = 0;
    length_ = 0;
}

void DebugFrameAssembler::dropPending() {
    if (expectedSegment_ != 0)
        ++ignored_;
    expectedSegment_ = 0;
}

int DebugFrameAssembler::takeIgnored() {
    return std::exchange(ignored_, 0);
}

}  // namespace tessel
