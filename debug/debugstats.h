#pragma once

#include "debug/samplerecord.h"

#include <QStringList>

#include <array>
#include <cstdint>
#include <limits>

namespace tessel {

// Per-channel figures of a debug run, the way touch-tuning tools show them: baseline and raw
// count ranges, the noise of Differ while a key is not touched, the signal while it is, and
// their ratio. Fed with the saved records (after the outlier filter), reset at every start.
//
// A sample counts as touched by the key flags for chips 3 to 13. Chips 0 to 2 report no key
// flags; for them a sample counts as touched when its Differ reaches kTouchThreshold.
class DebugStatistics {
public:
    static constexpr int32_t kTouchThreshold = 100;
    // A ratio of 5 or more is a good key.
    static constexpr double kGoodSnr = 5.0;

    struct Channel {
        int64_t samples = 0;
        int32_t baselineMin = std::numeric_limits<int32_t>::max();
        int32_t baselineMax = std::numeric_limits<int32_t>::min();
        int64_t baselineSum = 0;
        int32_t rawMin = std::numeric_limits<int32_t>::max();
        int32_t rawMax = std::numeric_limits<int32_t>::min();
        int64_t rawSum = 0;
        // Differ of untouched samples.
        int64_t idle = 0;
        int32_t idleMin = std::numeric_limits<int32_t>::max();
        int32_t idleMax = std::numeric_limits<int32_t>::min();
        double idleMean = 0;  // running mean and sum of squared deviations (Welford)
        double idleM2 = 0;
        // Differ of touched samples.
        int64_t touched = 0;
        int64_t touchedSum = 0;

        double baselineMean() const { return samples ? double(baselineSum) / samples : 0; }
        double rawMean() const { return samples ? double(rawSum) / samples : 0; }
        int32_t noisePeakToPeak() const { return idle ? idleMax - idleMin : 0; }
        // Population standard deviation of the untouched Differ.
        double noiseStdDev() const;
        double signal() const { return touched ? double(touchedSum) / touched : 0; }
        // Signal over peak-to-peak noise; 0 without touched or untouched samples, infinity
        // when touched samples exist and the noise is 0.
        double snr() const;
        bool good() const { return touched > 0 && idle > 0 && snr() >= kGoodSnr; }
    };

    void reset(int chipIndex, int channels);
    // Channels whose bit is set in `leftOut` (zeroed by the outlier filter) are not counted.
    void add(const SampleRecord& record, uint32_t leftOut = 0);

    int channels() const { return channels_; }
    int64_t samples() const { return samples_; }
    const Channel& channel(int i) const { return channel_[i]; }

    // The column titles (in a language: 0 Chinese, 1 English) and one row of texts per
    // channel, as the table and the command line show them.
    static constexpr int kColumns = 11;
    static QStringList columnTitles(uint8_t language);
    QStringList rowTexts(int channel) const;

private:
    int chip_ = 0;
    int channels_ = 0;
    int64_t samples_ = 0;
    std::array<Channel, SampleRecord::kChannels> channel_{};
};

}  // namespace tessel
