#pragma once

#include <QMetaType>
#include <QString>

#include <array>
#include <cstdint>

namespace tessel {

// One HID report in either direction: byte 0 is the report ID (always 0), byte 1 the command
// or reply code, bytes 2 to 64 the payload. Multi-byte numbers are big-endian.
constexpr int kReportSize = 65;
using Report = std::array<uint8_t, kReportSize>;

// A zeroed report carrying the given command code.
inline Report makeReport(uint8_t code) {
    Report r{};
    r[1] = code;
    return r;
}

// "00 7f cd ..." : the 65 bytes as two-digit lower-case hex separated by blanks.
QString reportToHex(const Report& report);

}  // namespace tessel

Q_DECLARE_METATYPE(tessel::Report)
