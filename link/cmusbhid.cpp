#include "link/cmusbhid.h"

#include "link/commands.h"

#include <QMetaObject>

#include <algorithm>
#include <chrono>
#include <cstring>

namespace tessel {
namespace {

constexpr int kReadPollMs = 50;  // the reader wakes this often to see whether it must stop

bool flashCrcError(const Report& a) {
    return a[1] == 0x85 && a[4] == 0x56;
}

}  // namespace

CMUSBHid::CMUSBHid(SharedState& state, HidBackend& backend, QObject* parent)
    : QObject(parent), state_(state), backend_(backend) {
    qRegisterMetaType<tessel::LinkNotification>();
    qRegisterMetaType<tessel::DebugNotification>();
}

CMUSBHid::~CMUSBHid() {
    const QSignalBlocker quiet(this);
    close();
}

void CMUSBHid::open() {
    if (connected_.load())
        close();
    lastOpenResult_ = OpenResult::NotFound;
    lastHolder_ = 0;
    for (const HidDeviceInfo& info : backend_.enumerate()) {
        if (info.vendorId != kBoardVendorId || info.productId != kBoardProductId ||
            info.releaseNumber != kBoardReleaseNumber) {
            continue;
        }
        devicePath_ = info.path;
        serialNumber_ = info.serialNumber;
        std::shared_ptr<HidDevice> device = backend_.open(info.path, &lastOpenResult_);
        if (device) {
            {
                std::lock_guard<std::mutex> lock(deviceMutex_);
                device_ = device;
            }
            connected_ = true;
            dispatch_.resetDebugFrames();
            readerStop_ = false;
            reader_ = std::thread(&CMUSBHid::readerLoop, this, device);
        } else if (lastOpenResult_ == OpenResult::Busy) {
            lastHolder_ = backend_.holderOf(info.path);
        }
        break;
    }
    post(connected_.load() ? LinkCode::DeviceOpened : LinkCode::NoDevice);
}

void CMUSBHid::close() {
    abort_ = true;
    answerCv_.notify_all();
    joinWorker();
    abort_ = false;

    {
        std::lock_guard<std::mutex> lock(answerMutex_);
        readerStop_ = true;
    }
    answerCv_.notify_all();  // a parked reader too
    if (reader_.joinable())
        reader_.join();
    {
        std::lock_guard<std::mutex> lock(deviceMutex_);
        device_.reset();
    }
    state_.transferMode = 0;
    boardTakesData_ = false;
    if (connected_.exchange(false))
        Q_EMIT disconnected();
}

void CMUSBHid::stopReading() {
    {
        std::lock_guard<std::mutex> lock(answerMutex_);
        readerStop_ = true;
    }
    answerCv_.notify_all();
}

bool CMUSBHid::claimBoard(BoardUser user) {
    if (user_ == user)
        return true;
    if (user_ != BoardUser::None)
        return false;
    user_ = user;
    Q_EMIT boardUserChanged(user_);
    return true;
}

void CMUSBHid::releaseBoard(BoardUser user) {
    if (user_ != user || user == BoardUser::None)
        return;
    user_ = BoardUser::None;
    Q_EMIT boardUserChanged(user_);
}

void CMUSBHid::stopTransfer() {
    abort_ = true;
    answerCv_.notify_all();
    joinWorker();
    abort_ = false;
    state_.transferMode = 0;
    if (boardTakesData_.exchange(false) && resyncMs_ > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(resyncMs_));
}

bool CMUSBHid::send(const Report& report) {
    std::lock_guard<std::mutex> lock(deviceMutex_);
    if (!device_)
        return false;
    Report out = report;
    out[0] = 0;
    return device_->write(out);
}

bool CMUSBHid::requestDebugData(uint8_t channels) {
    debugChannel_ = channels;
    return send(cmd::requestDebugData(channels));
}

void CMUSBHid::readerLoop(std::shared_ptr<HidDevice> device) {
    while (!readerStop_.load()) {
        if (handOver_.load()) {
            parkReader();
            continue;
        }
        Report report{};
        const int n = device->read(report, kReadPollMs);
        if (n > 0) {
            report[0] = 0;
            deliver(report);
        } else if (n < 0) {
            // The board is gone: handle it like its removal, on the owner's thread.
            reportLoss(device);
            return;
        }
    }
}

void CMUSBHid::parkReader() {
    std::unique_lock<std::mutex> lock(answerMutex_);
    readerParked_ = true;
    answerCv_.notify_all();  // the worker may read from now on
    answerCv_.wait(lock, [this] { return !handOver_.load() || readerStop_.load(); });
    readerParked_ = false;
}

void CMUSBHid::reportLoss(const std::shared_ptr<HidDevice>& device) {
    const std::weak_ptr<HidDevice> which = device;
    QMetaObject::invokeMethod(
        this, [this, which] { onDeviceLost(which); }, Qt::QueuedConnection);
}

void CMUSBHid::onDeviceLost(const std::weak_ptr<HidDevice>& which) {
    if (!connected_.load())
        return;
    {
        // A loss found on a connection closed since (the board pulled out and plugged in
        // again at once) is about a device that is no longer ours.
        std::lock_guard<std::mutex> lock(deviceMutex_);
        if (which.expired() || which.lock() != device_)
            return;
    }
    Q_EMIT boardLost();
    close();
}

void CMUSBHid::deliver(const Report& report) {
    Routing r = dispatch_.route(report, state_.transferMode.load(),
                                static_cast<int>(state_.chipIndex.load()), debugChannel_.load());
    if (r.ignoredFrames > 0) {
        // No frame goes unaccounted: the session counts the ones given up too.
        DebugNotification n;
        n.code = DebugCode::FramesIgnored;
        n.count = r.ignoredFrames;
        QMetaObject::invokeMethod(
            this, [this, n] { Q_EMIT debugNotification(n); }, Qt::QueuedConnection);
    }
    Waiter who = Waiter::None;
    switch (r.target) {
        case Routing::Target::Drop:
            return;
        case Routing::Target::Link: {
            LinkNotification n;
            n.code = r.link;
            n.report = report;
            post(n);
            return;
        }
        case Routing::Target::Debug: {
            DebugNotification n;
            n.code = r.debug;
            n.report = report;
            n.sample = r.sample;
            QMetaObject::invokeMethod(
                this, [this, n] { Q_EMIT debugNotification(n); }, Qt::QueuedConnection);
            return;
        }
        case Routing::Target::FlashWrite:
            who = Waiter::FlashWrite;
            break;
        case Routing::Target::FlashRead:
            who = Waiter::FlashRead;
            break;
        case Routing::Target::EepromWrite:
            who = Waiter::EepromWrite;
            break;
        case Routing::Target::EepromRead:
            who = Waiter::EepromRead;
            break;
    }
    {
        std::lock_guard<std::mutex> lock(answerMutex_);
        if (waiting_ != who || answered_)
            return;  // nobody waits for it: a stray reply
        answer_ = report;
        answered_ = true;
    }
    // Woken after the lock is released, the worker does not block on it at once.
    answerCv_.notify_all();
}

void CMUSBHid::post(const LinkNotification& n) {
    QMetaObject::invokeMethod(
        this, [this, n] { Q_EMIT linkNotification(n); }, Qt::QueuedConnection);
}

void CMUSBHid::postLast(LinkCode code, uint32_t offset, uint32_t total) {
    // The transfer is over before anyone hears of it, so the next one can start at once.
    transferRunning_ = false;
    post(code, offset, total);
}

void CMUSBHid::postProgress(LinkCode code, uint32_t offset, uint32_t total) {
    const int percent = total ? int(uint64_t(offset) * 100 / total) : 0;
    if (percent == lastPercent_)
        return;
    lastPercent_ = percent;
    post(code, offset, total);
}

void CMUSBHid::post(LinkCode code, uint32_t offset, uint32_t total) {
    LinkNotification n;
    n.code = code;
    n.offset = offset;
    n.total = total;
    post(n);
}

CMUSBHid::Wait CMUSBHid::exchange(Waiter who, const Report& report, Report* answer) {
    {
        std::lock_guard<std::mutex> lock(answerMutex_);
        waiting_ = who;
        answered_ = false;
    }
    send(report);  // a failed write shows as a missing answer
    std::unique_lock<std::mutex> lock(answerMutex_);
    awaitAnswer(lock,
                std::chrono::steady_clock::now() + std::chrono::milliseconds(answerTimeoutMs_));
    waiting_ = Waiter::None;
    if (abort_.load())
        return Wait::Aborted;
    if (!answered_)
        return Wait::Timeout;
    *answer = answer_;
    return Wait::Answer;
}

bool CMUSBHid::awaitAnswer(std::unique_lock<std::mutex>& lock,
                           std::chrono::steady_clock::time_point deadline) {
    const auto done = [this] { return answered_ || abort_.load(); };
    const auto mayRead = [this] { return readerParked_ && workerDevice_; };
    while (!done()) {
        if (!mayRead()) {
            // The reader thread still reads (it parks after its current read): it fills the
            // slot or hands the board over.
            if (!answerCv_.wait_until(lock, deadline, [&] { return done() || mayRead(); }))
                return false;
            continue;
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        lock.unlock();
        Report report{};
        const int n =
            workerDevice_->read(report, int(std::min<int64_t>(left.count(), kReadPollMs)));
        if (n > 0) {
            report[0] = 0;
            deliver(report);
        } else if (n < 0) {
            // The board is gone, as the reader would have found: handled on the owner's
            // thread, whose close() ends this transfer.
            reportLoss(workerDevice_);
            workerDevice_.reset();
        }
        lock.lock();
    }
    return true;
}

bool CMUSBHid::settle(Waiter who) {
    const auto quiet = std::chrono::milliseconds(std::min(answerTimeoutMs_, kSettleMs));
    std::unique_lock<std::mutex> lock(answerMutex_);
    waiting_ = who;
    // A board that keeps answering is not waited for without end: a few rounds, then the
    // repeated transfer and its checks decide.
    for (int round = 0; round < 8; ++round) {
        answered_ = false;
        if (!awaitAnswer(lock, std::chrono::steady_clock::now() + quiet))
            break;  // quiet for the whole settle time
        if (abort_.load())
            break;
    }
    waiting_ = Waiter::None;
    answered_ = false;
    return !abort_.load();
}

void CMUSBHid::joinWorker() {
    if (worker_.joinable())
        worker_.join();
    transferRunning_ = false;
}

bool CMUSBHid::startWorker(void (CMUSBHid::*body)()) {
    // The length travels in two header bytes.
    if (!connected_.load() || transferRunning_.load() || totalLength_ > 0xFFFF)
        return false;
    joinWorker();
    transferRunning_ = true;
    {
        std::lock_guard<std::mutex> lock(deviceMutex_);
        workerDevice_ = device_;
    }
    lastPercent_ = -1;
    handOver_ = true;  // the reader parks after its current read
    worker_ = std::thread([this, body] {
        (this->*body)();
        if (!abort_.load())
            boardTakesData_ = false;  // the transfer ran to its end, whichever it was
        {
            // The reader takes the board back.
            std::lock_guard<std::mutex> lock(answerMutex_);
            handOver_ = false;
            workerDevice_.reset();
        }
        answerCv_.notify_all();
        transferRunning_ = false;
    });
    return true;
}

bool CMUSBHid::startFlashWrite(const uint8_t* source, uint32_t length) {
    if (transferRunning_.load())
        return false;
    source_ = source;
    totalLength_ = length;
    return startWorker(&CMUSBHid::flashWriteBody);
}

bool CMUSBHid::startFlashRead(uint8_t* destination, uint32_t length, const uint8_t* verifySource,
                              uint32_t verifyLength) {
    if (transferRunning_.load())
        return false;
    destination_ = destination;
    totalLength_ = length;
    verifySource_ = verifySource;
    verifyLength_ = verifySource ? verifyLength : 0;
    return startWorker(&CMUSBHid::flashReadBody);
}

bool CMUSBHid::startEepromWrite(const uint8_t* source) {
    if (transferRunning_.load())
        return false;
    source_ = source;
    totalLength_ = 1024;
    return startWorker(&CMUSBHid::eepromWriteBody);
}

bool CMUSBHid::startEepromRead(uint8_t* destination, uint32_t length) {
    if (transferRunning_.load())
        return false;
    destination_ = destination;
    totalLength_ = length;
    return startWorker(&CMUSBHid::eepromReadBody);
}

// Flash write: a length header, then 64-byte data reports, each acknowledged with 0x85.
// A missing answer starts the whole transfer again, up to five attempts in all.
void CMUSBHid::flashWriteBody() {
    const uint32_t total = totalLength_;
    Report answer;
    for (int attempt = 0; attempt < kTransferAttempts; ++attempt) {
        post(LinkCode::FlashWriteStarted, 0, total);
        lastPercent_ = -1;
        boardTakesData_ = true;
        Wait w = exchange(Waiter::FlashWrite, cmd::flashWriteHeader(total), &answer);
        if (w == Wait::Aborted)
            return;
        if (w == Wait::Timeout) {
            if (!settle(Waiter::FlashWrite))
                return;
            continue;
        }
        if (flashCrcError(answer)) {
            postLast(LinkCode::FlashWriteCrcError, 0, total);
            return;
        }
        uint32_t offset = 0;
        while (offset < total) {
            const uint32_t n = std::min<uint32_t>(64, total - offset);
            w = exchange(Waiter::FlashWrite, cmd::flashWriteData(source_ + offset, n), &answer);
            if (w != Wait::Answer)
                break;
            if (flashCrcError(answer)) {
                postLast(LinkCode::FlashWriteCrcError, offset, total);
                return;
            }
            offset += n;
            postProgress(LinkCode::FlashWriteProgress, offset, total);
        }
        if (w == Wait::Aborted)
            return;
        if (w == Wait::Timeout) {
            if (!settle(Waiter::FlashWrite))
                return;
            continue;
        }
        state_.verifyAfterWrite = 1;  // before the notification the next step depends on
        postLast(LinkCode::FlashWriteFinished, total, total);
        return;
    }
    postLast(LinkCode::TransferTimeout, 0, total);
}

// Flash read: a header with the length, then one request per 64-byte block. While it runs
// every report belongs to it (transferMode 1).
void CMUSBHid::flashReadBody() {
    const uint32_t total = totalLength_;
    Report answer;
    for (int attempt = 0; attempt < kTransferAttempts; ++attempt) {
        state_.transferMode = 1;
        post(LinkCode::FlashReadStarted, 0, total);
        lastPercent_ = -1;
        Wait w = exchange(Waiter::FlashRead, cmd::flashReadHeader(total), &answer);
        if (w == Wait::Aborted)
            break;
        if (w == Wait::Timeout) {
            if (!settle(Waiter::FlashRead))
                break;
            continue;
        }
        if (flashCrcError(answer)) {
            state_.transferMode = 0;
            postLast(LinkCode::FlashReadError, 0, total);
            return;
        }
        uint32_t offset = 0;
        uint32_t block = 0;
        while (offset < total) {
            const uint32_t n = std::min<uint32_t>(64, total - offset);
            w = exchange(Waiter::FlashRead, cmd::flashReadRequest(n, block), &answer);
            if (w != Wait::Answer)
                break;
            if (answer[1] == 0xAA && answer[2] == 0xBB && answer[3] == 0xCC) {
                state_.transferMode = 0;
                postLast(LinkCode::FlashReadError, offset, total);
                return;
            }
            std::memcpy(destination_ + offset, &answer[1], n);
            if (state_.verifyAfterWrite.load() && verifySource_) {
                const uint32_t end = std::min(offset + n, verifyLength_);
                for (uint32_t i = offset; i < end; ++i) {
                    if (destination_[i] != verifySource_[i]) {
                        state_.transferMode = 0;
                        postLast(LinkCode::FlashVerifyMismatch, i, total);
                        return;
                    }
                }
            }
            offset += n;
            ++block;
            postProgress(LinkCode::FlashReadProgress, offset, total);
        }
        if (w == Wait::Aborted)
            break;
        if (w == Wait::Timeout) {
            if (!settle(Waiter::FlashRead))
                break;
            continue;
        }
        state_.verifyAfterWrite = 0;
        state_.transferMode = 0;
        postLast(LinkCode::FlashReadFinished, total, total);
        return;
    }
    state_.transferMode = 0;
    if (!abort_.load())
        postLast(LinkCode::TransferTimeout, 0, total);
}

// EEPROM write: a header, then sixteen 64-byte data reports, each acknowledged with 0x8F.
// There is one attempt only.
void CMUSBHid::eepromWriteBody() {
    const uint32_t total = totalLength_;
    Report answer;
    post(LinkCode::EepromWriteStarted, 0, total);
    lastPercent_ = -1;
    boardTakesData_ = true;
    Wait w = exchange(Waiter::EepromWrite, cmd::eepromWriteHeader(), &answer);
    uint32_t offset = 0;
    while (w == Wait::Answer && offset < total) {
        w = exchange(Waiter::EepromWrite, cmd::eepromWriteData(source_ + offset), &answer);
        if (w != Wait::Answer)
            break;
        offset += 64;
        postProgress(LinkCode::EepromBlock, offset, total);
    }
    if (w == Wait::Aborted)
        return;
    if (w == Wait::Timeout) {
        postLast(LinkCode::TransferTimeout, offset, total);
        return;
    }
    postLast(LinkCode::EepromWriteFinished, total, total);
}

// EEPROM read: a header with the length, then one request per 64-byte block (transferMode 2).
void CMUSBHid::eepromReadBody() {
    const uint32_t total = totalLength_;
    Report answer;
    state_.transferMode = 2;
    post(LinkCode::EepromReadStarted, 0, total);
    lastPercent_ = -1;
    Wait w = exchange(Waiter::EepromRead, cmd::eepromReadHeader(total), &answer);
    uint32_t offset = 0;
    for (uint32_t block = 0; w == Wait::Answer && offset < total; ++block) {
        w = exchange(Waiter::EepromRead, cmd::eepromReadRequest(block), &answer);
        if (w != Wait::Answer)
            break;
        std::memcpy(destination_ + offset, &answer[1], 64);
        offset += 64;
        postProgress(LinkCode::EepromBlock, offset, total);
    }
    state_.transferMode = 0;
    if (w == Wait::Aborted)
        return;
    if (w == Wait::Timeout) {
        postLast(LinkCode::TransferTimeout, offset, total);
        return;
    }
    postLast(LinkCode::EepromReadFinished, total, total);
}

}  // namespace tessel
