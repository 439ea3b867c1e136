// Commands on image and mass-production files: info, dump, make-tk.

#include "app/prompts.h"
#include "app/sharedstate.h"
#include "cli/command.h"
#include "image/imageformat.h"
#include "image/imageloadeffects.h"
#include "image/imageloader.h"
#include "image/imagestate.h"
#include "image/massproduction.h"
#include "image/massproductionwriter.h"

#include <QDir>
#include <QFileInfo>

namespace tessel::cli {

namespace {

// Prints every log line and message box as a line, in the order they occur, and answers
// the file dialogs with the paths given on the command line.
class ConsolePrompts : public Prompts, public LogSink {
public:
    explicit ConsolePrompts(std::FILE* out) : out_(out) {}

    QString openAnswer;
    QString saveAnswer;  // empty: the offered name in the current directory

    void appendLog(const QString& line) override { printLine(out_, line); }
    void showMessage(const QString& text) override { printLine(out_, text); }
    QString openFileName(const QString&) override { return openAnswer; }
    QString saveFileName(const QString& defaultName, const QString&) override {
        return saveAnswer.isEmpty() ? QDir::current().filePath(defaultName) : saveAnswer;
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
    Session session(stdout);
    Arguments parsed;
    if (!parseFileCommand(args, {}, session, &parsed))
        return kExitUsage;
    const QString path = parsed.positional[0];
    const bool accepted = session.open(path);
    printLine(stdout, QStringLiteral("length=%1").arg(session.image.imageLength));
    printLine(stdout, QStringLiteral("checksum=0x") + hex8(session.image.imageChecksum));
    printLine(stdout, QStringLiteral("accepted=") + QLatin1String(accepted ? "yes" : "no"));
    if (isMassProductionFile(path))
        printLine(stdout, QStringLiteral("chip=%1").arg(session.shared.chipIndex.load()));
    return accepted ? kExitOk : kExitRefused;
}

int runDump(const QStringList& args) {
    Session session(stderr);
    Arguments parsed;
    if (!parseFileCommand(args, {}, session, &parsed))
        return kExitUsage;
    if (!session.open(parsed.positional[0]))
        return kExitRefused;
    QString dump = session.image.writeBufferDump;
    dump.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    if (dump.endsWith(QLatin1Char('\n')))
        dump.chop(1);
    printLine(stdout, dump);
    return kExitOk;
}

int runMakeTk(const QStringList& args) {
    Session session(stdout);
    Arguments parsed;
    const std::vector<OptionSpec> specs = {{"--cfg0", OptionSpec::Value},
                                           {"--cfg1", OptionSpec::Value},
                                           {"--mode", OptionSpec::Value},
                                           {"-o", OptionSpec::Value}};
    if (!parseFileCommand(args, specs, session, &parsed))
        return kExitUsage;

    uint8_t cfg0 = 0;
    uint8_t cfg1 = 0;
    const bool haveCfg0 = parsed.has(QStringLiteral("--cfg0"));
    if ((haveCfg0 && !parseByte(parsed.value(QStringLiteral("--cfg0")), &cfg0)) ||
        (parsed.has(QStringLiteral("--cfg1")) &&
         !parseByte(parsed.value(QStringLiteral("--cfg1")), &cfg1))) {
        printLine(stderr, QStringLiteral("tessel-cli: --cfg0 and --cfg1 take a byte (0 to 255 "
                                         "or 0x00 to 0xff)"));
        return kExitUsage;
    }
    int mode = -1;
    if (parsed.has(QStringLiteral("--mode"))) {
        const QString m = parsed.value(QStringLiteral("--mode")).toLower();
        mode = m == QLatin1String("mtk")   ? 0
               : m == QLatin1String("ntk") ? 1
               : m == QLatin1String("tk")  ? 2
                                           : -2;
        if (mode == -2) {
            printLine(stderr, QStringLiteral("tessel-cli: --mode must be mtk, ntk or tk"));
            return kExitUsage;
        }
    }

    if (!session.open(parsed.positional[0]))
        return kExitRefused;

    // The chip may have changed with a mass-production file as input.
    const int chip = int(session.shared.chipIndex.load());
    if (!haveCfg0 && !(chip >= 10 && chip <= 12)) {
        printLine(stderr, QStringLiteral("tessel-cli: --cfg0 is needed for chip %1").arg(chip));
        return kExitUsage;
    }
    if (mode < 0)
        mode = session.image.fileModeSelection;

    if (parsed.has(QStringLiteral("-o"))) {
        // The file gets the extension of its mode; an OUT that already ends with it is
        // written as given.
        QString out = parsed.value(QStringLiteral("-o"));
        const QString ext = massProductionExtension(chip, mode);
        if (out.endsWith(ext, Qt::CaseInsensitive))
            out.chop(ext.size());
        session.console.saveAnswer = out;
    }
    MassProductionWriter writer(session.shared, session.image, session.console, session.console);
    if (!writer.createMassProductionFile(cfg0, cfg1, mode))
        return kExitRefused;
    printLine(stdout, QStringLiteral("file=") + QDir::toNativeSeparators(writer.writtenPath()));
    return kExitOk;
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
         "                          [-o OUT] [--lang en|zh]\n"
         "\n"
         "Loads FILE as 'info' does, then writes a mass-production file of the image with\n"
         "configuration byte X (and Y, the second byte of chip 0). --cfg0 may be left out for\n"
         "chips 10 to 12, whose files carry the mode instead: mtk, ntk or tk (default: the mode\n"
         "of a mass-production FILE, else tk). Without -o the file gets the program's default\n"
         "name in the current directory; the extension of the mode is appended to OUT unless\n"
         "OUT already ends with it. Prints the program's messages and file=<path written>.\n"
         "Exit status: 0 written, 1 refused or failed, 2 usage error.\n",
         runMakeTk},
    };
}

}  // namespace tessel::cli
