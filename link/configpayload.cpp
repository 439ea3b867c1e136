#include "link/configpayload.h"

#include "app/chipcatalogue.h"
#include "app/messages.h"
#include "link/readback.h"

#include <algorithm>

namespace tessel::configwrite {
namespace {

// "prefix0x.. 0x.." with one blank between values, two before value `wideGap`.
QString valuesLine(const QString& prefix, const std::vector<uint8_t>& values, int wideGap = -1) {
    QString s = prefix;
    for (size_t i = 0; i < values.size(); ++i) {
        if (i > 0)
            s += static_cast<int>(i) == wideGap ? QLatin1String("  ") : QLatin1String(" ");
        s += QString::asprintf("0x%02x", values[i]);
    }
    return s;
}

// The write and trim lines are Chinese in both languages (their entries are marked so).
QString text(Msg id) {
    return message(id, Language::Chinese);
}
template <typename... Args>
QString text(Msg id, Args... args) {
    return message(id, static_cast<uint8_t>(Language::Chinese), args...);
}

QString valuesLine(Msg prefix, const std::vector<uint8_t>& values, int wideGap = -1) {
    return valuesLine(text(prefix), values, wideGap);
}

std::vector<uint8_t> pick(const uint8_t* bytes, std::initializer_list<int> at) {
    std::vector<uint8_t> out;
    for (int i : at)
        out.push_back(bytes[i]);
    return out;
}

// Every second byte of `bytes` from `first`, `n` of them.
std::vector<uint8_t> stride(const uint8_t* bytes, int first, int n) {
    std::vector<uint8_t> out;
    for (int i = 0; i < n; ++i)
        out.push_back(bytes[first + 2 * i]);
    return out;
}

std::vector<uint8_t> run(const uint8_t* bytes, int first, int n) {
    return std::vector<uint8_t>(bytes + first, bytes + first + n);
}

void logCrcs(const Report& r, int first, std::initializer_list<int> numbers, LogSink& log) {
    int pos = first;
    for (int k : numbers)
        log.appendLog(text(Msg::ReadCrc, k, r[pos++]));
}

// The KR41xx lines by the number of words the chip holds.
void logKr41xx(int chip, const uint8_t* p, const Report& r, LogSink& log) {
    const uint8_t* back = r.data() + readback::writeWordPos(chip, 0);  // the slots, CFG0 first
    const int words = chipInfo(chip).configWords;
    if (words == 7) {
        // The KR4111's slots 4 and 5 hold its fifth and sixth words swapped.
        log.appendLog(valuesLine(Msg::WriteKr4111Words, pick(p, {1, 2, 3, 5, 4, 6})));
        log.appendLog(valuesLine(Msg::ReadKr4111Words, pick(back, {1, 2, 3, 5, 4, 6})));
    } else if (words == 9) {
        log.appendLog(valuesLine(Msg::WriteKr4112Words, run(p, 1, 8)));
        log.appendLog(valuesLine(Msg::ReadKr4112Words, run(back, 1, 8)));
    } else {
        log.appendLog(valuesLine(Msg::WriteKr41Words, run(p, 1, 9)));
        log.appendLog(valuesLine(Msg::ReadKr41Words, run(back, 1, 9)));
    }
    logCrcs(r, 22, {1, 2, 3}, log);
}

void logMcu01(const uint8_t* p, const Report& r, LogSink& log) {
    log.appendLog(valuesLine(Msg::WriteMcu01Words, stride(p, 1, 7)));
    log.appendLog(valuesLine(Msg::WriteMcu01Inverses, stride(p, 2, 7)));
    log.appendLog(valuesLine(Msg::BackMcu01Words, stride(r.data(), 22, 7)));
    log.appendLog(valuesLine(Msg::BackMcu01Inverses, stride(r.data(), 23, 7)));
    logCrcs(r, 36, {1, 2, 3, 4, 5, 6, 7}, log);
}

// Words and inverses of the MCU02 chips: pairs of CFG1 to CFG9, CFG12, CFG13.
// The four lines' prefixes: words 1-6, words 7-9,12,13, and their inverses.
void logMcu02Pairs(const Msg (&lines)[4], const uint8_t* b, LogSink& log) {
    log.appendLog(valuesLine(lines[0], stride(b, 0, 6), 4));
    log.appendLog(valuesLine(lines[1], stride(b, 12, 5), 4));
    log.appendLog(valuesLine(lines[2], stride(b, 1, 6)));
    log.appendLog(valuesLine(lines[3], stride(b, 13, 5)));
}

constexpr Msg kMcu02Written[4] = {Msg::WriteMcu02Words1to6, Msg::WriteMcu02Words7to13,
                                  Msg::WriteMcu02Inverses1to6, Msg::WriteMcu02Inverses7to13};
constexpr Msg kMcu02Back[4] = {Msg::BackMcu02Words1to6, Msg::BackMcu02Words7to13,
                               Msg::BackMcu02Inverses1to6, Msg::BackMcu02Inverses7to13};

// The eight lines' prefixes: words 1-6, 7-12, 13-18, 19-25, then their inverses.
void logMcu04Pairs(const Msg (&lines)[8], const uint8_t* b, LogSink& log) {
    // b: CFG1, ~CFG1, ... CFG25, ~CFG25.
    static const int kFirst[4] = {0, 12, 24, 36};
    static const int kCount[4] = {6, 6, 6, 7};
    for (int i = 0; i < 4; ++i)
        log.appendLog(valuesLine(lines[i], stride(b, kFirst[i], kCount[i])));
    for (int i = 0; i < 4; ++i)
        log.appendLog(valuesLine(lines[4 + i], stride(b, kFirst[i] + 1, kCount[i])));
}

constexpr Msg kMcu04Written[8] = {Msg::WriteMcu04Words1to6,      Msg::WriteMcu04Words7to12,
                                  Msg::WriteMcu04Words13to18,    Msg::WriteMcu04Words19to25,
                                  Msg::WriteMcu04Inverses1to6,   Msg::WriteMcu04Inverses7to12,
                                  Msg::WriteMcu04Inverses13to18, Msg::WriteMcu04Inverses19to25};
constexpr Msg kMcu04Back[8] = {Msg::BackMcu04Words1to6,      Msg::BackMcu04Words7to12,
                               Msg::BackMcu04Words13to18,    Msg::BackMcu04Words19to25,
                               Msg::BackMcu04Inverses1to6,   Msg::BackMcu04Inverses7to12,
                               Msg::BackMcu04Inverses13to18, Msg::BackMcu04Inverses19to25};

}  // namespace

std::vector<uint8_t> configPayload(int chip, const std::vector<uint8_t>& words) {
    const std::vector<int> pairs = readback::pairedWords(chip);
    const int length = readback::configPayloadLength(chip);
    if (pairs.empty()) {
        if (length == 0 || static_cast<int>(words.size()) != length)
            return {};
        return words;
    }
    // Words before the pairs go without an inverse (MCU01 sends CFG0 first).
    const size_t lead = static_cast<size_t>(length) - 2 * pairs.size();
    if (words.size() != lead + pairs.size())
        return {};
    std::vector<uint8_t> out(words.begin(), words.begin() + static_cast<long>(lead));
    for (size_t i = lead; i < words.size(); ++i) {
        out.push_back(words[i]);
        out.push_back(static_cast<uint8_t>(~words[i]));
    }
    return out;
}

Comparison configComparison(int chip) {
    // CFG0 is not compared where it is written on its own (0x84); the KR41xx slots of the
    // reply begin with it, the MCU01 pairs after it.
    const int sentFrom = chipInfo(chip).programConfig == ProgramConfigStep::Word0 ? 1 : 0;
    const int skipped = readback::pairedWords(chip).empty() ? sentFrom : 0;
    return {sentFrom, readback::writeCompareLength(chip) - skipped,
            readback::writeCompareStart(chip) + skipped};
}

bool configMatches(int chip, const std::vector<uint8_t>& payload, const Report& reply) {
    const Comparison c = configComparison(chip);
    if (static_cast<int>(payload.size()) < c.sentFrom + c.count)
        return false;
    return std::equal(payload.begin() + c.sentFrom, payload.begin() + c.sentFrom + c.count,
                      reply.begin() + c.replyFrom);
}

bool infoBlockProtected(int chip, const Report& reply) {
    // The MCU04 reports no such bit; chips without a configuration write do not either.
    const ChipInfo& c = chipInfo(chip);
    if (!isChipIndex(chip) || !c.configWrite || c.family == ChipFamily::MCU04)
        return false;
    const int cfg0 = readback::writeWordPos(chip, 0);  // 12, 49 or 61
    return cfg0 >= 0 && (reply[cfg0] & 0x02) != 0;
}

void logConfigWrite(int chip, const std::vector<uint8_t>& payload, const Report& reply,
                    LogSink& log) {
    std::vector<uint8_t> p = payload;
    p.resize(64, 0);  // the formats never read past what the family sends
    switch (chipInfo(chip).family) {
        case ChipFamily::KR41xx:
            logKr41xx(chip, p.data(), reply, log);
            break;
        case ChipFamily::MCU01:
            logMcu01(p.data(), reply, log);
            break;
        case ChipFamily::MCU02:
            logMcu02Pairs(kMcu02Written, p.data(), log);
            logMcu02Pairs(kMcu02Back, reply.data() + 26, log);
            logCrcs(reply, 48, {1, 2, 3, 4, 5, 6, 7, 8, 9, 12, 13}, log);
            break;
        case ChipFamily::MCU04:
            logMcu04Pairs(kMcu04Written, p.data(), log);
            logMcu04Pairs(kMcu04Back, reply.data() + 2, log);
            logCrcs(reply, 52, {1, 2, 3, 4, 5, 6, 7, 8, 9}, log);
            break;
    }
}

bool judgeWordZeroWrite(int chip, const std::vector<uint8_t>& sent, const Report& reply,
                        LogSink& log) {
    const bool mcu04 = chipInfo(chip).family == ChipFamily::MCU04;
    const int n = readback::cfg0WordCount(chip);
    std::vector<uint8_t> s = sent;
    s.resize(static_cast<size_t>(n), 0);
    const std::vector<uint8_t> back = run(reply.data(), 7, n);
    log.appendLog(valuesLine(mcu04 ? Msg::WriteWords0And30 : Msg::WriteWords0And10And11, s));
    log.appendLog(valuesLine(mcu04 ? Msg::BackWords0And30 : Msg::BackWords0And10And11, back));
    if (mcu04) {
        logCrcs(reply, 10, {0, 30}, log);
    } else {
        logCrcs(reply, 10, {0, 10, 11}, log);
    }
    const bool statusOk = reply[readback::cfg0StatusPos(chip)] == 1;
    if (statusOk)
        log.appendLog(text(mcu04 ? Msg::Words0And30CrcOk : Msg::Words0And10And11CrcOk));
    // A word 0 that did not take must not end as a success.
    if (statusOk && back == s && static_cast<int>(sent.size()) == n) {
        log.appendLog(text(mcu04 ? Msg::Words0And30Written : Msg::Words0And10And11Written));
        return true;
    }
    log.appendLog(text(mcu04 ? Msg::Words0And30WriteError : Msg::Words0And10And11WriteError));
    return false;
}

int trimLength(int chip) {
    return readback::trimWordCount(chip);
}

int trimStatusByte(int chip) {
    return readback::trimStatusPos(chip);
}

int trimReadBackByte(int chip) {
    return readback::trimReadBackPos(chip);
}

void logTrimWrite(int chip, const std::vector<uint8_t>& sent, const Report& reply, LogSink& log) {
    const int n = trimLength(chip);
    std::vector<uint8_t> s = sent;
    s.resize(static_cast<size_t>(n), 0);
    const std::vector<uint8_t> back = run(reply.data(), trimReadBackByte(chip), n);
    const ChipFamily family = chipInfo(chip).family;
    if (family == ChipFamily::KR41xx || family == ChipFamily::MCU01) {
        // One value after another, each followed by a blank.
        const auto line = [](Msg prefix, const std::vector<uint8_t>& v) {
            QString l = text(prefix);
            for (uint8_t b : v)
                l += QString::asprintf("0x%02x ", b);
            return l;
        };
        log.appendLog(line(Msg::WriteTrimWords, s));
        log.appendLog(line(Msg::BackTrimWords, back));
        return;
    }
    struct Group {
        const char* name;
        int first;
        int count;
    };
    // MCU02: CFG1..CFG7, OSC_REG, CFG12, CFG13, PW_REG. MCU04: CFG0..CFG9, CFG21..CFG25,
    // TEST/OSC/PLDO registers and the password, then their nineteen write flags, which the
    // verification compares too and which are therefore logged as well.
    static const Group kMcu02[] = {{"0~4", 0, 5}, {"5~9", 5, 5}, {"pw", 10, 1}};
    static const Group kMcu04[] = {
        {"0~4", 0, 5}, {"5~9", 5, 5}, {"21~25", 10, 5}, {"test/osc/pldo/pw", 15, 4}};
    const bool mcu04 = family == ChipFamily::MCU04;
    const Group* groups = mcu04 ? kMcu04 : kMcu02;
    const int count = mcu04 ? 4 : 3;
    for (int g = 0; g < count; ++g) {
        log.appendLog(valuesLine(text(Msg::WriteTrimGroup, groups[g].name),
                                 run(s.data(), groups[g].first, groups[g].count)));
    }
    if (mcu04)
        log.appendLog(valuesLine(Msg::WriteTrimFlags, run(s.data(), 19, 19)));
    for (int g = 0; g < count; ++g) {
        log.appendLog(valuesLine(text(Msg::BackTrimGroup, groups[g].name),
                                 run(back.data(), groups[g].first, groups[g].count)));
    }
    if (mcu04)
        log.appendLog(valuesLine(Msg::BackTrimFlags, run(back.data(), 19, 19)));
}

void logTrimDifferences(const std::vector<uint8_t>& sent, const Report& reply, int chip,
                        LogSink& log) {
    const int back = trimReadBackByte(chip);
    const int n = std::min<int>(static_cast<int>(sent.size()), kReportSize - back);
    for (int i = 0; i < n; ++i) {
        const uint8_t got = reply[static_cast<size_t>(back + i)];
        if (got == sent[static_cast<size_t>(i)])
            continue;
        // VE5812DUZI: the nineteen words, then the write flag of each of them.
        const bool flag = chipInfo(chip).family == ChipFamily::MCU04 && i >= 19;
        log.appendLog(flag ? text(Msg::TrimFlagDiffers, i - 18, sent[static_cast<size_t>(i)], got)
                           : text(Msg::TrimWordDiffers, i + 1, sent[static_cast<size_t>(i)], got));
    }
}

}  // namespace tessel::configwrite
