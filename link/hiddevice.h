#pragma once

#include "link/report.h"

#include <QList>
#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>

namespace tessel {

// What enumeration tells about one HID interface.
struct HidDeviceInfo {
    QString path;
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t releaseNumber = 0;
    QString serialNumber;  // empty when the device has none
};

// Busy: another program has the board open (see HidBackend::holderOf).
enum class OpenResult { Ok, NotFound, PermissionDenied, Busy, Failed };

// An open HID interface. write() and read() may be called from different threads at the
// same time; the transport serialises writes itself.
class HidDevice {
public:
    virtual ~HidDevice() = default;
    // Writes the 65 bytes (byte 0 = report ID 0). True when the whole report went out.
    virtual bool write(const Report& report) = 0;
    // Waits up to timeoutMs for one input report and stores it with byte 0 = 0.
    // Returns 1 for a report, 0 on time-out, -1 when the device is gone or failed.
    virtual int read(Report& report, int timeoutMs) = 0;
};

// Announces HID interfaces that come and go (by their path).
class HotplugWatcher : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
Q_SIGNALS:
    void arrived(const QString& path);
    void removed(const QString& path);
};

// A source of HID devices: the hidapi adapter for real boards, or the simulated board.
class HidBackend {
public:
    virtual ~HidBackend() = default;
    virtual QList<HidDeviceInfo> enumerate() = 0;
    virtual std::shared_ptr<HidDevice> open(const QString& path, OpenResult* result) = 0;
    // The process id of the other program that holds the board at path (after an open ended
    // Busy); 0 when none or unknown.
    virtual qint64 holderOf(const QString& path) {
        Q_UNUSED(path);
        return 0;
    }
    // A watcher for arrivals and removals, owned by the caller (parent).
    virtual HotplugWatcher* createWatcher(QObject* parent) = 0;
};

// The programmer board's identity.
constexpr uint16_t kBoardVendorId = 0x0483;
constexpr uint16_t kBoardProductId = 0x5750;
constexpr uint16_t kBoardReleaseNumber = 0x0200;

}  // namespace tessel
