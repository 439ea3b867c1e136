#include "link/hid/hidapibackend.h"

#include "link/hid/boardlock.h"
#include "link/hid/hotplug.h"

#include <hidapi.h>

#include <QFile>

#include <unistd.h>
#include <cerrno>
#include <cstring>

namespace tessel {
namespace {

class HidapiDevice : public HidDevice {
public:
    HidapiDevice(hid_device* handle, std::shared_ptr<BoardClaim> claim)
        : handle_(handle), claim_(std::move(claim)) {}
    ~HidapiDevice() override { hid_close(handle_); }

    bool write(const Report& report) override {
        return hid_write(handle_, report.data(), report.size()) == static_cast<int>(report.size());
    }

    int read(Report& report, int timeoutMs) override {
        unsigned char buf[kReportSize] = {};
        // hidraw hands over the 64 payload bytes without the report ID.
        const int n = hid_read_timeout(handle_, buf, kReportSize - 1, timeoutMs);
        if (n < 0)
            return -1;
        if (n == 0)
            return 0;
        report.fill(0);
        std::memcpy(&report[1], buf, static_cast<size_t>(n));
        return 1;
    }

private:
    hid_device* handle_;
    std::shared_ptr<BoardClaim> claim_;  // released after the handle is closed
};

}  // namespace

HidapiBackend::HidapiBackend() {
    hid_init();
}
HidapiBackend::~HidapiBackend() {
    hid_exit();
}

QList<HidDeviceInfo> HidapiBackend::enumerate() {
    QList<HidDeviceInfo> out;
    hid_device_info* list = hid_enumerate(0, 0);
    for (hid_device_info* d = list; d; d = d->next) {
        HidDeviceInfo info;
        info.path = QString::fromLocal8Bit(d->path);
        info.vendorId = d->vendor_id;
        info.productId = d->product_id;
        info.releaseNumber = d->release_number;
        if (d->serial_number)
            info.serialNumber = QString::fromWCharArray(d->serial_number);
        out << info;
    }
    hid_free_enumeration(list);
    return out;
}

std::shared_ptr<HidDevice> HidapiBackend::open(const QString& path, OpenResult* result) {
    const QByteArray native = path.toLocal8Bit();
    // The board is claimed before it is opened: another program that has it keeps it.
    qint64 holder = 0;
    std::shared_ptr<BoardClaim> claim = BoardClaim::onNode(path, &holder);
    if (!claim) {
        *result = OpenResult::Busy;
        return nullptr;
    }
    hid_device* handle = hid_open_path(native.constData());
    if (!handle) {
        const bool denied = QFile::exists(path) && ::access(native.constData(), R_OK | W_OK) != 0;
        *result = denied ? OpenResult::PermissionDenied : OpenResult::Failed;
        return nullptr;
    }
    *result = OpenResult::Ok;
    return std::make_shared<HidapiDevice>(handle, std::move(claim));
}

qint64 HidapiBackend::holderOf(const QString& path) {
    return BoardClaim::holderOf(path);
}

HotplugWatcher* HidapiBackend::createWatcher(QObject* parent) {
    return createSystemHotplugWatcher(this, parent);
}

}  // namespace tessel
