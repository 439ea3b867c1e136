#include "sim/simboards.h"

#include "link/hid/boardlock.h"

#include <algorithm>

namespace tessel {
namespace {

// A simulated board held by this program: the claim on its serial number lasts as long as the
// handle, as a real board's lock on its node does.
class ClaimedDevice : public HidDevice {
public:
    ClaimedDevice(std::shared_ptr<HidDevice> device, std::shared_ptr<BoardClaim> claim)
        : device_(std::move(device)), claim_(std::move(claim)) {}
    ~ClaimedDevice() override { device_.reset(); }  // the handle goes before the claim
    bool write(const Report& report) override { return device_->write(report); }
    int read(Report& report, int timeoutMs) override { return device_->read(report, timeoutMs); }

private:
    std::shared_ptr<HidDevice> device_;
    std::shared_ptr<BoardClaim> claim_;
};

}  // namespace

SimBoardSet::SimBoardSet(const SimOptions& options) {
    const int n = std::max(1, options.boards);
    for (int i = 0; i < n; ++i) {
        SimOptions own = options.forBoard(i);
        own.seed += uint32_t(i);  // each board's touch panel has its own noise
        boards_.push_back(std::make_unique<SimBackend>(own));
    }
}

SimBoardSet::~SimBoardSet() = default;

QString SimBoardSet::path(int index) const {
    if (count() == 1)
        return SimBackend::devicePath();
    return SimBackend::devicePath() + QStringLiteral("-%1").arg(index + 1);
}

QString SimBoardSet::serialNumber(int index) {
    return QStringLiteral("SIM%1").arg(index + 1, 4, 10, QLatin1Char('0'));
}

int SimBoardSet::indexOf(const QString& path) const {
    for (int i = 0; i < count(); ++i) {
        if (path == this->path(i))
            return i;
    }
    return -1;
}

SimBoard* SimBoardSet::boardAt(const QString& path) {
    const int i = indexOf(path);
    return i < 0 ? nullptr : &boards_[size_t(i)]->board();
}

QList<HidDeviceInfo> SimBoardSet::enumerate() {
    QList<HidDeviceInfo> out;
    for (int i = 0; i < count(); ++i) {
        for (HidDeviceInfo info : boards_[size_t(i)]->enumerate()) {
            info.path = path(i);
            info.serialNumber = serialNumber(i);
            out << info;
        }
    }
    return out;
}

std::shared_ptr<HidDevice> SimBoardSet::open(const QString& path, OpenResult* result) {
    const int i = indexOf(path);
    if (i < 0) {
        *result = OpenResult::NotFound;
        return nullptr;
    }
    qint64 holder = 0;
    std::shared_ptr<BoardClaim> claim = BoardClaim::onName(serialNumber(i), &holder);
    if (!claim) {
        *result = OpenResult::Busy;
        return nullptr;
    }
    std::shared_ptr<HidDevice> device = boards_[size_t(i)]->open(SimBackend::devicePath(), result);
    if (!device)
        return nullptr;
    return std::make_shared<ClaimedDevice>(std::move(device), std::move(claim));
}

qint64 SimBoardSet::holderOf(const QString& path) {
    const int i = indexOf(path);
    return i < 0 ? 0 : BoardClaim::holderOf(BoardClaim::nameFile(serialNumber(i)));
}

HotplugWatcher* SimBoardSet::createWatcher(QObject* parent) {
    // One watcher for the bus; each board's own watcher reports through it under the
    // board's path on the bus.
    auto* bus = new HotplugWatcher(parent);
    for (int i = 0; i < count(); ++i) {
        HotplugWatcher* own = boards_[size_t(i)]->createWatcher(bus);
        const QString busPath = path(i);
        QObject::connect(own, &HotplugWatcher::arrived, bus,
                         [bus, busPath](const QString&) { Q_EMIT bus->arrived(busPath); });
        QObject::connect(own, &HotplugWatcher::removed, bus,
                         [bus, busPath](const QString&) { Q_EMIT bus->removed(busPath); });
    }
    return bus;
}

}  // namespace tessel
