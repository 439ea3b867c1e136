#pragma once

#include <QString>

#include <array>
#include <cstdint>

namespace tessel {

// Which page design and protocol variant a chip belongs to.
enum class ChipFamily { KR41xx, MCU01, MCU02, MCU04 };

// The layout of the touch-key data frames a chip's debug firmware streams.
enum class DebugFrameFamily {
    Short,      // chips 0 to 2: two markers, channel data, two terminators
    Counter24,  // chips 3 to 9: marker, data, parity, length, 24-bit counter, terminator
    Counter32,  // chips 10 to 13: as above with a 32-bit counter
};

// One model of the chip combo. The index is also the IC type byte on the wire and in
// mass-production files.
struct ChipInfo {
    int index;
    const char* comboText;
    const char* configPageClass;
    int configTemplate;
    const char* trimPageClass;
    int trimTemplate;
    uint32_t maxImageLength;   // bound applied to a loaded image (1 ... bound)
    uint32_t flashReadLength;  // bytes a flash read fetches when it does not verify a write
    bool eepromOperations;     // "写EEPROM"/"读EEPROM" are offered
    ChipFamily family;
};

constexpr int kChipCount = 14;

extern const std::array<ChipInfo, kChipCount> kChipCatalogue;

// The entry for an index; indices outside 0..13 give entry 0.
const ChipInfo& chipInfo(int index);

// A chip index restored from the profile: anything outside 0..13 gives 0.
int sanitizeChipIndex(long long stored);

// Resolves a chip given as index ("12") or combo text ("KR5813/KR5713"); -1 when unknown.
int chipIndexFromText(const QString& text);

// Start-debug carries 0 for the first protocol family (0 to 2) and 1 for the second.
inline int protocolFamily(int index) {
    return index <= 2 ? 0 : 1;
}

inline DebugFrameFamily debugFrameFamily(int index) {
    if (index <= 2)
        return DebugFrameFamily::Short;
    if (index <= 9)
        return DebugFrameFamily::Counter24;
    return DebugFrameFamily::Counter32;
}

// Chips 5 and 7 keep their 2048-byte EEPROM image inside the flash buffers at 0x9000.
inline bool eepromInFlashBuffer(int index) {
    return index == 5 || index == 7;
}

constexpr uint32_t kEepromOffsetInFlashBuffer = 0x9000;

}  // namespace tessel
