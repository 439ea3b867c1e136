#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <cstdint>

namespace tessel {

struct ImageState;

// Mass-production files: the trimmed image followed by a trailer that names the chip
// (its last byte) and carries the configuration byte(s). Chips 5 and 7 add the 2048-byte
// EEPROM image, 16-byte aligned strictly above the image, and the image length.

enum class TkStatus {
    Ok,
    NotTk,         // too short for a trailer, or the last byte names no chip
    ContentError,  // the trailer does not hold together
};

struct TkContents {
    TkStatus status = TkStatus::NotTk;
    int chip = 0;               // the IC type byte
    uint8_t cfg0 = 0;           // not carried for chips 10 to 12
    uint8_t cfg1 = 0;           // chip 0 only
    uint8_t modeByte = 0;       // chips 10 to 12 only
    uint32_t imageLength = 0;   // the image at offset 0
    uint32_t eepromOffset = 0;  // chips 5 and 7: where the EEPROM image starts in the file
};

// Decodes the trailer of a file of n bytes; never reads outside data[0 ... n-1].
TkContents decodeMassProductionFile(const uint8_t* data, uint32_t n);

// Trailer length of a chip, not counting the pad and EEPROM image of chips 5 and 7.
uint32_t trailerLength(int chip);

// fileModeSelection from a KR5815-family mode byte and back.
int modeSelectionFromByte(uint8_t modeByte);
uint8_t modeByteFromSelection(int selection);

// ".tk", or ".mtk"/".ntk" for chips 10 to 12 in modes 0 and 1.
QString massProductionExtension(int chip, int modeSelection);

// Whether loading a chip's file sets its configuration page (CFG0, disabled options): not for
// the KR4121 and the MCU04, whose bytes are carried but not read back.
bool massProductionAppliesConfig(int chip);

// The Chinese model line logged when a file is read.
QString massProductionModelLine(int chip);

// "2019_08_20_09_05_07": the given UTC moment in UTC+8.
QString massProductionTimeStamp(const QDateTime& utc);

struct TkBuild {
    bool fits = false;    // false: the file would pass 65535 bytes (unreadable)
    QByteArray content;   // the whole file
    QString extension;    // ".tk", ".ntk" or ".mtk"
    QString defaultName;  // prefix, checksum part and time stamp, without extension
    QString filter;       // save dialog filter of the extension
};

// Builds a file from the image in `image` (writeBuffer, imageLength, imageChecksum) for
// `chip`, without touching the image state.
TkBuild buildMassProductionFile(const ImageState& image, int chip, uint8_t cfg0, uint8_t cfg1,
                                int modeSelection, const QDateTime& utcNow);

}  // namespace tessel
