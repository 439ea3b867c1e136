#pragma once

#include "link/hiddevice.h"

namespace tessel {

// Real boards through hidapi (hidraw on Linux). Arrivals and removals come from udev where it
// is available, otherwise from comparing the device list once a second.
class HidapiBackend : public HidBackend {
public:
    HidapiBackend();
    ~HidapiBackend() override;
    QList<HidDeviceInfo> enumerate() override;
    std::shared_ptr<HidDevice> open(const QString& path, OpenResult* result) override;
    qint64 holderOf(const QString& path) override;
    HotplugWatcher* createWatcher(QObject* parent) override;
};

}  // namespace tessel
