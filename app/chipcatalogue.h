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

// How a debug run reaches the target; the byte start-debug carries after the chip.
enum class DebugLink : uint8_t {
    Uart = 0,  // chips 0 to 2: a 9600-baud UART
    Iic = 1,   // chips 3 to 13: IIC through the board
};

// Where a chip's EEPROM lives and when it may be written.
enum class EepromKind {
    None,
    InFlashBuffers,  // 2048 bytes kept in the flash buffers at 0x9000 (chips 5 and 7)
    Switchable,      // 1024 bytes, usable only while a configuration bit enables it (10 to 13)
};

// What the one-key write writes between erasing the main block and writing the image.
enum class ProgramConfigStep {
    Kr4121Words,  // the three configuration words with 0x89 (chip 0)
    Word0,        // configuration word 0 with 0x84 (chips 1 to 9)
    None,         // nothing: the MCU02 and MCU04 designs keep their words (10 to 13)
};

// Which way a touched key moves the raw count.
enum class DifferSign {
    RawMinusBaseline,  // counts rise on touch (chips 0 to 7)
    BaselineMinusRaw,  // counts fall on touch (chips 8 to 13)
};

// The configuration bit that tells the models of a shared page apart (KR41xx slot 5, MCU01
// CFG1), and the value the chip must read back. word -1: the chip has none.
struct ModelBit {
    int word;
    int bit;
    bool set;
};

// One model of the chip combo. The index is also the IC type byte on the wire and in
// mass-production files. Everything the program does differently per chip is a field here
// (or a row of the page and read-back tables); code elsewhere asks these fields and never
// compares a chip index with a number.
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

    // --- programming ---
    ProgramConfigStep programConfig;
    bool configWrite;     // "写配置字" is offered
    bool enterStatus;     // the enter-programming reply carries status 0x87 in byte 2
    bool leaveStatus;     // the leave-programming reply is checked for 0x87 in byte 2
    bool eraseStatus;     // the erase-main-block reply carries status 1 in byte 2
    bool readBackOnPage;  // a passing configuration read is shown on the configuration page
    bool protectionByte;  // erase-main-block carries the protection byte the read returned
    EepromKind eeprom;
    uint32_t eepromSize;       // bytes of the EEPROM image the page holds (0 without EEPROM)
    bool massProductionModes;  // the mode choice selects ".mtk"/".ntk" rather than ".tk"

    // --- touch-key debugging ---
    DebugLink debugLink;
    DebugFrameFamily frames;
    bool keyFlags;     // the frames report which keys are touched
    bool csvKeyFlags;  // the CSV file keeps the key flags
    DifferSign differ;

    // --- configuration and trim words (positions in the replies: link/readback) ---
    int configWords;  // words the chip holds (KR41xx: wire slots; MCU: highest CFG number + 1)
    int readCrcs;     // CRC bytes the configuration read reply carries
    int trimWords;    // bytes of the trim payload
    bool trimStatus;  // the trim reply carries a status byte
    ModelBit modelBit;
};

constexpr int kChipCount = 14;

extern const std::array<ChipInfo, kChipCount> kChipCatalogue;

// The entry for an index; indices outside 0..13 give entry 0.
const ChipInfo& chipInfo(int index);

// Whether an index names a chip of the catalogue (0..13).
inline bool isChipIndex(long long index) {
    return index >= 0 && index < kChipCount;
}

// A chip index restored from the profile: anything outside 0..13 gives 0.
int sanitizeChipIndex(long long stored);

// Resolves a chip given as index ("12") or combo text ("KR5813/KR5713"); -1 when unknown.
int chipIndexFromText(const QString& text);

// Start-debug carries 0 for the first protocol family (0 to 2) and 1 for the second.
inline int protocolFamily(int index) {
    return static_cast<int>(chipInfo(index).debugLink);
}

inline DebugFrameFamily debugFrameFamily(int index) {
    return chipInfo(index).frames;
}

// Chips 5 and 7 keep their 2048-byte EEPROM image inside the flash buffers at 0x9000.
inline bool eepromInFlashBuffer(int index) {
    return chipInfo(index).eeprom == EepromKind::InFlashBuffers;
}

constexpr uint32_t kEepromOffsetInFlashBuffer = 0x9000;

// The KR4121 writes its configuration words together (0x89 in the one-key write), and its
// mass-production file carries CFG1 next to CFG0.
inline bool carriesCfg1(int index) {
    return chipInfo(index).programConfig == ProgramConfigStep::Kr4121Words;
}

}  // namespace tessel
