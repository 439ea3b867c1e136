// "tessel-cli trim": the trim page of a chip as the profile fills it.
#include "app/profile.h"
#include "app/sharedstate.h"
#include "cli/command.h"
#include "pages/chip/configpages.h"

namespace tessel::cli {
namespace {

const std::vector<OptionSpec> kTrimOptions = {
    {"--chip", OptionSpec::Value},
    {"--lang", OptionSpec::Value},
    {"--profile", OptionSpec::Value},
};

int runTrim(const QStringList& argv) {
    Arguments args;
    QString error;
    SharedState state;
    if (!args.parse(argv, kTrimOptions, &error) || !applyCommonOptions(args, state, &error) ||
        !args.positional.isEmpty() || !args.has(QStringLiteral("--chip"))) {
        printLine(stderr,
                  error.isEmpty() ? QStringLiteral("usage: tessel-cli trim --chip C") : error);
        return kExitUsage;
    }
    // Parameters.ini as the window program finds it, unless --profile names another file.
    QString path;
    if (!chooseProfile(args, &path, &error)) {
        printLine(stderr, QStringLiteral("tessel-cli: ") + error);
        return kExitUsage;
    }
    warnAboutProfileValues(static_cast<int>(state.chipIndex.load()), path);
    for (const QString& line :
         chip::trimReport(static_cast<int>(state.chipIndex.load()), Profile(path))) {
        printLine(stdout, line);
    }
    return kExitOk;
}

}  // namespace

std::vector<Command> trimCommands() {
    return {
        {"trim", "print the trim bytes of the chip's trim page",
         "Usage: tessel-cli trim --chip C [--profile FILE]\n"
         "Prints the trim page's caption and byte labels after loading Parameters.ini, then\n"
         "bytes= and the bytes in the order the write-trim command sends them (VE5812DUZI:\n"
         "the nineteen words, then their nineteen write flags).\n",
         runTrim},
    };
}

}  // namespace tessel::cli
