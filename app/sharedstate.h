#pragma once

#include "app/messages.h"

#include <QString>

#include <array>
#include <atomic>
#include <cstdint>

namespace tessel {

class CMUSBHid;

// The touch parameters the debug page edits and sends with the write-debug-parameters
// command. Only the window thread touches them.
struct DebugParameters {
    std::array<int32_t, 32> keyThresholds{};  // low byte of each is sent
    uint8_t reso = 0;                         // "CTK_RESO"
    uint8_t ds = 0;                           // "CTK_DS"
    uint8_t ref = 0;                          // "CTK_RV"
    uint8_t prs = 0;                          // "CTK_PRS"
    uint8_t rb = 0;                           // "CTK_Rb"
    uint8_t adaptiveEnable = 0;               // "CTK_Adaptive_EN"
    int32_t adaptiveLine = 0;                 // "Set_Baseline", 0 to 32768
    uint8_t dms = 0;                          // "CTK_DMS"
    uint8_t debugWork = 0;                    // "Debug_Work"
    uint32_t channelOpenMask = 0;             // "Set_SNopen"
    uint32_t adcEnable = 0;                   // "ADC_OPEN", low byte used
    uint8_t adcResolution = 0;                // "CTK_ADC"
    uint8_t chipPackage = 0;                  // "Chip_type"
    uint8_t parameterGroupEnabled = 0;
};

// The process-wide record every part shares. One instance is made by main() (or by a
// test) and handed to the objects that need it. Fields touched by the transport's
// reader and transfer threads are atomic; the rest belong to the window thread.
struct SharedState {
    std::atomic<uint32_t> chipIndex{0};        // 0..13, the selected model
    uint8_t language = 0;                      // 0 Chinese, 1 English
    QString moduleDir;                         // the program's directory, with a trailing separator
    QString profilePath;                       // the profile file, decided once at start-up
    QString boardVersion;                      // "%c%d.%d.%d.%d%c" of the last version reply
    std::atomic<int32_t> transferMode{0};      // 0 normal, 1 flash read, 2 EEPROM read
    std::atomic<uint8_t> verifyAfterWrite{0};  // the next flash read compares with the image
    // "m_check_engineering" of "InitParameters", read once at start-up: the programming
    // page shows its configuration group and the debug page its parameter group. No
    // control sets it, so a customer's installation never shows them by accident.
    bool engineeringLayout = false;
    DebugParameters debugParameters;

    bool english() const { return language == 1; }
    // An entry of the message table in the current language, its conversions filled.
    QString text(Msg id) const { return message(id, language); }
    template <typename... Args>
    QString text(Msg id, Args&&... args) const {
        return message(id, language, std::forward<Args>(args)...);
    }
};

}  // namespace tessel
