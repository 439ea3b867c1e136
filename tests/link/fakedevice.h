#pragma once

#include "link/hiddevice.h"

#include <QList>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

namespace tessel::test {

// A scripted HID device: every written report is recorded and handed to a responder whose
// replies become readable at once.
class FakeDevice : public HidDevice {
public:
    using Responder = std::function<std::vector<Report>(const Report&)>;

    explicit FakeDevice(Responder responder) : responder_(std::move(responder)) {}

    bool write(const Report& report) override {
        std::vector<Report> replies;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            written_.push_back(report);
            if (responder_)
                replies = responder_(report);
            for (const Report& r : replies)
                queue_.push_back(r);
        }
        cv_.notify_all();
        return true;
    }

    int read(Report& report, int timeoutMs) override {
        std::unique_lock<std::mutex> lock(mutex_);
        cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                     [this] { return !queue_.empty() || failed_; });
        if (failed_)
            return -1;
        if (queue_.empty())
            return 0;
        report = queue_.front();
        queue_.pop_front();
        return 1;
    }

    void inject(const Report& r) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            queue_.push_back(r);
        }
        cv_.notify_all();
    }

    void fail() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            failed_ = true;
        }
        cv_.notify_all();
    }

    std::vector<Report> written() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return written_;
    }

private:
    Responder responder_;
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<Report> queue_;
    std::vector<Report> written_;
    bool failed_ = false;
};

// A backend offering a fixed list of interfaces; opening one creates a FakeDevice.
class FakeBackend : public HidBackend {
public:
    QList<HidDeviceInfo> devices;
    QList<QString> openedPaths;
    OpenResult openResult = OpenResult::Ok;
    FakeDevice::Responder responder;
    std::shared_ptr<FakeDevice> lastDevice;

    QList<HidDeviceInfo> enumerate() override { return devices; }
    std::shared_ptr<HidDevice> open(const QString& path, OpenResult* result) override {
        openedPaths << path;
        *result = openResult;
        if (openResult != OpenResult::Ok)
            return nullptr;
        lastDevice = std::make_shared<FakeDevice>(responder);
        return lastDevice;
    }
    HotplugWatcher* createWatcher(QObject* parent) override { return new HotplugWatcher(parent); }

    static HidDeviceInfo board(const QString& path, uint16_t release = kBoardReleaseNumber) {
        return HidDeviceInfo{path, kBoardVendorId, kBoardProductId, release, {}};
    }
};

}  // namespace tessel::test
