#pragma once

#include "app/chipcatalogue.h"

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

// The Differ of a channel in the chip's sign (chipInfo(chip).differ): raw count minus
// baseline for chips whose counts rise on a touch, baseline minus raw count for the others.
inline int32_t differOf(DifferSign sign, int32_t raw, int32_t baseline) {
    return sign == DifferSign::BaselineMinusRaw ? baseline - raw : raw - baseline;
}

}  // namespace tessel
