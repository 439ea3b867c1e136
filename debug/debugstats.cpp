#include "debug/debugstats.h"

#include "app/chipcatalogue.h"
#include "app/messages.h"

#include <algorithm>
#include <cmath>

namespace tessel {

double DebugStatistics::Channel::noiseStdDev() const {
    return idle ? std::sqrt(idleM2 / double(idle)) : 0;
}

double DebugStatistics::Channel::snr() const {
    if (!touched || !idle)
        return 0;
    const int32_t noise = noisePeakToPeak();
    if (noise == 0)
        return std::numeric_limits<double>::infinity();
    return signal() / noise;
}

void DebugStatistics::reset(int chipIndex, int channels) {
    chip_ = chipIndex;
    channels_ = channels;
    samples_ = 0;
    channel_.fill(Channel{});
}

void DebugStatistics::add(const SampleRecord& r, uint32_t leftOut) {
    ++samples_;
    for (int i = 0; i < channels_; ++i) {
        if ((leftOut >> i) & 1u)
            continue;
        Channel& c = channel_[i];
        ++c.samples;
        c.baselineMin = std::min(c.baselineMin, r.baseline[i]);
        c.baselineMax = std::max(c.baselineMax, r.baseline[i]);
        c.baselineSum += r.baseline[i];
        c.rawMin = std::min(c.rawMin, r.raw[i]);
        c.rawMax = std::max(c.rawMax, r.raw[i]);
        c.rawSum += r.raw[i];
        const int32_t d = r.differ[i];
        const bool touched =
            chipInfo(chip_).keyFlags ? (r.keyFlags >> i) & 1u : d >= kTouchThreshold;
        if (touched) {
            ++c.touched;
            c.touchedSum += d;
            continue;
        }
        ++c.idle;
        c.idleMin = std::min(c.idleMin, d);
        c.idleMax = std::max(c.idleMax, d);
        const double delta = d - c.idleMean;
        c.idleMean += delta / double(c.idle);
        c.idleM2 += delta * (d - c.idleMean);
    }
}

QStringList DebugStatistics::columnTitles(uint8_t language) {
    QStringList titles;
    for (Msg m : {Msg::StatsChannel, Msg::StatsBaselineMin, Msg::StatsBaselineMax,
                  Msg::StatsBaselineMean, Msg::StatsRawMin, Msg::StatsRawMax, Msg::StatsRawMean,
                  Msg::StatsNoisePp, Msg::StatsNoiseSd, Msg::StatsSignal, Msg::StatsSnr}) {
        titles << message(m, language);
    }
    return titles;
}

QStringList DebugStatistics::rowTexts(int i) const {
    const Channel& c = channel_[i];
    auto num = [](int32_t v) { return QString::number(v); };
    auto real = [](double v) { return QString::number(v, 'f', 1); };
    if (c.samples == 0) {
        QStringList row{num(i)};
        for (int k = 1; k < kColumns; ++k)
            row << QStringLiteral("-");
        return row;
    }
    const QString dash = QStringLiteral("-");
    QString snr = dash;
    if (c.touched && c.idle)
        snr = std::isinf(c.snr()) ? QStringLiteral("inf") : real(c.snr());
    return {num(i),
            num(c.baselineMin),
            num(c.baselineMax),
            real(c.baselineMean()),
            num(c.rawMin),
            num(c.rawMax),
            real(c.rawMean()),
            c.idle ? num(c.noisePeakToPeak()) : dash,
            c.idle ? QString::number(c.noiseStdDev(), 'f', 2) : dash,
            c.touched ? real(c.signal()) : dash,
            snr};
}

}  // namespace tessel
