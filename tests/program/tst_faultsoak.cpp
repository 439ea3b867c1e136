// The fault soak: board operations on random chips against the simulated board with random
// faults (flash, EEPROM, configuration write, trim mode with a trim write, debug run, supply).
// Each must end within its time-out, never report success after a fault that broke it or
// that the board's contents contradict, and, while the board is there, leave programming
// mode (one 0x87 after every 0x81) and end every debug run it started (0xB5 after 0xB0).
// TESSEL_SOAK_SEED=N reruns with another seed, TESSEL_SOAK_ONLY=I reruns operation I alone
// (TESSEL_SOAK_FROM=F runs operations F to I on one board); TESSEL_SOAK_VERBOSE names each.
#include "app/chipcatalogue.h"
#include "app/profile.h"
#include "debug/debugsession.h"
#include "link/configpayload.h"
#include "pages/chip/configpages.h"
#include "pages/chip/pagesconfigsource.h"
#include "simbench.h"

#include <QElapsedTimer>
#include <QMap>
#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <functional>
#include <memory>

using namespace tessel;
using namespace tessel::test;

namespace {

constexpr uint32_t kDefaultSeed = 0x7E55E1;
constexpr int kOperations = 1000;
constexpr int kHangMs = 10000;  // far above every time-out of a single operation

// What a faulty board did to one operation, as far as the program must have noticed.
struct Run {
    SimBench& bench;
    int chip;
    const SimOptions& faults;
    uint32_t length;            // image or EEPROM bytes the operation moves
    std::vector<Report> trace;  // commands only
    int received;               // every report the board took
    bool pulled;
    bool success;
};

bool supplySucceeded(const Run& r) {
    for (const QString& line : r.bench.view->lines) {
        if (line.contains(QString::fromUtf8("上电成功")) ||
            line.contains(QString::fromUtf8("掉电成功")))
            return true;
    }
    return false;
}

// The operations the programming page offers: name, whether the chip has it, how to start
// it. Each new operation of the page is one more line here.
struct SoakOperation {
    const char* name;
    std::function<bool(int chip)> offered;
    std::function<bool(SimBench&)> start;  // false: ended at once (nothing to wait for)
    bool supply;
    bool trim = false;   // enter trim mode, one trim write, leave trim mode
    bool debug = false;  // a debug run: start-up, a short stream, stop
};

// Waits while the sequencer is busy; false when it did not end.
bool waitIdle(SimBench& b, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (b.seq->busy() && clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return !b.seq->busy();
}

const std::vector<SoakOperation>& operations() {
    static const std::vector<SoakOperation> table = {
        {"write flash", [](int) { return true; },
         [](SimBench& b) { return b.seq->startWriteFlash(); }, false},
        {"read flash", [](int) { return true; },
         [](SimBench& b) { return b.seq->startReadFlash(); }, false},
        {"read config", [](int) { return true; },
         [](SimBench& b) { return b.seq->startReadConfig(); }, false},
        {"read EEPROM", [](int c) { return chipInfo(c).eepromOperations; },
         [](SimBench& b) { return b.seq->startReadEeprom(); }, false},
        {"write EEPROM", [](int c) { return chipInfo(c).eepromOperations; },
         [](SimBench& b) { return b.seq->startWriteEeprom(); }, false},
        {"write config", [](int c) { return c != 0; },
         [](SimBench& b) { return b.seq->startWriteConfig(); }, false},
        {"trim write", [](int c) { return configwrite::trimLength(c) > 0; },
         [](SimBench& b) { return b.seq->enterTrimMode(); }, false, true},
        {"debug run", [](int) { return true; }, [](SimBench&) { return false; }, false, false,
         true},
        {"supply 3V", [](int) { return true; },
         [](SimBench& b) {
             b.seq->switchSupply(OperationSequencer::Supply::V3);
             return true;
         },
         true},
        {"supply 5V", [](int) { return true; },
         [](SimBench& b) {
             b.seq->switchSupply(OperationSequencer::Supply::V5);
             return true;
         },
         true},
        {"supply off", [](int) { return true; },
         [](SimBench& b) {
             b.seq->switchSupply(OperationSequencer::Supply::Off);
             return true;
         },
         true},
    };
    return table;
}

// One random fault (or none) with its report number drawn from the range an operation uses.
SimOptions drawFaults(QRandomGenerator& rng) {
    SimOptions o;
    o.latencyMs = 0;
    const int n = int(rng.bounded(1, 140));
    switch (rng.bounded(20)) {
        case 0:
            o.silentAfter = n;
            break;
        case 1:
            o.pullAfter = n;
            break;
        case 2:
            o.flashCrcError = int(rng.bounded(1, 70));
            break;
        case 3:
            o.flashReadCrc = true;
            break;
        case 4:
            o.flashReadFail = int(rng.bounded(1, 70));
            break;
        case 5:
            o.flipFlash = int(rng.bounded(0, 4096));
            break;
        case 6:
            o.flipEeprom = int(rng.bounded(0, 2048));
            break;
        case 7:
            o.flipConfig = int(rng.bounded(2, 65));
            break;
        case 8:
            o.wrongIcType = true;
            break;
        case 9:
            o.eraseFail = true;
            break;
        case 10:
            o.supplyFail = true;
            break;
        case 11:
            o.targetFail = true;
            break;
        case 12:
            o.configCrc = true;
            break;
        case 13:
            o.trimCrc = true;
            break;
        case 14:
            o.flipTrim = int(rng.bounded(0, 8));
            break;
        case 15:
            o.badFrames = int(rng.bounded(1, 4));  // every frame to every third malformed
            break;
        case 16:
            o.channels = 31;  // longer frames than some families take
            break;
        default:
            break;  // no fault
    }
    return o;
}

QString describe(const SimOptions& o) {
    QStringList f;
    if (o.silentAfter)
        f << QStringLiteral("silent-after=%1").arg(o.silentAfter);
    if (o.pullAfter)
        f << QStringLiteral("pull-after=%1").arg(o.pullAfter);
    if (o.flashCrcError)
        f << QStringLiteral("flash-crc=%1").arg(o.flashCrcError);
    if (o.flashReadCrc)
        f << QStringLiteral("flash-read-crc");
    if (o.flashReadFail)
        f << QStringLiteral("flash-read-fail=%1").arg(o.flashReadFail);
    if (o.flipFlash >= 0)
        f << QStringLiteral("flip-flash=%1").arg(o.flipFlash);
    if (o.flipEeprom >= 0)
        f << QStringLiteral("flip-eeprom=%1").arg(o.flipEeprom);
    if (o.flipConfig >= 0)
        f << QStringLiteral("flip-config=%1").arg(o.flipConfig);
    if (o.wrongIcType)
        f << QStringLiteral("wrong-ictype");
    if (o.eraseFail)
        f << QStringLiteral("erase-fail");
    if (o.supplyFail)
        f << QStringLiteral("supply-fail");
    if (o.targetFail)
        f << QStringLiteral("target-fail");
    if (o.configCrc)
        f << QStringLiteral("config-crc");
    if (o.trimCrc)
        f << QStringLiteral("trim-crc");
    if (o.flipTrim >= 0)
        f << QStringLiteral("flip-trim=%1").arg(o.flipTrim);
    if (o.badFrames)
        f << QStringLiteral("bad-frames=%1").arg(o.badFrames);
    if (o.channels != 8)
        f << QStringLiteral("channels=%1").arg(o.channels);
    return f.isEmpty() ? QStringLiteral("none") : f.join(QLatin1Char(','));
}

// The trace without the data reports of the flash and EEPROM writes, whose byte 1 is data:
// 0x85 announces its length in bytes 2-3, 0x8F always 1024 bytes. The writes go in lock-step,
// so no data report follows one that went unanswered or got the CRC error.
std::vector<Report> commandsOnly(const std::vector<Report>& trace, const SimOptions& f) {
    std::vector<Report> out;
    size_t skip = 0;
    int flashData = 0;
    bool flashWrite = false;
    for (size_t i = 0; i < trace.size(); ++i) {
        const Report& r = trace[i];
        if (skip > 0) {
            --skip;
            const bool flash = flashWrite && ++flashData == f.flashCrcError;
            if ((f.silentAfter > 0 && int(i) + 1 >= f.silentAfter) || flash)
                skip = 0;
            continue;
        }
        out.push_back(r);
        if (r[1] == 0x85 || r[1] == 0x8F) {
            flashWrite = r[1] == 0x85;
            skip = flashWrite ? (size_t(r[2] << 8 | r[3]) + 63) / 64 : 16;
        }
        if (f.silentAfter > 0 && int(i) + 1 >= f.silentAfter)
            skip = 0;
    }
    return out;
}

int countCode(const std::vector<Report>& t, uint8_t code) {
    return int(std::count_if(t.begin(), t.end(), [code](const Report& r) { return r[1] == code; }));
}

// Why a reported success cannot be true, or an empty text.
QString falseSuccess(const Run& r, const SoakOperation& op) {
    const SimOptions& f = r.faults;
    const std::string name = op.name;
    // Reports the board took before the final leave programming mode.
    int useful = r.received;
    if (!op.supply && useful > 0 && r.trace.back()[1] == 0x87)
        --useful;
    if (op.debug) {
        // What the stream needed: the reports up to the target's start-up (0xB2).
        const auto b2 = std::find_if(r.trace.begin(), r.trace.end(),
                                     [](const Report& c) { return c[1] == 0xB2; });
        useful = b2 == r.trace.end() ? r.received : int(b2 - r.trace.begin()) + 1;
    }
    if (f.silentAfter > 0 && f.silentAfter <= useful)
        return QStringLiteral("a report went unanswered");
    if (f.pullAfter > 0 && f.pullAfter <= useful)
        return QStringLiteral("the board was pulled out");
    if (op.supply)
        return f.supplyFail ? QStringLiteral("the supply switch failed") : QString();
    // An erase status is checked for some chips only; what counts is that the verified
    // bytes are on the chip (below).
    if (name == "write flash") {
        const SimChip& chip = r.bench.backend->board().chip(r.chip);
        if (!std::equal(chip.flash.begin(), chip.flash.begin() + r.length,
                        r.bench.image->writeBuffer.begin()))
            return QStringLiteral("the chip does not hold the image");
        if (f.flipFlash >= 0 && uint32_t(f.flipFlash) < r.length)
            return QStringLiteral("the read-back differed");
        if (f.flashCrcError > 0 && f.flashCrcError <= int((r.length + 63) / 64))
            return QStringLiteral("the board reported a CRC error");
    }
    if (name == "write flash" || name == "read flash") {
        if (f.flashReadCrc)
            return QStringLiteral("the read header got a CRC error");
        if (f.flashReadFail > 0 && countCode(r.trace, 0x86) > f.flashReadFail)
            return QStringLiteral("a block could not be read");
    }
    if (name == "read flash") {
        const SimChip& chip = r.bench.backend->board().chip(r.chip);
        for (uint32_t i = 0; i < r.bench.view->readShown; ++i) {
            const uint8_t want = chip.flash[i] ^ (int(i) == f.flipFlash ? 1 : 0);
            if (r.bench.image->readBuffer[i] != want)
                return QStringLiteral("the bytes read are not the chip's");
        }
    }
    if (name == "debug run") {
        // The stream starts only when the board started the run, switched the supply and
        // reached the target.
        if (f.targetFail)
            return QStringLiteral("the board could not reach the target");
        if (f.supplyFail)
            return QStringLiteral("the supply switch failed");
    }
    if (name == "write config") {
        if (f.targetFail || f.configCrc)
            return QStringLiteral("the board refused the configuration words");
        if (f.wrongIcType && r.chip >= 8)
            return QStringLiteral("another chip type answered");
    }
    if (name == "trim write") {
        if (f.targetFail || f.trimCrc)
            return QStringLiteral("the board refused the trim words");
        const int n = configwrite::trimLength(r.chip);
        if (f.flipTrim >= 0 && f.flipTrim < n)
            return QStringLiteral("a trim word read back differed");
        // The words the chip holds are the words the trim write sent.
        const SimChip& chip = r.bench.backend->board().chip(r.chip);
        for (const Report& c : r.trace) {
            if (c[1] == 0x8D && !std::equal(c.begin() + 2, c.begin() + 2 + n, chip.trim.begin()))
                return QStringLiteral("the chip does not hold the trim words");
        }
    }
    if (name == "write EEPROM") {
        const SimChip& chip = r.bench.backend->board().chip(r.chip);
        const uint8_t* written = r.bench.image->eepromWriteImage(r.chip);
        // The whole EEPROM is read back and compared: 2 KiB on chips 5 and 7.
        const size_t size = chip.eeprom.size();
        if (size < 1024 || !std::equal(written, written + size, chip.eeprom.begin()))
            return QStringLiteral("the EEPROM does not hold the image");
        if (f.flipEeprom >= 0 && size_t(f.flipEeprom) < size)
            return QStringLiteral("the read-back differed");
    }
    return QString();
}

}  // namespace

class FaultSoakTest : public QObject {
    Q_OBJECT

    SharedState state_;
    // The configuration and trim pages as the program starts with them (no profile).
    chip::ConfigPages pages_{Profile(QStringLiteral("/nonexistent/Parameters.ini"))};
    chip::PagesConfigSource source_{pages_};
    std::unique_ptr<SimBench> bench_;
    struct Tally {
        int runs = 0;
        int successes = 0;
    };
    QMap<QString, Tally> tallies_;  // by operation
    ScriptedPrompts debugPrompts_;
    std::unique_ptr<DebugSession> debug_;  // on bench_'s transport

    // A debug run: start-up, a short stream, then the stop. Empty when it ended, with
    // *streamed telling whether the stream was reached.
    QString runDebug(SimBench& bench, bool* streamed) {
        DebugSession& d = *debug_;
        *streamed = false;
        if (!d.start(DebugPageSettings()))
            return QString();
        QElapsedTimer clock;
        clock.start();
        auto waitFor = [&](auto done) {
            while (!done() && clock.elapsed() < kHangMs)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            return done();
        };
        using S = DebugSession::State;
        if (!waitFor([&] { return d.state() == S::Streaming || d.state() == S::Idle; }))
            return QStringLiteral("the start-up did not end within %1 ms").arg(kHangMs);
        *streamed = d.state() == S::Streaming;
        QElapsedTimer stream;
        stream.start();
        while (d.state() == S::Streaming && stream.elapsed() < 30)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        d.stop();
        if (!waitFor([&] { return d.state() == S::Idle; }))
            return QStringLiteral("the run did not end within %1 ms").arg(kHangMs);
        (void)bench;
        return QString();
    }

    // One operation; returns an empty text when it behaved.
    QString runOne(uint32_t seed, int index, QString* what) {
        QRandomGenerator rng(seed ^ (uint32_t(index) * 0x9E3779B9u));
        const auto& ops = operations();
        const int chip = int(rng.bounded(kChipCount));
        std::vector<int> offered;
        for (int i = 0; i < int(ops.size()); ++i) {
            if (ops[size_t(i)].offered(chip))
                offered.push_back(i);
        }
        const SoakOperation& op = ops[size_t(offered[rng.bounded(uint32_t(offered.size()))])];
        const SimOptions faults = drawFaults(rng);
        *what = QStringLiteral("operation %1 (%2, chip %3, faults %4)")
                    .arg(index)
                    .arg(QString::fromLatin1(op.name))
                    .arg(chip)
                    .arg(describe(faults));

        // One connection serves until a board is pulled out (a new one costs the reader's
        // poll period to close); every operation starts on a freshly plugged board whose
        // target is as delivered, so that an operation reruns alone exactly as in the soak.
        if (!bench_ || !bench_->connected() || bench_->backend->board().pulledOut()) {
            debug_.reset();  // before the transport it listens to
            bench_.reset();
            bench_ = std::make_unique<SimBench>(state_, SimOptions(), &source_);
            debug_ = std::make_unique<DebugSession>(state_, *bench_->transport, debugPrompts_);
            debug_->setStartupTimeoutMs(60);
            debug_->setNoFrameTimeoutMs(150);
            // Short time-outs, yet well above a loaded machine's scheduling delays: an answer
            // that comes after its time-out can be taken for the next exchange's answer.
            bench_->transport->setAnswerTimeoutMs(60);
            bench_->seq->setReplyTimeoutMs(80);
        }
        if (!bench_->connected())
            return QStringLiteral("the board did not connect");
        SimBench& bench = *bench_;
        state_.chipIndex = uint32_t(chip);
        bench.backend->board().chip(chip) = SimChip(chip);
        SimOptions quiet;
        quiet.latencyMs = 0;
        bench.backend->board().setOptions(quiet);
        bench.view->lastSuccess = false;
        bench.view->readShown = 0;
        // Supply off first, so that a 3V or 5V of the last operation holds nothing back.
        bench.view->lines.clear();
        bench.seq->switchSupply(OperationSequencer::Supply::Off);
        QElapsedTimer settle;
        settle.start();
        while (bench.view->lines.isEmpty() && settle.elapsed() < 1000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        bench.seq->refreshControls();
        bench.backend->board().setOptions(faults);
        bench.backend->board().replug();
        bench.backend->board().clearTrace();
        bench.view->lines.clear();
        std::fill(bench.image->readBuffer.begin(), bench.image->readBuffer.end(), uint8_t(0xFF));
        // Flash images up to 4 KiB within the chip's bound; a random EEPROM image.
        const uint32_t length =
            std::min<uint32_t>(chipInfo(chip).maxImageLength, rng.bounded(1u, 4097u));
        uint32_t eepromLength = 1024;
        const bool eeprom = QByteArray(op.name).contains("EEPROM");
        for (uint32_t i = 0; i < length; ++i)
            bench.image->writeBuffer[i] = uint8_t(rng.bounded(256));
        bench.image->writeBuffer[length - 1] = 0x5A;
        bench.image->imageLength = length;
        if (chipInfo(chip).eepromOperations) {
            uint8_t* e = bench.image->eepromWriteImage(chip);
            std::fill(e, e + ImageState::eepromImageSize(chip), uint8_t(0xFF));
            for (uint32_t i = 0; i < eepromLength; ++i)
                e[i] = uint8_t(rng.bounded(256));
        }

        QElapsedTimer clock;
        clock.start();
        const int before = bench.view->finished;
        // The configuration page as the window readies it for the chip (trim mode readies the
        // trim page itself).
        pages_.prepareConfigPage(chip);
        bool waiting = op.start(bench);
        bool streamed = false;
        if (op.debug) {
            const QString why = runDebug(bench, &streamed);
            if (!why.isEmpty())
                return why;
        } else if (op.trim) {
            // Trim mode entered (or not), then one trim write, then trim mode left.
            if (!waitIdle(bench, kHangMs))
                return QStringLiteral("trim mode did not end its entry within %1 ms").arg(kHangMs);
            if (bench.view->finished != before + 1)
                return QStringLiteral("the entry ended %1 times")
                    .arg(bench.view->finished - before);
            waiting = bench.seq->trimMode() && bench.seq->startWriteTrim();
            if (bench.seq->trimMode()) {
                if (!waitIdle(bench, kHangMs))
                    return QStringLiteral("the trim write did not end within %1 ms").arg(kHangMs);
                if (bench.view->finished != before + 2)
                    return QStringLiteral("the trim write ended %1 times")
                        .arg(bench.view->finished - before - 1);
                const bool wrote = bench.view->lastSuccess;
                bench.seq->leaveTrimMode();
                bench.view->lastSuccess = wrote;
            }
        } else if (op.supply) {
            // A supply command has no operation: wait for its answer or the board's silence.
            while (clock.elapsed() < 100 &&
                   !supplySucceeded({bench, chip, faults, 0, {}, 0, false, false}) &&
                   bench.view->lines.isEmpty())
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        } else {
            while (waiting && bench.seq->busy() && clock.elapsed() < kHangMs)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            if (bench.seq->busy())
                return QStringLiteral("did not end within %1 ms").arg(kHangMs);
            if (bench.view->finished != before + 1)
                return QStringLiteral("ended %1 times").arg(bench.view->finished - before);
        }
        if (bench.seq->trimMode())
            return QStringLiteral("the page stayed in trim mode");
        // Late replies of a timed-out exchange must not drive anything further.
        QCoreApplication::processEvents();

        Run run{bench,
                chip,
                faults,
                eeprom ? eepromLength : length,
                commandsOnly(bench.trace(), faults),
                int(bench.trace().size()),
                bench.backend->board().pulledOut(),
                false};
        run.success = op.supply  ? supplySucceeded(run)
                      : op.debug ? streamed
                                 : bench.view->lastSuccess;
        Tally& tally = tallies_[QString::fromLatin1(op.name)];
        ++tally.runs;
        tally.successes += run.success;
        if (run.success) {
            const QString why = falseSuccess(run, op);
            if (!why.isEmpty())
                return QStringLiteral("reported success although %1").arg(why);
        }
        if (op.debug && !run.pulled) {
            // Every run the board was told to start was told to end.
            const int starts = countCode(run.trace, 0xB0);
            const int stops = countCode(run.trace, 0xB5);
            if (starts != stops || (starts > 0 && run.trace.back()[1] != 0xB5))
                return QStringLiteral("%1 debug runs started, %2 stopped").arg(starts).arg(stops);
        } else if (!op.supply && !run.pulled) {
            const int enter = countCode(run.trace, 0x81);
            const int leave = countCode(run.trace, 0x87);
            if (enter > 1 || leave != 1 || run.trace.back()[1] != 0x87) {
                QStringList codes;
                for (const Report& r : run.trace)
                    codes << QString::number(r[1], 16);
                codes.removeDuplicates();
                return QStringLiteral("left programming mode %1 times after %2 entries; codes %3")
                    .arg(leave)
                    .arg(enter)
                    .arg(codes.join(QLatin1Char(' ')));
            }
        }
        return QString();
    }

private Q_SLOTS:
    void soak() {
        bool ok = false;
        uint32_t seed = qEnvironmentVariable("TESSEL_SOAK_SEED").toUInt(&ok, 0);
        if (!ok)
            seed = kDefaultSeed;
        const int only = qEnvironmentVariableIntValue("TESSEL_SOAK_ONLY", &ok);
        int first = ok ? only : 0;
        bool fromSet = false;
        const int from = qEnvironmentVariableIntValue("TESSEL_SOAK_FROM", &fromSet);
        if (fromSet)
            first = from;
        const int last = ok ? only + 1 : kOperations;
        qInfo("fault soak: seed 0x%x, operations %d to %d", seed, first, last - 1);
        int successes = 0;
        for (int i = first; i < last; ++i) {
            QString what;
            const QString failure = runOne(seed, i, &what);
            if (qEnvironmentVariableIsSet("TESSEL_SOAK_VERBOSE"))
                qInfo("%s", qPrintable(what));
            if (!failure.isEmpty()) {
                QFAIL(qPrintable(QStringLiteral("%1: %2; rerun with TESSEL_SOAK_SEED=0x%3 "
                                                "TESSEL_SOAK_ONLY=%4")
                                     .arg(what, failure)
                                     .arg(seed, 0, 16)
                                     .arg(i)));
            }
            successes += what.contains(QLatin1String("faults none"));
        }
        qInfo("fault soak: %d operations without a fault among them", successes);
        // Every operation must have run and succeeded at times, or its judgements judged nothing.
        for (const SoakOperation& op : operations()) {
            const Tally t = tallies_.value(QString::fromLatin1(op.name));
            qInfo("  %-12s %4d runs, %4d successes", op.name, t.runs, t.successes);
            if (!ok)
                QVERIFY2(t.runs > 0 && t.successes > 0, op.name);
        }
        debug_.reset();
        bench_.reset();
    }
};

QTEST_GUILESS_MAIN(FaultSoakTest)
#include "tst_faultsoak.moc"
