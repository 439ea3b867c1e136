#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace tessel {

// The 32-bit image checksum: the sum of i * d[i], folded twice with its upper half,
// complemented. Printed in logs and used in mass-production file names.
uint32_t computeChecksum(const uint8_t* bytes, uint32_t length);

// The write/read-buffer dump: 16 bytes a line behind a "0x01230: " style head, lines
// ended with CR LF, a last partial line without.
QString formatHexDump(const uint8_t* bytes, uint32_t length);

// Length of the image once trailing erased bytes are dropped: the offset after the last
// byte that is not 0xFF below rawLength, or 0 when that byte is at offset 0 or there is
// none. rawLength is clamped to bufferSize.
uint32_t trimErasedTail(const uint8_t* buffer, uint32_t bufferSize, uint32_t rawLength);

// Value of one hex digit as the HEX reader converts it: digits 0-9, any letter counted
// from 'a' or 'A' (so letters past F give values above 15), anything else 0.
int hexDigitValue(char c);

// CR LF pairs become LF; lone CRs stay.
QByteArray crlfToLf(const QByteArray& text);

enum class HexStatus {
    Ok,
    NotHex,          // no "00000001FF" in the text
    Unsupported64K,  // a record type other than data, or data past offset 0xFFFF
    ChecksumError,   // a record checksum mismatch or a record cut off by the end of the text
};

struct HexParseResult {
    HexStatus status = HexStatus::Ok;
    uint32_t length = 0;  // highest written offset + 1 (0 when no data byte was stored)
};

// Reads Intel HEX text (line ends already LF) into buffer, which must hold 65536 bytes
// and be filled with 0xFF. On any error the buffer is refilled with 0xFF.
HexParseResult parseIntelHexText(const QByteArray& text, uint8_t* buffer);

// Intel HEX text of bytes[0 ... length-1] at offsets from 0: data records of 16 bytes (the
// last one shorter), upper-case digits, CR LF line ends, then the end record. Only the 64 KiB
// the reader takes (length is clamped to 65536), so no extended address records.
QByteArray formatIntelHex(const uint8_t* bytes, uint32_t length);

}  // namespace tessel
