#include "sim/simboard.h"

#include <functional>

namespace tessel {
namespace {

struct Key {
    const char* name;
    const char* help;
    const char* arg;  // how the value is written in the help text
    // Stores the value; false when it is not acceptable. hasValue is false for a bare KEY.
    std::function<bool(SimOptions&, const QString&, bool)> set;
};

bool toInt(const QString& text, int min, int max, int* out) {
    bool ok = false;
    const int v = text.toInt(&ok, 0);
    if (!ok || v < min || v > max)
        return false;
    *out = v;
    return true;
}

bool toBool(const QString& text, bool hasValue, bool* out) {
    if (!hasValue) {
        *out = true;
        return true;
    }
    const QString t = text.toLower();
    if (t == QLatin1String("1") || t == QLatin1String("on") || t == QLatin1String("yes") ||
        t == QLatin1String("true")) {
        *out = true;
        return true;
    }
    if (t == QLatin1String("0") || t == QLatin1String("off") || t == QLatin1String("no") ||
        t == QLatin1String("false")) {
        *out = false;
        return true;
    }
    return false;
}

// "400" for every channel, or "400:300:..." channel by channel (the last one for the rest).
bool toStrengths(const QString& text, std::array<int, 32>* out) {
    const QStringList parts = text.split(QLatin1Char(':'));
    std::array<int, 32> v{};
    for (int i = 0; i < 32; ++i) {
        if (i < parts.size() && !toInt(parts[i], 0, 30000, &v[i]))
            return false;
        if (i >= parts.size())
            v[i] = v[i - 1];
    }
    if (parts.size() > 32)
        return false;
    *out = v;
    return true;
}

Key benchKey(const char* name, const char* help, int SimTouchBench::*field, int min, int max) {
    return {name, help, "=N", [field, min, max](SimOptions& o, const QString& v, bool has) {
                return has && toInt(v, min, max, &(o.bench.*field));
            }};
}

template <typename Field>
Key intKey(const char* name, const char* help, Field field, int min, int max) {
    return {name, help, "=N", [field, min, max](SimOptions& o, const QString& v, bool has) {
                return has && toInt(v, min, max, &(o.*field));
            }};
}

Key boolKey(const char* name, const char* help, bool SimOptions::*field) {
    return {name, help, "[=0|1]", [field](SimOptions& o, const QString& v, bool has) {
                return toBool(v, has, &(o.*field));
            }};
}

const std::vector<Key>& keys() {
    static const std::vector<Key> table = {
        intKey("latency", "1 ms USB frames per report, each way (default 1; 0: no delay)",
               &SimOptions::latencyMs, 0, 10000),
        intKey("rate", "debug frames per second (default 50)", &SimOptions::frameRate, 1, 1000),
        intKey("channels", "touch channels of the target, 1 to 32 (default 8)",
               &SimOptions::channels, 1, 32),
        boolKey("touches", "scripted key touches in the debug stream (default 1)",
                &SimOptions::touches),
        {"seed", "seed of the debug stream's noise (default 1)", "=N",
         [](SimOptions& o, const QString& v, bool has) {
             int s = 0;
             if (!has || !toInt(v, 0, 0x7FFFFFFF, &s))
                 return false;
             o.seed = static_cast<uint32_t>(s);
             return true;
         }},
        {"touch", "counts a touch moves the raw count (default 400; N:N:... per channel)",
         "=N[:N...]",
         [](SimOptions& o, const QString& v, bool has) {
             return has && toStrengths(v, &o.bench.strength);
         }},
        benchKey("noise", "raw counts vary by up to +-N around the baseline (default 6)",
                 &SimTouchBench::noise, 0, 1000),
        benchKey("drift", "baselines move N counts every 100 frames, +-200 (default: random walk)",
                 &SimTouchBench::drift, 0, 10000),
        benchKey("coupling", "percent of a touch its neighbouring channels see (default 0)",
                 &SimTouchBench::coupling, 0, 100),
        intKey("boards", "simulated boards, each with its own path and serial (default 1)",
               &SimOptions::boards, 1, 16),
        intKey("silent-after", "no answer from the Nth received report on",
               &SimOptions::silentAfter, 0, 1 << 30),
        intKey("pull-after", "the board is pulled out right after the Nth report",
               &SimOptions::pullAfter, 0, 1 << 30),
        intKey("flash-crc", "the Nth flash data report is answered with a CRC error (0x56)",
               &SimOptions::flashCrcError, 0, 1 << 30),
        boolKey("flash-read-crc", "a flash read header is answered with a CRC error (0x56)",
                &SimOptions::flashReadCrc),
        intKey("flash-read-fail", "the Nth flash block request is answered with AA BB CC",
               &SimOptions::flashReadFail, 0, 1 << 30),
        intKey("flip-flash", "flash address read back with bit 0 flipped", &SimOptions::flipFlash,
               -1, 65535),
        intKey("flip-eeprom", "EEPROM address read back with bit 0 flipped",
               &SimOptions::flipEeprom, -1, 2047),
        intKey("flip-config", "byte (2 to 64) of the configuration replies flipped",
               &SimOptions::flipConfig, -1, 64),
        boolKey("wrong-version", "the board reports version V1.0.1.1b", &SimOptions::wrongVersion),
        boolKey("wrong-ictype", "the target is not the selected chip", &SimOptions::wrongIcType),
        boolKey("erase-fail", "every erase answers status 0", &SimOptions::eraseFail),
        boolKey("supply-fail", "switching the board's own 3 V/5 V supply fails",
                &SimOptions::supplyFail),
        boolKey("no-external", "no external supply for debugging", &SimOptions::noExternal),
        boolKey("target-fail", "the board cannot talk to the target chip", &SimOptions::targetFail),
        intKey("bad-frames", "every Nth debug frame is malformed", &SimOptions::badFrames, 0,
               1 << 30),
        boolKey("inf-protect", "information block protected: configuration writes do not take",
                &SimOptions::infProtect),
        boolKey("config-crc", "0x89 answers a failed CRC check", &SimOptions::configCrc),
        boolKey("cfg0-crc", "0x84 answers a failed CRC check", &SimOptions::cfg0Crc),
        boolKey("trim-crc", "0x8D answers a failed CRC check", &SimOptions::trimCrc),
        intKey("flip-trim", "trim word N (from 0) read back with bit 0 flipped",
               &SimOptions::flipTrim, -1, 39),
        intKey("drop", "the Nth received report gets no answer (later ones do)",
               &SimOptions::dropAt, 0, 1 << 30),
        intKey("stall", "a transfer without a report for MS ms ends (default 500, 0 = never)",
               &SimOptions::stallMs, 0, 600000),
        intKey("late", "the Nth received report is answered late-ms late", &SimOptions::lateAt, 0,
               1 << 30),
        intKey("late-ms", "how late the late answer comes (default 1500 ms)", &SimOptions::lateMs,
               0, 600000),
    };
    return table;
}

}  // namespace

namespace {

// Applies one "KEY[=VALUE]" item; false with error set when it is not understood.
bool applyItem(const QString& item, SimOptions& o, QString* error) {
    const int eq = item.indexOf(QLatin1Char('='));
    const QString key = (eq < 0 ? item : item.left(eq)).trimmed();
    const QString value = eq < 0 ? QString() : item.mid(eq + 1).trimmed();
    for (const Key& k : keys()) {
        if (key != QLatin1String(k.name))
            continue;
        if (k.set(o, value, eq >= 0))
            return true;
        if (error)
            *error = QStringLiteral("bad value for simulated-board option: %1").arg(item);
        return false;
    }
    if (error)
        *error = QStringLiteral("unknown simulated-board option: %1").arg(key);
    return false;
}

}  // namespace

bool SimOptions::parse(const QString& text, SimOptions* out, QString* error) {
    SimOptions o;
    const QStringList items = text.split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString& item : items) {
        // "KEY=VALUE@B": for board B only; checked now, applied when the boards are made.
        const int at = item.lastIndexOf(QLatin1Char('@'));
        if (at < 0) {
            if (!applyItem(item, o, error))
                return false;
            continue;
        }
        const QString own = item.left(at).trimmed();
        bool ok = false;
        const int board = item.mid(at + 1).trimmed().toInt(&ok);
        SimOptions probe;
        if (!ok || board < 1 || own.startsWith(QLatin1String("boards"))) {
            if (error)
                *error = QStringLiteral("bad board in simulated-board option: %1").arg(item);
            return false;
        }
        if (!applyItem(own, probe, error))
            return false;
        o.onBoard.emplace_back(board, own);
    }
    for (const auto& item : o.onBoard) {
        if (item.first > o.boards) {
            if (error) {
                *error = QStringLiteral("simulated-board option %1@%2: there are %3 boards")
                             .arg(item.second)
                             .arg(item.first)
                             .arg(o.boards);
            }
            return false;
        }
    }
    *out = o;
    return true;
}

SimOptions SimOptions::forBoard(int index) const {
    SimOptions own = *this;
    own.onBoard.clear();
    for (const auto& item : onBoard) {
        if (item.first == index + 1)
            applyItem(item.second, own, nullptr);
    }
    return own;
}

QString SimOptions::help() {
    QString text;
    for (const Key& k : keys()) {
        text += QStringLiteral("    %1 %2\n")
                    .arg(QString::fromLatin1(k.name) + QLatin1String(k.arg), -21)
                    .arg(QString::fromLatin1(k.help));
    }
    text +=
        QStringLiteral("    %1 %2\n")
            .arg(QStringLiteral("KEY=VALUE@B"), -21)
            .arg(QStringLiteral("a setting for board B (1 to boards) only, e.g. pull-after=10@2"));
    return text;
}

}  // namespace tessel
