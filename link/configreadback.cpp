#include "link/configreadback.h"

#include "app/chipcatalogue.h"
#include "link/readback.h"

#include <initializer_list>

namespace tessel {
namespace {

QString hexBytes(const Report& r, std::initializer_list<int> positions, const char* gap = " ") {
    QString s;
    bool first = true;
    for (int p : positions) {
        if (!first)
            s += QLatin1String(gap);
        first = false;
        s += QString::asprintf("0x%02x", p >= 0 ? r[p] : 0);
    }
    return s;
}

// The words (or their inverses) `from` to `to` of the read reply, "0x.. 0x..".
QString hexWords(int chip, const Report& r, int from, int to, bool inverse) {
    QString s;
    for (int w = from; w <= to; ++w) {
        const int p = inverse ? readback::readInversePos(chip, w) : readback::readWordPos(chip, w);
        if (w != from)
            s += QLatin1Char(' ');
        s += QString::asprintf("0x%02x", p >= 0 ? r[p] : 0);
    }
    return s;
}

// The read reply's KR41xx lines, by the number of words the chip holds (the KR4111 keeps its
// fifth and sixth words in swapped slots).
void logKr41xx(int chip, const Report& r, const SharedState& s, LogSink& log) {
    const int words = chipInfo(chip).configWords;
    if (words == 3) {
        log.appendLog(s.text(Msg::ReadKr4121Words) + hexBytes(r, {2, 3, 4}) + QLatin1Char(' '));
    } else {
        log.appendLog(s.text(Msg::ReadKr41Word0, r[2]));
        if (words == 7) {
            log.appendLog(s.text(Msg::ReadKr4111Words) + hexBytes(r, {3, 4, 5, 7, 6, 8}));
        } else if (words == 9) {
            log.appendLog(s.text(Msg::ReadKr4112Words) + hexBytes(r, {3, 4, 5, 6, 7, 8, 9, 10}));
        } else {
            log.appendLog(s.text(Msg::ReadKr41Words) + hexBytes(r, {3, 4, 5, 6, 7, 8, 9, 10, 11}));
        }
    }
    for (int k = 1;; ++k) {
        const int p = readback::readCrcPos(chip, k);
        if (p < 0)
            break;
        log.appendLog(s.text(Msg::ReadCrc, k, r[p]));
    }
}

bool modelBitMatches(int chip, const Report& r) {
    const readback::BitPos v = readback::variantBit(chip, false);
    return v.byte < 0 || (((r[v.byte] >> v.bit) & 1) != 0) == readback::variantBitValue(chip);
}

ReadBackVerdict judgeKr41xx(int chip, const Report& r, bool locked, const SharedState& s,
                            LogSink& log) {
    logKr41xx(chip, r, s, log);
    // The KR4121 reads its second word as 0x87 or 0xC7.
    if (chipInfo(chip).programConfig == ProgramConfigStep::Kr4121Words && r[3] != 0x87 &&
        r[3] != 0xC7) {
        log.appendLog(s.text(Msg::Kr4121Word1Wrong));
        if (locked)
            return ReadBackVerdict::Failed;
    }
    if (r[readback::readStatusPos(chip)] != 1 || !modelBitMatches(chip, r)) {
        log.appendLog(s.text(Msg::Kr41ConfigCrcNg));
        return ReadBackVerdict::Failed;
    }
    log.appendLog(s.text(Msg::Kr41ConfigCrcOk));
    return ReadBackVerdict::Passed;
}

ReadBackVerdict judgeMcu01(int chip, const Report& r, const SharedState& s, LogSink& log) {
    log.appendLog(s.text(Msg::ReadMcu01Word0, r[readback::readWordPos(chip, 0)]));
    log.appendLog(s.text(Msg::ReadMcu01Words) + hexWords(chip, r, 1, 7, false));
    log.appendLog(s.text(Msg::ReadMcu01Inverses) + hexWords(chip, r, 1, 7, true));
    for (int k = 1; k <= chipInfo(chip).readCrcs; ++k)
        log.appendLog(s.text(Msg::ReadMcu01Crc, k, r[readback::readCrcPos(chip, k)]));
    const int status = r[readback::readStatusPos(chip)];
    if (status == 3) {
        log.appendLog(s.text(Msg::ReadMcu01IcType, r[readback::icTypePos(chip)],
                             r[readback::icTypeInversePos(chip)]));
        log.appendLog(s.text(Msg::Mcu01WrongIcType));
        return ReadBackVerdict::Failed;
    }
    // The chip bit (CFG1 bit 0) tells RO5812DA (set) from ZU5712RA16 (clear).
    if (status == 1 && modelBitMatches(chip, r)) {
        log.appendLog(s.text(Msg::Mcu01ConfigCrcOk));
        return ReadBackVerdict::Passed;
    }
    log.appendLog(s.text(Msg::Mcu01ConfigCrcNg));
    return ReadBackVerdict::Failed;
}

void logMcu02(int chip, const Report& r, const SharedState& s, LogSink& log) {
    using namespace readback;
    log.appendLog(s.text(Msg::ReadMcuIcType, r[icTypePos(chip)], r[icTypeInversePos(chip)]));
    log.appendLog(s.text(Msg::ReadMcuVd15, r[vd15Pos(chip)], r[vd15Pos(chip) + 1]));
    log.appendLog(s.text(Msg::ReadMcu02Word0, r[readWordPos(chip, 0)], r[readWordPos(chip, 10)],
                         r[readWordPos(chip, 11)]));
    log.appendLog(s.text(Msg::ReadMcuWords1to6) + hexWords(chip, r, 1, 6, false));
    log.appendLog(s.text(Msg::ReadMcu02Words7to9) + hexWords(chip, r, 7, 9, false));
    log.appendLog(s.text(Msg::ReadMcu02Words12and13) + hexWords(chip, r, 12, 13, false));
    log.appendLog(s.text(Msg::ReadMcu02Inverses1to6) + hexWords(chip, r, 1, 6, true));
    log.appendLog(s.text(Msg::ReadMcu02Inverses7to9) + hexWords(chip, r, 7, 9, true));
    log.appendLog(s.text(Msg::ReadMcu02Inverses12and13) + hexWords(chip, r, 12, 13, true));
    for (int k = 0; k <= 13; ++k)
        log.appendLog(s.text(Msg::ReadMcuCrc, k, r[readCrcPos(chip, k)]));
}

void logMcu04(int chip, const Report& r, const SharedState& s, LogSink& log) {
    using namespace readback;
    log.appendLog(s.text(Msg::ReadMcuIcType, r[icTypePos(chip)], r[icTypeInversePos(chip)]));
    log.appendLog(s.text(Msg::ReadMcu04Word0, r[readWordPos(chip, 0)], r[readWordPos(chip, 30)]));
    log.appendLog(s.text(Msg::ReadMcuWords1to6) + hexWords(chip, r, 1, 6, false));
    log.appendLog(s.text(Msg::ReadMcu04Words7to12) + hexWords(chip, r, 7, 12, false));
    log.appendLog(s.text(Msg::ReadMcu04Words13to18) + hexWords(chip, r, 13, 18, false));
    log.appendLog(s.text(Msg::ReadMcu04Words19to25) + hexWords(chip, r, 19, 25, false));
    log.appendLog(s.text(Msg::ReadMcu04Inverses1to6) + hexWords(chip, r, 1, 6, true));
    log.appendLog(s.text(Msg::ReadMcu04Inverses7to12) + hexWords(chip, r, 7, 12, true));
    log.appendLog(s.text(Msg::ReadMcu04Inverses13to18) + hexWords(chip, r, 13, 18, true));
    log.appendLog(s.text(Msg::ReadMcu04Inverses19to25) + hexWords(chip, r, 19, 25, true));
    log.appendLog(s.text(Msg::ReadMcuCrc, 0, r[readCrcPos(chip, 0)]));
    log.appendLog(s.text(Msg::ReadMcuCrc, 30, r[readCrcPos(chip, 30)]));
}

// The MCU02 and MCU04 families: words with inverses, IC type, then the status byte.
ReadBackVerdict judgeMcu(int chip, const Report& r, const SharedState& s, LogSink& log) {
    if (chipInfo(chip).family == ChipFamily::MCU04) {
        logMcu04(chip, r, s, log);
    } else {
        logMcu02(chip, r, s, log);
    }
    switch (r[readback::readStatusPos(chip)]) {
        case 1:
            log.appendLog(s.text(Msg::McuConfigCheckOk));
            return ReadBackVerdict::Passed;
        case 2:
            log.appendLog(s.text(Msg::McuCommandCrcError));
            break;
        case 3:
            log.appendLog(s.text(Msg::McuWrongIcType));
            break;
        default:
            log.appendLog(s.text(Msg::McuConfigCheckNg));
            break;
    }
    return ReadBackVerdict::Failed;
}

}  // namespace

ReadBackVerdict judgeConfigReadBack(int chip, const Report& reply, bool kr4121Locked,
                                    const SharedState& state, LogSink& log) {
    switch (chipInfo(chip).family) {
        case ChipFamily::KR41xx:
            return judgeKr41xx(chip, reply, kr4121Locked, state, log);
        case ChipFamily::MCU01:
            return judgeMcu01(chip, reply, state, log);
        case ChipFamily::MCU02:
        case ChipFamily::MCU04:
            break;
    }
    return judgeMcu(chip, reply, state, log);
}

int configCopyLength(int chip) {
    return readback::configCopyLength(chip);
}

bool eepromEnabledIn(int chip, const Report& reply) {
    const readback::BitPos p = readback::eepromEnable(chip);
    return p.byte >= 0 && ((reply[p.byte] >> p.bit) & 1) != 0;
}

}  // namespace tessel
