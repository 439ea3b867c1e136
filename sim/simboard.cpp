#include "sim/simboard.h"

#include "app/chipcatalogue.h"
#include "link/commandcode.h"
#include "link/debugframe.h"
#include "link/debugparams.h"
#include "link/readback.h"

#include <algorithm>

namespace tessel {
namespace {

using namespace readback;

// The board's CRC of one configuration or trim byte (CRC-8, polynomial 0x07).
uint8_t crc8(uint8_t value) {
    uint8_t crc = value;
    for (int i = 0; i < 8; ++i) {
        crc = static_cast<uint8_t>(crc & 0x80 ? (crc << 1) ^ 0x07 : crc << 1);
    }
    return crc;
}

void put(Report& r, int pos, uint8_t value) {
    if (pos >= 2 && pos < kReportSize)
        r[pos] = value;
}

// The MCU families answer with word/inverse pairs, an IC type and status codes.
bool isMcu(int chip) {
    return chipInfo(chip).family != ChipFamily::KR41xx;
}

// Status values of the MCU families' configuration replies.
using C = CommandCode;

constexpr uint8_t kPassed = 1;
constexpr uint8_t kInProgramming = 0x87;  // enter programming mode: the target is in it
constexpr uint8_t kDoneAA = 0xAA;         // a supply switched, debug parameters taken
constexpr uint8_t kFailedAA = 0x55;       // ... or not
constexpr uint8_t kCrcError = 0x56;       // byte 4 of a flash reply: CRC error
constexpr uint8_t kReadHeader = 0xFF;     // byte 2 of a read header (else a block request)
constexpr uint8_t kWrongIcType = 3;
constexpr uint8_t kInverseError = 4;

// The answer to a block request (byte 2 the count n, bytes 3-4 the block number): n bytes of
// the memory from byte 1 on, 0xFF after them; the byte at flipAt reads back with bit 0 flipped.
Report blockReply(const uint8_t* memory, size_t size, const Report& request, int flipAt) {
    Report r;
    r.fill(0xFF);
    r[0] = 0;
    const int n = std::min<int>(request[2], 64);
    const uint32_t base = static_cast<uint32_t>(request[3] << 8 | request[4]) * 64;
    for (int i = 0; i < n && base + i < size; ++i) {
        r[1 + i] = memory[base + i];
        if (static_cast<int>(base + i) == flipAt)
            r[1 + i] ^= 0x01;
    }
    return r;
}

}  // namespace

SimBoard::SimBoard(const SimOptions& options) : options_(options), panel_(options.seed) {
    for (int i = 0; i < 14; ++i)
        chips_[i] = std::make_unique<SimChip>(i);
    panel_.setScript(SimTouchPanel::cyclingScript(options.channels, options.touches));
    panel_.setBench(options.bench);
}

SimBoard::~SimBoard() = default;

SimOptions SimBoard::options() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return options_;
}

void SimBoard::setOptions(const SimOptions& options) {
    std::lock_guard<std::mutex> lock(mutex_);
    options_ = options;
    panel_.reseed(options.seed);
    panel_.setScript(SimTouchPanel::cyclingScript(options.channels, options.touches));
    panel_.setBench(options.bench);
}

std::vector<Report> SimBoard::trace() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return trace_;
}

void SimBoard::clearTrace() {
    std::lock_guard<std::mutex> lock(mutex_);
    trace_.clear();
}

int SimBoard::received() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return received_;
}

int SimBoard::lastAnswerDelayMs() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return options_.lateAt > 0 && received_ == options_.lateAt ? options_.lateMs : 0;
}

bool SimBoard::pulledOut() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return pulledOut_;
}

void SimBoard::replug() {
    std::lock_guard<std::mutex> lock(mutex_);
    received_ = 0;
    pulledOut_ = false;
    programming_ = false;
    streaming_ = false;
    bulk_ = Bulk::None;
    dataReportsLeft_ = 0;
    flashDataReports_ = 0;
    flashBlockRequests_ = 0;
}

bool SimBoard::streaming() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return streaming_ && !pulledOut_;
}

int SimBoard::framePeriodMs() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::max(1, 1000 / std::max(1, options_.frameRate));
}

int64_t SimBoard::framesSent() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return frameCounter_;
}

SimChip& SimBoard::chip(int index) {
    return *chips_[std::clamp(index, 0, kChipCount - 1)];
}

int SimBoard::selectedChip() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return selected_;
}

bool SimBoard::programmingMode() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return programming_;
}

DebugParameters SimBoard::lastDebugParameters() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return lastParams_;
}

void SimBoard::setTouchScript(const std::vector<SimTouch>& touches) {
    std::lock_guard<std::mutex> lock(mutex_);
    panel_.setScript(touches);
}

std::vector<Report> SimBoard::handle(const Report& command) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (pulledOut_)
        return {};
    trace_.push_back(command);
    ++received_;
    if (options_.pullAfter > 0 && received_ >= options_.pullAfter) {
        pulledOut_ = true;
        streaming_ = false;
        return {};
    }
    if (options_.silentAfter > 0 && received_ >= options_.silentAfter)
        return {};
    // A transfer left waiting for its data too long is over: this report is a command.
    const auto now = std::chrono::steady_clock::now();
    if (bulk_ != Bulk::None && options_.stallMs > 0 &&
        now - lastReport_ > std::chrono::milliseconds(options_.stallMs)) {
        bulk_ = Bulk::None;
        dataReportsLeft_ = 0;
    }
    lastReport_ = now;
    bool answer = true;
    const Report reply = handleLocked(command, &answer);
    if (!answer || received_ == options_.dropAt)
        return {};
    return {reply};
}

Report SimBoard::handleLocked(const Report& c, bool* answer) {
    if (bulk_ != Bulk::None && dataReportsLeft_ > 0)
        return bulkData(c, answer);

    Report r = makeReport(c[1]);
    SimChip& chip = target();
    switch (static_cast<CommandCode>(c[1])) {
        case C::BoardVersion:
            return versionReply();
        case C::SelectChip:
            if (c[2] < 14)
                selected_ = c[2];
            r[2] = c[2];
            break;
        case C::EnterProgramming:
            programming_ = !options_.targetFail;
            r[2] = programming_ ? kInProgramming : 0x00;
            break;
        case C::ReadConfig:
            return readConfiguration();
        case C::EraseMainBlock: {
            bool ok = !options_.eraseFail && !options_.targetFail;
            if (selected_ >= 10)
                ok = ok && c[2] == chip.protect;  // the password opens it
            if (ok)
                chip.eraseFlash();
            r[2] = ok ? kPassed : 0;
            break;
        }
        case C::WriteWord0:
            return writeCfg0(c);
        case C::FlashWrite:
            return startBulkWrite(c, Bulk::Flash);
        case C::FlashRead:
            return flashRead(c);
        case C::LeaveProgramming:
            programming_ = false;
            r[2] = 0x00;  // kInProgramming here would mean the target is still in that mode
            break;
        case C::EraseInfoBlock:
            return eraseInfoBlock();
        case C::WriteConfig:
            return writeConfiguration(c);
        case C::Supply3V:
        case C::Supply5V:
        case C::SupplyOff:
            r[2] = options_.supplyFail ? kFailedAA : kDoneAA;
            break;
        case C::WriteTrim:
            return writeTrim(c);
        case C::EraseEeprom:
            return eraseEeprom();
        case C::EepromWrite:
            return startBulkWrite(c, Bulk::Eeprom);
        case C::EepromRead:
            if (c[2] == kReadHeader) {
                r[2] = kReadHeader;
                r[3] = c[3];
                r[4] = c[4];
            } else {
                r = blockReply(chip.eeprom.data(), chip.eeprom.size(), c, options_.flipEeprom);
            }
            break;
        case C::StartDebugging:
        case C::DebugSupply:
        case C::ContinueDebugStartup:
        case C::DebugData:
        case C::PauseDebugData:
        case C::StopDebugging:
        case C::WriteDebugParameters:
            return debugReply(c, answer);
        default:
            *answer = false;
            break;  // the board ignores what it does not know
    }
    return r;
}

Report SimBoard::versionReply() const {
    Report r = makeReport(codeByte(C::BoardVersion));  // "V1.0.1.1a"
    r[2] = 0x56;
    r[3] = 1;
    r[4] = 0;
    r[5] = 1;
    r[6] = 1;
    r[7] = options_.wrongVersion ? 0x62 : 0x61;
    return r;
}

Report SimBoard::eraseInfoBlock() {
    Report r = makeReport(codeByte(C::EraseInfoBlock));
    const bool ok = !options_.eraseFail && !options_.targetFail;
    // A protected information block acknowledges the erase and keeps its words.
    if (ok && !options_.infProtect)
        target().eraseConfiguration();
    r[2] = ok ? kPassed : 0;
    return r;
}

Report SimBoard::eraseEeprom() {
    Report r = makeReport(codeByte(C::EraseEeprom));
    SimChip& chip = target();
    const bool ok =
        !options_.eraseFail && !options_.targetFail && !chip.eeprom.empty() && chip.eepromEnabled();
    if (ok)
        chip.eraseEeprom();
    r[2] = ok ? kPassed : 0;
    return r;
}

Report SimBoard::startBulkWrite(const Report& c, Bulk kind) {
    // The header's length says how many data reports follow.
    Report r = makeReport(c[1]);
    bulk_ = kind;
    bulkLength_ = static_cast<uint32_t>(c[2] << 8 | c[3]);
    bulkOffset_ = 0;
    dataReportsLeft_ = static_cast<int>((bulkLength_ + 63) / 64);
    if (dataReportsLeft_ == 0)
        bulk_ = Bulk::None;
    r[2] = c[2];
    r[3] = c[3];
    return r;
}

Report SimBoard::flashRead(const Report& c) {
    Report r = makeReport(c[1]);
    if (c[2] == kReadHeader) {
        if (options_.flashReadCrc) {
            r = makeReport(codeByte(C::FlashWrite));
            r[4] = kCrcError;
        } else {
            r[2] = kReadHeader;
            r[3] = c[3];
            r[4] = c[4];
        }
        return r;
    }
    ++flashBlockRequests_;
    if (options_.flashReadFail > 0 && flashBlockRequests_ == options_.flashReadFail) {
        // A reply that is no block: the program must not take it as flash data.
        r = makeReport(0xAA);
        r[2] = 0xBB;
        r[3] = 0xCC;
        return r;
    }
    // Data reply: n bytes from byte 1 on, 0xFF after them.
    return blockReply(target().flash.data(), target().flash.size(), c, options_.flipFlash);
}

Report SimBoard::bulkData(const Report& data, bool* answer) {
    --dataReportsLeft_;
    const uint32_t n = std::min<uint32_t>(64, bulkLength_ - bulkOffset_);
    SimChip& chip = target();
    Report r;
    if (bulk_ == Bulk::Flash) {
        ++flashDataReports_;
        for (uint32_t i = 0; i < n; ++i) {
            const uint32_t a = bulkOffset_ + i;
            if (a < chip.flash.size())
                chip.flash[a] &= data[1 + i];  // programming clears bits
        }
        bulkOffset_ += n;
        r = makeReport(codeByte(C::FlashWrite));
        r[2] = static_cast<uint8_t>(bulkOffset_ >> 8);
        r[3] = static_cast<uint8_t>(bulkOffset_ & 0xFF);
        if (options_.flashCrcError > 0 && flashDataReports_ == options_.flashCrcError) {
            r[4] = kCrcError;
            dataReportsLeft_ = 0;  // the board gives up on the transfer
        }
    } else {
        for (uint32_t i = 0; i < n; ++i) {
            const uint32_t a = bulkOffset_ + i;
            if (a < chip.eeprom.size())
                chip.eeprom[a] = data[1 + i];
        }
        bulkOffset_ += n;
        r = makeReport(codeByte(C::EepromWrite));
        r[2] = static_cast<uint8_t>(bulkOffset_ >> 8);
        r[3] = static_cast<uint8_t>(bulkOffset_ & 0xFF);
    }
    if (dataReportsLeft_ == 0)
        bulk_ = Bulk::None;
    *answer = true;
    return r;
}

Report SimBoard::readConfiguration() {
    const int idx = selected_;
    const SimChip& chip = target();
    Report r = makeReport(codeByte(C::ReadConfig));
    uint8_t status = options_.targetFail ? 0 : kPassed;
    uint8_t icType = chip.icType;
    if (options_.wrongIcType) {
        icType = static_cast<uint8_t>(idx ^ 1);
        if (isMcu(idx))
            status = kWrongIcType;
    }
    const int words = configWordCount(idx);
    for (int w = 0; w < words; ++w) {
        const int pos = readWordPos(idx, w);
        if (pos == kNone)
            continue;
        uint8_t v = reportedWord(chip, w);
        // Another chip on the connector shows another variant bit.
        const BitPos vb = variantBit(idx, false);
        if (options_.wrongIcType && vb.byte == pos)
            v ^= static_cast<uint8_t>(1u << vb.bit);
        if (options_.wrongIcType && idx == 0 && w == 1)
            v = 0x00;
        put(r, pos, v);
        put(r, readInversePos(idx, w), static_cast<uint8_t>(~v));
    }
    for (int k = 0; k <= 30; ++k)
        put(r, readCrcPos(idx, k), crc8(chip.word(k)));
    put(r, icTypePos(idx), icType);
    put(r, icTypeInversePos(idx), static_cast<uint8_t>(~icType));
    if (vd15Pos(idx) != kNone) {
        put(r, vd15Pos(idx), chip.vd15);
        put(r, vd15Pos(idx) + 1, static_cast<uint8_t>(~chip.vd15));
    }
    put(r, protectPos(idx), chip.protect);
    put(r, readStatusPos(idx), status);  // for chip 13 this replaces ~CFG23
    if (options_.flipConfig >= 2)
        r[options_.flipConfig] ^= 0x01;
    return r;
}

uint8_t SimBoard::reportedWord(const SimChip& chip, int number) const {
    // A protected information block shows its write/erase protection bit in CFG0.
    const uint8_t protection = options_.infProtect && number == 0 ? 0x02 : 0x00;
    return static_cast<uint8_t>(chip.word(number) | protection);
}

Report SimBoard::writeConfiguration(const Report& c) {
    const int idx = selected_;
    SimChip& chip = target();
    Report r = makeReport(codeByte(C::WriteConfig));
    const int len = configPayloadLength(idx);
    const uint8_t* p = &c[2];
    if (writeEchoPos(idx) != kNone)
        std::copy(p, p + len, r.begin() + writeEchoPos(idx));

    uint8_t status = kPassed;
    if (options_.targetFail || options_.configCrc) {
        status = 0;
    } else if (options_.wrongIcType && isMcu(idx)) {
        status = kWrongIcType;
    } else if (options_.infProtect) {
        // The protected block keeps its words; the board's own check passes.
    } else if (!isMcu(idx)) {
        for (int k = 0; k < len; ++k)
            chip.cfg[k] = p[k];
    } else {
        // The MCU families send each word followed by its inverse (MCU01 with CFG0 first).
        const std::vector<int> pairs = pairedWords(idx);
        const int first = idx <= 9 ? 1 : 0;
        bool inversesOk = true;
        for (size_t i = 0; i < pairs.size(); ++i) {
            const uint8_t w = p[first + 2 * i];
            const uint8_t inv = p[first + 2 * i + 1];
            if (static_cast<uint8_t>(~w) != inv)
                inversesOk = false;
        }
        if (inversesOk) {
            if (first)
                chip.cfg[0] = p[0];
            for (size_t i = 0; i < pairs.size(); ++i)
                chip.cfg[pairs[i]] = p[first + 2 * i];
        } else {
            status = kInverseError;
        }
    }

    int crc = 0;
    const int words = configWordCount(idx);
    for (int w = 0; w < words; ++w) {
        const int pos = writeWordPos(idx, w);
        if (pos == kNone)
            continue;
        const uint8_t v = reportedWord(chip, w);
        put(r, pos, v);
        put(r, writeInversePos(idx, w), static_cast<uint8_t>(~v));
        if (w > 0 || !isMcu(idx))
            put(r, writeCrcPos(idx, crc++), crc8(v));
    }
    // Another chip on the connector shows another variant bit.
    const BitPos vb = variantBit(idx, true);
    if (options_.wrongIcType && !isMcu(idx) && vb.byte != kNone)
        r[vb.byte] ^= static_cast<uint8_t>(1u << vb.bit);
    put(r, writeStatusPos(idx), status);
    if (options_.flipConfig >= 2)
        r[options_.flipConfig] ^= 0x01;
    return r;
}

Report SimBoard::writeCfg0(const Report& c) {
    const int idx = selected_;
    SimChip& chip = target();
    Report r = makeReport(codeByte(C::WriteWord0));
    const int count = cfg0WordCount(idx);
    // The words configuration word 0 carries: CFG0, then CFG10 and CFG11 or CFG30.
    int numbers[3] = {0, 10, 11};
    if (idx == 13)
        numbers[1] = 30;
    const bool ok = !options_.targetFail && !options_.cfg0Crc;
    const bool takes = ok && !options_.infProtect;
    for (int i = 0; i < count; ++i) {
        put(r, cfg0EchoPos(idx) + i, c[2 + i]);
        if (takes)
            chip.cfg[numbers[i]] = c[2 + i];
    }
    if (takes && idx >= 10)
        chip.protect = c[3];  // the main-area password
    for (int i = 0; i < count; ++i) {
        const uint8_t v = reportedWord(chip, numbers[i]);
        put(r, cfg0ReadBackPos(idx) + i, v);
        if (cfg0CrcPos(idx) != kNone)
            put(r, cfg0CrcPos(idx) + i, crc8(v));
    }
    if (cfg0StatusPos(idx) != kNone)
        put(r, cfg0StatusPos(idx), ok ? 1 : 0);
    return r;
}

Report SimBoard::writeTrim(const Report& c) {
    const int idx = selected_;
    SimChip& chip = target();
    Report r = makeReport(codeByte(C::WriteTrim));
    const int n = trimWordCount(idx);
    const bool ok = !options_.targetFail && !options_.trimCrc;
    for (int i = 0; i < n; ++i) {
        if (trimEchoPos(idx) != kNone)
            put(r, trimEchoPos(idx) + i, c[2 + i]);
        if (ok)
            chip.trim[i] = c[2 + i];
    }
    for (int i = 0; i < n; ++i) {
        const uint8_t flip = i == options_.flipTrim ? 0x01 : 0x00;
        put(r, trimReadBackPos(idx) + i, static_cast<uint8_t>(chip.trim[i] ^ flip));
    }
    if (trimStatusPos(idx) != kNone)
        put(r, trimStatusPos(idx), ok ? 1 : 0);
    return r;
}

Report SimBoard::debugReply(const Report& c, bool* answer) {
    Report r = makeReport(c[1]);
    switch (static_cast<CommandCode>(c[1])) {
        case C::StartDebugging:
            debugChip_ = c[2] < 14 ? c[2] : selected_;
            streaming_ = false;
            frameCounter_ = 0;
            r[2] = c[2];
            r[3] = c[3];
            break;
        case C::DebugSupply: {
            // Byte 2 echoes the choice (0 3 V, 1 5 V, 2 external), byte 3 is 1 when it works.
            const int choice = c[2];
            bool ok = false;
            if (choice <= 1)
                ok = !options_.supplyFail;
            if (choice == 2)
                ok = !options_.noExternal;
            r[2] = c[2];
            r[3] = ok ? 1 : 0;
            break;
        }
        case C::ContinueDebugStartup:
            r[2] = options_.targetFail ? 0 : 1;
            r[3] = static_cast<uint8_t>(options_.channels);
            if (chipInfo(debugChip_).debugLink == DebugLink::Uart) {  // 9600 baud
                r[4] = 9600 >> 8;
                r[5] = 9600 & 0xFF;
            }
            break;
        case C::DebugData:
            streamChannels_ = std::min<int>(c[2], kMaxDebugChannels);
            streaming_ = !options_.targetFail;
            *answer = false;  // the frames follow on the stream
            break;
        case C::PauseDebugData:
        case C::StopDebugging:
            streaming_ = false;
            *answer = false;
            break;
        case C::WriteDebugParameters:
            lastParams_ = parseDebugParametersFrame(c);
            r[2] = options_.targetFail ? kFailedAA : kDoneAA;
            break;
        default:
            *answer = false;
            break;
    }
    return r;
}

std::vector<Report> SimBoard::nextFrame() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!streaming_ || pulledOut_)
        return {};
    const int chip = debugChip_;
    const int c = streamChannels_;
    const int n = 4 * c;
    const SimTouchPanel::Sample s = panel_.next(frameCounter_, c, chip);
    ++frameCounter_;

    const int length = DebugFrameAssembler::layoutLength(chip, c);
    std::vector<uint8_t> b(static_cast<size_t>(length), 0);
    const DebugFrameFamily frames = debugFrameFamily(chip);
    const int data = frames == DebugFrameFamily::Short ? 2 : 1;
    for (int i = 0; i < c; ++i) {
        b[data + 2 * i] = static_cast<uint8_t>(s.raw[i] >> 8);
        b[data + 2 * i + 1] = static_cast<uint8_t>(s.raw[i] & 0xFF);
        b[data + 2 * c + 2 * i] = static_cast<uint8_t>(s.baseline[i] >> 8);
        b[data + 2 * c + 2 * i + 1] = static_cast<uint8_t>(s.baseline[i] & 0xFF);
    }
    b[0] = 0xAE;
    if (frames == DebugFrameFamily::Short) {
        b[1] = 0xAE;
        b[n + 4] = 0xFF;
        b[n + 5] = 0xFF;
    } else {
        b[n + 1] = DebugFrameAssembler::parity(&b[1], n);
        b[n + 2] = static_cast<uint8_t>(n);
        const uint32_t flags = s.keyFlags;
        if (frames == DebugFrameFamily::Counter24) {
            b[n + 3] = static_cast<uint8_t>(flags >> 16);
            b[n + 4] = static_cast<uint8_t>(flags >> 8);
            b[n + 5] = static_cast<uint8_t>(flags);
            b[n + 6] = 0xFF;
        } else {
            b[n + 3] = static_cast<uint8_t>(flags >> 24);
            b[n + 4] = static_cast<uint8_t>(flags >> 16);
            b[n + 5] = static_cast<uint8_t>(flags >> 8);
            b[n + 6] = static_cast<uint8_t>(flags);
            b[n + 7] = 0xFF;
        }
    }
    if (options_.badFrames > 0 && frameCounter_ % static_cast<uint32_t>(options_.badFrames) == 0) {
        b[length - 1] = 0x00;  // a broken terminator: every family rejects it
    }

    std::vector<Report> segments;
    for (int seg = 0; seg * 60 < length; ++seg) {
        Report r = makeReport(codeByte(C::DebugData));
        r[2] = static_cast<uint8_t>(seg);
        r[3] = static_cast<uint8_t>(length >> 8);
        r[4] = static_cast<uint8_t>(length & 0xFF);
        const int from = seg * 60;
        const int to = std::min(length, from + 60);
        std::copy(b.begin() + from, b.begin() + to, r.begin() + 5);
        segments.push_back(r);
    }
    return segments;
}

}  // namespace tessel
