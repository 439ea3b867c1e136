// A debug run on the simulated board streaming 32 channels at 200 frames a second into the
// debug page (offscreen): the share of one core the window thread uses, frames lost between
// the board and the saved samples, and how much the process grows.
//
//   bench_debug [SECONDS]        (default 60; TESSEL_BENCH_SECONDS works too)
#include "app/prompts.h"
#include "bench/benchrun.h"
#include "link/cmusbhid.h"
#include "pages/debug/cdebug.h"
#include "sim/simboard.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <unistd.h>
#include <atomic>
#include <cstdio>
#include <ctime>

using namespace tessel;

namespace {

// Counts the debug frames the board hands to the transport.
class CountingDevice : public HidDevice {
public:
    CountingDevice(std::shared_ptr<HidDevice> inner, std::atomic<long>* frames)
        : inner_(std::move(inner)), frames_(frames) {}
    bool write(const Report& r) override { return inner_->write(r); }
    int read(Report& r, int timeoutMs) override {
        const int got = inner_->read(r, timeoutMs);
        // Count whole frames: the last segment of each (its payload ends in this report).
        if (got == 1 && r[1] == 0xB3) {
            const int length = r[3] * 256 + r[4];
            if ((r[2] + 1) * 60 >= length)
                frames_->fetch_add(1);
        }
        return got;
    }

private:
    std::shared_ptr<HidDevice> inner_;
    std::atomic<long>* frames_;
};

class CountingBackend : public HidBackend {
public:
    CountingBackend(SimBackend& sim, std::atomic<long>* frames) : sim_(sim), frames_(frames) {}
    QList<HidDeviceInfo> enumerate() override { return sim_.enumerate(); }
    std::shared_ptr<HidDevice> open(const QString& path, OpenResult* result) override {
        auto device = sim_.open(path, result);
        return device ? std::make_shared<CountingDevice>(device, frames_) : device;
    }
    HotplugWatcher* createWatcher(QObject* parent) override { return sim_.createWatcher(parent); }

private:
    SimBackend& sim_;
    std::atomic<long>* frames_;
};

double threadCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

long residentKiB() {
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = f.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLong() * (sysconf(_SC_PAGESIZE) / 1024) : 0;
}

// The run's length: the argument, else TESSEL_BENCH_SECONDS, else 60 seconds.
double runSeconds(int argc, char** argv) {
    double seconds = 60;
    if (qEnvironmentVariableIsSet("TESSEL_BENCH_SECONDS"))
        seconds = qEnvironmentVariable("TESSEL_BENCH_SECONDS").toDouble();
    if (argc > 1)
        seconds = QString::fromLocal8Bit(argv[1]).toDouble();
    if (seconds <= 0)
        seconds = 60;
    return seconds;
}

// Prints the measures of the run and its bench rows.
void report(double seconds, double elapsed, double cpu, long sent, long taken, long long samples,
            long rssStart) {
    std::printf("seconds            %.1f\n", elapsed);
    std::printf("frames sent        %ld (%.1f/s)\n", sent, sent / elapsed);
    std::printf("frames arrived     %ld\n", taken);
    std::printf("samples saved      %lld\n", samples);
    std::printf("frames dropped     %ld\n", sent - taken);
    std::printf("window thread CPU  %.1f %% of one core\n", 100.0 * cpu / elapsed);
    std::printf("memory growth      %ld KiB (resident %ld KiB)\n", residentKiB() - rssStart,
                residentKiB());
    const double share = 100.0 * cpu / elapsed;
    tessel::bench::setShortMode(seconds < 10);
    tessel::bench::printRow(
        QStringLiteral("debug stream, 32 channels at 200 frames/s: window thread"),
        QStringLiteral("%1 % of one core").arg(tessel::bench::number(share)),
        QStringLiteral("<= 25 %"), share <= 25.0);
    tessel::bench::printRow(QStringLiteral("debug stream: frames dropped"),
                            QString::number(sent - taken), QStringLiteral("0"), sent == taken);
    tessel::bench::printRow(
        QStringLiteral("debug stream: resident memory growth"),
        QStringLiteral("%1 MiB").arg(tessel::bench::number((residentKiB() - rssStart) / 1024.0)),
        QStringLiteral("-"), true);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const double seconds = runSeconds(argc, argv);

    QTemporaryDir dir;
    SharedState state;
    state.chipIndex = 12;  // 32 channels of the MCU02 family: three segments a frame
    state.profilePath = dir.filePath(QStringLiteral("Parameters.ini"));
    SimOptions options;
    options.channels = 32;
    options.frameRate = 200;
    SimBackend sim(options);
    std::atomic<long> framesSent{0};
    CountingBackend backend(sim, &framesSent);
    ScriptedPrompts prompts;
    CMUSBHid transport(state, backend);
    CDebug page(state, transport, prompts);
    page.resize(1400, 900);
    page.show();
    transport.open();

    // Every frame that reached the window thread, also those still queued when the stream
    // paused (the session takes samples only while streaming).
    long framesArrived = 0;
    QObject::connect(&transport, &CMUSBHid::debugNotification, [&](const DebugNotification& n) {
        if (n.code == DebugCode::Sample || n.code == DebugCode::MalformedFrame)
            ++framesArrived;
    });
    long rssStart = 0;
    double cpuStart = 0;
    QElapsedTimer wall;
    bool measuring = false;
    QObject::connect(&page.session(), &DebugSession::stateChanged, [&](DebugSession::State s) {
        if (s != DebugSession::State::Streaming || measuring)
            return;
        measuring = true;
        rssStart = residentKiB();
        cpuStart = threadCpuSeconds();
        wall.start();
        QTimer::singleShot(int(seconds * 1000), &app, [&] {
            const double cpu = threadCpuSeconds() - cpuStart;
            const double elapsed = wall.elapsed() / 1000.0;
            page.session().pause();
            // Frames still on their way when the stream paused are not losses: the session
            // counts them as discarded once they arrive.
            QTimer::singleShot(1000, &app, [&, cpu, elapsed] {
                const long sent = framesSent.load();
                const long taken = long(page.session().framesReceived());
                report(seconds, elapsed, cpu, sent, taken,
                       static_cast<long long>(page.session().samples().size()), rssStart);
                page.session().stop();
                // The short runs of the test suite only report; a full run fails on a loss.
                app.exit(sent == taken || seconds < 10 ? 0 : 1);
            });
        });
    });
    QTimer::singleShot(200, &page, [&] { page.startButton().click(); });
    QTimer::singleShot(int(seconds * 1000) + 20000, &app, [&] {
        std::fprintf(stderr, "the run did not start\n");
        app.exit(2);
    });
    return app.exec();
}
