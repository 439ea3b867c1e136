// tessel-cli debug: a touch-key debug run on the board, headless. The same session as the
// debug page: start-up, stream, outlier filter, CSV file and statistics.
#include "app/outcome.h"
#include "app/profile.h"
#include "app/sharedstate.h"
#include "cli/boardaccess.h"
#include "cli/command.h"
#include "cli/result.h"
#include "debug/debugsession.h"
#include "debug/runreport.h"
#include "link/cmusbhid.h"
#include "link/connection.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>

namespace tessel::cli {
namespace {

// The board options (--simulate, --trace, --device, --json, ...) and the run's own.
std::vector<OptionSpec> debugOptions() {
    std::vector<OptionSpec> specs = kBoardOptions;
    specs.push_back({"--seconds", OptionSpec::Value});
    specs.push_back({"--samples", OptionSpec::Value});
    specs.push_back({"--vcc", OptionSpec::Value});
    specs.push_back({"--csv", OptionSpec::Value});
    specs.push_back({"--report", OptionSpec::Value});
    specs.push_back({"--noise-seconds", OptionSpec::Value});
    specs.push_back({"--min-snr", OptionSpec::Value});
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
    QString reportFile;  // --report: the qualification report of the run
    double noiseSeconds = 1;
    double minSnr = qualification::kDefaultMinSnr;
    QString simulateText;  // the --simulate settings, shown in the report
    BoardOptions board;
};

// The samples of the run for its report, timed from the start of the stream.
struct ReportFeed {
    RunQualification run;
    QElapsedTimer clock;
};

void connectReport(DebugSession& session, const DebugRequest& req, ReportFeed& feed) {
    if (req.reportFile.isEmpty())
        return;
    QObject::connect(&session, &DebugSession::channelsReady, [&session, &req, &feed](int n) {
        feed.run.start(session.chip(), n, qint64(req.noiseSeconds * 1000));
        feed.clock.start();
    });
    QObject::connect(&session, &DebugSession::sampleSaved,
                     [&feed](const SampleRecord& saved, quint32 zeroed) {
                         feed.run.add(saved, zeroed, feed.clock.elapsed());
                     });
}

// Writes the report of a run that delivered samples: exit 1 when a channel fails or the
// file cannot be written.
void writeRunReport(const DebugRequest& req, const ReportFeed& feed, const SharedState& state,
                    CommandResult& result) {
    const uint8_t l = state.language;
    report::Report rep;
    rep.chip = int(state.chipIndex.load());
    rep.time = QDateTime::currentDateTime();
    rep.source = message(Msg::QualReportLive, l);
    rep.samples = feed.run.samples();
    const QString vcc[3] = {state.text(Msg::DebugSupply3V), state.text(Msg::DebugSupply5V),
                            state.text(Msg::DebugSupplyExternal)};
    rep.parameters = {{message(Msg::DebugSupplyGroup, l), vcc[std::clamp(req.vcc, 0, 2)]},
                      {QStringLiteral("--noise-seconds"), QString::number(req.noiseSeconds)},
                      {QStringLiteral("noise samples"), QString::number(feed.run.noiseSamples())}};
    if (!req.simulateText.isEmpty())
        rep.parameters.emplace_back(QStringLiteral("--simulate"), req.simulateText);
    rep.result = feed.run.result(req.minSnr);
    rep.charts = feed.run.charts();
    rep.language = l;
    QString error;
    if (!report::write(rep, req.reportFile, &error)) {
        printMessage(error);
        result.op.set(OperationResult::Outcome::Failed, Reason::WriteFailed, error);
        return;
    }
    printMessage(QStringLiteral("report=%1").arg(req.reportFile));
    result.extra[QStringLiteral("report")] = req.reportFile;
    result.extra[QStringLiteral("report_json")] = report::jsonPath(req.reportFile);
    result.extra[QStringLiteral("qualification")] = qualification::toJson(rep.result);
    const int failed = int(std::count_if(rep.result.channel.begin(), rep.result.channel.end(),
                                         [](const auto& c) { return !c.pass; }));
    const QString summary =
        failed ? message(Msg::QualSomeFail, l, failed) : message(Msg::QualAllPass, l);
    printMessage(summary);
    if (failed)
        result.op.set(OperationResult::Outcome::Failed, Reason::QualificationFailed, summary);
}

void printStatistics(const DebugStatistics& stats, uint8_t language) {
    const QStringList titles = DebugStatistics::columnTitles(language);
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

// Frames the board sent before it heard the pause or the stop are still on their way when
// the run ends: the command waits until no debug report came for kQuietMs (kDrainMs at most)
// so that every frame is counted.
constexpr int kQuietMs = 150;
constexpr int kDrainMs = 1000;

// The frame counts of the run: received = accepted + malformed + discarded; with the
// simulated board also the frames it sent.
void reportCounts(const DebugSession& session, const SimBoard* sim, CommandResult& result) {
    printMessage(QStringLiteral("samples=%1 malformed=%2 discarded=%3")
                     .arg(session.framesAccepted())
                     .arg(session.framesMalformed())
                     .arg(session.samplesDiscarded()));
    QString frames = QStringLiteral("frames");
    if (sim) {
        frames += QStringLiteral(" sent=%1").arg(sim->framesSent());
        result.extra[QStringLiteral("sent")] = double(sim->framesSent());
    }
    printMessage(frames + QStringLiteral(" received=%1").arg(session.framesReceived()));
    result.extra[QStringLiteral("received")] = double(session.framesReceived());
    result.extra[QStringLiteral("accepted")] = double(session.framesAccepted());
    result.extra[QStringLiteral("samples")] = double(session.framesAccepted());
    result.extra[QStringLiteral("malformed")] = double(session.framesMalformed());
    result.extra[QStringLiteral("discarded")] = double(session.samplesDiscarded());
}

// How a connection notification before the run ends the command, if it does: no board,
// a board that cannot be opened or that another program holds, a refused version.
std::optional<Outcome> handshakeOutcome(const LinkNotification& n, const CMUSBHid& transport,
                                        const SharedState& state) {
    if (n.code == LinkCode::VersionRefused) {
        return Outcome::failure(Reason::VersionRefused, Msg::VersionRefused,
                                state.text(Msg::VersionRefused));
    }
    if (n.code != LinkCode::NoDevice)
        return std::nullopt;
    switch (transport.lastOpenResult()) {
        case OpenResult::PermissionDenied:
            return Outcome::failure(Reason::BoardNotAccessible, Msg::NoBoard,
                                    boardAccessHint(state.english()));
        case OpenResult::Busy:
            return Outcome::failure(Reason::BoardBusy, Msg::BoardBusy,
                                    boardBusyMessage(transport.lastHolder(), state.english()));
        default:
            return Outcome::failure(Reason::NoBoard, Msg::NoBoard, state.text(Msg::NoBoard));
    }
}

// The samples go to the file named, or under the window's time-stamped names here.
void saveSamplesAsAsked(DebugSession& session, const DebugRequest& req) {
    session.setSaveData(true);
    if (req.csvFile.isEmpty()) {
        session.setCsvDirectory(QDir::currentPath());
    } else {
        session.setCsvFile(req.csvFile);
        session.setCsvDirectory(QFileInfo(req.csvFile).absolutePath());
    }
}

// What the command reports: what ended it, else the run's outcome. The command asked for
// samples, so a run that ended well without one did not deliver.
Outcome commandOutcome(const std::optional<Outcome>& ended, const DebugSession& session,
                       const SharedState& state) {
    const Outcome end = ended.value_or(session.outcome());
    if (end.ok() && session.framesAccepted() == 0) {
        return Outcome::failure(Reason::NoSamples, Msg::DebugNoSamples,
                                state.text(Msg::DebugNoSamples));
    }
    return end;
}

// The end of the command: frame counts, statistics, the trace, and the JSON reason and exit
// code of the outcome.
int reportRun(const DebugRequest& req, const DebugSession& session, BoardAccess& access,
              const Outcome& end, uint8_t language, CommandResult& result) {
    reportCounts(session, access.simBoard(), result);
    const DebugStatistics& stats = session.statistics();
    if (stats.channels() > 0)
        printStatistics(stats, language);
    if (!end.ok()) {
        result.op.set(end);
    }
    if (!req.board.traceFile.isEmpty() && !access.writeTrace(req.board.traceFile))
        printLine(stderr, QStringLiteral("tessel-cli: cannot write %1").arg(req.board.traceFile));
    return result.finish();
}

// How a debug command ends: the first outcome decided (the run's, or what ended the command
// before or around it), then a quiet spell without frames or the drain limit.
struct DebugJobEnd {
    std::optional<Outcome> outcome;
    bool pausedByUs = false;
    QTimer quiet;
    QTimer drainLimit;

    DebugJobEnd() {
        for (QTimer* t : {&quiet, &drainLimit}) {
            t->setSingleShot(true);
            QObject::connect(t, &QTimer::timeout, [] { QCoreApplication::exit(0); });
        }
    }
    void finish(const Outcome& o) {
        if (outcome)
            return;
        outcome = o;
        quiet.start(kQuietMs);
        drainLimit.start(kDrainMs);
    }
};

// The run lasts the asked seconds or samples, then pauses (writing the CSV file) and stops.
void connectRun(DebugSession& session, const DebugRequest& req, QTimer& runTimer, DebugJobEnd& end,
                CommandResult& result) {
    runTimer.setSingleShot(true);
    auto endRun = [&session, &end] {
        if (session.state() != DebugSession::State::Streaming)
            return;
        end.pausedByUs = true;
        session.pause();  // writes the CSV file; the stop follows its end
        session.stop();
    };
    QObject::connect(&runTimer, &QTimer::timeout, endRun);
    QObject::connect(&session, &DebugSession::stateChanged, [&](DebugSession::State s) {
        if (s == DebugSession::State::Streaming && !end.pausedByUs && req.samples == 0)
            runTimer.start(int(req.seconds * 1000));
    });
    QObject::connect(&session, &DebugSession::finished,
                     [&end](const Outcome& o) { end.finish(o); });
    QObject::connect(&session, &DebugSession::sampleShown, [&, endRun](const SampleRecord&) {
        if (req.samples > 0 && session.framesAccepted() >= req.samples)
            endRun();
    });
    QObject::connect(&session, &DebugSession::csvFinished, [&result](bool ok, const QString& path) {
        if (ok) {
            printMessage(QStringLiteral("csv=%1").arg(path));
            result.extra[QStringLiteral("csv")] = path;
        }
    });
}

int runDebugJob(const DebugRequest& req, SharedState& state, CommandResult& result) {
    BoardAccess access;
    if (!access.select(req.board, result, state.english()))
        return result.finish();
    ConsolePrompts console;
    CMUSBHid transport(state, access.backend());
    DebugSession session(state, transport, console);
    saveSamplesAsAsked(session, req);
    DebugPageSettings settings;
    settings.vcc = req.vcc;

    DebugJobEnd end;
    QObject::connect(&transport, &CMUSBHid::debugNotification, [&] {
        if (end.quiet.isActive())
            end.quiet.start(kQuietMs);
    });
    QTimer runTimer;
    connectRun(session, req, runTimer, end, result);
    ReportFeed feed;
    connectReport(session, req, feed);
    ConnectionSequence connection(state, transport, console, [&](bool accepted) {
        if (accepted)
            session.start(settings);  // a refused start ends with its outcome
    });
    QObject::connect(&transport, &CMUSBHid::linkNotification, [&](const LinkNotification& n) {
        if (!connection.handle(n) || session.running())
            return;
        if (const std::optional<Outcome> o = handshakeOutcome(n, transport, state))
            end.finish(*o);
    });
    // A lost board ends the command at once, whatever it was doing (the session ends its
    // run on the disconnection that follows), and outweighs an end already decided: the
    // stop may not have reached the board.
    QObject::connect(&transport, &CMUSBHid::boardLost, [&] {
        console.appendLog(state.text(Msg::BoardLost));
        end.outcome =
            Outcome::failure(Reason::BoardLost, Msg::BoardLost, state.text(Msg::BoardLost));
        QCoreApplication::exit(0);
    });
    // The handshake before the run has no time-out of its own: a silent board ends here.
    QTimer handshakeGuard;
    handshakeGuard.setSingleShot(true);
    QObject::connect(&handshakeGuard, &QTimer::timeout, [&] {
        if (session.running() || end.outcome)
            return;
        console.appendLog(state.text(Msg::ReplyTimeout));
        end.finish(
            Outcome::failure(Reason::Timeout, Msg::ReplyTimeout, state.text(Msg::ReplyTimeout)));
    });
    handshakeGuard.start(DebugSession::kStartupTimeoutMs);
    QTimer::singleShot(0, &transport, [&] { transport.open(); });
    QCoreApplication::exec();
    session.csvWriter().wait();
    QCoreApplication::processEvents();  // the writer's end and the frames still queued
    transport.close();

    const Outcome ended = commandOutcome(end.outcome, session, state);
    if (!req.reportFile.isEmpty() && ended.ok())
        writeRunReport(req, feed, state, result);
    return reportRun(req, session, access, ended, state.language, result);
}

bool parseReportOptions(const Arguments& args, DebugRequest* req, QString* error) {
    req->reportFile = args.value(QStringLiteral("--report"));
    req->simulateText = args.value(QStringLiteral("--simulate"));
    bool ok = true;
    if (args.has(QStringLiteral("--report")) && req->reportFile.isEmpty()) {
        *error = QStringLiteral("--report needs a file name");
        return false;
    }
    if (args.has(QStringLiteral("--noise-seconds"))) {
        req->noiseSeconds = args.value(QStringLiteral("--noise-seconds")).toDouble(&ok);
        if (!ok || !(req->noiseSeconds > 0) || req->noiseSeconds > 3600) {
            *error = QStringLiteral("--noise-seconds needs a number of seconds above 0");
            return false;
        }
    }
    if (args.has(QStringLiteral("--min-snr"))) {
        req->minSnr = args.value(QStringLiteral("--min-snr")).toDouble(&ok);
        if (!ok || !std::isfinite(req->minSnr) || req->minSnr < 0) {
            *error = QStringLiteral("--min-snr takes a number of 0 or more");
            return false;
        }
    }
    return true;
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
    if (!parseReportOptions(args, &req, &error))
        return usage(error);
    if (!parseBoardOptions(args, &req.board, &error))
        return usage(error);
    QString profile;
    if (!chooseProfile(args, &profile, &error))
        return result.refuse(Reason::ProfileUnreadable, error);
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
         "                        [--report FILE.html [--noise-seconds S] [--min-snr X]]\n"
         "Starts a debug run on the board (supply --vcc, default 5v), streams the target's\n"
         "channels for S seconds (default 10) or N samples, then pauses, writes the samples\n"
         "to FILE (default: the window's time-stamped name in the current directory) and\n"
         "stops. Prints the messages, csv=, the frame counts (received = accepted + malformed\n"
         "+ discarded; sent by the simulated board) and one row of statistics per channel.\n"
         "Exits 1 when the supply or the target link fails, the board stays silent for 3 s\n"
         "or no frame is accepted for 5 s, 2 on a usage error, 3 when there is no board or it\n"
         "is lost.\n"
         "--report FILE.html also writes the touch qualification of the run: one HTML file\n"
         "(tables and charts inside) and FILE.json with the same figures. The noise comes\n"
         "from the untouched samples of the first S seconds of the stream (default 1; keep\n"
         "hands off), the signal and coupling from the samples in which a key is touched\n"
         "(key flags, or Differ >= 100 for chips 0 to 2); PASS at an SNR of X or more\n"
         "(default 5). With --report the exit status is 1 also when a channel fails.\n",
         runDebug},
    };
}

}  // namespace tessel::cli
