// "list": every programmer board on the bus, whether it can be used, and why not.
#include "app/sharedstate.h"
#include "cli/boardaccess.h"
#include "cli/command.h"
#include "cli/result.h"

#include <QJsonArray>

namespace tessel::cli {
namespace {

int runList(const QStringList& argv) {
    CommandResult result(QStringLiteral("list"));
    Arguments args;
    QString error;
    SharedState state;
    BoardOptions options;
    if (!args.parse(argv, kBoardOptions, &error) || !applyCommonOptions(args, state, &error) ||
        !parseBoardOptions(args, &options, &error)) {
        return result.usage(error);
    }
    if (!args.positional.isEmpty())
        return result.usage(QStringLiteral("list takes no arguments"));
    BoardAccess access;
    const QList<BoardEntry> boards = findBoards(access.bus(options), true, state.english());
    QJsonArray array;
    int openable = 0;
    for (const BoardEntry& e : boards) {
        const QString release =
            QStringLiteral("0x%1").arg(e.info.releaseNumber, 4, 16, QLatin1Char('0'));
        QString line = e.info.path;
        line += QStringLiteral("  serial=") +
                (e.info.serialNumber.isEmpty() ? QStringLiteral("-") : e.info.serialNumber);
        line += QStringLiteral("  release=") + release;
        line += e.openable ? QStringLiteral("  ok")
                : e.busy   ? QStringLiteral("  busy: ") + e.problem
                           : QStringLiteral("  unusable: ") + e.problem;
        printMessage(line);
        openable += e.openable;
        QJsonObject o;
        o.insert(QStringLiteral("path"), e.info.path);
        o.insert(QStringLiteral("serial"),
                 e.info.serialNumber.isEmpty() ? QJsonValue() : QJsonValue(e.info.serialNumber));
        o.insert(QStringLiteral("release"), release);
        o.insert(QStringLiteral("openable"), e.openable);
        o.insert(QStringLiteral("problem"),
                 e.problem.isEmpty() ? QJsonValue() : QJsonValue(e.problem));
        array << o;
    }
    result.extra.insert(QStringLiteral("boards"), array);
    if (boards.isEmpty()) {
        printMessage(cliText(Msg::CliNoBoardConnected));
        result.op.set(OperationResult::Outcome::Failed, Reason::NoBoard,
                      cliText(Msg::CliNoBoardConnected));
    } else if (openable == 0) {
        result.op.set(OperationResult::Outcome::Failed,
                      boards.first().busy ? Reason::BoardBusy : Reason::BoardNotAccessible,
                      boards.first().problem);
    } else {
        result.op.message =
            QStringLiteral("%1 board(s), %2 usable").arg(boards.size()).arg(openable);
    }
    return result.finish();
}

}  // namespace

std::vector<Command> listCommands() {
    return {
        {"list", "list the programmer boards connected",
         "Usage: tessel-cli list [--simulate[=OPTIONS]] [--json]\n"
         "Prints one line per board: device path, serial number (- when the board has none),\n"
         "release number, and \"ok\" when it can be opened, else why not (with the udev rule\n"
         "that grants access). Exit status 3 when no board can be used.\n",
         runList},
    };
}

}  // namespace tessel::cli
