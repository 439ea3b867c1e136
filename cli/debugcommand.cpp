// tessel-cli debug: a touch-key debug run on the board, headless. The same session as the
// debug page: start-up, stream, outlier filter, CSV file and statistics.
#include "app/profile.h"
#include "app/sharedstate.h"
#include "cli/boardaccess.h"
#include "cli/command.h"
#include "cli/result.h"
#include "debug/debugsession.h"
#include "link/cmusbhid.h"
#include "link/connection.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <memory>

namespace tessel::cli {
namespace {

// The board options (--simulate, --trace, --device, --json, ...) and the run's own.
std::vector<OptionSpec> debugOptions() {
    std::vector<OptionSpec> specs = kBoardOptions;
    specs.push_back({"--seconds", OptionSpec::Value});
    specs.push_back({"--samples", OptionSpec::Value});
    specs.push_back({"--vcc", OptionSpec::Value});
    specs.push_back({"--csv", OptionSpec::Value});
    return specs;
}

// Messages and message boxes, one a line (standard error under --json). The last one is
// kept: it says why a run that failed ended.
class ConsolePrompts : public Prompts, public LogSink {
public:
    void showMessage(const QString& text) override { appendLog(text); }
    QString openFileName(const QString&) override { return QString(); }
    QString saveFileName(const QString&, const QString&) override { return QString(); }
    void appendLog(const QString& line) override {
        printMessage(line);
        last = line;
    }
    QString last;
};

struct DebugRequest {
    double seconds = 10;
    qint64 samples = 0;  // 0: run for `seconds`
    int vcc = 1;
    QString csvFile;
    BoardOptions board;
};

void printStatistics(const DebugStatistics& stats) {
    const QStringList titles = DebugStatistics::columnTitles();
    auto row = [](const QStringList& cells) {
        QString line;
        for (int c = 0; c < cells.size(); ++c)
            line += c == 0 ? cells[c].leftJustified(4) : cells[c].rightJustified(14);
        return line;
    };
    printMessage(row(titles));
    for (int i = 0; i < stats.channels(); ++i)
        printMessage(row(stats.rowTexts(i)));
}

int runDebugJob(const DebugRequest& req, SharedState& state, CommandResult& result) {
    BoardAccess access;
    if (!access.select(req.board, result, state.english()))
        return result.finish();
    ConsolePrompts console;
    CMUSBHid transport(state, access.backend());
    DebugSession session(state, transport, console);
    session.setSaveData(true);
    if (req.csvFile.isEmpty()) {
        session.setCsvDirectory(QDir::currentPath());
    } else {
        session.setCsvFile(req.csvFile);
        session.setCsvDirectory(QFileInfo(req.csvFile).absolutePath());
    }
    DebugPageSettings settings;
    settings.vcc = req.vcc;

    int exitCode = kExitRefused;
    bool pausedByUs = false;
    auto finish = [&](int code) {
        exitCode = code;
        QCoreApplication::exit(code);
    };
    QTimer runTimer;
    runTimer.setSingleShot(true);
    auto endRun = [&] {
        if (session.state() != DebugSession::State::Streaming)
            return;
        pausedByUs = true;
        session.pause();  // writes the CSV file; the stop follows its end
        session.stop();
    };
    QObject::connect(&runTimer, &QTimer::timeout, endRun);
    QObject::connect(&session, &DebugSession::stateChanged, [&](DebugSession::State s) {
        if (s == DebugSession::State::Streaming && !pausedByUs && req.samples == 0)
            runTimer.start(int(req.seconds * 1000));
        if (s == DebugSession::State::Idle)
            finish(pausedByUs ? kExitOk : kExitRefused);
    });
    QObject::connect(&session, &DebugSession::sampleShown, [&](const SampleRecord&) {
        if (req.samples > 0 && session.framesAccepted() >= req.samples)
            endRun();
    });
    QObject::connect(&session, &DebugSession::csvFinished, [&](bool ok, const QString& path) {
        if (ok) {
            printMessage(QStringLiteral("csv=%1").arg(path));
            result.extra[QStringLiteral("csv")] = path;
        } else {
            pausedByUs = false;  // the run failed to keep its samples
        }
    });
    ConnectionSequence connection(state, transport, console, [&](bool accepted) {
        if (!accepted || !session.start(settings))
            finish(kExitRefused);
    });
    QObject::connect(&transport, &CMUSBHid::linkNotification, [&](const LinkNotification& n) {
        if (connection.handle(n) && n.code == LinkCode::NoDevice)
            finish(kExitRefused);
    });
    bool lost = false;
    QObject::connect(&transport, &CMUSBHid::disconnected, [&] {
        lost = true;
        if (session.running())
            finish(kExitRefused);
    });
    QTimer::singleShot(0, &transport, [&] { transport.open(); });
    QCoreApplication::exec();
    const bool lostDuringRun = lost;  // close() below says disconnected too
    session.csvWriter().wait();
    transport.close();

    const DebugStatistics& stats = session.statistics();
    printMessage(QStringLiteral("samples=%1 malformed=%2 discarded=%3")
                     .arg(session.framesAccepted())
                     .arg(session.framesMalformed())
                     .arg(session.samplesDiscarded()));
    result.extra[QStringLiteral("samples")] = double(session.framesAccepted());
    result.extra[QStringLiteral("malformed")] = double(session.framesMalformed());
    result.extra[QStringLiteral("discarded")] = double(session.samplesDiscarded());
    if (stats.channels() > 0)
        printStatistics(stats);
    if (exitCode == kExitOk && session.framesAccepted() == 0) {
        result.op.set(OperationResult::Outcome::Failed, QStringLiteral("no-samples"),
                      QStringLiteral("no samples received"));
    } else if (exitCode != kExitOk) {
        const QString reason =
            lostDuringRun ? QStringLiteral("board-lost") : reasonOfMessage(console.last);
        result.op.set(OperationResult::Outcome::Failed,
                      reason.isEmpty() ? QStringLiteral("debug-failed") : reason, console.last);
    }
    if (!req.board.traceFile.isEmpty() && !access.writeTrace(req.board.traceFile))
        printLine(stderr, QStringLiteral("tessel-cli: cannot write %1").arg(req.board.traceFile));
    return result.finish();
}

int runDebug(const QStringList& argv) {
    CommandResult result(QStringLiteral("debug"));
    Arguments args;
    QString error;
    SharedState state;
    auto usage = [&](const QString& text) {
        return result.usage(
            text.isEmpty() ? QStringLiteral("wrong arguments; see tessel-cli debug --help") : text);
    };
    if (!args.parse(argv, debugOptions(), &error) || !applyCommonOptions(args, state, &error))
        return usage(error);
    if (!args.positional.isEmpty() || !args.has(QStringLiteral("--chip")))
        return usage(QString());
    result.chip = int(state.chipIndex.load());
    DebugRequest req;
    if (args.has(QStringLiteral("--seconds")) && args.has(QStringLiteral("--samples")))
        return usage(QStringLiteral("give --seconds or --samples, not both"));
    bool ok = true;
    if (args.has(QStringLiteral("--seconds"))) {
        req.seconds = args.value(QStringLiteral("--seconds")).toDouble(&ok);
        if (!ok || req.seconds <= 0 || req.seconds > 24 * 3600)
            return usage(QStringLiteral("--seconds needs a number of seconds above 0"));
    }
    if (args.has(QStringLiteral("--samples"))) {
        req.samples = args.value(QStringLiteral("--samples")).toLongLong(&ok);
        if (!ok || req.samples <= 0)
            return usage(QStringLiteral("--samples needs a count above 0"));
    }
    if (args.has(QStringLiteral("--vcc"))) {
        const QString v = args.value(QStringLiteral("--vcc")).toLower();
        const QStringList choices = {QStringLiteral("3v"), QStringLiteral("5v"),
                                     QStringLiteral("ext")};
        req.vcc = int(choices.indexOf(v));
        if (req.vcc < 0)
            return usage(QStringLiteral("--vcc needs 3v, 5v or ext"));
    }
    req.csvFile = args.value(QStringLiteral("--csv"));
    if (!parseBoardOptions(args, &req.board, &error))
        return usage(error);
    const QString profile =
        args.has(QStringLiteral("--profile"))
            ? args.value(QStringLiteral("--profile"))
            : Profile::chooseLocation(QCoreApplication::applicationDirPath() + QLatin1Char('/'));
    state.profilePath = profile;
    loadTouchParameters(Profile(profile), &state.debugParameters);
    return runDebugJob(req, state, result);
}

}  // namespace

std::vector<Command> debugCommands() {
    return {
        {"debug", "a touch-key debug run: stream, CSV file and statistics",
         "Usage: tessel-cli debug --chip C [--seconds S | --samples N] [--vcc 3v|5v|ext]\n"
         "                        [--csv FILE] [--simulate[=OPTIONS]] [--trace FILE]\n"
         "                        [--device PATH|SERIAL] [--json] [--lang en] [--profile FILE]\n"
         "Starts a debug run on the board (supply --vcc, default 5v), streams the target's\n"
         "channels for S seconds (default 10) or N samples, then pauses, writes the samples\n"
         "to FILE (default: the window's time-stamped name in the current directory) and\n"
         "stops. Prints the messages, csv=, the sample counts and one row of statistics per\n"
         "channel. Exits 1 when the supply or the target link fails, 2 on a usage error, 3 when\n"
         "there is no board or it is lost.\n",
         runDebug},
    };
}

}  // namespace tessel::cli
