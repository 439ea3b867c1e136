#include "sim/simchip.h"

#include "app/chipcatalogue.h"
#include "link/readback.h"

#include <algorithm>

namespace tessel {

SimChip::SimChip(int index) : index_(index) {
    const ChipInfo& info = chipInfo(index);
    flash.fill(0xFF);
    if (info.eepromSize > 0)
        eeprom.assign(info.eepromSize, 0xFF);
    icType = static_cast<uint8_t>(index);
    cfg.fill(0xFF);
    trim.fill(0x80);
    if (info.programConfig == ProgramConfigStep::Kr4121Words)
        cfg[1] = 0x87;  // the KR4121 factory word checked by every read
    if (info.family == ChipFamily::MCU01) {
        // The factory words of the MCU01 chips (the chip bit is added by word()).
        const uint8_t words[8] = {0x0F, 0x00, 0x66, 0x00, 0x00, 0x00, 0x00, 0x00};
        std::copy(words, words + 8, cfg.begin());
    }
    if (info.family == ChipFamily::MCU02) {
        const uint8_t words[14] = {0xFF, 0x7F, 0x7F, 0xFF, 0x0D, 0x4E, 0xFF,
                                   0xFF, 0xFF, 0xFF, 0x00, 0x1F, 0x64, 0xEF};
        std::copy(words, words + 14, cfg.begin());
    }
    if (info.family == ChipFamily::MCU04) {
        const uint8_t words[26] = {0xFF, 0x01, 0x1F, 0x3F, 0xC9, 0x2D, 0xFF, 0x3F, 0x64,
                                   0x7F, 0x0F, 0xFF, 0x07, 0x03, 0xFF, 0xFF, 0xFF, 0x03,
                                   0xFF, 0xFF, 0xFF, 0x22, 0x6A, 0x28, 0x18, 0x00};
        std::copy(words, words + 26, cfg.begin());
        cfg[30] = 0x00;
    }
    protect = 0x00;
}

uint8_t SimChip::word(int number) const {
    if (number < 0 || number >= static_cast<int>(cfg.size()))
        return 0xFF;
    uint8_t w = cfg[number];
    const readback::BitPos v = readback::variantBit(index_, false);
    // The model bit sits in its word; the MCU01 chips repeat it in CFG2.
    const ChipInfo& info = chipInfo(index_);
    const bool fixed =
        number == info.modelBit.word || (info.family == ChipFamily::MCU01 && number == 2);
    if (v.byte != readback::kNone && fixed) {
        const uint8_t mask = static_cast<uint8_t>(1u << v.bit);
        w = readback::variantBitValue(index_) ? (w | mask) : (w & ~mask);
    }
    return w;
}

bool SimChip::eepromEnabled() const {
    const readback::WordBit enable = readback::eepromEnableWord(index_);
    if (enable.word != readback::kNone)
        return ((word(enable.word) >> enable.bit) & 1) != 0;
    return !eeprom.empty();
}

void SimChip::eraseConfiguration() {
    // The information block holds every configuration word; the write that follows the erase
    // (0x89, and 0x84 for the MCU02 and MCU04 chips) programs them again.
    cfg.fill(0xFF);
}

SimTouchPanel::SimTouchPanel(uint32_t seed) {
    reseed(seed);
}

void SimTouchPanel::reseed(uint32_t seed) {
    rng_.seed(seed);
    for (int i = 0; i < 32; ++i)
        baseline_[i] = 2000 + 150 * i;
}

std::vector<SimTouch> SimTouchPanel::cyclingScript(int channels, bool enabled) {
    std::vector<SimTouch> script;
    if (!enabled || channels <= 0)
        return script;
    for (int k = 0; k < 64; ++k) {
        SimTouch t;
        t.channel = k % channels;
        t.start = 50 + 100 * static_cast<uint32_t>(k);
        t.frames = 30;
        script.push_back(t);
    }
    return script;
}

namespace {

// A triangle between -200 and 200 that climbs `perHundred` counts every 100 frames.
int driftAt(uint32_t frame, int perHundred) {
    const int64_t step = int64_t(frame) * perHundred / 100 % 800;
    return static_cast<int>(step < 200 ? step : step < 600 ? 400 - step : step - 800);
}

}  // namespace

SimTouchPanel::Sample SimTouchPanel::next(uint32_t frame, int channels, int chip) {
    Sample s;
    std::uniform_int_distribution<int> noise(-bench_.noise, bench_.noise);
    std::uniform_int_distribution<int> drift(0, 99);
    channels = std::clamp(channels, 0, 32);
    uint32_t touched = 0;
    for (const SimTouch& t : script_) {
        if (t.channel >= 0 && t.channel < channels && frame >= t.start &&
            frame - t.start < t.frames) {
            touched |= 1u << t.channel;
        }
    }
    // A touched key moves its own count by its strength and its neighbours' by `coupling`
    // percent of it.
    std::array<int, 32> shift{};
    for (int i = 0; i < channels; ++i) {
        if (!(touched & (1u << i)))
            continue;
        shift[i] += bench_.strength[i];
        const int spill = bench_.strength[i] * bench_.coupling / 100;
        if (i > 0)
            shift[i - 1] += spill;
        if (i + 1 < channels)
            shift[i + 1] += spill;
    }
    for (int i = 0; i < channels; ++i) {
        const int home = 2000 + 150 * i;
        if (bench_.drift >= 0) {
            baseline_[i] = home + driftAt(frame, bench_.drift);
        } else {
            // The baseline moves by one count now and then and stays within 200 of its start.
            const int d = drift(rng_);
            if (d < 3 && baseline_[i] < home + 200)
                ++baseline_[i];
            if (d > 96 && baseline_[i] > home - 200)
                --baseline_[i];
        }
        int raw = baseline_[i] + noise(rng_);
        raw += chipInfo(chip).differ == DifferSign::RawMinusBaseline ? shift[i] : -shift[i];
        s.baseline[i] = static_cast<uint16_t>(baseline_[i]);
        s.raw[i] = static_cast<uint16_t>(std::clamp(raw, 0, 65535));
    }
    s.keyFlags = touched;
    return s;
}

}  // namespace tessel
