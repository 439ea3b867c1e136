// Commands on image and mass-production files: info, dump, make-tk.

#include "app/chipcatalogue.h"
#include "app/prompts.h"
#include "app/sharedstate.h"
#include "cli/command.h"
#include "cli/result.h"
#include "image/imageformat.h"
#include "image/imageloadeffects.h"
#include "image/imageloader.h"
#include "image/imagestate.h"
#include "image/massproduction.h"
#include "image/massproductionwriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <optional>

namespace tessel::cli {

namespace {

// Prints every log line and message box as a line, in the order they occur, and answers
// the file dialogs with the paths given on the command line.
class ConsolePrompts : public Prompts, public LogSink {
public:
    explicit ConsolePrompts(std::FILE* out) : out_(out) {}

    QString openAnswer;
    QString saveAnswer;   // empty: the offered name in the current directory
    QString extension;    // what the writer appends to the answer
    bool force = false;   // replace an existing file
    QString refusedPath;  // an existing file that was not replaced

    QString lastLine;
    void appendLog(const QString& line) override {
        printLine(out_, line);
        lastLine = line;
    }
    void showMessage(const QString& text) override { appendLog(text); }
    QString openFileName(const QString&) override { return openAnswer; }
    QString saveFileName(const QString& defaultName, const QString&) override {
        const QString path =
            saveAnswer.isEmpty() ? QDir::current().filePath(defaultName) : saveAnswer;
        const QString written = MassProductionWriter::writtenName(path, extension);
        if (!force && QFileInfo::exists(written)) {
            refusedPath = written;
            return QString();
        }
        return path;
    }

private:
    std::FILE* out_;
};

// Everything one command needs to load a file as the programming page does.
struct Session {
    explicit Session(std::FILE* out)
        : console(out), loader(shared, image, console, console, effects) {}

    SharedState shared;
    ImageState image;
    ImageLoadEffects effects;
    ConsolePrompts console;
    ImageLoader loader;

    bool open(const QString& path) {
        console.openAnswer = path;
        loader.openImage();
        return image.imageLoaded;
    }
};

bool isMassProductionFile(const QString& path) {
    const QString ext = ImageLoader::extensionOf(path).toLower();
    return ext == QLatin1String("tk") || ext == QLatin1String("ntk") || ext == QLatin1String("mtk");
}

// Parses the command line of a command taking one FILE; prints the problem on error.
bool parseFileCommand(const QStringList& args, std::vector<OptionSpec> specs, Session& session,
                      Arguments* parsed) {
    specs.insert(specs.end(), kCommonOptions.begin(), kCommonOptions.end());
    QString error;
    if (!parsed->parse(args, specs, &error) ||
        !applyCommonOptions(*parsed, session.shared, &error)) {
        printLine(stderr, QStringLiteral("tessel-cli: ") + error);
        return false;
    }
    if (parsed->positional.size() != 1 || parsed->positional[0].isEmpty()) {
        printLine(stderr, QStringLiteral("tessel-cli: give exactly one FILE"));
        return false;
    }
    return true;
}

QString hex8(uint32_t value) {
    return QString::number(value, 16).toUpper().rightJustified(8, QLatin1Char('0'));
}

int runInfo(const QStringList& args) {
    CommandResult result(QStringLiteral("info"));
    Session session(messageStream());
    Arguments parsed;
    if (!parseFileCommand(args, {}, session, &parsed))
        return result.usage(QStringLiteral("see tessel-cli info --help"));
    const QString path = parsed.positional[0];
    const bool accepted = session.open(path);
    printMessage(QStringLiteral("length=%1").arg(session.image.imageLength));
    printMessage(QStringLiteral("checksum=0x") + hex8(session.image.imageChecksum));
    printMessage(QStringLiteral("accepted=") + QLatin1String(accepted ? "yes" : "no"));
    if (isMassProductionFile(path))
        printMessage(QStringLiteral("chip=%1").arg(session.shared.chipIndex.load()));
    result.chip = int(session.shared.chipIndex.load());
    result.extra.insert(QStringLiteral("accepted"), accepted);
    if (accepted) {
        result.op.checksum = session.image.imageChecksum;
        result.op.length = session.image.imageLength;
        result.op.message = session.console.lastLine;
    } else {
        result.op.set(OperationResult::Outcome::Refused, Reason::ImageRefused,
                      session.console.lastLine);
    }
    return result.finish();
}

int runDump(const QStringList& args) {
    CommandResult result(QStringLiteral("dump"));
    Session session(stderr);
    Arguments parsed;
    if (!parseFileCommand(args, {}, session, &parsed))
        return result.usage(QStringLiteral("see tessel-cli dump --help"));
    result.chip = int(session.shared.chipIndex.load());
    if (!session.open(parsed.positional[0])) {
        result.op.set(OperationResult::Outcome::Refused, Reason::ImageRefused,
                      session.console.lastLine);
        return result.finish();
    }
    QString dump = session.image.writeBufferDump;
    dump.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    if (dump.endsWith(QLatin1Char('\n')))
        dump.chop(1);
    printMessage(dump);
    result.op.checksum = session.image.imageChecksum;
    result.op.length = session.image.imageLength;
    return result.finish();
}

// What make-tk is asked to write, from its command line and its input file.
struct MakeTkRequest {
    uint8_t cfg0 = 0;
    uint8_t cfg1 = 0;
    bool haveCfg0 = false;
    int mode = -1;  // the mode asked for; -1: from the input file, else tk
    QString input;
    TkContents carried;  // what a mass-production input carries
    int chip = 0;
    QByteArray eeprom;
};

// Reads --cfg0, --cfg1 and --mode; returns the usage problem, or an empty text.
QString parseMakeTkOptions(const Arguments& parsed, MakeTkRequest* req) {
    req->haveCfg0 = parsed.has(QStringLiteral("--cfg0"));
    if ((req->haveCfg0 && !parseByte(parsed.value(QStringLiteral("--cfg0")), &req->cfg0)) ||
        (parsed.has(QStringLiteral("--cfg1")) &&
         !parseByte(parsed.value(QStringLiteral("--cfg1")), &req->cfg1))) {
        return QStringLiteral("--cfg0 and --cfg1 take a byte (0 to 255 or 0x00 to 0xff)");
    }
    if (parsed.has(QStringLiteral("--mode"))) {
        const QString m = parsed.value(QStringLiteral("--mode")).toLower();
        req->mode = m == QLatin1String("mtk")   ? 0
                    : m == QLatin1String("ntk") ? 1
                    : m == QLatin1String("tk")  ? 2
                                                : -2;
        if (req->mode == -2) {
            return QStringLiteral("--mode must be mtk, ntk or tk");
        }
    }
    return QString();
}

// The chip of a mass-production input is the one its trailer names.
void readCarriedTrailer(MakeTkRequest* req) {
    if (!isMassProductionFile(req->input))
        return;
    QFile f(req->input);
    if (f.open(QIODevice::ReadOnly) && f.size() <= qint64(kLargestReadableFile)) {
        const QByteArray data = f.readAll();
        req->carried = decodeMassProductionFile(reinterpret_cast<const uint8_t*>(data.constData()),
                                                uint32_t(data.size()));
        if (req->carried.status == TkStatus::Ok)
            req->chip = req->carried.chip;
    }
}

// Checks the configuration bytes, the EEPROM image, the mode and the output name against the
// chip; returns the exit code when the command ends here.
std::optional<int> checkMakeTkRequest(const Arguments& parsed, MakeTkRequest& req, Session& session,
                                      CommandResult& result) {
    const int chip = req.chip;
    if (!req.haveCfg0 && req.carried.status == TkStatus::Ok) {
        req.cfg0 = req.carried.cfg0;  // the file's own configuration bytes
        req.cfg1 = req.carried.cfg1;
    } else if (!req.haveCfg0 && !chipInfo(chip).massProductionModes) {
        return result.usage(QStringLiteral("--cfg0 is needed for chip %1").arg(chip));
    }
    if (parsed.has(QStringLiteral("--eeprom"))) {
        if (!eepromInFlashBuffer(chip)) {
            return result.usage(QStringLiteral("--eeprom: only KR4115/56/17 and KR4116/4311/12A "
                                               "files carry an EEPROM image (chip is %1)")
                                    .arg(chip));
        }
        QFile f(parsed.value(QStringLiteral("--eeprom")));
        if (!f.open(QIODevice::ReadOnly) || f.size() != qint64(kFlashEepromImageSize)) {
            return result.refuse(Reason::EepromImageRefused,
                                 QStringLiteral("--eeprom needs a file of exactly 2048 bytes"));
        }
        req.eeprom = f.readAll();
    }
    if (req.mode < 0)
        req.mode = req.carried.status == TkStatus::Ok && chipInfo(chip).massProductionModes
                       ? modeSelectionFromByte(req.carried.modeByte)
                       : 2;
    const QString ext = massProductionExtension(chip, req.mode);
    session.console.extension = ext;
    session.console.force = parsed.has(QStringLiteral("--force"));
    if (parsed.has(QStringLiteral("-o"))) {
        // The file gets the extension of its mode; an OUT that already ends with it is
        // written as given.
        QString out = parsed.value(QStringLiteral("-o"));
        if (out.endsWith(ext, Qt::CaseInsensitive))
            out.chop(ext.size());
        session.console.saveAnswer = out;
        if (!session.console.force && QFileInfo::exists(out + ext)) {
            return result.refuse(Reason::FileExists,
                                 cliText(Msg::CliFileExists, qUtf8Printable(out + ext)));
        }
    }
    return std::nullopt;
}

// Loads the input as the programming page does and writes the mass-production file.
int writeMakeTk(const MakeTkRequest& req, Session& session, CommandResult& result) {
    result.chip = req.chip;
    if (!session.open(req.input)) {
        result.op.set(OperationResult::Outcome::Refused, Reason::ImageRefused,
                      session.console.lastLine);
        return result.finish();
    }
    const int chip = int(session.shared.chipIndex.load());
    if (!req.eeprom.isEmpty()) {
        std::copy(req.eeprom.begin(), req.eeprom.end(), session.image.eepromWriteImage(chip));
    }
    MassProductionWriter writer(session.shared, session.image, session.console, session.console);
    if (!writer.createMassProductionFile(req.cfg0, req.cfg1, req.mode)) {
        if (!session.console.refusedPath.isEmpty()) {
            return result.refuse(
                Reason::FileExists,
                cliText(Msg::CliFileExists, qUtf8Printable(session.console.refusedPath)));
        }
        result.op.set(OperationResult::Outcome::Failed, Reason::WriteFailed,
                      session.console.lastLine);
        return result.finish();
    }
    const QString written = QDir::toNativeSeparators(writer.writtenPath());
    printMessage(QStringLiteral("file=") + written);
    result.op.message = session.console.lastLine;
    result.op.checksum = session.image.imageChecksum;
    result.op.length = uint32_t(QFileInfo(writer.writtenPath()).size());
    result.extra.insert(QStringLiteral("file"), written);
    return result.finish();
}

int runMakeTk(const QStringList& args) {
    Session session(messageStream());
    Arguments parsed;
    const std::vector<OptionSpec> specs = {
        {"--cfg0", OptionSpec::Value}, {"--cfg1", OptionSpec::Value},
        {"--mode", OptionSpec::Value}, {"--eeprom", OptionSpec::Value},
        {"--force", OptionSpec::Flag}, {"-o", OptionSpec::Value}};
    CommandResult result(QStringLiteral("make-tk"));
    if (!parseFileCommand(args, specs, session, &parsed))
        return result.usage(QStringLiteral("see tessel-cli make-tk --help"));
    MakeTkRequest req;
    const QString problem = parseMakeTkOptions(parsed, &req);
    if (!problem.isEmpty())
        return result.usage(problem);

    // Everything the command line tells is checked before the file is loaded; the chip of
    // a mass-production file is the one its trailer names.
    req.input = parsed.positional[0];
    req.chip = int(session.shared.chipIndex.load());
    readCarriedTrailer(&req);
    if (const std::optional<int> code = checkMakeTkRequest(parsed, req, session, result))
        return *code;
    return writeMakeTk(req, session, result);
}

}  // namespace

std::vector<Command> imageCommands() {
    return {
        {"info", "load an image or mass-production file and check it for a chip",
         "Usage: tessel-cli info FILE [--chip C] [--lang en|zh]\n"
         "\n"
         "Loads FILE as the open-file button of the window program does with chip C selected\n"
         "(C is 0 to 13 or the chip combo text, e.g. KR5814; default 0). The extension picks\n"
         "the reader: .hex Intel HEX, .bin raw binary, .tk/.ntk/.mtk mass-production file.\n"
         "Prints the messages the program would log or show, one a line, then\n"
         "  length=<image length>  checksum=0x<8 hex digits>  accepted=yes|no\n"
         "and, for a mass-production file, chip=<the chip it names>.\n"
         "Exit status: 0 accepted, 1 refused, 2 usage error.\n",
         runInfo},
        {"dump", "print the buffer dump of a loaded image",
         "Usage: tessel-cli dump FILE [--chip C] [--lang en|zh]\n"
         "\n"
         "Loads FILE as 'info' does and prints the write-buffer dump of the image (16 bytes a\n"
         "line behind the offset). The program's messages go to standard error.\n"
         "Exit status: 0 accepted, 1 refused, 2 usage error.\n",
         runDump},
        {"make-tk", "write a mass-production file from an image",
         "Usage: tessel-cli make-tk FILE [--chip C] --cfg0 X [--cfg1 Y] [--mode mtk|ntk|tk]\n"
         "                          [--eeprom FILE] [-o OUT] [--force] [--lang en|zh] [--json]\n"
         "\n"
         "Loads FILE as 'info' does, then writes a mass-production file of the image with\n"
         "configuration byte X (and Y, the second byte of chip 0). --cfg0 may be left out for\n"
         "chips 10 to 12, whose files carry the mode instead: mtk, ntk or tk (default: the mode\n"
         "of a mass-production FILE, else tk). Without -o the file gets the program's default\n"
         "name in the current directory; the extension of the mode is appended to OUT unless\n"
         "OUT already ends with it. Prints the program's messages and file=<path written>.\n"
         "--eeprom FILE (chips 5 and 7): the 2048-byte EEPROM image the file carries.\n"
         "An existing file is replaced only with --force. A mass-production FILE brings its\n"
         "own chip, configuration bytes and mode unless they are given.\n"
         "Exit status: 0 written, 1 refused or failed, 2 usage error.\n",
         runMakeTk},
    };
}

}  // namespace tessel::cli
