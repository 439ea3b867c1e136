#include "debug/qualification.h"

#include "app/chipcatalogue.h"
#include "app/messages.h"
#include "debug/debugstats.h"

#include <QJsonArray>

#include <algorithm>
#include <cmath>
#include <limits>

namespace tessel::qualification {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

bool onlyOne(uint32_t bits) {
    return bits != 0 && (bits & (bits - 1)) == 0;
}

int lowestBit(uint32_t bits) {
    int i = 0;
    while (!((bits >> i) & 1u))
        ++i;
    return i;
}

}  // namespace

TouchSource liveSource(int chip) {
    return chipInfo(chip).keyFlags ? TouchSource::KeyFlags : TouchSource::DifferLevel;
}

TouchSource csvSource(int chip) {
    return chipInfo(chip).csvKeyFlags ? TouchSource::KeyFlags : TouchSource::DifferLevel;
}

uint32_t touchedChannels(const SampleRecord& r, int channels, TouchSource source) {
    const uint32_t all = channels >= 32 ? 0xFFFFFFFFu : (1u << channels) - 1;
    if (source == TouchSource::KeyFlags)
        return r.keyFlags & all;
    uint32_t touched = 0;
    for (int i = 0; i < channels; ++i) {
        if (r.differ[i] >= DebugStatistics::kTouchThreshold)
            touched |= 1u << i;
    }
    return touched;
}

uint32_t zeroedChannels(const SampleRecord& r, int channels) {
    uint32_t zeroed = 0;
    for (int i = 0; i < channels; ++i) {
        if (r.baseline[i] == 0 && r.raw[i] == 0 && r.differ[i] == 0)
            zeroed |= 1u << i;
    }
    return zeroed;
}

bool Result::allPass() const {
    return std::all_of(channel.begin(), channel.end(),
                       [](const ChannelQuality& c) { return c.pass; });
}

void Accumulator::reset(int channels) {
    channels_ = std::clamp(channels, 0, SampleRecord::kChannels);
    samples_ = 0;
    sums_.fill(Sums{});
    for (auto& row : alone_)
        row.fill(0);
    for (auto& row : aloneSum_)
        row.fill(0);
}

void Accumulator::add(const SampleRecord& r, uint32_t touched, uint32_t leftOut) {
    ++samples_;
    const bool alone = onlyOne(touched);
    const int key = alone ? lowestBit(touched) : -1;
    for (int j = 0; j < channels_; ++j) {
        if ((leftOut >> j) & 1u)
            continue;
        Sums& s = sums_[j];
        const int32_t d = r.differ[j];
        ++s.baselines;
        s.baselineSum += r.baseline[j];
        if ((touched >> j) & 1u) {
            ++s.touched;
            s.touchedSum += d;
        } else if (touched == 0) {
            s.min = s.untouched ? std::min(s.min, d) : d;
            s.max = s.untouched ? std::max(s.max, d) : d;
            ++s.untouched;
            s.untouchedSum += d;
        }
        if (alone && key < channels_) {
            ++alone_[key][j];
            aloneSum_[key][j] += d;
        }
    }
}

Result Accumulator::result(double minSnr) const {
    Result out;
    out.channels = channels_;
    out.minSnr = minSnr;
    std::vector<double> idleMean(channels_, kNaN);
    for (int i = 0; i < channels_; ++i) {
        const Sums& s = sums_[i];
        ChannelQuality q;
        q.untouched = s.untouched;
        q.touched = s.touched;
        q.baselineMean = s.baselines ? double(s.baselineSum) / double(s.baselines) : kNaN;
        if (s.untouched)
            idleMean[i] = double(s.untouchedSum) / double(s.untouched);
        q.noise = s.untouched ? double(s.max - s.min) : kNaN;
        q.signal =
            s.touched ? double(s.touchedSum) / double(s.touched) - idleMean[i] : kNaN;  // NaN idle
        if (std::isnan(q.signal) || std::isnan(q.noise))
            q.snr = kNaN;
        else if (q.noise == 0)
            q.snr = q.signal > 0 ? std::numeric_limits<double>::infinity() : kNaN;
        else
            q.snr = q.signal / q.noise;
        q.sensitivity = q.baselineMean != 0 ? q.signal / q.baselineMean * 100.0 : kNaN;
        q.pass = !std::isnan(q.snr) && q.snr >= minSnr;
        out.channel.push_back(q);
    }
    out.coupling.assign(channels_, std::vector<double>(channels_, kNaN));
    for (int i = 0; i < channels_; ++i) {
        const double s = out.channel[i].signal;
        if (std::isnan(s) || s == 0)
            continue;
        for (int j = 0; j < channels_; ++j) {
            if (j == i || alone_[i][j] == 0 || std::isnan(idleMean[j]))
                continue;
            const double mean = double(aloneSum_[i][j]) / double(alone_[i][j]);
            out.coupling[i][j] = (mean - idleMean[j]) / s * 100.0;
        }
    }
    return out;
}

Result qualify(const std::vector<SampleRecord>& records, int channels, TouchSource source,
               double minSnr) {
    Accumulator sums;
    sums.reset(channels);
    for (const SampleRecord& r : records)
        sums.add(r, touchedChannels(r, channels, source), zeroedChannels(r, channels));
    return sums.result(minSnr);
}

void Measurement::start(int channels, int samplesPerPhase) {
    sums_.reset(channels);
    perPhase_ = std::max(1, samplesPerPhase);
    phase_ = Phase::Idle;
    key_ = -1;
    in_ = 0;
    noiseDone_ = false;
    signalDone_ = 0;
}

void Measurement::beginNoise() {
    phase_ = Phase::Noise;
    key_ = -1;
    in_ = 0;
}

void Measurement::beginSignal(int key) {
    if (key < 0 || key >= sums_.channels())
        return;
    phase_ = Phase::Signal;
    key_ = key;
    in_ = 0;
}

bool Measurement::add(const SampleRecord& r, uint32_t leftOut) {
    if (phase_ == Phase::Idle)
        return false;
    sums_.add(r, phase_ == Phase::Signal ? 1u << key_ : 0u, leftOut);
    if (++in_ < perPhase_)
        return false;
    if (phase_ == Phase::Noise)
        noiseDone_ = true;
    else
        signalDone_ |= 1u << key_;
    phase_ = Phase::Idle;
    return true;
}

namespace {

// One decimal; a value that rounds to zero reads "0.0", never "-0.0".
QString oneDecimal(double value) {
    const QString text = QString::number(value, 'f', 1);
    return text == QLatin1String("-0.0") ? QStringLiteral("0.0") : text;
}

}  // namespace

QString number(double value) {
    if (!std::isfinite(value))
        return QStringLiteral("—");
    return oneDecimal(value);
}

namespace {

QJsonValue finite(double v) {
    return std::isfinite(v) ? QJsonValue(std::round(v * 1000.0) / 1000.0) : QJsonValue();
}

}  // namespace

QJsonObject toJson(const Result& r) {
    QJsonArray channels;
    for (int i = 0; i < r.channels; ++i) {
        const ChannelQuality& c = r.channel[i];
        QJsonObject o;
        o.insert(QStringLiteral("channel"), i);
        o.insert(QStringLiteral("untouched"), qint64(c.untouched));
        o.insert(QStringLiteral("touched"), qint64(c.touched));
        o.insert(QStringLiteral("noise"), finite(c.noise));
        o.insert(QStringLiteral("signal"), finite(c.signal));
        o.insert(QStringLiteral("snr"), finite(c.snr));
        o.insert(QStringLiteral("snr_text"), number(c.snr));
        o.insert(QStringLiteral("sensitivity"), finite(c.sensitivity));
        o.insert(QStringLiteral("pass"), c.pass);
        channels.append(o);
    }
    QJsonArray coupling;
    for (int i = 0; i < r.channels; ++i) {
        QJsonArray row;
        for (int j = 0; j < r.channels; ++j)
            row.append(finite(r.coupling[i][j]));
        coupling.append(row);
    }
    QJsonObject out;
    out.insert(QStringLiteral("min_snr"), r.minSnr);
    out.insert(QStringLiteral("channels"), channels);
    out.insert(QStringLiteral("coupling"), coupling);
    out.insert(QStringLiteral("pass"), r.allPass());
    return out;
}

QString couplingText(double percent, bool* marked) {
    if (marked)
        *marked = !std::isnan(percent) && percent > kCouplingMark;
    if (std::isnan(percent))
        return QStringLiteral("—");
    return oneDecimal(percent);
}

QStringList columnTitles(uint8_t language) {
    QStringList titles;
    for (Msg m : {Msg::QualChannel, Msg::QualNoise, Msg::QualSignal, Msg::QualSnr,
                  Msg::QualSensitivity, Msg::QualResult})
        titles << message(m, language);
    return titles;
}

QStringList rowTexts(const Result& result, int i, uint8_t language) {
    const ChannelQuality& q = result.channel[i];
    return {QString::number(i),    number(q.noise),
            number(q.signal),      number(q.snr),
            number(q.sensitivity), message(q.pass ? Msg::QualPass : Msg::QualFail, language)};
}

QString phasePrompt(const Measurement& m, uint8_t language) {
    switch (m.phase()) {
        case Measurement::Phase::Noise:
            return message(Msg::QualNoisePrompt, language, m.samplesIn(), m.samplesPerPhase());
        case Measurement::Phase::Signal:
            return message(Msg::QualSignalPrompt, language, m.key(), m.samplesIn(),
                           m.samplesPerPhase());
        case Measurement::Phase::Idle:
            break;
    }
    return QString();
}

}  // namespace tessel::qualification
