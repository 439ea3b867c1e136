#pragma once

#include <array>
#include <cstdint>
#include <random>
#include <vector>

namespace tessel {

// One target chip on the simulated board's target connector. Its memories start erased;
// its configuration words start at the values a fresh chip of the model carries.
class SimChip {
public:
    explicit SimChip(int index);

    int index() const { return index_; }

    // 64 KiB of flash, erased to 0xFF. Programming only clears bits, as on the real part.
    std::array<uint8_t, 65536> flash{};
    // 1024 bytes for chips 10 to 13, 2048 for 5 and 7, none otherwise.
    std::vector<uint8_t> eeprom;
    // Configuration words by CFG number (KR41xx: by wire slot). The variant bits of chips 3
    // to 7 and the chip bit of 8 and 9 are fixed in silicon: see word().
    std::array<uint8_t, 32> cfg{};
    std::array<uint8_t, 40> trim{};
    uint8_t icType = 0;   // the model number the chip reports (MCU families)
    uint8_t protect = 0;  // main-block protection byte (chips 10 to 13)
    uint8_t vd15 = 0x2A;  // a measured value the MCU02 chips report

    // A configuration word as the chip reports it.
    uint8_t word(int number) const;
    // The EEPROM enable bit: CFG8 bit 1 (10-12), CFG11 bit 0 (13); always on for 5 and 7.
    bool eepromEnabled() const;

    void eraseFlash() { flash.fill(0xFF); }
    void eraseEeprom() { std::fill(eeprom.begin(), eeprom.end(), 0xFF); }
    void eraseConfiguration();

private:
    int index_;
};

// A scripted touch: the channel reads as touched during frames [start, start + frames).
struct SimTouch {
    int channel = 0;
    uint32_t start = 0;
    uint32_t frames = 0;
};

// How the touch channels behave, for measuring a keypad's figures back from a known one.
struct SimTouchBench {
    // Counts a touch moves the raw count, per channel ("touch=N" or "touch=N:N:...").
    std::array<int, 32> strength = filled(400);
    int noise = 6;  // "noise": raw counts vary by up to ± this much around the baseline
    // "drift": counts the baselines move every 100 frames, up to 200 above their start, down
    // to 200 below and back; -1 (the default): a slow random walk within ± 200.
    int drift = -1;
    // "coupling": percent of a touched key's strength its neighbours (channel ± 1) see.
    int coupling = 0;

    static std::array<int, 32> filled(int v) {
        std::array<int, 32> a{};
        a.fill(v);
        return a;
    }
};

// The touch channels of the application board: slowly drifting baselines, noisy raw counts
// and scripted touches.
class SimTouchPanel {
public:
    explicit SimTouchPanel(uint32_t seed = 1);

    void reseed(uint32_t seed);
    void setScript(const std::vector<SimTouch>& touches) { script_ = touches; }
    void setBench(const SimTouchBench& bench) { bench_ = bench; }
    // A script that touches each of the channels in turn, 30 frames every 100.
    static std::vector<SimTouch> cyclingScript(int channels, bool enabled);

    struct Sample {
        std::array<uint16_t, 32> raw{};
        std::array<uint16_t, 32> baseline{};
        uint32_t keyFlags = 0;
    };
    // The sample of frame number `frame`. A touch moves the raw count away from the
    // baseline: upwards for chips 0 to 7, downwards for 8 to 13.
    Sample next(uint32_t frame, int channels, int chip);

private:
    std::mt19937 rng_;
    std::array<int, 32> baseline_{};
    std::vector<SimTouch> script_;
    SimTouchBench bench_;
};

}  // namespace tessel
