#include "cli/command.h"
#include "cli/result.h"

#include <QCoreApplication>

#include <cstdio>

using tessel::cli::Command;

namespace {

std::vector<Command> allCommands() {
    std::vector<Command> commands = tessel::cli::imageCommands();
    for (Command& c : tessel::cli::boardCommands())
        commands.push_back(c);
    for (Command& c : tessel::cli::debugCommands())
        commands.push_back(c);
    for (Command& c : tessel::cli::configCommands())
        commands.push_back(c);
    for (Command& c : tessel::cli::trimCommands())
        commands.push_back(c);
    for (Command& c : tessel::cli::listCommands())
        commands.push_back(c);
    for (Command& c : tessel::cli::analyseCommands())
        commands.push_back(c);
    return commands;
}

void printUsage(std::FILE* out, const std::vector<Command>& commands) {
    std::fputs(
        "Usage: tessel-cli COMMAND [ARGUMENTS] [OPTIONS]\n"
        "       tessel-cli COMMAND --help\n"
        "       tessel-cli --version\n"
        "\n"
        "Commands:\n",
        out);
    for (const Command& c : commands)
        std::fprintf(out, "  %-12s %s\n", c.name, c.summary);
    std::fputs("\nShared options:\n", out);
    for (const tessel::cli::OptionDoc& o : tessel::cli::kSharedOptionDocs)
        std::fprintf(out, "  %-22s %s\n", o.name, o.text);
    std::fputs("\nBoard options (board commands and list):\n", out);
    for (const tessel::cli::OptionDoc& o : tessel::cli::kBoardOptionDocs)
        std::fprintf(out, "  %-22s %s\n", o.name, o.text);
    std::fputs(
        "\n"
        "Exit status: 0 success, 1 refused or failed, 2 usage error, 3 no board or board lost;\n"
        "with --all the worst of the boards' (3 before 1 before 0).\n",
        out);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.value(0) == QLatin1String("--version")) {
        std::printf("tessel-cli %s\n", TESSEL_VERSION);
        return tessel::cli::kExitOk;
    }
    if (args == QStringList{QStringLiteral("--man")}) {
        std::fputs(tessel::cli::manPage(allCommands()).toUtf8().constData(), stdout);
        return tessel::cli::kExitOk;
    }
    // Options given before the command belong to it: tessel-cli --simulate --lang en power off.
    QStringList leading;
    while (!args.isEmpty() && args.first().startsWith(QLatin1String("--")) &&
           args.first() != QLatin1String("--help")) {
        const QString option = args.takeFirst();
        leading << option;
        const bool takesValue =
            option == QLatin1String("--trace") || option == QLatin1String("--lang") ||
            option == QLatin1String("--chip") || option == QLatin1String("--profile") ||
            option == QLatin1String("--device") || option == QLatin1String("--log");
        if (takesValue && !args.isEmpty())
            leading << args.takeFirst();
    }
    if (!args.isEmpty())
        args = args.mid(0, 1) + leading + args.mid(1);
    const std::vector<Command> commands = allCommands();
    // Under --json standard output carries only the result object, usage errors included.
    const qsizetype end = args.indexOf(QLatin1String("--"));
    tessel::cli::setJsonMode(
        args.mid(0, end < 0 ? args.size() : end).contains(QLatin1String("--json")));

    if (args.isEmpty()) {
        printUsage(stderr, commands);
        return tessel::cli::kExitUsage;
    }
    const QString name = args.takeFirst();
    if (name == QLatin1String("--help") || name == QLatin1String("-h") ||
        name == QLatin1String("help")) {
        if (!args.isEmpty()) {
            for (const Command& c : commands) {
                if (args[0] == QLatin1String(c.name)) {
                    std::fputs(c.help, stdout);
                    return tessel::cli::kExitOk;
                }
            }
        }
        printUsage(stdout, commands);
        return tessel::cli::kExitOk;
    }
    for (const Command& c : commands) {
        if (name != QLatin1String(c.name))
            continue;
        if (args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h"))) {
            std::fputs(c.help, stdout);
            return tessel::cli::kExitOk;
        }
        return c.run(args);
    }
    printUsage(stderr, commands);
    return tessel::cli::CommandResult(name).usage(QStringLiteral("unknown command '%1'").arg(name));
}
