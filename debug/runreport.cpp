#include "debug/runreport.h"

#include "app/chipcatalogue.h"
#include "debug/chartpng.h"

namespace tessel {

void RunQualification::start(int chip, int channels, qint64 noiseMs) {
    chip_ = chip;
    noiseMs_ = noiseMs;
    samples_ = 0;
    noiseSamples_ = 0;
    sums_.reset(channels);
    recent_.clear();
}

void RunQualification::add(const SampleRecord& saved, uint32_t zeroed, qint64 elapsedMs) {
    ++samples_;
    recent_.push_back(saved);
    if (recent_.size() > size_t(kChartPoints))
        recent_.pop_front();
    const int n = sums_.channels();
    const uint32_t touched =
        qualification::touchedChannels(saved, n, qualification::liveSource(chip_));
    if (touched == 0) {
        if (elapsedMs >= noiseMs_)
            return;  // hands off only while the run starts
        ++noiseSamples_;
    }
    sums_.add(saved, touched, zeroed);
}

std::vector<report::Chart> RunQualification::charts() const {
    static const char* const titles[3] = {"Baseline", "Rawdata", "Differ"};
    std::vector<report::Chart> out;
    for (int k = 0; k < 3; ++k) {
        chartpng::Chart chart;
        for (int i = 0; i < sums_.channels(); ++i) {
            chartpng::Series s;
            s.channel = i;
            s.colorref = chartpng::kChannelColours[i];
            for (const SampleRecord& r : recent_)
                s.values.push_back(k == 0 ? r.baseline[i] : k == 1 ? r.raw[i] : r.differ[i]);
            chart.series.push_back(std::move(s));
        }
        if (const auto range = chartpng::autoRange(chart.series)) {
            chart.lower = range->first;
            chart.upper = range->second;
        }
        report::Chart c;
        c.title = QStringLiteral("%1 (%2 … %3)")
                      .arg(QLatin1String(titles[k]))
                      .arg(chart.lower)
                      .arg(chart.upper);
        c.png = chartpng::render(chart, kChartWidth, kChartHeight);
        out.push_back(std::move(c));
    }
    return out;
}

}  // namespace tessel
