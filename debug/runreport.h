#pragma once

#include "debug/qualification.h"
#include "debug/report.h"

#include <deque>

namespace tessel {

// The qualification of a debug run without a guided measurement (tessel-cli debug
// --report): the noise comes from the untouched samples of the run's first seconds (hands
// off while it starts), the signal and the coupling from every sample in which a key is
// touched (the key flags where the chip reports them, else Differ reaching the touch level).
// Untouched samples after the first seconds are left out, so that a baseline that moves
// later does not count as noise. It also keeps the last points of the three charts.
class RunQualification {
public:
    static constexpr int kChartWidth = 960;
    static constexpr int kChartHeight = 240;
    // The points a chart of kChartWidth pixels shows.
    static constexpr int kChartPoints = (kChartWidth - 55) / 2 + 1;

    // At the start of the stream.
    void start(int chip, int channels, qint64 noiseMs);
    // A saved sample, `elapsedMs` after the stream started.
    void add(const SampleRecord& saved, uint32_t zeroed, qint64 elapsedMs);

    int channels() const { return sums_.channels(); }
    qint64 samples() const { return samples_; }
    qint64 noiseSamples() const { return noiseSamples_; }
    qualification::Result result(double minSnr) const { return sums_.result(minSnr); }
    // Baseline, Rawdata and Differ, autoscaled, with the debug page's channel colours.
    std::vector<report::Chart> charts() const;

private:
    int chip_ = 0;
    qint64 noiseMs_ = 0;
    qint64 samples_ = 0;
    qint64 noiseSamples_ = 0;
    qualification::Accumulator sums_;
    std::deque<SampleRecord> recent_;
};

}  // namespace tessel
