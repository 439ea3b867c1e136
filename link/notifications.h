#pragma once

#include "link/report.h"

#include <QMetaType>

#include <array>
#include <cstdint>

namespace tessel {

// Notifications of the link to the programming page. The numbers are those the board's
// firmware documentation and the log refer to.
enum class LinkCode : int {
    NoDevice = 0,
    DeviceOpened = 1,
    TransferTimeout = 2,
    VersionAccepted = 3,
    ChipSelected = 4,
    ProgrammingEntered = 5,
    ProgrammingLeft = 6,
    ConfigReadBack = 7,
    MainBlockErased = 8,
    Cfg0Written = 9,
    FlashWriteStarted = 10,
    FlashWriteProgress = 11,
    FlashWriteFinished = 12,
    FlashReadStarted = 13,
    FlashReadProgress = 14,
    FlashReadFinished = 15,
    InfoBlockErased = 16,
    Supply3V = 17,
    Supply5V = 18,
    SupplyOff = 19,
    TrimWritten = 20,
    EepromErased = 21,
    EepromWriteStarted = 22,
    EepromBlock = 23,
    EepromWriteFinished = 24,
    EepromReadStarted = 25,
    EepromReadFinished = 26,
    FlashWriteCrcError = 27,
    FlashReadError = 28,
    FlashVerifyMismatch = 29,
    VersionRefused = 31,
};

// A link notification with a copy of the report that raised it (zeroed for the codes the
// transport raises itself) and, for the transfer codes, the progress of the transfer.
struct LinkNotification {
    LinkCode code = LinkCode::NoDevice;
    Report report{};
    uint32_t offset = 0;  // bytes done
    uint32_t total = 0;   // bytes of the whole transfer
};

// Notifications to the debug page.
enum class DebugCode : int {
    Started = 0,
    SupplyReply = 2,
    StartupContinued = 3,
    Sample = 4,
    MalformedFrame = 5,
    ParametersWritten = 6,
    // The program's own: `count` frames that the reassembly gave up on (a length the chip's
    // family never sends, or a frame whose remaining segments never came). No report.
    FramesIgnored = 100,
};

constexpr int kMaxDebugChannels = 32;

// One accepted touch-key sample, copied out of the frame.
struct DebugSample {
    int channelCount = 0;
    std::array<uint16_t, kMaxDebugChannels> raw{};
    std::array<uint16_t, kMaxDebugChannels> baseline{};
    uint32_t keyFlags = 0;  // bit i: channel i reports a touched key (chips 3 to 13)
};

struct DebugNotification {
    DebugCode code = DebugCode::Started;
    Report report{};
    DebugSample sample;  // for DebugCode::Sample
    int count = 1;       // frames, for DebugCode::FramesIgnored
};

}  // namespace tessel

Q_DECLARE_METATYPE(tessel::LinkNotification)
Q_DECLARE_METATYPE(tessel::DebugNotification)
