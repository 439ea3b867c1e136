// tessel-cli debug: a touch-key debug run on the board, headless. The same session as the
// debug page: start-up, stream, outlier filter, CSV file and statistics.
#include "app/profile.h"
#include "app/sharedstate.h"
#include "cli/command.h"
#include "debug/debugsession.h"
#include "link/cmusbhid.h"
#include "link/connection.h"
#include "link/hid/hidapibackend.h"
#include "sim/simboard.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <memory>

namespace tessel::cli {
namespace {

const std::vector<OptionSpec> kDebugOptions = {
    {"--chip", OptionSpec::Value},
    {"--lang", OptionSpec::Value},
    {"--simulate", OptionSpec::OptionalValue},
    {"--trace", OptionSpec::Value},
    {"--seconds", OptionSpec::Value},
    {"--samples", OptionSpec::Value},
    {"--vcc", OptionSpec::Value},
    {"--csv", OptionSpec::Value},
    {"--profile", OptionSpec::Value},
};

// Messages and message boxes, one a line on standard output.
class ConsolePrompts : public Prompts, public LogSink {
public:
    void showMessage(const QString& text) override { printLine(stdout, text); }
    QString openFileName(const QString&) override { return QString(); }
    QString saveFileName(const QString&, const QString&) override { return QString(); }
    void appendLog(const QString& line) override { printLine(stdout, line); }
};

struct DebugRequest {
    double seconds = 10;
    qint64 samples = 0;  // 0: run for `seconds`
    int vcc = 1;
    QString csvFile;
    QString traceFile;
    bool simulate = false;
    SimOptions sim;
};

void printStatistics(const DebugStatistics& stats) {
    const QStringList titles = DebugStatistics::columnTitles();
    auto row = [](const QStringList& cells) {
        QString line;
        for (int c = 0; c < cells.size(); ++c)
            line += c == 0 ? cells[c].leftJustified(4) : cells[c].rightJustified(14);
        return line;
    };
    printLine(stdout, row(titles));
    for (int i = 0; i < stats.channels(); ++i)
        printLine(stdout, row(stats.rowTexts(i)));
}

int runDebugJob(const DebugRequest& req, SharedState& state) {
    std::unique_ptr<HidBackend> backend;
    SimBackend* sim = nullptr;
    if (req.simulate) {
        auto s = std::make_unique<SimBackend>(req.sim);
        sim = s.get();
        backend = std::move(s);
    } else {
        backend = std::make_unique<HidapiBackend>();
    }
    ConsolePrompts console;
    CMUSBHid transport(state, *backend);
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
        if (ok)
            printLine(stdout, QStringLiteral("csv=%1").arg(path));
        else
            pausedByUs = false;  // the run failed to keep its samples
    });
    ConnectionSequence connection(state, transport, console, [&](bool accepted) {
        if (!accepted || !session.start(settings))
            finish(kExitRefused);
    });
    QObject::connect(&transport, &CMUSBHid::linkNotification, [&](const LinkNotification& n) {
        if (connection.handle(n) && n.code == LinkCode::NoDevice)
            finish(kExitRefused);
    });
    QObject::connect(&transport, &CMUSBHid::disconnected, [&] {
        if (session.running())
            finish(kExitRefused);
    });
    QTimer::singleShot(0, &transport, [&] { transport.open(); });
    QCoreApplication::exec();
    session.csvWriter().wait();
    transport.close();

    const DebugStatistics& stats = session.statistics();
    printLine(stdout, QStringLiteral("samples=%1 malformed=%2 discarded=%3")
                          .arg(session.framesAccepted())
                          .arg(session.framesMalformed())
                          .arg(session.samplesDiscarded()));
    if (stats.channels() > 0)
        printStatistics(stats);
    if (exitCode == kExitOk && session.framesAccepted() == 0) {
        printLine(stderr, QStringLiteral("no samples received"));
        exitCode = kExitRefused;
    }
    if (sim && !req.traceFile.isEmpty()) {
        QFile f(req.traceFile);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Text))
            return kExitRefused;
        for (const Report& r : sim->board().trace())
            f.write((reportToHex(r) + QLatin1Char('\n')).toLatin1());
    }
    return exitCode;
}

int usage(const QString& error) {
    printLine(stderr, error.isEmpty()
                          ? QStringLiteral("wrong arguments; see tessel-cli debug --help")
                          : error);
    return kExitUsage;
}

int runDebug(const QStringList& argv) {
    Arguments args;
    QString error;
    SharedState state;
    if (!args.parse(argv, kDebugOptions, &error) || !applyCommonOptions(args, state, &error))
        return usage(error);
    if (!args.positional.isEmpty() || !args.has(QStringLiteral("--chip")))
        return usage(QString());
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
    req.simulate = args.has(QStringLiteral("--simulate"));
    if (req.simulate &&
        !SimOptions::parse(args.value(QStringLiteral("--simulate")), &req.sim, &error)) {
        return usage(error);
    }
    req.traceFile = args.value(QStringLiteral("--trace"));
    if (!req.traceFile.isEmpty() && !req.simulate)
        return usage(QStringLiteral("--trace records the simulated board; add --simulate"));
    const QString profile =
        args.has(QStringLiteral("--profile"))
            ? args.value(QStringLiteral("--profile"))
            : Profile::chooseLocation(QCoreApplication::applicationDirPath() + QLatin1Char('/'));
    state.profilePath = profile;
    loadTouchParameters(Profile(profile), &state.debugParameters);
    return runDebugJob(req, state);
}

}  // namespace

std::vector<Command> debugCommands() {
    return {
        {"debug", "a touch-key debug run: stream, CSV file and statistics",
         "Usage: tessel-cli debug --chip C [--seconds S | --samples N] [--vcc 3v|5v|ext]\n"
         "                        [--csv FILE] [--simulate[=OPTIONS]] [--trace FILE]\n"
         "                        [--lang en] [--profile FILE]\n"
         "Starts a debug run on the board (supply --vcc, default 5v), streams the target's\n"
         "channels for S seconds (default 10) or N samples, then pauses, writes the samples\n"
         "to FILE (default: the window's time-stamped name in the current directory) and\n"
         "stops. Prints the messages, csv=, the sample counts and one row of statistics per\n"
         "channel. Exits 1 when the supply or the target link fails, 2 on a usage error.\n",
         runDebug},
    };
}

}  // namespace tessel::cli
