// The commands that talk to a board: the same transport, operation sequences and
// configuration pages as the window program. Each fills one CommandResult, from which the
// JSON object (--json) and the exit code come.
#include "app/chipcatalogue.h"
#include "app/profile.h"
#include "app/sharedstate.h"
#include "cli/boardaccess.h"
#include "cli/boardsession.h"
#include "cli/command.h"
#include "cli/result.h"
#include "image/imageformat.h"
#include "image/imageloadeffects.h"
#include "image/imageloader.h"
#include "image/massproduction.h"
#include "link/cmusbhid.h"
#include "link/programmersession.h"
#include "link/sequencer.h"
#include "link/tracelog.h"
#include "pages/chip/configpages.h"

#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

#include <algorithm>

namespace tessel::cli {
namespace {

// What loading a mass-production file does to the configuration pages: the chip it names is
// selected through the session, as the programming page selects it.
class PageEffects : public ImageLoadEffects {
public:
    explicit PageEffects(BoardSession& session) : session_(session) {}
    void massProductionChipSelected(int chip) override { session_.session().selectChip(chip); }
    void massProductionConfigApplied(int chip, uint8_t cfg0) override {
        // The KR41xx pages that take word 0 hold the file's CFG0 (KR4121 writes its three
        // words; the MCU designs keep theirs in the file).
        const ChipInfo& c = chipInfo(chip);
        if (c.family == ChipFamily::KR41xx && c.programConfig == ProgramConfigStep::Word0)
            session_.pages().forChip(chip).applyCfg0(cfg0);
    }

private:
    BoardSession& session_;
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
    bool withEeprom = false;
    BoardOptions board;
};

bool writeFile(const QString& path, const uint8_t* data, uint32_t length) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) &&
           f.write(reinterpret_cast<const char*>(data), length) == qint64(length);
}

bool isMassProductionPath(const QString& path) {
    const QString ext = ImageLoader::extensionOf(path).toLower();
    return ext == QLatin1String("tk") || ext == QLatin1String("ntk") || ext == QLatin1String("mtk");
}

// The board writes the first 1024 bytes of an EEPROM; the chips with 2 KiB cannot take
// data beyond them.
bool dataBeyondWritableEeprom(ImageState& image, int chip) {
    if (ImageState::eepromImageSize(chip) <= 1024)
        return false;
    const uint8_t* upper = image.eepromWriteImage(chip) + 1024;
    return !std::all_of(upper, upper + 1024, [](uint8_t b) { return b == 0xFF; });
}

// Reads the raw EEPROM image of the chip into its write buffer. Returns an empty text on
// success, else the problem.
QString loadEepromImage(const QString& path, int chip, ImageState& image) {
    const uint32_t size = ImageState::eepromImageSize(chip);
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return cliText(Msg::CliCannotRead, qUtf8Printable(path));
    const QByteArray data = f.readAll();
    if (data.size() > qsizetype(size)) {
        return cliText(Msg::CliEepromImageTooLarge, qUtf8Printable(path),
                       static_cast<long long>(data.size()), size);
    }
    uint8_t* dest = image.eepromWriteImage(chip);
    std::fill(dest, dest + size, 0xFF);
    std::copy(data.begin(), data.end(), dest);
    return QString();
}

// The chip a mass-production file names, or -1 when it names none.
int chipOfMassProductionFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || f.size() > qint64(kLargestReadableFile))
        return -1;
    const QByteArray data = f.readAll();
    const TkContents c = decodeMassProductionFile(
        reinterpret_cast<const uint8_t*>(data.constData()), uint32_t(data.size()));
    return c.status == TkStatus::Ok ? c.chip : -1;
}

// Loads the image for "program"; false with result filled when it was refused.
bool loadProgramImage(const Request& req, SharedState& state, BoardSession& s,
                      CommandResult& result) {
    PageEffects effects(s);
    ImageLoader loader(state, s.image, s.log(), s.prompts(), effects);
    const QString extension = ImageLoader::extensionOf(req.inFile).toLower();
    s.image.lastImagePath = req.inFile;
    s.image.lastImageExtension = extension;
    s.image.imageLength = loader.trimmedLength(loader.loadImageFile(req.inFile, extension));
    result.chip = int(state.chipIndex.load());
    if (!loader.checkImageSize()) {
        // The loader's refusal, as it was printed.
        const OperationResult judged = s.judge(Outcome::failure(Reason::ImageRefused, QString()));
        result.op.set(OperationResult::Outcome::Refused, Reason::ImageRefused, judged.message);
        return false;
    }
    s.image.freshlyOpened = true;
    if (req.withEeprom && dataBeyondWritableEeprom(s.image, result.chip)) {
        const QString beyond = cliText(Msg::CliEepromBeyondWritable);
        printLine(stderr, QStringLiteral("tessel-cli: ") + beyond);
        result.op.set(OperationResult::Outcome::Refused, Reason::EepromBeyondWritable, beyond);
        return false;
    }
    return true;
}

bool startJob(const Request& req, BoardSession& s) {
    OperationSequencer& seq = s.sequencer();
    switch (req.job) {
        case Job::ReadFlash:
            return seq.startReadFlash();
        case Job::EepromRead:
            return seq.startReadEeprom();
        case Job::Program:
            return seq.startWriteFlash();
        case Job::ReadConfig:
            return seq.startReadConfig();
        case Job::EepromWrite:
            return seq.startWriteEeprom();
        case Job::WriteConfig:
            return seq.startWriteConfig();
        case Job::TrimWrite:
            return seq.enterTrimMode();
        case Job::Power:
            seq.switchSupply(req.supply);
            return s.transport().isConnected();
    }
    return false;
}

// Adds what the command knows beyond the messages: the image, the EEPROM bytes, -o.
void completeResult(const Request& req, BoardSession& s, int chip, OperationResult& r,
                    bool eepromStage) {
    if (eepromStage || req.job == Job::EepromRead || req.job == Job::EepromWrite) {
        const uint32_t size = ImageState::eepromImageSize(chip);
        if (r.ok()) {
            r.checksum = computeChecksum(s.image.eepromReadImage(chip), size);
            r.length = size;
        }
        if (r.verifyErrors)
            r.verifyCompared = int(size);
    } else if (req.job == Job::Program) {
        r.checksum = s.image.imageChecksum;
        r.length = s.image.imageLength;
        if (r.verifyErrors)
            r.verifyCompared = int(s.image.imageLength);
    }
    if (r.ok() && !req.outFile.isEmpty()) {
        const bool flash = req.job == Job::ReadFlash;
        const uint8_t* data = flash ? s.image.readBuffer.data() : s.image.eepromReadImage(chip);
        const uint32_t length = flash ? s.readLength() : ImageState::eepromImageSize(chip);
        if (!writeFile(req.outFile, data, length)) {
            const QString message = cliText(Msg::CliCannotWrite, qUtf8Printable(req.outFile));
            printLine(stderr, QStringLiteral("tessel-cli: ") + message);
            r.set(OperationResult::Outcome::Failed, Reason::WriteFailed, message);
        }
    }
}

// One board's run of a job: the stages after its first operation (the trim write inside trim
// mode, the EEPROM write of --with-eeprom) and the result they fill.
struct BoardRun {
    const Request& req;
    CommandResult& result;
    int stage = 0;
    bool trimWritten = false;

    // An operation of the board ended; true when a further one was started.
    bool finished(BoardSession& session, const OperationResult& judged) {
        // Trim write: trim mode entered, then one trim write, then leave trim mode.
        OperationSequencer& seq = session.sequencer();
        if (req.job == Job::TrimWrite && seq.trimMode()) {
            if (!trimWritten) {
                trimWritten = true;
                if (judged.ok() && seq.startWriteTrim())
                    return true;
            }
            seq.leaveTrimMode();
        }
        OperationResult r = judged;
        completeResult(req, session, result.chip, r, stage == 1);
        if (stage == 1) {
            result.eeprom = r;
            return false;
        }
        result.op = r;
        if (!req.withEeprom)
            return false;
        if (!r.ok()) {
            OperationResult skipped;
            skipped.set(OperationResult::Outcome::Refused, Reason::EepromSkipped,
                        cliText(Msg::CliEepromSkipped));
            result.eeprom = skipped;
            return false;
        }
        // The EEPROM write is an operation of its own, started once this one has ended.
        stage = 1;
        QTimer::singleShot(0, &session.transport(), [&session] {
            if (!session.sequencer().startWriteEeprom() && !session.sequencer().busy())
                session.fail();
        });
        return true;
    }
};

// The traceability log of the job's board session, unless --no-log.
void recordJob(const Request& req, BoardSession& s) {
    if (req.board.logFile.isEmpty())
        return;
    const bool eepromFile = req.job == Job::EepromWrite;
    s.recordTo(req.board.logFile, eepromFile ? QFileInfo(req.inFile).fileName() : QString());
}

int runJob(const Request& req, SharedState& state, BoardSession& s, CommandResult& result) {
    BoardAccess access;
    if (!access.select(req.board, result, state.english()))
        return result.exitCode();
    BoardRun run{req, result};
    recordJob(req, s);
    s.run(
        access, [&](BoardSession& session) { return startJob(req, session); },
        [&run](BoardSession& session, const OperationResult& judged) {
            return run.finished(session, judged);
        });
    if (!req.board.traceFile.isEmpty() && !access.writeTrace(req.board.traceFile)) {
        printLine(stderr, QStringLiteral("tessel-cli: cannot write %1").arg(req.board.traceFile));
    }
    return result.finish();
}

const char* jobName(Job job) {
    switch (job) {
        case Job::ReadFlash:
            return "read-flash";
        case Job::EepromRead:
            return "eeprom-read";
        case Job::Power:
            return "power";
        case Job::Program:
            return "program";
        case Job::ReadConfig:
            return "read-config";
        case Job::EepromWrite:
            return "eeprom-write";
        case Job::WriteConfig:
            return "write-config";
        case Job::TrimWrite:
            return "trim-write";
    }
    return "";
}

// Checks the positional arguments of a job; an empty text when they are right.
QString checkPositional(const Arguments& args, Request& req) {
    if (req.job == Job::Power) {
        const QString v = args.positional.value(0).toLower();
        if (args.positional.size() != 1 ||
            (v != QLatin1String("3v") && v != QLatin1String("5v") && v != QLatin1String("off"))) {
            return QStringLiteral("power needs 3v, 5v or off");
        }
        req.supply = v == QLatin1String("3v")   ? OperationSequencer::Supply::V3
                     : v == QLatin1String("5v") ? OperationSequencer::Supply::V5
                                                : OperationSequencer::Supply::Off;
        return QString();
    }
    const bool needsFile = req.job == Job::Program || req.job == Job::EepromWrite;
    if (args.positional.size() != (needsFile ? 1 : 0))
        return needsFile ? QStringLiteral("give exactly one FILE")
                         : QStringLiteral("this command takes no FILE");
    if (needsFile)
        req.inFile = args.positional.first();
    const bool chipFromFile = req.job == Job::Program && isMassProductionPath(req.inFile);
    if (!args.has(QStringLiteral("--chip")) && !chipFromFile)
        return QStringLiteral("--chip is needed");
    return QString();
}

// Everything that can be told from the command line alone, before a file or a board is
// touched. An empty text when the request is sound.
QString checkRequest(const Arguments& args, SharedState& state, Request& req) {
    QString error = checkPositional(args, req);
    if (!error.isEmpty())
        return error;
    req.withEeprom = args.has(QStringLiteral("--with-eeprom"));
    const int chip = static_cast<int>(state.chipIndex.load());
    if ((req.job == Job::EepromRead || req.job == Job::EepromWrite) &&
        !chipInfo(chip).eepromOperations) {
        return QStringLiteral("%1 has no EEPROM operations")
            .arg(QString::fromUtf8(chipInfo(chip).comboText));
    }
    if (req.withEeprom) {
        if (!isMassProductionPath(req.inFile))
            return QStringLiteral("--with-eeprom needs a mass-production file (.tk)");
        const int fileChip = chipOfMassProductionFile(req.inFile);
        if (fileChip >= 0 && !eepromInFlashBuffer(fileChip)) {
            return QStringLiteral(
                       "--with-eeprom: the file is for chip %1; only KR4115/56/17 and "
                       "KR4116/4311/12A files carry an EEPROM image")
                .arg(fileChip);
        }
    }
    req.outFile = args.value(QStringLiteral("-o"));
    if (!parseBoardOptions(args, &req.board, &error))
        return error;
    return QString();
}

// Loads what the job writes into the session's buffers. False when it is refused: result
// then holds the refusal, which was printed.
bool prepareJob(const Request& req, SharedState& state, BoardSession& session,
                CommandResult& result) {
    if (req.job != Job::Power)
        result.chip = int(state.chipIndex.load());
    if (req.job == Job::Program)
        return loadProgramImage(req, state, session, result);
    if (req.job != Job::EepromWrite)
        return true;
    const int chip = static_cast<int>(state.chipIndex.load());
    QString error = loadEepromImage(req.inFile, chip, session.image);
    Reason reason = Reason::EepromImageRefused;
    if (error.isEmpty() && dataBeyondWritableEeprom(session.image, chip)) {
        error = cliText(Msg::CliEepromBeyondWritable);
        reason = Reason::EepromBeyondWritable;
    }
    if (error.isEmpty())
        return true;
    printLine(stderr, QStringLiteral("tessel-cli: ") + error);
    result.op.set(OperationResult::Outcome::Refused, reason, error);
    return false;
}

// One board of --all: its own state (the fields the transport's threads touch belong to one
// board), session, run and result.
struct GangBoard {
    GangBoard(const SharedState& program, const Request& req, const QString& command,
              BoardSession* first)
        : result(command), run{req, result} {
        ProgrammerSession::copyProgramSettings(program, state);
        session = std::make_unique<BoardSession>(state, state.profilePath, first);
    }
    SharedState state;
    CommandResult result;
    BoardRun run;
    std::unique_ptr<BoardSession> session;
};

// "SIM0002  sim:tessel-board-2  NG  board-lost  1234 ms  设备被拔出"
void printBoardLine(const CommandResult& r) {
    const bool ok = r.exitCode() == kExitOk;
    const OperationResult& why = !r.op.ok() || !r.eeprom ? r.op : *r.eeprom;
    printLine(messageStream(), QStringLiteral("%1  %2  %3  %4  %5 ms  %6")
                                   .arg(r.serial.isEmpty() ? QStringLiteral("-") : r.serial,
                                        r.device, ok ? QStringLiteral("OK") : QStringLiteral("NG"),
                                        QString::fromLatin1(reasonKey(why.reason)))
                                   .arg(r.op.durationMs ? r.op.durationMs : r.clock.elapsed())
                                   .arg(why.message));
}

// Ends --all: the JSON array (one object per board) and the worst exit code of the boards.
int finishGang(const std::vector<std::unique_ptr<GangBoard>>& boards) {
    int worst = kExitOk;
    QJsonArray array;
    for (const auto& b : boards) {
        const int code = b->result.exitCode();
        worst = std::max(worst, code);
        QJsonObject o = b->result.toJson();
        o.insert(QStringLiteral("path"), b->result.device);
        o.insert(QStringLiteral("verdict"),
                 code == kExitOk ? QStringLiteral("OK") : QStringLiteral("NG"));
        array.append(o);
    }
    if (jsonMode())
        printLine(stdout, QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact)));
    return worst;
}

// --all: the job on every connected board at once, one session per board in this process's
// one event loop. A line per board as it ends.
int runGang(const Request& req, SharedState& state, CommandResult& overall) {
    BoardAccess access;
    if (!access.selectAll(req.board, overall, state.english()))
        return overall.exitCode();
    std::vector<std::unique_ptr<GangBoard>> boards;
    for (int i = 0; i < access.boardCount(); ++i) {
        // One set of configuration pages for all: the same chip, profile and image.
        auto b = std::make_unique<GangBoard>(state, req, overall.command,
                                             boards.empty() ? nullptr : boards[0]->session.get());
        b->result.device = access.boardInfo(i).path;
        b->result.serial = access.boardInfo(i).serialNumber;
        b->session->setPrinting(i == 0);  // what loading the image says, once
        if (!prepareJob(req, b->state, *b->session, b->result)) {
            overall.chip = b->result.chip;
            overall.op = b->result.op;
            return overall.finish();
        }
        b->session->setPrinting(false);
        boards.push_back(std::move(b));
    }
    QEventLoop loop;
    size_t running = boards.size();
    for (size_t i = 0; i < boards.size(); ++i) {
        GangBoard& b = *boards[i];
        recordJob(req, *b.session);
        b.session->begin(
            access.backendAt(int(i)),
            [&req](BoardSession& session) { return startJob(req, session); },
            [&b](BoardSession& session, const OperationResult& judged) {
                return b.run.finished(session, judged);
            },
            [&b, &loop, &running] {
                printBoardLine(b.result);
                if (--running == 0)
                    loop.exit(0);
            });
    }
    loop.exec();
    // Every reader thread ends its last poll at the same time, not one after the other.
    for (const auto& b : boards)
        b->session->transport().stopReading();
    for (const auto& b : boards)
        b->session->end();
    return finishGang(boards);
}

bool gangJob(Job job) {
    return job == Job::Program || job == Job::ReadConfig || job == Job::EepromWrite ||
           job == Job::WriteConfig;
}

int runBoard(const QStringList& argv, Job job) {
    CommandResult result(QString::fromLatin1(jobName(job)));
    Arguments args;
    QString error;
    SharedState state;
    std::vector<OptionSpec> specs = kBoardOptions;
    specs.push_back({"-o", OptionSpec::Value});
    if (job == Job::Program)
        specs.push_back({"--with-eeprom", OptionSpec::Flag});
    if (gangJob(job))
        specs.push_back({"--all", OptionSpec::Flag});
    if (!args.parse(argv, specs, &error) || !applyCommonOptions(args, state, &error))
        return result.usage(error);
    if (args.has(QStringLiteral("--chip")))
        result.chip = int(state.chipIndex.load());
    Request req;
    req.job = job;
    error = checkRequest(args, state, req);
    if (!error.isEmpty())
        return result.usage(error);
    QString profile;
    if (!chooseProfile(args, &profile, &error))
        return result.refuse(Reason::ProfileUnreadable, error);
    state.profilePath = profile;
    if (req.board.logFile.isEmpty() && !args.has(QStringLiteral("--no-log")))
        req.board.logFile = TraceLog::defaultPath(state);
    if (job != Job::Power)
        warnAboutProfileValues(int(state.chipIndex.load()), profile);
    if (req.board.all)
        return runGang(req, state, result);

    BoardSession session(state, state.profilePath);
    if (!prepareJob(req, state, session, result))
        return result.finish();
    return runJob(req, state, session, result);
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
    CommandResult result(QStringLiteral("config"));
    Arguments args;
    QString error;
    SharedState state;
    const std::vector<OptionSpec> specs = {{"--chip", OptionSpec::Value},
                                           {"--lang", OptionSpec::Value},
                                           {"--profile", OptionSpec::Value},
                                           {"--json", OptionSpec::Flag}};
    if (!args.parse(argv, specs, &error) || !applyCommonOptions(args, state, &error))
        return result.usage(error);
    if (!args.positional.isEmpty() || !args.has(QStringLiteral("--chip")))
        return result.usage(QStringLiteral("usage: tessel-cli config --chip C"));
    result.chip = int(state.chipIndex.load());
    QString path;
    if (!chooseProfile(args, &path, &error))
        return result.refuse(Reason::ProfileUnreadable, error);
    warnAboutProfileValues(result.chip, path);
    const QStringList lines = chip::configReport(result.chip, Profile(path));
    for (const QString& line : lines)
        printMessage(line);
    if (!lines.isEmpty() && lines.last().startsWith(QLatin1String("bytes=")))
        result.extra.insert(QStringLiteral("bytes"), lines.last().mid(6));
    result.op.message = lines.value(lines.size() - 1);
    return result.finish();
}

#define BOARD_OPTIONS " [BOARD OPTIONS]"

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
         "Usage: tessel-cli program FILE --chip C [--with-eeprom]" BOARD_OPTIONS "\n"
         "Loads FILE (HEX, BIN or mass-production file) as the open-file button does, then\n"
         "checks the chip's configuration, erases, writes the configuration word(s) of the\n"
         "chip's configuration page (from Parameters.ini), writes the image and verifies it.\n"
         "A mass-production FILE names its chip itself (--chip may be left out).\n"
         "--with-eeprom (mass-production files of KR4115/56/17 and KR4116/4311/12A): after\n"
         "the flash write, write the EEPROM image the file carries and verify it, as a second\n"
         "operation with its own result (\"eeprom\" in the JSON object).\n"
         "Exits 0 only when the write was verified (\"芯片烧录成功!\" / \"Program OK!\").\n",
         runProgram},
        {"read-config", "read and check the configuration words",
         "Usage: tessel-cli read-config --chip C" BOARD_OPTIONS "\n", runReadConfig},
        {"eeprom-write", "write a raw EEPROM image and verify it",
         "Usage: tessel-cli eeprom-write FILE --chip C" BOARD_OPTIONS "\n"
         "FILE is the raw EEPROM image (at most 1024 bytes, 2048 for KR4115/56/17 and\n"
         "KR4116/4311/12A, whose bytes beyond the first 1024 must be 0xFF: the board writes\n"
         "1024).\n",
         runEepromWrite},
        {"config", "print the configuration bytes of the chip's page",
         "Usage: tessel-cli config --chip C [--profile FILE] [--json]\n"
         "Prints the configuration page's byte labels after loading Parameters.ini, then\n"
         "bytes= and the bytes in the order the writes send them.\n",
         runConfig},
    };
}

}  // namespace tessel::cli
