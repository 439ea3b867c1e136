#pragma once

#include <QString>

#include <cstdint>

namespace tessel {

// The length check runs after the open-file dialog and again when a flash write reloads
// the image from its file; the two differ in formats and messages.
enum class CheckKind { Open, Reload };

// The log line with the checksum of an accepted image, in the chip's format.
QString checksumLogLine(int chip, uint32_t checksum, CheckKind kind);

// The message box text for an image length the chip does not accept.
QString sizeMessage(int chip, uint8_t language, CheckKind kind);

}  // namespace tessel
