#include "link/commands.h"

#include "link/debugparams.h"

#include <algorithm>
#include <cstring>

namespace tessel {
namespace cmd {
namespace {

Report with(uint8_t code, std::initializer_list<uint8_t> payload) {
    Report r = makeReport(code);
    std::copy(payload.begin(), payload.end(), r.begin() + 2);
    return r;
}

Report withBytes(uint8_t code, const uint8_t* payload, std::size_t n) {
    Report r = makeReport(code);
    n = std::min<std::size_t>(n, kReportSize - 2);
    if (n > 0)
        std::memcpy(&r[2], payload, n);
    return r;
}

Report bulkData(const uint8_t* data, std::size_t n) {
    Report r;
    r.fill(0xFF);
    r[0] = 0;
    n = std::min<std::size_t>(n, 64);
    if (n > 0)
        std::memcpy(&r[1], data, n);
    return r;
}

uint8_t hi(uint16_t v) {
    return static_cast<uint8_t>(v >> 8);
}
uint8_t lo(uint16_t v) {
    return static_cast<uint8_t>(v & 0xFF);
}

}  // namespace

Report requestBoardVersion() {
    return with(0x7F, {0xCD, 0xCD, 0xCD});
}
Report selectChip(uint8_t chip) {
    return with(0x80, {chip});
}
Report enterProgrammingMode() {
    return makeReport(0x81);
}
Report readConfigurationWords() {
    return makeReport(0x82);
}
Report eraseMainBlock(uint8_t protect) {
    return with(0x83, {protect});
}
Report writeConfigurationWord0(uint8_t cfg0) {
    return with(0x84, {cfg0});
}
Report writeConfigurationWord0(uint8_t cfg0, uint8_t word10, uint8_t word11) {
    return with(0x84, {cfg0, word10, word11});
}
Report writeConfigurationWord0(uint8_t cfg0, uint8_t word30) {
    return with(0x84, {cfg0, word30});
}
Report flashWriteHeader(uint16_t length) {
    return with(0x85, {hi(length), lo(length)});
}
Report flashWriteData(const uint8_t* data, std::size_t n) {
    return bulkData(data, n);
}
Report flashReadHeader(uint16_t length) {
    return with(0x86, {0xFF, hi(length), lo(length)});
}
Report flashReadRequest(uint8_t count, uint16_t block) {
    return with(0x86, {count, hi(block), lo(block)});
}
Report leaveProgrammingMode() {
    return makeReport(0x87);
}
Report eraseInformationBlock() {
    return makeReport(0x88);
}
Report writeConfigurationWords(const uint8_t* payload, std::size_t n) {
    return withBytes(0x89, payload, n);
}
Report supply3V() {
    return makeReport(0x8A);
}
Report supply5V() {
    return makeReport(0x8B);
}
Report supplyOff() {
    return makeReport(0x8C);
}
Report writeTrimWords(const uint8_t* payload, std::size_t n) {
    return withBytes(0x8D, payload, n);
}
Report eraseEeprom(uint8_t sizeCode) {
    return with(0x8E, {sizeCode});
}
Report eepromWriteHeader() {
    return with(0x8F, {0x04, 0x00});
}
Report eepromWriteData(const uint8_t* data) {
    return bulkData(data, 64);
}
Report eepromReadHeader(uint16_t length) {
    return with(0x90, {0xFF, hi(length), lo(length)});
}
Report eepromReadRequest(uint16_t block) {
    return with(0x90, {0x40, hi(block), lo(block)});
}
Report startDebugging(uint8_t chip) {
    return with(0xB0, {chip, static_cast<uint8_t>(chip <= 2 ? 0 : 1)});
}
Report selectDebugSupply(uint8_t choice) {
    return with(0xB1, {choice});
}
Report continueDebugStartup() {
    return makeReport(0xB2);
}
Report requestDebugData(uint8_t channels) {
    return with(0xB3, {channels});
}
Report pauseDebugData() {
    return makeReport(0xB4);
}
Report stopDebugging() {
    return makeReport(0xB5);
}
Report writeDebugParameters(const DebugParameters& params, uint8_t chip) {
    return debugParametersFrame(params, chip);
}

}  // namespace cmd
}  // namespace tessel
