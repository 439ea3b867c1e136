// The commands that talk to a board: the same transport, operation sequences and
// configuration pages as the window program, with the messages list printed on standard
// output and progress on standard error.
#include "app/chipcatalogue.h"
#include "app/profile.h"
#include "app/sharedstate.h"
#include "cli/command.h"
#include "image/imageloadeffects.h"
#include "image/imageloader.h"
#include "image/imagestate.h"
#include "link/cmusbhid.h"
#include "link/connection.h"
#include "link/hid/hidapibackend.h"
#include "link/sequencer.h"
#include "pages/chip/configpages.h"
#include "pages/chip/pagesconfigsource.h"
#include "sim/simboard.h"

#include <QCoreApplication>
#include <QDir>
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
    {"--profile", OptionSpec::Value},
};

const std::vector<OptionSpec> kConfigOptions = {
    {"--chip", OptionSpec::Value},
    {"--lang", OptionSpec::Value},
    {"--profile", OptionSpec::Value},
};

// Parameters.ini as the window program finds it, unless --profile names another file.
QString profilePath(const Arguments& args) {
    if (args.has(QStringLiteral("--profile")))
        return args.value(QStringLiteral("--profile"));
    return Profile::chooseLocation(QDir(QCoreApplication::applicationDirPath()).absolutePath() +
                                   QLatin1Char('/'));
}

// The programming page as the command line shows it: messages and message boxes on
// standard output, progress on standard error.
class ConsoleView : public ProgramView, public Prompts {
public:
    std::function<void(bool)> finished;
    uint32_t readLength = 0;

    void appendLog(const QString& line) override { printLine(stdout, line); }
    void showMessage(const QString& text) override { printLine(stdout, text); }
    QString openFileName(const QString&) override { return QString(); }
    QString saveFileName(const QString&, const QString&) override { return QString(); }
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

private:
    int lastPercent_ = -1;
};

// What loading a mass-production file does to the configuration pages.
class PageEffects : public ImageLoadEffects {
public:
    explicit PageEffects(chip::ConfigPages& pages) : pages_(pages) {}
    void massProductionChipSelected(int chip) override {
        pages_.forChip(chip).loadFromProfile(chip);
    }
    void massProductionConfigApplied(int chip, uint8_t cfg0) override {
        if (chip >= 1 && chip <= 7)
            pages_.forChip(chip).applyCfg0(cfg0);
    }

private:
    chip::ConfigPages& pages_;
};

enum class Job {
    ReadFlash,
    EepromRead,
    Power,
    Program,
    ReadConfig,
    EepromWrite,
    WriteConfig,
    TrimWrite
};

struct Request {
    Job job = Job::ReadFlash;
    OperationSequencer::Supply supply = OperationSequencer::Supply::Off;
    QString inFile;
    QString outFile;
    QString traceFile;
    bool simulate = false;
    SimOptions sim;
};

bool writeFile(const QString& path, const uint8_t* data, uint32_t length) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) &&
           f.write(reinterpret_cast<const char*>(data), length) == qint64(length);
}

// Reads the raw EEPROM image of the chip into its write buffer.
bool loadEepromImage(const QString& path, int chip, ImageState& image) {
    const uint32_t size = ImageState::eepromImageSize(chip);
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        printLine(stderr, QStringLiteral("cannot read %1").arg(path));
        return false;
    }
    const QByteArray data = f.readAll();
    if (data.size() > qsizetype(size)) {
        printLine(stderr, QStringLiteral("%1 holds %2 bytes; the chip's EEPROM has %3")
                              .arg(path)
                              .arg(data.size())
                              .arg(size));
        return false;
    }
    uint8_t* dest = image.eepromWriteImage(chip);
    std::fill(dest, dest + size, 0xFF);
    std::copy(data.begin(), data.end(), dest);
    return true;
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
    ConsoleView view;
    ImageState image;
    chip::ConfigPages pages{Profile(state.profilePath)};
    pages.initialiseAll(static_cast<int>(state.chipIndex.load()));
    chip::PagesConfigSource configSource(pages);

    if (req.job == Job::Program) {
        PageEffects effects(pages);
        ImageLoader loader(state, image, view, view, effects);
        const QString extension = ImageLoader::extensionOf(req.inFile).toLower();
        image.lastImagePath = req.inFile;
        image.lastImageExtension = extension;
        image.imageLength = loader.trimmedLength(loader.loadImageFile(req.inFile, extension));
        if (!loader.checkImageSize())
            return kExitRefused;
        image.freshlyOpened = true;
    } else if (req.job == Job::EepromWrite) {
        if (!loadEepromImage(req.inFile, static_cast<int>(state.chipIndex.load()), image)) {
            return kExitRefused;
        }
    }

    CMUSBHid transport(state, *backend);
    OperationSequencer sequencer(state, transport, image, view);
    sequencer.setConfigSource(&configSource);
    sequencer.setPrompts(&view);
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
            case Job::Program:
                started = sequencer.startWriteFlash();
                break;
            case Job::ReadConfig:
                started = sequencer.startReadConfig();
                break;
            case Job::EepromWrite:
                started = sequencer.startWriteEeprom();
                break;
            case Job::WriteConfig:
                started = sequencer.startWriteConfig();
                break;
            case Job::TrimWrite:
                started = sequencer.enterTrimMode();
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
    bool trimWritten = false;
    view.finished = [&](bool success) {
        // Trim write: trim mode entered, then one trim write, then leave trim mode.
        if (req.job == Job::TrimWrite && sequencer.trimMode()) {
            if (!trimWritten) {
                trimWritten = true;
                if (success && sequencer.startWriteTrim())
                    return;
                success = false;
            }
            sequencer.leaveTrimMode();
        }
        if (success && !req.outFile.isEmpty()) {
            const int chip = sequencer.operationChip();
            const bool flash = req.job == Job::ReadFlash;
            const uint8_t* data = flash ? image.readBuffer.data() : image.eepromReadImage(chip);
            const uint32_t length = flash ? view.readLength : ImageState::eepromImageSize(chip);
            if (!writeFile(req.outFile, data, length)) {
                printLine(stderr, QStringLiteral("cannot write %1").arg(req.outFile));
                success = false;
            }
        }
        finish(success ? kExitOk : kExitRefused);
    };
    QObject::connect(&transport, &CMUSBHid::linkNotification, [&](const LinkNotification& n) {
        if (connection.handle(n)) {
            if (n.code == LinkCode::NoDevice)
                finish(kExitRefused);
            return;
        }
        sequencer.handle(n);
        if (req.job == Job::Power &&
            (n.code == LinkCode::Supply3V || n.code == LinkCode::Supply5V ||
             n.code == LinkCode::SupplyOff)) {
            finish(n.report[2] == 0xAA ? kExitOk : kExitRefused);
        }
    });
    // A board pulled out is said at once; outside an operation (the version handshake, a
    // supply command) nothing else would end the run before the guard's time-out.
    QObject::connect(&transport, &CMUSBHid::disconnected, [&] {
        if (done)
            return;
        view.appendLog(state.text("设备被拔出", "Device Pulled Out!"));
        if (!sequencer.busy())
            finish(kExitRefused);
    });
    QObject::connect(&transport, &CMUSBHid::disconnected, &sequencer,
                     &OperationSequencer::onDisconnected);
    QTimer::singleShot(0, &transport, [&] { transport.open(); });
    // Operations end on their own when the board stops answering; this guards the handshake
    // and the supply commands, which have no time-out of their own.
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&] {
        if (sequencer.busy())
            return;
        view.appendLog(state.text("等待数据超时!", "Waiting for data timeout!"));
        finish(kExitRefused);
    });
    guard.start(30000);
    QCoreApplication::exec();
    transport.close();

    if (sim && !req.traceFile.isEmpty()) {
        QFile f(req.traceFile);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Text)) {
            printLine(stderr, QStringLiteral("cannot write %1").arg(req.traceFile));
            return kExitRefused;
        }
        for (const Report& r : sim->board().trace()) {
            f.write((reportToHex(r) + QLatin1Char('\n')).toLatin1());
        }
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
    state.profilePath = profilePath(args);
    const bool needsFile = job == Job::Program || job == Job::EepromWrite;
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
    } else if (args.positional.size() != (needsFile ? 1 : 0) ||
               !args.has(QStringLiteral("--chip"))) {
        printLine(stderr, QStringLiteral("wrong arguments; see tessel-cli help"));
        return kExitUsage;
    }
    if (needsFile)
        req.inFile = args.positional.first();
    const int chip = static_cast<int>(state.chipIndex.load());
    if ((job == Job::EepromRead || job == Job::EepromWrite) && !chipInfo(chip).eepromOperations) {
        printLine(stderr, QStringLiteral("%1 has no EEPROM operations")
                              .arg(QString::fromUtf8(chipInfo(chip).comboText)));
        return kExitUsage;
    }
    req.outFile = args.value(QStringLiteral("-o"));
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

int runReadFlash(const QStringList& a) {
    return runBoard(a, Job::ReadFlash);
}
int runEepromRead(const QStringList& a) {
    return runBoard(a, Job::EepromRead);
}
int runPower(const QStringList& a) {
    return runBoard(a, Job::Power);
}
int runProgram(const QStringList& a) {
    return runBoard(a, Job::Program);
}
int runReadConfig(const QStringList& a) {
    return runBoard(a, Job::ReadConfig);
}
int runEepromWrite(const QStringList& a) {
    return runBoard(a, Job::EepromWrite);
}

int runConfig(const QStringList& argv) {
    Arguments args;
    QString error;
    SharedState state;
    if (!args.parse(argv, kConfigOptions, &error) || !applyCommonOptions(args, state, &error) ||
        !args.positional.isEmpty() || !args.has(QStringLiteral("--chip"))) {
        printLine(stderr,
                  error.isEmpty() ? QStringLiteral("usage: tessel-cli config --chip C") : error);
        return kExitUsage;
    }
    const Profile profile(profilePath(args));
    for (const QString& line :
         chip::configReport(static_cast<int>(state.chipIndex.load()), profile)) {
        printLine(stdout, line);
    }
    return kExitOk;
}

#define BOARD_OPTIONS " [--simulate[=OPTIONS]] [--trace FILE] [--lang en] [--profile FILE]"

}  // namespace

int runBoardJob(const QStringList& argv, BoardJob job) {
    return runBoard(argv, job == BoardJob::WriteConfig ? Job::WriteConfig : Job::TrimWrite);
}

std::vector<Command> boardCommands() {
    return {
        {"read-flash", "read the chip's flash",
         "Usage: tessel-cli read-flash --chip C [-o FILE]" BOARD_OPTIONS "\n"
         "Reads the chip's flash (its read length) and prints the messages of the programming\n"
         "page. -o FILE writes the bytes read.\n",
         runReadFlash},
        {"eeprom-read", "read the chip's EEPROM",
         "Usage: tessel-cli eeprom-read --chip C [-o FILE]" BOARD_OPTIONS "\n"
         "Reads the EEPROM: 1024 bytes, 2048 for KR4115/56/17 and KR4116/4311/12A.\n",
         runEepromRead},
        {"power", "switch the target supply: 3v, 5v or off",
         "Usage: tessel-cli power 3v|5v|off" BOARD_OPTIONS "\n"
         "Exits 0 when the board confirmed the switch.\n",
         runPower},
        {"program", "one-key write of an image with its configuration, and verify",
         "Usage: tessel-cli program FILE --chip C" BOARD_OPTIONS "\n"
         "Loads FILE (HEX, BIN or mass-production file) as the open-file button does, then\n"
         "checks the chip's configuration, erases, writes the configuration word(s) of the\n"
         "chip's configuration page (from Parameters.ini), writes the image and verifies it.\n"
         "Exits 0 only when the write was verified (\"芯片烧录成功!\" / \"Program OK!\").\n",
         runProgram},
        {"read-config", "read and check the configuration words",
         "Usage: tessel-cli read-config --chip C" BOARD_OPTIONS "\n", runReadConfig},
        {"eeprom-write", "write a raw EEPROM image and verify it",
         "Usage: tessel-cli eeprom-write FILE --chip C" BOARD_OPTIONS "\n"
         "FILE is the raw EEPROM image (at most 1024 bytes, 2048 for KR4115/56/17 and\n"
         "KR4116/4311/12A; the board writes the first 1024).\n",
         runEepromWrite},
        {"config", "print the configuration bytes of the chip's page",
         "Usage: tessel-cli config --chip C [--profile FILE]\n"
         "Prints the configuration page's byte labels after loading Parameters.ini, then\n"
         "bytes= and the bytes in the order the writes send them.\n",
         runConfig},
    };
}

}  // namespace tessel::cli
