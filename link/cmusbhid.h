#pragma once

#include "app/sharedstate.h"
#include "link/dispatch.h"
#include "link/hiddevice.h"
#include "link/notifications.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace tessel {

// The program's only path to the programmer board. It finds and opens the board, writes
// 65-byte reports synchronously under one mutex, reads input reports on a reader thread of
// its own and routes them (to a waiting bulk transfer, or as a queued notification), and runs
// the four bulk transfers (flash write and read, EEPROM write and read) on one worker thread
// at a time, in lock-step with the board: one report out, one answer in.
//
// Notifications always arrive queued on the thread that owns this object, with a copy of the
// report that raised them; no other thread ever touches a window.
class CMUSBHid : public QObject {
    Q_OBJECT
public:
    static constexpr int kDefaultAnswerTimeoutMs = 1000;
    static constexpr int kTransferAttempts = 5;
    // Before a transfer starts again after a missed answer, the board must have been quiet
    // this long (at most the answer time-out): an answer that comes late is dropped then,
    // rather than taken as the answer to the repeated header.
    static constexpr int kSettleMs = 250;

    CMUSBHid(SharedState& state, HidBackend& backend, QObject* parent = nullptr);
    ~CMUSBHid() override;

    // Closes an open board, then opens the first board found (vendor 0x0483, product
    // 0x5750, release 0x0200). Posts DeviceOpened or NoDevice.
    void open();
    // Stops every thread that uses the board, then closes it. Emits disconnected() when a
    // board was open.
    void close();
    // Asks the reader thread to end after its current read, without waiting for it; close()
    // then finds it ended. Several boards closed together wait for one poll, not one each.
    void stopReading();

    bool isConnected() const { return connected_.load(); }
    const QString& devicePath() const { return devicePath_; }
    // The serial number of the board last opened (empty when it has none).
    const QString& serialNumber() const { return serialNumber_; }
    // How the last open() ended; PermissionDenied when the board is there but not accessible.
    OpenResult lastOpenResult() const { return lastOpenResult_; }
    // The other program that held the board when the last open() ended Busy (0 unknown).
    qint64 lastHolder() const { return lastHolder_; }

    // Writes one report (byte 0 is forced to 0). True when the report was written; false when
    // no board is open or the write failed.
    bool send(const Report& report);
    // Sends request-debug-data (0xB3) for the given channel count and remembers the count for
    // the frame checks.
    bool requestDebugData(uint8_t channels);
    uint8_t debugChannel() const { return debugChannel_.load(); }

    // Bulk transfers. The caller's buffers must stay valid until the transfer posts its last
    // code (or the transport is closed). Each returns false when a transfer could not start.
    bool startFlashWrite(const uint8_t* source, uint32_t length);
    // Reads length bytes into destination. While verifyAfterWrite is set each received byte
    // below verifyLength is compared with verifySource.
    bool startFlashRead(uint8_t* destination, uint32_t length, const uint8_t* verifySource,
                        uint32_t verifyLength);
    // Always writes 1024 bytes from source.
    bool startEepromWrite(const uint8_t* source);
    // Reads length bytes (1024, or 2048 for the chips that keep 2 KiB of EEPROM).
    bool startEepromRead(uint8_t* destination, uint32_t length);
    bool transferRunning() const { return transferRunning_.load(); }
    // Stops a running transfer without a further notification and keeps the board open.
    // A write cut short leaves the board waiting for data; the board goes back to taking
    // commands after a pause, which this waits out (resyncMs) so that the next command is
    // not taken as data.
    void stopTransfer();
    static constexpr int kDefaultResyncMs = 600;
    void setResyncMs(int ms) { resyncMs_ = ms; }

    // The answer time-out of bulk transfers (1000 ms; tests shorten it).
    void setAnswerTimeoutMs(int ms) { answerTimeoutMs_ = ms; }

    // Who drives the board in this program: the programming page's operations (trim mode
    // included: the target waits in programming mode) or a debug run. One at a time; the
    // other one's start controls wait until the board is free. Window thread only.
    enum class BoardUser { None, Programming, Debugging };
    BoardUser boardUser() const { return user_; }
    // Takes the board for user; false when the other user has it.
    bool claimBoard(BoardUser user);
    // Frees the board when user has it.
    void releaseBoard(BoardUser user);

Q_SIGNALS:
    void linkNotification(const tessel::LinkNotification& notification);
    void debugNotification(const tessel::DebugNotification& notification);
    // The open board was closed (pulled out, read error, or close()).
    void disconnected();
    // Reading from the open board failed: it is gone. Emitted before the board is closed.
    void boardLost();
    void boardUserChanged(tessel::CMUSBHid::BoardUser user);

private:
    enum class Waiter { None, FlashWrite, FlashRead, EepromWrite, EepromRead };
    enum class Wait { Answer, Timeout, Aborted };

    void readerLoop(std::shared_ptr<HidDevice> device);
    // The reader thread hands the board to the running transfer and waits until it ends.
    void parkReader();
    void deliver(const Report& report);
    // Posts a transfer's progress when the percentage it shows changed (a progress bar
    // shows no more; every report would wake the owner's thread for nothing).
    void postProgress(LinkCode code, uint32_t offset, uint32_t total);
    void post(const LinkNotification& n);
    void post(LinkCode code, uint32_t offset = 0, uint32_t total = 0);
    // Posts the last notification of a transfer.
    void postLast(LinkCode code, uint32_t offset, uint32_t total);
    // Queues the loss of device for the owner's thread, which ignores it when device is no
    // longer the open one.
    void reportLoss(const std::shared_ptr<HidDevice>& device);
    void onDeviceLost(const std::weak_ptr<HidDevice>& which);

    bool startWorker(void (CMUSBHid::*body)());
    void joinWorker();
    // Arms the answer slot for the given waiter, sends the report and waits for its answer.
    Wait exchange(Waiter who, const Report& report, Report* answer);
    // Waits (answerMutex_ held in lock) until the answer slot is filled, the transfer is
    // aborted or the deadline passes; true unless the deadline passed. Once the reader thread
    // has handed the board over, the worker reads the board itself: one thread per
    // lock-step exchange instead of two.
    bool awaitAnswer(std::unique_lock<std::mutex>& lock,
                     std::chrono::steady_clock::time_point deadline);
    // Drops answers until the board has been quiet for the settle time; false when aborted.
    bool settle(Waiter who);

    void flashWriteBody();
    void flashReadBody();
    void eepromWriteBody();
    void eepromReadBody();

    SharedState& state_;
    HidBackend& backend_;
    ReceiveDispatch dispatch_;  // reader thread only

    std::mutex deviceMutex_;  // guards device_ and every write
    std::shared_ptr<HidDevice> device_;
    std::atomic<bool> connected_{false};
    QString devicePath_;
    QString serialNumber_;
    OpenResult lastOpenResult_ = OpenResult::NotFound;
    qint64 lastHolder_ = 0;
    BoardUser user_ = BoardUser::None;
    std::atomic<uint8_t> debugChannel_{0};

    std::thread reader_;
    std::atomic<bool> readerStop_{false};

    // Bulk transfer state: set by the starter before the worker runs.
    std::thread worker_;
    std::atomic<bool> transferRunning_{false};
    std::atomic<bool> abort_{false};
    std::atomic<bool> boardTakesData_{false};  // a write's header went out, its data did not
    int resyncMs_ = kDefaultResyncMs;
    uint32_t totalLength_ = 0;
    const uint8_t* source_ = nullptr;
    uint8_t* destination_ = nullptr;
    const uint8_t* verifySource_ = nullptr;
    uint32_t verifyLength_ = 0;
    int answerTimeoutMs_ = kDefaultAnswerTimeoutMs;

    // The answer slot shared by the reader and the worker.
    std::mutex answerMutex_;
    std::condition_variable answerCv_;
    Waiter waiting_ = Waiter::None;
    bool answered_ = false;
    Report answer_{};
    // While a transfer runs the reader thread parks (handOver_ set by the starter, cleared
    // when the worker ends; readerParked_ while it waits) and the worker reads the board.
    std::atomic<bool> handOver_{false};
    bool readerParked_ = false;                // under answerMutex_
    std::shared_ptr<HidDevice> workerDevice_;  // the worker's own handle on the board
    int lastPercent_ = -1;                     // worker only: the progress last posted
};

}  // namespace tessel
