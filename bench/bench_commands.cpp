// Whole-command figures, measured from outside the way a user waits for them: tessel-cli's
// one-key write and verify against the floor of the simulated USB link, the program's CPU
// cost and context switches per lock-step exchange, gang programming (--all) on 1 to 8
// boards against one board, the window's start-up until the board shows as connected, and
// the peak memory of both. Every command runs several times; the table states medians.
//
//   bench_commands           the figures (several runs each)
//   bench_commands --short   every command once with a small image, for CI: nothing is
//                            judged, but a command that fails makes the run fail
#include "bench/benchrun.h"
#include "link/report.h"
#include "sim/simboard.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>

using namespace tessel;
using namespace tessel::bench;

namespace {

constexpr int kChip = 10;            // KR5815: the largest image any chip takes
constexpr int kBigImage = 0xFC00;    // 64 512 bytes, that chip's bound
constexpr int kSmallImage = 0x1000;  // 4 KiB: the same command with fewer exchanges
constexpr double kFrameMs = 1.0;     // one USB frame

struct Setup {
    QTemporaryDir dir;
    QString profile;
    QString big;
    QString small;
    bool ok = false;
};

bool writeImage(const QString& path, int length) {
    QByteArray data(length, '\0');
    for (int i = 0; i < length; ++i)
        data[i] = static_cast<char>((i * 7 + 3) % 251);  // never 0xFF: nothing is trimmed
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == length;
}

void prepare(Setup& s) {
    s.profile = s.dir.filePath(QStringLiteral("Parameters.ini"));
    s.big = s.dir.filePath(QStringLiteral("big.bin"));
    s.small = s.dir.filePath(QStringLiteral("small.bin"));
    QFile p(s.profile);
    s.ok = s.dir.isValid() && p.open(QIODevice::WriteOnly) &&
           p.write("[InitParameters]\r\nm_ictype=10\r\n") > 0 && writeImage(s.big, kBigImage) &&
           writeImage(s.small, kSmallImage);
}

QString cliPath() {
    return QStringLiteral(TESSEL_CLI_PATH);
}

QStringList programArgs(const Setup& s, const QString& sim, const QString& image,
                        const QString& trace = QString()) {
    QStringList a{sim};
    if (!trace.isEmpty())
        a << QStringLiteral("--trace") << trace;
    a << QStringLiteral("--profile") << s.profile << QStringLiteral("program") << image
      << QStringLiteral("--chip") << QString::number(kChip);
    return a;
}

std::vector<Report> readTrace(const QString& path) {
    std::vector<Report> out;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return out;
    while (!f.atEnd()) {
        const QList<QByteArray> bytes = f.readLine().simplified().split(' ');
        if (bytes.size() != kReportSize)
            continue;
        Report r{};
        for (int i = 0; i < kReportSize; ++i)
            r[i] = static_cast<uint8_t>(bytes[i].toUInt(nullptr, 16));
        out.push_back(r);
    }
    return out;
}

double cpuNowMs() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

// The simulated board's own CPU cost for the reports of a trace: the same reports fed to a
// fresh board on one thread, every answer read back, nothing of the program involved.
double boardCostMs(const std::vector<Report>& trace, int repeats) {
    std::vector<double> costs;
    for (int r = 0; r < repeats; ++r) {
        SimOptions o;
        o.latencyMs = 0;
        SimBackend backend(o);
        OpenResult result;
        std::shared_ptr<HidDevice> device = backend.open(SimBackend::devicePath(), &result);
        if (!device)
            return 0;
        Report answer;
        const double start = cpuNowMs();
        for (const Report& report : trace) {
            device->write(report);
            while (device->read(answer, 0) > 0) {
            }
        }
        costs.push_back(cpuNowMs() - start);
    }
    return median(costs);
}

// Runs the command `runs` times; false (with a message) when any run failed.
bool runMany(const QString& what, const QString& program, const QStringList& args, int runs,
             std::vector<ProcessRun>* out, const QStringList& env = {}) {
    for (int i = 0; i < runs; ++i) {
        const ProcessRun r = runProcess(program, args, env);
        if (r.exitStatus != 0) {
            std::fprintf(stderr, "%s: exit status %d\n", qPrintable(what), r.exitStatus);
            return false;
        }
        out->push_back(r);
    }
    return true;
}

std::vector<double> field(const std::vector<ProcessRun>& runs, double ProcessRun::*f) {
    std::vector<double> v;
    for (const ProcessRun& r : runs)
        v.push_back(r.*f);
    return v;
}

// One-key write and verify at the default link: wall time over the link's floor (two frames
// per lock-step exchange: out in one, the answer in the next).
bool writeVerifyRatio(const Setup& s, int runs, double* oneBoardWallMs) {
    const QString image = shortMode() ? s.small : s.big;
    const QString trace = s.dir.filePath(QStringLiteral("default.trace"));
    std::vector<ProcessRun> counted;
    if (!runMany(QStringLiteral("program"), cliPath(),
                 programArgs(s, QStringLiteral("--simulate"), image, trace), 1, &counted)) {
        return false;
    }
    const size_t exchanges = readTrace(trace).size();
    std::vector<ProcessRun> timed;
    if (!runMany(QStringLiteral("program"), cliPath(),
                 programArgs(s, QStringLiteral("--simulate"), image), runs, &timed)) {
        return false;
    }
    const double floorMs = exchanges * 2 * kFrameMs;
    const double wall = median(field(timed, &ProcessRun::wallMs));
    *oneBoardWallMs = wall;
    const double ratio = wall / floorMs;
    printRow(QStringLiteral("one-key write + verify, %1 bytes, chip 10, default link: wall / "
                            "floor (%2 exchanges, floor %3 s, wall %4 s)")
                 .arg(shortMode() ? kSmallImage : kBigImage)
                 .arg(exchanges)
                 .arg(number(floorMs / 1000))
                 .arg(number(wall / 1000)),
             QString::number(ratio, 'f', 3) + QStringLiteral(" ×"), QStringLiteral("≤ 1.02 ×"),
             ratio <= 1.02);
    return true;
}

// CPU time per exchange on the program's side at latency 0: the difference between a big and
// a small image cancels start-up, loading and the fixed commands; the board's own cost for
// the extra reports is measured apart and taken off.
bool hostCostPerExchange(const Setup& s, int runs, std::vector<ProcessRun>* bigRuns) {
    const QString sim = QStringLiteral("--simulate=latency=0");
    const QString bigTrace = s.dir.filePath(QStringLiteral("big.trace"));
    const QString smallTrace = s.dir.filePath(QStringLiteral("small.trace"));
    std::vector<ProcessRun> warm;
    if (!runMany(QStringLiteral("program"), cliPath(), programArgs(s, sim, s.big, bigTrace), 1,
                 &warm) ||
        !runMany(QStringLiteral("program"), cliPath(), programArgs(s, sim, s.small, smallTrace), 1,
                 &warm)) {
        return false;
    }
    const std::vector<Report> big = readTrace(bigTrace);
    const std::vector<Report> small = readTrace(smallTrace);
    std::vector<double> diffs;
    std::vector<double> switches;
    for (int i = 0; i < runs; ++i) {  // in turn, so that a drift of the machine hits both
        std::vector<ProcessRun> a;
        std::vector<ProcessRun> b;
        if (!runMany(QStringLiteral("program"), cliPath(), programArgs(s, sim, s.big), 1, &a) ||
            !runMany(QStringLiteral("program"), cliPath(), programArgs(s, sim, s.small), 1, &b)) {
            return false;
        }
        diffs.push_back(a[0].cpuMs - b[0].cpuMs);
        switches.push_back(a[0].contextSwitches - b[0].contextSwitches);
        bigRuns->push_back(a[0]);
    }
    const int repeats = shortMode() ? 1 : 7;
    const double board = boardCostMs(big, repeats) - boardCostMs(small, repeats);
    const double extra = static_cast<double>(big.size()) - static_cast<double>(small.size());
    const double perExchangeUs = (median(diffs) - board) * 1000 / extra;
    printRow(QStringLiteral("host CPU per lock-step exchange, latency 0 (board's own %1 µs "
                            "taken off)")
                 .arg(number(board * 1000 / extra)),
             number(perExchangeUs) + QStringLiteral(" µs"), QStringLiteral("≤ 15 µs"),
             perExchangeUs <= 15);
    // The simulated board runs on the program's own threads: its waits count with them.
    const double perExchange = median(switches) / extra;
    printRow(QStringLiteral("context switches per lock-step exchange, latency 0 (voluntary + "
                            "involuntary, big minus small image)"),
             number(perExchange), QStringLiteral("≤ 1.5"), perExchange <= 1.5);
    return true;
}

// program --all on N simulated boards at the default link, one process: its wall time
// against one board's (the plain command).
bool gang(const Setup& s, int runs, double oneBoardWallMs) {
    const QString image = shortMode() ? s.small : s.big;
    for (int boards : {1, 2, 4, 8}) {
        QStringList args =
            programArgs(s, QStringLiteral("--simulate=boards=%1").arg(boards), image);
        args << QStringLiteral("--all");
        std::vector<ProcessRun> timed;
        if (!runMany(QStringLiteral("program --all"), cliPath(), args, runs, &timed))
            return false;
        const double wall = median(field(timed, &ProcessRun::wallMs));
        const double ratio = wall / oneBoardWallMs;
        printRow(QStringLiteral("program --all, %1 board(s), %2 bytes, default link: wall / one "
                                "board's (%3 s / %4 s)")
                     .arg(boards)
                     .arg(shortMode() ? kSmallImage : kBigImage)
                     .arg(number(wall / 1000))
                     .arg(number(oneBoardWallMs / 1000)),
                 QString::number(ratio, 'f', 3) + QStringLiteral(" ×"), QStringLiteral("≤ 1.05 ×"),
                 ratio <= 1.05);
    }
    return true;
}

bool cliMemory(const std::vector<ProcessRun>& bigRuns) {
    const double peak = median(field(bigRuns, &ProcessRun::peakMiB));
    printRow(QStringLiteral("peak memory, tessel-cli program, 64 512-byte image"),
             number(peak) + QStringLiteral(" MiB"), QStringLiteral("≤ 20 MiB"), peak <= 20);
    return true;
}

bool window(const Setup& s, int runs) {
    const QString program = QStringLiteral(TESSEL_BENCH_WINDOW_PATH);
    const QStringList env{QStringLiteral("QT_QPA_PLATFORM=offscreen")};
    std::vector<ProcessRun> start;
    if (!runMany(QStringLiteral("window start-up"), program,
                 {QStringLiteral("--profile"), s.profile}, runs, &start, env)) {
        return false;
    }
    const double wall = median(field(start, &ProcessRun::wallMs));
    printRow(QStringLiteral("window start-up, offscreen, until the board shows as connected"),
             number(wall) + QStringLiteral(" ms"), QStringLiteral("≤ 300 ms"), wall <= 300);
    std::vector<ProcessRun> prog;
    if (!runMany(QStringLiteral("window one-key write"), program,
                 {QStringLiteral("--profile"), s.profile, QStringLiteral("--latency"),
                  QStringLiteral("0"), QStringLiteral("--program"), s.big},
                 shortMode() ? 1 : 3, &prog, env)) {
        return false;
    }
    const double peak = median(field(prog, &ProcessRun::peakMiB));
    printRow(QStringLiteral("peak memory, window: start-up and one-key write, 64 512-byte image"),
             number(peak) + QStringLiteral(" MiB"), QStringLiteral("≤ 60 MiB"), peak <= 60);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    setShortMode(QCoreApplication::arguments().contains(QStringLiteral("--short")));
    const int runs = shortMode() ? 1 : 5;
    Setup s;
    prepare(s);
    if (!s.ok) {
        std::fprintf(stderr, "cannot prepare the images in a temporary folder\n");
        return 1;
    }
    std::vector<ProcessRun> bigRuns;
    double oneBoardWallMs = 0;
    const bool ok = writeVerifyRatio(s, runs, &oneBoardWallMs) &&
                    hostCostPerExchange(s, runs + 2, &bigRuns) && cliMemory(bigRuns) &&
                    gang(s, runs, oneBoardWallMs) && window(s, runs + 2);
    return ok ? 0 : 1;
}
