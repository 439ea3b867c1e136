#include "link/commands.h"

#include "app/chipcatalogue.h"
#include "link/commandcode.h"
#include "link/debugparams.h"

#include <algorithm>
#include <cstring>

namespace tessel {
namespace cmd {
namespace {

using C = CommandCode;

Report with(CommandCode code, std::initializer_list<uint8_t> payload) {
    Report r = makeReport(codeByte(code));
    std::copy(payload.begin(), payload.end(), r.begin() + 2);
    return r;
}

Report withBytes(CommandCode code, const uint8_t* payload, std::size_t n) {
    Report r = makeReport(codeByte(code));
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
    return with(C::BoardVersion, {0xCD, 0xCD, 0xCD});
}
Report selectChip(uint8_t chip) {
    return with(C::SelectChip, {chip});
}
Report enterProgrammingMode() {
    return makeReport(codeByte(C::EnterProgramming));
}
Report readConfigurationWords() {
    return makeReport(codeByte(C::ReadConfig));
}
Report eraseMainBlock(uint8_t protect) {
    return with(C::EraseMainBlock, {protect});
}
Report writeConfigurationWord0(uint8_t cfg0) {
    return with(C::WriteWord0, {cfg0});
}
Report writeConfigurationWord0(uint8_t cfg0, uint8_t word10, uint8_t word11) {
    return with(C::WriteWord0, {cfg0, word10, word11});
}
Report writeConfigurationWord0(uint8_t cfg0, uint8_t word30) {
    return with(C::WriteWord0, {cfg0, word30});
}
Report flashWriteHeader(uint16_t length) {
    return with(C::FlashWrite, {hi(length), lo(length)});
}
Report flashWriteData(const uint8_t* data, std::size_t n) {
    return bulkData(data, n);
}
Report flashReadHeader(uint16_t length) {
    return with(C::FlashRead, {0xFF, hi(length), lo(length)});
}
Report flashReadRequest(uint8_t count, uint16_t block) {
    return with(C::FlashRead, {count, hi(block), lo(block)});
}
Report leaveProgrammingMode() {
    return makeReport(codeByte(C::LeaveProgramming));
}
Report eraseInformationBlock() {
    return makeReport(codeByte(C::EraseInfoBlock));
}
Report writeConfigurationWords(const uint8_t* payload, std::size_t n) {
    return withBytes(C::WriteConfig, payload, n);
}
Report supply3V() {
    return makeReport(codeByte(C::Supply3V));
}
Report supply5V() {
    return makeReport(codeByte(C::Supply5V));
}
Report supplyOff() {
    return makeReport(codeByte(C::SupplyOff));
}
Report writeTrimWords(const uint8_t* payload, std::size_t n) {
    return withBytes(C::WriteTrim, payload, n);
}
Report eraseEeprom(uint8_t sizeCode) {
    return with(C::EraseEeprom, {sizeCode});
}
Report eepromWriteHeader() {
    return with(C::EepromWrite, {0x04, 0x00});
}
Report eepromWriteData(const uint8_t* data) {
    return bulkData(data, 64);
}
Report eepromReadHeader(uint16_t length) {
    return with(C::EepromRead, {0xFF, hi(length), lo(length)});
}
Report eepromReadRequest(uint16_t block) {
    return with(C::EepromRead, {0x40, hi(block), lo(block)});
}
Report startDebugging(uint8_t chip) {
    return with(C::StartDebugging, {chip, static_cast<uint8_t>(chipInfo(chip).debugLink)});
}
Report selectDebugSupply(uint8_t choice) {
    return with(C::DebugSupply, {choice});
}
Report continueDebugStartup() {
    return makeReport(codeByte(C::ContinueDebugStartup));
}
Report requestDebugData(uint8_t channels) {
    return with(C::DebugData, {channels});
}
Report pauseDebugData() {
    return makeReport(codeByte(C::PauseDebugData));
}
Report stopDebugging() {
    return makeReport(codeByte(C::StopDebugging));
}
Report writeDebugParameters(const DebugParameters& params, uint8_t chip) {
    return debugParametersFrame(params, chip);
}

}  // namespace cmd
}  // namespace tessel
