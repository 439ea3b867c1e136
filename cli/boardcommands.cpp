// The commands that talk to a board: the same transport and operation sequences as the
// window program, with the messages list printed on standard output.
#include "app/chipcatalogue.h"
#include "app/sharedstate.h"
#include "cli/command.h"
#include "image/imagestate.h"
#include "link/cmusbhid.h"
#include "link/connection.h"
#include "link/hid/hidapibackend.h"
#include "link/sequencer.h"
#include "sim/simboard.h"

#include <QCoreApplication>
#include <QFile>
#include <QTimer>

#include <functional>
#include <memory>

namespace tessel::cli {
namespace {

const std::vector<OptionSpec> kBoardOptions = {
    {"--chip", OptionSpec::Value},
    {"--lang", OptionSpec::Value},
    {"--simulate", OptionSpec::OptionalValue},
    {"--trace", OptionSpec::Value},
    {"-o", OptionSpec::Value},
};

// The programming page as the command line shows it: messages on standard output, progress
// on standard error.
class ConsoleView : public ProgramView {
public:
    std::function<void(bool)> finished;
    void appendLog(const QString& line) override { printLine(stdout, line); }
    void setControlEnabled(Control, bool) override {}
    void showProgress(int percent) override {
        if (percent == lastPercent_)
            return;
        lastPercent_ = percent;
        std::fprintf(stderr, "\r%3d%%", percent);
        if (percent == 100)
            std::fputc('\n', stderr);
        std::fflush(stderr);
    }
    void hideProgress() override { lastPercent_ = -1; }
    void setResult(Result) override {}
    void readBufferChanged(uint32_t length) override { readLength = length; }
    void eepromReadBufferChanged() override {}
    void operationFinished(bool success) override {
        if (finished)
            finished(success);
    }
    uint32_t readLength = 0;

private:
    int lastPercent_ = -1;
};

enum class Job { ReadFlash, EepromRead, Power };

struct Request {
    Job job = Job::ReadFlash;
    OperationSequencer::Supply supply = OperationSequencer::Supply::Off;
    QString outFile;
    QString traceFile;
    bool simulate = false;
    SimOptions sim;
};

bool writeFile(const QString& path, const uint8_t* data, uint32_t length) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    return f.write(reinterpret_cast<const char*>(data), length) == qint64(length);
}

int runJob(const Request& req, SharedState& state) {
    std::unique_ptr<HidBackend> backend;
    SimBackend* sim = nullptr;
    if (req.simulate) {
        auto s = std::make_unique<SimBackend>(req.sim);
        sim = s.get();
        backend = std::move(s);
    } else {
        backend = std::make_unique<HidapiBackend>();
    }
    CMUSBHid transport(state, *backend);
    ImageState image;
    ConsoleView view;
    OperationSequencer sequencer(state, transport, image, view);
    int exitCode = kExitRefused;
    bool done = false;
    auto finish = [&](int code) {
        if (done)
            return;
        done = true;
        exitCode = code;
        QCoreApplication::exit(code);
    };
    auto start = [&] {
        bool started = true;
        switch (req.job) {
            case Job::ReadFlash:
                started = sequencer.startReadFlash();
                break;
            case Job::EepromRead:
                started = sequencer.startReadEeprom();
                break;
            case Job::Power:
                sequencer.switchSupply(req.supply);
                break;
        }
        if (!started)
            finish(kExitRefused);
    };
    ConnectionSequence connection(state, transport, view, [&](bool accepted) {
        if (accepted) {
            start();
        } else {
            finish(kExitRefused);
        }
    });
    view.finished = [&](bool success) {
        if (success && !req.outFile.isEmpty()) {
            const bool flash = req.job == Job::ReadFlash;
            const int chip = sequencer.operationChip();
            const uint8_t* data = flash                       ? image.readBuffer.data()
                                  : eepromInFlashBuffer(chip) ? image.readBuffer.data() + 0x9000
                                                              : image.eepromReadBuffer.data();
            const uint32_t length = flash                       ? view.readLength
                                    : eepromInFlashBuffer(chip) ? 2048
                                                                : 1024;
            if (!writeFile(req.outFile, data, length)) {
                printLine(stderr, QStringLiteral("cannot write %1").arg(req.outFile));
                success = false;
            }
        }
        finish(success ? kExitOk : kExitRefused);
    };
    QObject::connect(&transport, &CMUSBHid::linkNotification, [&](const LinkNotification& n) {
        if (n.code == LinkCode::NoDevice) {
            connection.handle(n);
            finish(kExitRefused);
            return;
        }
        if (connection.handle(n))
            return;
        sequencer.handle(n);
        if (req.job == Job::Power &&
            (n.code == LinkCode::Supply3V || n.code == LinkCode::Supply5V ||
             n.code == LinkCode::SupplyOff)) {
            finish(n.report[2] == 0xAA ? kExitOk : kExitRefused);
        }
    });
    QObject::connect(&transport, &CMUSBHid::disconnected, &sequencer,
                     &OperationSequencer::onDisconnected);
    QTimer::singleShot(0, &transport, [&] { transport.open(); });
    // A board that stops answering ends the operation on its own; this only guards the
    // handshake and the supply commands, which have no time-out of their own.
    QTimer::singleShot(120000, [&] {
        view.appendLog(state.text("等待数据超时!", "Waiting for data timeout!"));
        finish(kExitRefused);
    });
    QCoreApplication::exec();
    transport.close();

    if (sim && !req.traceFile.isEmpty()) {
        QFile f(req.traceFile);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Text)) {
            printLine(stderr, QStringLiteral("cannot write %1").arg(req.traceFile));
            return kExitRefused;
        }
        for (const Report& r : sim->board().trace())
            f.write((reportToHex(r) + QLatin1Char('\n')).toLatin1());
    }
    return exitCode;
}

int runBoard(const QStringList& argv, Job job) {
    Arguments args;
    QString error;
    SharedState state;
    Request req;
    req.job = job;
    if (!args.parse(argv, kBoardOptions, &error) || !applyCommonOptions(args, state, &error)) {
        printLine(stderr, error);
        return kExitUsage;
    }
    if (job == Job::Power) {
        const QString v = args.positional.value(0).toLower();
        if (args.positional.size() != 1 ||
            (v != QLatin1String("3v") && v != QLatin1String("5v") && v != QLatin1String("off"))) {
            printLine(stderr, QStringLiteral("power needs 3v, 5v or off"));
            return kExitUsage;
        }
        req.supply = v == QLatin1String("3v")   ? OperationSequencer::Supply::V3
                     : v == QLatin1String("5v") ? OperationSequencer::Supply::V5
                                                : OperationSequencer::Supply::Off;
    } else {
        if (!args.positional.isEmpty() || !args.has(QStringLiteral("--chip"))) {
            printLine(stderr, QStringLiteral("usage: see --help"));
            return kExitUsage;
        }
        req.outFile = args.value(QStringLiteral("-o"));
    }
    req.simulate = args.has(QStringLiteral("--simulate"));
    if (req.simulate &&
        !SimOptions::parse(args.value(QStringLiteral("--simulate")), &req.sim, &error)) {
        printLine(stderr, error);
        return kExitUsage;
    }
    req.traceFile = args.value(QStringLiteral("--trace"));
    if (!req.traceFile.isEmpty() && !req.simulate) {
        printLine(stderr, QStringLiteral("--trace records the simulated board; add --simulate"));
        return kExitUsage;
    }
    return runJob(req, state);
}

int runReadFlash(const QStringList& args) {
    return runBoard(args, Job::ReadFlash);
}
int runEepromRead(const QStringList& args) {
    return runBoard(args, Job::EepromRead);
}
int runPower(const QStringList& args) {
    return runBoard(args, Job::Power);
}

}  // namespace

std::vector<Command> boardCommands() {
    return {
        {"read-flash", "read the chip's flash (the chip's read length)",
         "Usage: tessel-cli read-flash --chip C [-o FILE] [--simulate[=OPTIONS]] [--trace FILE]"
         " [--lang en]\n"
         "Reads the flash of chip C and prints the messages of the programming page.\n"
         "-o FILE writes the bytes read. --trace FILE (simulated board) writes every report\n"
         "the board received, one line of 65 hex bytes each.\n",
         runReadFlash},
        {"eeprom-read", "read the chip's EEPROM",
         "Usage: tessel-cli eeprom-read --chip C [-o FILE] [--simulate[=OPTIONS]] [--trace FILE]"
         " [--lang en]\n"
         "Reads the EEPROM of chip C (1024 bytes, 2048 for KR4115/56/17 and KR4116/4311/12A).\n",
         runEepromRead},
        {"power", "switch the target supply: 3v, 5v or off",
         "Usage: tessel-cli power 3v|5v|off [--simulate[=OPTIONS]] [--trace FILE] [--lang en]\n"
         "Exits 0 when the board confirmed the switch.\n",
         runPower},
    };
}

}  // namespace tessel::cli
