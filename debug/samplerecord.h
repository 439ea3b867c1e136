#pragma once

#include <array>
#include <cstdint>

namespace tessel {

// One saved touch-key sample: what the CSV file and the statistics see. With the outlier
// filter on, a channel whose raw count or baseline was out of range holds 0 in all three.
struct SampleRecord {
    static constexpr int kChannels = 32;
    std::array<int32_t, kChannels> baseline{};
    std::array<int32_t, kChannels> raw{};
    std::array<int32_t, kChannels> differ{};
    uint32_t keyFlags = 0;  // bit i: channel i touched (chips 3 to 13)
};

// The Differ of a channel: baseline minus raw count for chips 8 to 13 (their counts fall when
// a key is touched), raw count minus baseline for chips 0 to 7 (theirs rise).
inline int32_t differOf(int chipIndex, int32_t raw, int32_t baseline) {
    return chipIndex >= 8 ? baseline - raw : raw - baseline;
}

// Chips 3 to 13 report which keys are touched; 3 to 9 also keep the flags in the CSV file.
inline bool chipHasKeyFlags(int chipIndex) {
    return chipIndex >= 3;
}
inline bool csvHasKeyFlags(int chipIndex) {
    return chipIndex >= 3 && chipIndex <= 9;
}

}  // namespace tessel
