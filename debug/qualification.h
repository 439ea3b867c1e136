#pragma once

#include "debug/samplerecord.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <vector>

namespace tessel {

// Touch qualification of a keypad: per channel the noise, signal, signal-to-noise ratio and
// sensitivity, and how much touching one key moves the others (coupling).
//
//   noise N        peak to peak of Differ over the untouched samples
//   signal S       mean Differ over the touched samples − mean Differ over the untouched ones
//   SNR            S / N (no finite value when N = 0, shown as "—")
//   sensitivity    S / mean baseline × 100 %
//   coupling(i→j)  (mean Differ of j while only i is touched − mean Differ of j untouched)
//                  / S(i) × 100 %
//
// An untouched sample is one in which no key is touched; a touched sample of channel i is
// one in which key i is touched (others may be too). Whether a key is touched comes from the
// key flags where the data carries them, else from Differ reaching the statistics' touch
// level (DebugStatistics::kTouchThreshold, 100). The mean baseline is over all samples of
// the channel. A channel the outlier filter zeroed in a sample is left out of that sample.
namespace qualification {

constexpr double kDefaultMinSnr = 5.0;
constexpr int kDefaultSamples = 200;
// A coupling above this many percent is marked.
constexpr double kCouplingMark = 20.0;

// Where "touched" comes from.
enum class TouchSource { KeyFlags, DifferLevel };
// Live samples of a chip (chipInfo(chip).keyFlags) and samples read from its CSV file
// (chipInfo(chip).csvKeyFlags).
TouchSource liveSource(int chip);
TouchSource csvSource(int chip);
// Bit i set: channel i counts as touched in the record.
uint32_t touchedChannels(const SampleRecord& record, int channels, TouchSource source);
// Channels a CSV record holds as 0, 0, 0 (the outlier filter's mark).
uint32_t zeroedChannels(const SampleRecord& record, int channels);

// The figures of one channel. A figure that cannot be had is NaN: no untouched samples (no
// noise, signal, SNR), no touched samples (no signal, SNR), N = 0 (SNR infinite).
struct ChannelQuality {
    int64_t untouched = 0;  // samples counted as untouched
    int64_t touched = 0;    // samples in which this key was touched
    double noise = 0;       // peak to peak; NaN without untouched samples
    double signal = 0;
    double snr = 0;          // +inf when N = 0 and S > 0
    double sensitivity = 0;  // percent
    double baselineMean = 0;
    bool pass = false;  // SNR at least the minimum (a channel never touched fails)
};

struct Result {
    int channels = 0;
    double minSnr = kDefaultMinSnr;
    std::vector<ChannelQuality> channel;
    // coupling[i][j]: percent of S(i) channel j moved while only key i was touched; NaN when
    // i was never touched alone or has no signal, and on the diagonal.
    std::vector<std::vector<double>> coupling;
    bool allPass() const;
};

// Sums over samples; the figures come out of result(). Cheap per sample (the debug page
// feeds it live at the stream's rate).
class Accumulator {
public:
    void reset(int channels);
    // `touched`: the keys touched in the sample; `leftOut`: channels not measured in it.
    void add(const SampleRecord& record, uint32_t touched, uint32_t leftOut = 0);
    Result result(double minSnr = kDefaultMinSnr) const;
    int channels() const { return channels_; }
    int64_t samples() const { return samples_; }

private:
    struct Sums {
        int64_t untouched = 0;
        int64_t untouchedSum = 0;
        int32_t min = 0;
        int32_t max = 0;
        int64_t touched = 0;
        int64_t touchedSum = 0;
        int64_t baselines = 0;
        int64_t baselineSum = 0;
    };
    int channels_ = 0;
    int64_t samples_ = 0;
    std::array<Sums, SampleRecord::kChannels> sums_{};
    // alone_[i][j]: samples with only key i touched and channel j measured; aloneSum_ their
    // Differ of j.
    std::array<std::array<int64_t, SampleRecord::kChannels>, SampleRecord::kChannels> alone_{};
    std::array<std::array<int64_t, SampleRecord::kChannels>, SampleRecord::kChannels> aloneSum_{};
};

// The figures of recorded samples (a run, a CSV file read back). A channel held as 0, 0, 0
// in a record (the outlier filter's mark) is left out of that record.
Result qualify(const std::vector<SampleRecord>& records, int channels, TouchSource source,
               double minSnr = kDefaultMinSnr);

// The guided measurement: "采集噪声" takes `samples` samples with hands off, then "采集信号"
// for one key at a time takes `samples` samples with that key held. The phase says what is
// touched: every sample of the noise phase is untouched, every sample of key i's phase has
// only key i touched. A phase ends by itself when its samples are in.
class Measurement {
public:
    enum class Phase { Idle, Noise, Signal };

    void start(int channels, int samplesPerPhase = kDefaultSamples);
    void beginNoise();
    void beginSignal(int key);
    void cancelPhase() { phase_ = Phase::Idle; }
    // Returns true when this sample completed the phase.
    bool add(const SampleRecord& record, uint32_t leftOut = 0);

    Phase phase() const { return phase_; }
    int key() const { return key_; }  // the key of the signal phase
    int samplesIn() const { return in_; }
    int samplesPerPhase() const { return perPhase_; }
    bool noiseDone() const { return noiseDone_; }
    bool signalDone(int key) const { return (signalDone_ >> key) & 1u; }
    Result result(double minSnr = kDefaultMinSnr) const { return sums_.result(minSnr); }

private:
    Accumulator sums_;
    Phase phase_ = Phase::Idle;
    int key_ = -1;
    int in_ = 0;
    int perPhase_ = kDefaultSamples;
    bool noiseDone_ = false;
    uint32_t signalDone_ = 0;
};

// Texts, as the result table, the command line and a report show them (language 0
// Chinese, 1 English).
QStringList columnTitles(uint8_t language);
QStringList rowTexts(const Result& result, int channel, uint8_t language);
// "12.3", "—" for no finite value.
QString number(double value);
// The coupling cell text; *marked true when over kCouplingMark.
QString couplingText(double percent, bool* marked);
// The figures as JSON (tessel-cli analyse, a report): {min_snr, pass, channels: [{channel,
// untouched, touched, noise, signal, snr, snr_text, sensitivity, pass}], coupling: rows of
// percent}; null for no finite value, numbers rounded to 3 decimals.
QJsonObject toJson(const Result& result);
// The prompt and progress line of the measurement's current phase.
QString phasePrompt(const Measurement& m, uint8_t language);

}  // namespace qualification
}  // namespace tessel
