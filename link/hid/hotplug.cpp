#include "link/hid/hotplug.h"

#include <QSocketNotifier>

#ifdef TESSEL_HAVE_UDEV
#include <libudev.h>
#endif

namespace tessel {
namespace {

QSet<QString> paths(HidBackend* backend) {
    QSet<QString> out;
    for (const HidDeviceInfo& d : backend->enumerate())
        out.insert(d.path);
    return out;
}

#ifdef TESSEL_HAVE_UDEV
class UdevHotplugWatcher : public HotplugWatcher {
public:
    UdevHotplugWatcher(udev* u, udev_monitor* monitor, QObject* parent)
        : HotplugWatcher(parent), udev_(u), monitor_(monitor) {
        notifier_ = new QSocketNotifier(udev_monitor_get_fd(monitor_), QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, [this] { receive(); });
    }
    ~UdevHotplugWatcher() override {
        delete notifier_;
        udev_monitor_unref(monitor_);
        udev_unref(udev_);
    }

private:
    void receive() {
        udev_device* dev = udev_monitor_receive_device(monitor_);
        if (!dev)
            return;
        const char* action = udev_device_get_action(dev);
        const char* node = udev_device_get_devnode(dev);
        if (action && node) {
            const QString path = QString::fromLocal8Bit(node);
            if (qstrcmp(action, "add") == 0)
                Q_EMIT arrived(path);
            if (qstrcmp(action, "remove") == 0)
                Q_EMIT removed(path);
        }
        udev_device_unref(dev);
    }

    udev* udev_;
    udev_monitor* monitor_;
    QSocketNotifier* notifier_ = nullptr;
};

HotplugWatcher* tryUdev(QObject* parent) {
    udev* u = udev_new();
    if (!u)
        return nullptr;
    udev_monitor* m = udev_monitor_new_from_netlink(u, "udev");
    if (!m || udev_monitor_filter_add_match_subsystem_devtype(m, "hidraw", nullptr) < 0 ||
        udev_monitor_enable_receiving(m) < 0) {
        if (m)
            udev_monitor_unref(m);
        udev_unref(u);
        return nullptr;
    }
    return new UdevHotplugWatcher(u, m, parent);
}
#endif

}  // namespace

PollingHotplugWatcher::PollingHotplugWatcher(HidBackend* backend, QObject* parent, int intervalMs)
    : HotplugWatcher(parent), backend_(backend), known_(paths(backend)) {
    connect(&timer_, &QTimer::timeout, this, &PollingHotplugWatcher::poll);
    timer_.start(intervalMs);
}

void PollingHotplugWatcher::poll() {
    const QSet<QString> now = paths(backend_);
    for (const QString& p : now) {
        if (!known_.contains(p))
            Q_EMIT arrived(p);
    }
    for (const QString& p : known_) {
        if (!now.contains(p))
            Q_EMIT removed(p);
    }
    known_ = now;
}

HotplugWatcher* createSystemHotplugWatcher(HidBackend* backend, QObject* parent) {
#ifdef TESSEL_HAVE_UDEV
    if (HotplugWatcher* w = tryUdev(parent))
        return w;
#endif
    return new PollingHotplugWatcher(backend, parent);
}

}  // namespace tessel
