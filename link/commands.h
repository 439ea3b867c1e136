#pragma once

#include "link/report.h"

#include <cstddef>
#include <cstdint>

namespace tessel {

struct DebugParameters;

// One builder per command of the board. Each returns a report that starts zeroed: byte 0 is
// the report ID 0, byte 1 the command code, then the payload the command names; every byte
// after the payload is 0. Bulk data reports carry no command code and start from 0xFF.
namespace cmd {

Report requestBoardVersion();                  // 0x7F 0xCD 0xCD 0xCD
Report selectChip(uint8_t chip);               // 0x80
Report enterProgrammingMode();                 // 0x81
Report readConfigurationWords();               // 0x82
Report eraseMainBlock(uint8_t protect);        // 0x83; the protection byte matters for 10-13
Report writeConfigurationWord0(uint8_t cfg0);  // 0x84, chips 1 to 9
// 0x84, chips 10 to 12: CFG0, CFG10, CFG11.
Report writeConfigurationWord0(uint8_t cfg0, uint8_t word10, uint8_t word11);
// 0x84, chip 13: CFG0, CFG30.
Report writeConfigurationWord0(uint8_t cfg0, uint8_t word30);
Report flashWriteHeader(uint16_t length);                   // 0x85, length in bytes 2-3
Report flashWriteData(const uint8_t* data, std::size_t n);  // n <= 64 bytes from byte 1
Report flashReadHeader(uint16_t length);                    // 0x86 0xFF, length in 3-4
Report flashReadRequest(uint8_t count, uint16_t block);     // 0x86 n, block in 3-4
Report leaveProgrammingMode();                              // 0x87
Report eraseInformationBlock();                             // 0x88
// 0x89 with the family's layout from byte 2 (at most 63 bytes are taken).
Report writeConfigurationWords(const uint8_t* payload, std::size_t n);
Report supply3V();                                             // 0x8A
Report supply5V();                                             // 0x8B
Report supplyOff();                                            // 0x8C
Report writeTrimWords(const uint8_t* payload, std::size_t n);  // 0x8D
Report eraseEeprom(uint8_t sizeCode);                          // 0x8E
Report eepromWriteHeader();                                    // 0x8F 0x04 0x00
Report eepromWriteData(const uint8_t* data);                   // 64 bytes from byte 1
Report eepromReadHeader(uint16_t length);                      // 0x90 0xFF, length in 3-4
Report eepromReadRequest(uint16_t block);                      // 0x90 0x40, block in 3-4
Report startDebugging(uint8_t chip);        // 0xB0: chip, then 0 for chips 0-2 and 1 for 3-13
Report selectDebugSupply(uint8_t choice);   // 0xB1: 0 3 V, 1 5 V, 2 external
Report continueDebugStartup();              // 0xB2
Report requestDebugData(uint8_t channels);  // 0xB3
Report pauseDebugData();                    // 0xB4
Report stopDebugging();                     // 0xB5
Report writeDebugParameters(const DebugParameters& params, uint8_t chip);  // 0xB6

}  // namespace cmd
}  // namespace tessel
