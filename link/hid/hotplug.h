#pragma once

#include "link/hiddevice.h"

#include <QSet>
#include <QTimer>

namespace tessel {

// Watches hidraw devices through udev when it can, otherwise polls the backend's device list.
HotplugWatcher* createSystemHotplugWatcher(HidBackend* backend, QObject* parent);

// The portable fallback: compares the enumerated paths once a second.
class PollingHotplugWatcher : public HotplugWatcher {
    Q_OBJECT
public:
    PollingHotplugWatcher(HidBackend* backend, QObject* parent, int intervalMs = 1000);
    void poll();

private:
    HidBackend* backend_;
    QTimer timer_;
    QSet<QString> known_;
};

}  // namespace tessel
