#pragma once

#include "app/chipcatalogue.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace tessel {

// Size of the flash buffers: the image occupies offsets 0 ... imageLength-1.
constexpr uint32_t kFlashBufferSize = 0x10000;
// Size of the EEPROM buffers of chips 10 to 13.
constexpr uint32_t kEepromBufferSize = 0x8000;
// The EEPROM image that chips 5 and 7 keep inside the flash buffers.
constexpr uint32_t kFlashEepromImageSize = 2048;
// Image and mass-production files longer than this are not read at all.
constexpr uint32_t kLargestReadableFile = 0xFFFF;
// Intel HEX text longer than this is refused unread: one-byte records with CR LF describe a
// whole 64 KiB image in less than 1 MiB.
constexpr uint32_t kLargestHexText = 4u << 20;

// The image and buffers the programming page works on. Widget-free: the page owns one
// instance, the loaders and the mass-production writer operate on it.
struct ImageState {
    std::vector<uint8_t> writeBuffer = std::vector<uint8_t>(kFlashBufferSize, 0xFF);
    std::vector<uint8_t> readBuffer = std::vector<uint8_t>(kFlashBufferSize, 0xFF);
    std::vector<uint8_t> eepromWriteBuffer = std::vector<uint8_t>(kEepromBufferSize, 0xFF);
    std::vector<uint8_t> eepromReadBuffer = std::vector<uint8_t>(kEepromBufferSize, 0xFF);

    uint32_t imageLength = 0;    // image bytes in writeBuffer, counted from offset 0
    bool imageLoaded = false;    // the image passed the length check
    bool freshlyOpened = false;  // set by the open dialog, cleared when a flash write starts
    uint32_t imageChecksum = 0;  // checksum of the loaded image, 0 after a failed check
    int fileModeSelection = 2;   // KR5815-family file mode: 0 ".mtk", 1 ".ntk", 2 ".tk"

    QString lastImagePath;       // full path chosen in the last open dialog
    uint32_t opens = 0;          // files chosen to open so far (a cancelled dialog counts none)
    QString lastImageExtension;  // text after the last "." of that name, lower-cased

    // Text of the write-buffer view, replaced by every successful length check.
    QString writeBufferDump;

    // The chip's EEPROM image to write and as read back: 2048 bytes at 0x9000 of the flash
    // buffers for the chips that keep it there, otherwise the start of the EEPROM buffers.
    static uint32_t eepromImageSize(int chip) { return eepromInFlashBuffer(chip) ? 2048 : 1024; }
    uint8_t* eepromWriteImage(int chip) {
        return eepromInFlashBuffer(chip) ? writeBuffer.data() + kEepromOffsetInFlashBuffer
                                         : eepromWriteBuffer.data();
    }
    uint8_t* eepromReadImage(int chip) {
        return eepromInFlashBuffer(chip) ? readBuffer.data() + kEepromOffsetInFlashBuffer
                                         : eepromReadBuffer.data();
    }
};

}  // namespace tessel
