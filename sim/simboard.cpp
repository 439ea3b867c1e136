#include "sim/simboard.h"

#include <QPointer>

#include <chrono>
#include <thread>

namespace tessel {

bool SimOptions::parse(const QString& text, SimOptions* out, QString* error) {
    SimOptions o;
    const QStringList items = text.split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString& item : items) {
        const int eq = item.indexOf(QLatin1Char('='));
        const QString key = item.left(eq).trimmed();
        const QString value = eq < 0 ? QString() : item.mid(eq + 1).trimmed();
        bool ok = false;
        if (key == QLatin1String("latency")) {
            o.latencyMs = value.toInt(&ok);
            ok = ok && o.latencyMs >= 0;
        }
        if (!ok) {
            *error = QStringLiteral("bad simulated-board option: %1").arg(item);
            return false;
        }
    }
    *out = o;
    return true;
}

QString SimOptions::help() {
    return QStringLiteral("  latency=MS        delay of every report, each way (default 1)\n");
}

SimBoard::SimBoard(const SimOptions& options) : options_(options) {}

std::vector<Report> SimBoard::handle(const Report& command) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        trace_.push_back(command);
    }
    std::vector<Report> out;
    Report reply = makeReport(command[1]);
    switch (command[1]) {
        case 0x7F:  // "V1.0.1.1a"
            reply[2] = 0x56;
            reply[3] = 1;
            reply[4] = 0;
            reply[5] = 1;
            reply[6] = 1;
            reply[7] = 0x61;
            out.push_back(reply);
            break;
        case 0x80: out.push_back(reply); break;
        default: break;
    }
    return out;
}

std::vector<Report> SimBoard::trace() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return trace_;
}

// One open handle on the simulated board: replies queue up after the board's latency.
class SimDevice : public HidDevice {
public:
    explicit SimDevice(std::shared_ptr<SimBoard> board) : board_(std::move(board)) {}

    bool write(const Report& report) override {
        if (gone_) return false;
        const int latency = board_->options().latencyMs;
        if (latency > 0) std::this_thread::sleep_for(std::chrono::milliseconds(latency));
        std::vector<Report> replies = board_->handle(report);
        std::lock_guard<std::mutex> lock(mutex_);
        const auto due = std::chrono::steady_clock::now() + std::chrono::milliseconds(latency);
        for (const Report& r : replies) queue_.push_back({due, r});
        cv_.notify_all();
        return true;
    }

    int read(Report& report, int timeoutMs) override {
        std::unique_lock<std::mutex> lock(mutex_);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            if (gone_) return -1;
            if (!queue_.empty() && queue_.front().due <= std::chrono::steady_clock::now()) {
                report = queue_.front().report;
                queue_.pop_front();
                return 1;
            }
            const auto wake = queue_.empty() ? deadline : std::min(deadline, queue_.front().due);
            if (cv_.wait_until(lock, wake) == std::cv_status::timeout &&
                std::chrono::steady_clock::now() >= deadline) {
                if (!queue_.empty() && queue_.front().due <= deadline) continue;
                return 0;
            }
        }
    }

    void pullOut() {
        std::lock_guard<std::mutex> lock(mutex_);
        gone_ = true;
        cv_.notify_all();
    }

private:
    struct Pending {
        std::chrono::steady_clock::time_point due;
        Report report;
    };
    std::shared_ptr<SimBoard> board_;
    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<Pending> queue_;
    bool gone_ = false;
};

SimBackend::SimBackend(const SimOptions& options) : board_(std::make_shared<SimBoard>(options)) {}

SimBackend::~SimBackend() {
    for (const QMetaObject::Connection& c : watcherConnections_) QObject::disconnect(c);
}

QList<HidDeviceInfo> SimBackend::enumerate() {
    if (!plugged_) return {};
    HidDeviceInfo info;
    info.path = devicePath();
    info.vendorId = kBoardVendorId;
    info.productId = kBoardProductId;
    info.releaseNumber = kBoardReleaseNumber;
    return {info};
}

std::shared_ptr<HidDevice> SimBackend::open(const QString& path, OpenResult* result) {
    if (!plugged_ || path != devicePath()) {
        *result = OpenResult::NotFound;
        return nullptr;
    }
    auto device = std::make_shared<SimDevice>(board_);
    devices_.push_back(device);
    *result = OpenResult::Ok;
    return device;
}

HotplugWatcher* SimBackend::createWatcher(QObject* parent) {
    auto* w = new HotplugWatcher(parent);
    watchers_ << w;
    watcherConnections_ << QObject::connect(w, &QObject::destroyed,
                                            [this, w] { watchers_.removeAll(w); });
    return w;
}

void SimBackend::plugIn() {
    plugged_ = true;
    for (HotplugWatcher* w : watchers_) Q_EMIT w->arrived(devicePath());
}

void SimBackend::pullOut() {
    plugged_ = false;
    for (auto& weak : devices_) {
        if (auto d = weak.lock()) d->pullOut();
    }
    devices_.clear();
    for (HotplugWatcher* w : watchers_) Q_EMIT w->removed(devicePath());
}

}  // namespace tessel
