#include "sim/simboard.h"
#include "sim/simlink.h"

#include <QMetaObject>
#include <QPointer>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <thread>

namespace tessel {

class SimDevice;

// What the backend and its open devices share: whether the board is plugged in, the open
// handles, and the watchers to tell about a removal (which may be noticed on any thread).
struct SimBackend::Hub {
    std::mutex mutex;
    bool plugged = true;
    std::vector<std::weak_ptr<SimDevice>> devices;
    QList<QPointer<HotplugWatcher>> watchers;

    // The board went away by itself (a pull-after fault): tell the watchers on their thread.
    void pulledOutByFault();
};

namespace {
using Clock = std::chrono::steady_clock;
}

// One open handle on the simulated board. Reports travel on a modelled USB link (SimLinkModel:
// 1 ms frames, one report each way per frame, the latency in frames per hop); replies queue up
// with the frame boundary at which they become readable. A stream thread of its own adds the
// debug frames while the board streams them. The stream
// thread is stopped and joined before the handle goes away.
class SimDevice : public HidDevice {
public:
    SimDevice(std::shared_ptr<SimBoard> board, std::shared_ptr<SimBackend::Hub> hub)
        : board_(std::move(board)), hub_(std::move(hub)) {
        streamer_ = std::thread(&SimDevice::streamLoop, this);
    }

    ~SimDevice() override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        cv_.notify_all();
        streamCv_.notify_all();
        streamer_.join();
    }

    // Returns once the report has left (a HID write returns when its transfer is done); the
    // board sees it at that frame boundary and its answers queue up for the frames after.
    bool write(const Report& report) override {
        const int latency = board_->options().latencyMs;
        int64_t leaves = 0;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            if (gone_)
                return false;
            leaves = link_.departure(sinceUp(Clock::now()), latency);
            if (latency > 0) {
                cv_.wait_until(lock, at(leaves), [this] { return gone_ || stop_; });
                if (gone_)
                    return false;
            }
        }
        const bool streamed = board_->streaming();
        std::vector<Report> replies = board_->handle(report);
        if (board_->streaming() != streamed)
            kickStream();
        if (board_->pulledOut()) {
            pullOut();
            hub_->pulledOutByFault();
            return true;
        }
        enqueue(replies, leaves, latency, board_->lastAnswerDelayMs());
        return true;
    }

    int read(Report& report, int timeoutMs) override {
        std::unique_lock<std::mutex> lock(mutex_);
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            if (gone_)
                return -1;
            if (!queue_.empty() && queue_.front().due <= Clock::now()) {
                report = queue_.front().report;
                queue_.pop_front();
                return 1;
            }
            if (Clock::now() >= deadline)
                return 0;
            const auto wake = queue_.empty() ? deadline : std::min(deadline, queue_.front().due);
            cv_.wait_until(lock, wake);
        }
    }

    void pullOut() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            gone_ = true;
            queue_.clear();
        }
        cv_.notify_all();
        streamCv_.notify_all();
    }

private:
    // Answers produced at `produced` (link time) take the next free frames in.
    // A late answer ("late" fault) is due later; the queue stays ordered by due time.
    void enqueue(const std::vector<Report>& replies, int64_t produced, int latency,
                 int delayMs = 0) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (gone_)
                return;
            for (const Report& r : replies) {
                const Pending p{
                    at(link_.arrival(produced, latency)) + std::chrono::milliseconds(delayMs), r};
                const auto where = std::upper_bound(
                    queue_.begin(), queue_.end(), p,
                    [](const Pending& a, const Pending& b) { return a.due < b.due; });
                queue_.insert(where, p);
            }
        }
        cv_.notify_all();
    }

    // The command started or stopped the debug stream. Only then is the stream thread woken,
    // not for every report.
    void kickStream() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            kicked_ = true;
        }
        streamCv_.notify_all();
    }

    int64_t sinceUp(Clock::time_point t) const {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(t - up_).count();
    }
    Clock::time_point at(int64_t linkTime) const {
        return up_ +
               std::chrono::duration_cast<Clock::duration>(std::chrono::nanoseconds(linkTime));
    }

    // Sends a frame every period while the board streams; sleeps otherwise.
    void streamLoop() {
        auto next = Clock::now();
        for (;;) {
            const bool streaming = board_->streaming();
            {
                std::unique_lock<std::mutex> lock(mutex_);
                if (stop_)
                    return;
                if (!streaming || gone_) {
                    streamCv_.wait_for(lock, std::chrono::milliseconds(100),
                                       [this] { return stop_ || kicked_; });
                    kicked_ = false;
                    next = Clock::now();
                    continue;
                }
                streamCv_.wait_until(lock, next, [this] { return stop_; });
                if (stop_)
                    return;
            }
            const SimOptions options = board_->options();
            enqueue(board_->nextFrame(), sinceUp(Clock::now()), options.latencyMs);
            next += std::chrono::milliseconds(board_->framePeriodMs());
            if (next < Clock::now())
                next = Clock::now();
        }
    }

    struct Pending {
        Clock::time_point due;
        Report report;
    };
    std::shared_ptr<SimBoard> board_;
    std::shared_ptr<SimBackend::Hub> hub_;
    std::mutex mutex_;
    std::condition_variable cv_;        // the queue: readers and writers waiting for a frame
    std::condition_variable streamCv_;  // the stream thread
    std::deque<Pending> queue_;
    const Clock::time_point up_ = Clock::now();  // frame 0 of the link starts here
    SimLinkModel link_;                          // under mutex_
    bool gone_ = false;
    bool stop_ = false;
    bool kicked_ = false;
    std::thread streamer_;
};

void SimBackend::Hub::pulledOutByFault() {
    QList<QPointer<HotplugWatcher>> toTell;
    {
        std::lock_guard<std::mutex> lock(mutex);
        plugged = false;
        devices.clear();
        toTell = watchers;
    }
    for (const QPointer<HotplugWatcher>& w : toTell) {
        if (!w)
            continue;
        HotplugWatcher* watcher = w.data();
        QMetaObject::invokeMethod(
            watcher, [watcher] { Q_EMIT watcher->removed(SimBackend::devicePath()); },
            Qt::QueuedConnection);
    }
}

SimBackend::SimBackend(const SimOptions& options)
    : board_(std::make_shared<SimBoard>(options)), hub_(std::make_shared<Hub>()) {}

SimBackend::~SimBackend() = default;

bool SimBackend::pluggedIn() const {
    std::lock_guard<std::mutex> lock(hub_->mutex);
    return hub_->plugged;
}

QList<HidDeviceInfo> SimBackend::enumerate() {
    if (!pluggedIn())
        return {};
    HidDeviceInfo info;
    info.path = devicePath();
    info.vendorId = kBoardVendorId;
    info.productId = kBoardProductId;
    info.releaseNumber = kBoardReleaseNumber;
    return {info};
}

std::shared_ptr<HidDevice> SimBackend::open(const QString& path, OpenResult* result) {
    std::lock_guard<std::mutex> lock(hub_->mutex);
    if (!hub_->plugged || path != devicePath()) {
        *result = OpenResult::NotFound;
        return nullptr;
    }
    auto device = std::make_shared<SimDevice>(board_, hub_);
    hub_->devices.push_back(device);
    *result = OpenResult::Ok;
    return device;
}

HotplugWatcher* SimBackend::createWatcher(QObject* parent) {
    auto* w = new HotplugWatcher(parent);
    std::lock_guard<std::mutex> lock(hub_->mutex);
    hub_->watchers << QPointer<HotplugWatcher>(w);
    return w;
}

void SimBackend::plugIn() {
    QList<QPointer<HotplugWatcher>> toTell;
    {
        std::lock_guard<std::mutex> lock(hub_->mutex);
        hub_->plugged = true;
        toTell = hub_->watchers;
    }
    board_->replug();
    for (const QPointer<HotplugWatcher>& w : toTell) {
        if (w)
            Q_EMIT w->arrived(devicePath());
    }
}

void SimBackend::pullOut() {
    QList<QPointer<HotplugWatcher>> toTell;
    std::vector<std::shared_ptr<SimDevice>> open;
    {
        std::lock_guard<std::mutex> lock(hub_->mutex);
        hub_->plugged = false;
        for (auto& weak : hub_->devices) {
            if (auto d = weak.lock())
                open.push_back(d);
        }
        hub_->devices.clear();
        toTell = hub_->watchers;
    }
    for (auto& d : open)
        d->pullOut();
    open.clear();
    board_->replug();
    for (const QPointer<HotplugWatcher>& w : toTell) {
        if (w)
            Q_EMIT w->removed(devicePath());
    }
}

}  // namespace tessel
