#include "link/configreadback.h"

#include "link/readback.h"

#include <initializer_list>

namespace tessel {
namespace {

// "prefix0x%02x 0x%02x ..." over the given reply bytes, separated by `gap`.
QString bytesLine(const char* prefix, const Report& r, std::initializer_list<int> positions,
                  const char* gap = " ") {
    QString s = QString::fromUtf8(prefix);
    bool first = true;
    for (int p : positions) {
        if (!first)
            s += QLatin1String(gap);
        first = false;
        s += QString::asprintf("0x%02x", p >= 0 ? r[p] : 0);
    }
    return s;
}

QString wordsLine(const char* prefix, int chip, const Report& r, int from, int to, bool inverse,
                  const char* gap = " ") {
    QString s = QString::fromUtf8(prefix);
    for (int w = from; w <= to; ++w) {
        const int p = inverse ? readback::readInversePos(chip, w) : readback::readWordPos(chip, w);
        if (w != from)
            s += QLatin1String(gap);
        s += QString::asprintf("0x%02x", p >= 0 ? r[p] : 0);
    }
    return s;
}

void logKr41xx(int chip, const Report& r, LogSink& log) {
    if (chip == 0) {
        log.appendLog(bytesLine("编程器:读回配置字: ", r, {2, 3, 4}) + QLatin1Char(' '));
    } else {
        log.appendLog(QString::asprintf("编程器:读回配置字0: 0x%02x", r[2]));
        if (chip == 1) {
            // The chip keeps its fifth and sixth words in swapped slots.
            log.appendLog(bytesLine("编程器:读回配置字1-6:", r, {3, 4, 5, 7, 6, 8}));
        } else if (chip == 2) {
            log.appendLog(bytesLine("读回配置字1-8:", r, {3, 4, 5, 6, 7, 8, 9, 10}));
        } else {
            log.appendLog(bytesLine("读回配置字1-9:", r, {3, 4, 5, 6, 7, 8, 9, 10, 11}));
        }
    }
    for (int k = 1;; ++k) {
        const int p = readback::readCrcPos(chip, k);
        if (p < 0)
            break;
        log.appendLog(QString::asprintf("编程器:读回CRC%d: 0x%02x", k, r[p]));
    }
}

ReadBackVerdict judgeKr41xx(int chip, const Report& r, bool locked, LogSink& log) {
    logKr41xx(chip, r, log);
    if (chip == 0 && r[3] != 0x87 && r[3] != 0xC7) {
        log.appendLog(QStringLiteral("配置字1错误！"));
        if (locked)
            return ReadBackVerdict::Failed;
    }
    bool passed = r[readback::readStatusPos(chip)] == 1;
    if (passed && chip >= 3) {
        const readback::BitPos v = readback::variantBit(chip, false);
        passed = (((r[v.byte] >> v.bit) & 1) != 0) == readback::variantBitValue(chip);
    }
    if (!passed) {
        log.appendLog(QStringLiteral("配置字CRC校验错误!"));
        return ReadBackVerdict::Failed;
    }
    log.appendLog(QStringLiteral("配置字CRC校验正确!"));
    return ReadBackVerdict::Passed;
}

ReadBackVerdict judgeMcu01(int chip, const Report& r, const SharedState& state, LogSink& log) {
    log.appendLog(QString::asprintf("Read Config0: 0x%02x", r[readback::readWordPos(chip, 0)]));
    log.appendLog(wordsLine("Read Config1-7:", chip, r, 1, 7, false));
    log.appendLog(wordsLine("Config Inverse Code1-7:", chip, r, 1, 7, true));
    for (int k = 1; k <= 7; ++k) {
        log.appendLog(
            QString::asprintf("Config CRC%d: 0x%02x", k, r[readback::readCrcPos(chip, k)]));
    }
    const int status = r[readback::readStatusPos(chip)];
    if (status == 3) {
        const int ic = r[readback::icTypePos(chip)];
        const int inv = r[readback::icTypeInversePos(chip)];
        log.appendLog(
            state.english()
                ? QString::asprintf("Read Back ICTYPE: 0x%02x,ICTYPE Inverse Code:0x%02x", ic, inv)
                : QString::asprintf("编程器:读回ICTYPE: 0x%02x,ICTYPE反码:0x%02x", ic, inv));
        log.appendLog(
            state.text("ICTYPE不正确，请确认选择的芯片类型是否正确！", "Please Check ICTYPE！"));
        return ReadBackVerdict::Failed;
    }
    // The chip bit (CFG1 bit 0) tells RO5812DA (set) from ZU5712RA16 (clear).
    const readback::BitPos chipBit = readback::variantBit(chip, false);
    const bool bitSet = ((r[chipBit.byte] >> chipBit.bit) & 1) != 0;
    if (status == 1 && bitSet == (chip == 8)) {
        log.appendLog(state.text("配置字CRC校验正确!", "Config CRC Check OK!"));
        return ReadBackVerdict::Passed;
    }
    log.appendLog(state.text("配置字CRC校验错误!", "Config CRC Check NG!"));
    return ReadBackVerdict::Failed;
}

void logMcu02(int chip, const Report& r, LogSink& log) {
    using namespace readback;
    log.appendLog(QString::asprintf("读回IC_TYPE：0x%02x,IC_TYPE的反码：0x%02x", r[icTypePos(chip)],
                                    r[icTypeInversePos(chip)]));
    log.appendLog(QString::asprintf("读回VD15：0x%02x,VD15的反码：0x%02x", r[vd15Pos(chip)],
                                    r[vd15Pos(chip) + 1]));
    log.appendLog(QString::asprintf("读回配置字0,10,11: 0x%02x  0x%02x  0x%02x",
                                    r[readWordPos(chip, 0)], r[readWordPos(chip, 10)],
                                    r[readWordPos(chip, 11)]));
    log.appendLog(wordsLine("读回配置字1-6: ", chip, r, 1, 6, false));
    log.appendLog(wordsLine("读回配置字7-9: ", chip, r, 7, 9, false));
    log.appendLog(wordsLine("读回配置字12,13: ", chip, r, 12, 13, false));
    log.appendLog(wordsLine("读回配置字取反码1-6: ", chip, r, 1, 6, true));
    log.appendLog(wordsLine("读回配置字取反码7-9: ", chip, r, 7, 9, true));
    log.appendLog(wordsLine("读回配置字取反码12,13: ", chip, r, 12, 13, true));
    for (int k = 0; k <= 13; ++k) {
        log.appendLog(QString::asprintf("编程器:读回CRC%d: 0x%02x", k, r[readCrcPos(chip, k)]));
    }
}

void logMcu04(int chip, const Report& r, LogSink& log) {
    using namespace readback;
    log.appendLog(QString::asprintf("读回IC_TYPE：0x%02x,IC_TYPE的反码：0x%02x", r[icTypePos(chip)],
                                    r[icTypeInversePos(chip)]));
    log.appendLog(QString::asprintf("读回配置字0,30:0x%02x  0x%02x", r[readWordPos(chip, 0)],
                                    r[readWordPos(chip, 30)]));
    log.appendLog(wordsLine("读回配置字1-6: ", chip, r, 1, 6, false));
    log.appendLog(wordsLine("读回配置字7-12:", chip, r, 7, 12, false));
    log.appendLog(wordsLine("读回配置字13~18: ", chip, r, 13, 18, false));
    log.appendLog(wordsLine("读回配置字19~25: ", chip, r, 19, 25, false));
    log.appendLog(wordsLine("读回配置字反码1-6: ", chip, r, 1, 6, true));
    log.appendLog(wordsLine("读回配置字反码7-12: ", chip, r, 7, 12, true));
    log.appendLog(wordsLine("读回配置字反码13-18: ", chip, r, 13, 18, true));
    log.appendLog(wordsLine("读回配置字反码19-25: ", chip, r, 19, 25, true));
    log.appendLog(QString::asprintf("编程器:读回CRC0: 0x%02x", r[readCrcPos(chip, 0)]));
    log.appendLog(QString::asprintf("编程器:读回CRC30: 0x%02x", r[readCrcPos(chip, 30)]));
}

ReadBackVerdict judgeMcu(int chip, const Report& r, LogSink& log) {
    if (chip == 13) {
        logMcu04(chip, r, log);
    } else {
        logMcu02(chip, r, log);
    }
    switch (r[readback::readStatusPos(chip)]) {
        case 1:
            log.appendLog(QStringLiteral("配置字CRC以及反码校验正确!"));
            return ReadBackVerdict::Passed;
        case 2:
            log.appendLog(QStringLiteral("烧录器发送指令crc或者ack错误!"));
            break;
        case 3:
            log.appendLog(QStringLiteral("IC_TYPE芯片类型不对，请检查连接的芯片是否正确!"));
            break;
        default:
            log.appendLog(QStringLiteral("配置字CRC以及反码校验错误!"));
            break;
    }
    return ReadBackVerdict::Failed;
}

}  // namespace

ReadBackVerdict judgeConfigReadBack(int chip, const Report& reply, bool kr4121Locked,
                                    const SharedState& state, LogSink& log) {
    if (chip <= 7)
        return judgeKr41xx(chip, reply, kr4121Locked, log);
    if (chip <= 9)
        return judgeMcu01(chip, reply, state, log);
    return judgeMcu(chip, reply, log);
}

int configCopyLength(int chip) {
    return chip <= 9 ? 15 : chip <= 12 ? 22 : 50;
}

bool eepromEnabledIn(int chip, const Report& reply) {
    const readback::BitPos p = readback::eepromEnable(chip);
    return p.byte >= 0 && ((reply[p.byte] >> p.bit) & 1) != 0;
}

}  // namespace tessel
