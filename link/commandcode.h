#pragma once

#include <cstdint>

namespace tessel {

// The board's command codes: byte 1 of every command report, echoed in byte 1 of its reply.
// The builders (link/commands), the receive dispatch and the simulated board all name them
// from here.
enum class CommandCode : uint8_t {
    BoardVersion = 0x7F,      // request the firmware version (payload CD CD CD)
    SelectChip = 0x80,        // chip index
    EnterProgramming = 0x81,  // reply status 0x87 in byte 2 (chips 2 to 13)
    ReadConfig = 0x82,        // configuration words, CRCs, status
    EraseMainBlock = 0x83,    // protection byte (chips 10 to 13)
    WriteWord0 = 0x84,        // configuration word 0 (and its companions on 10 to 13)
    FlashWrite = 0x85,        // length header, then 64-byte data reports
    FlashRead = 0x86,         // 0xFF length header, then block requests
    LeaveProgramming = 0x87,  // reply status 0x87 in byte 2 is a failure (chips 3 to 13)
    EraseInfoBlock = 0x88,    // erase the information block before a configuration write
    WriteConfig = 0x89,       // the family's configuration payload
    Supply3V = 0x8A,          // reply 0xAA in byte 2: supply on
    Supply5V = 0x8B,
    SupplyOff = 0x8C,
    WriteTrim = 0x8D,       // the trim words
    EraseEeprom = 0x8E,     // the EEPROM size code
    EepromWrite = 0x8F,     // 0x04 0x00 header, then 64-byte data reports
    EepromRead = 0x90,      // 0xFF length header, then 0x40 block requests
    StartDebugging = 0xB0,  // chip, debug link
    DebugSupply = 0xB1,     // 0 3 V, 1 5 V, 2 external
    ContinueDebugStartup = 0xB2,
    DebugData = 0xB3,  // channel count; replies carry the data frames
    PauseDebugData = 0xB4,
    StopDebugging = 0xB5,
    WriteDebugParameters = 0xB6,
};

constexpr uint8_t codeByte(CommandCode code) {
    return static_cast<uint8_t>(code);
}

}  // namespace tessel
