#pragma once

#include "app/chipcatalogue.h"
#include "app/sharedstate.h"
#include "link/hiddevice.h"
#include "link/report.h"
#include "sim/simchip.h"

#include <QString>
#include <QStringList>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace tessel {

// Settings of the simulated board, from --simulate=KEY=VALUE,... Counters of received reports
// start at 1 with the first report after the board was plugged in; 0 switches a fault off.
struct SimOptions {
    int latencyMs = 1;    // "latency": 1 ms USB frames per report, each way; 0 no delay
    int frameRate = 50;   // "rate": debug frames per second
    int channels = 8;     // "channels": touch channels of the target (1 to 32)
    bool touches = true;  // "touches": scripted key touches in the debug stream
    uint32_t seed = 1;    // "seed": noise of the debug stream
    int boards = 1;       // "boards": simulated boards on the bus, each with its path and serial
    SimTouchBench bench;  // "touch", "noise", "drift", "coupling": how the touch keys behave
    // Faults.
    int silentAfter = 0;        // "silent-after": no answer from the Nth report on
    int pullAfter = 0;          // "pull-after": pulled out right after the Nth report
    int flashCrcError = 0;      // "flash-crc": the Nth flash data report gets 0x85 with 0x56
    bool flashReadCrc = false;  // "flash-read-crc": a flash read header gets 0x85 with 0x56
    int flashReadFail = 0;      // "flash-read-fail": the Nth block request gets AA BB CC
    int flipFlash = -1;         // "flip-flash": flash address read back with bit 0 flipped
    int flipEeprom = -1;        // "flip-eeprom": EEPROM address read back with bit 0 flipped
    int flipConfig = -1;        // "flip-config": byte of the 0x82/0x89 replies flipped
    bool wrongVersion = false;  // "wrong-version": reports "V1.0.1.1b"
    bool wrongIcType = false;   // "wrong-ictype": the target is another chip
    bool eraseFail = false;     // "erase-fail": erases answer status 0
    bool supplyFail = false;    // "supply-fail": the board's own 3 V/5 V/off switch fails
    bool noExternal = false;    // "no-external": no external supply for debugging
    bool targetFail = false;    // "target-fail": the board cannot talk to the target
    int badFrames = 0;          // "bad-frames": every Nth debug frame is malformed
    // Configuration and trim writes.
    bool infProtect = false;  // "inf-protect": information block protected, writes do not take
    bool configCrc = false;   // "config-crc": 0x89 answers a failed CRC check (status 0)
    bool cfg0Crc = false;     // "cfg0-crc": 0x84 answers a failed CRC check (status 0)
    bool trimCrc = false;     // "trim-crc": 0x8D answers a failed CRC check (status 0)
    int flipTrim = -1;        // "flip-trim": trim word N read back with bit 0 flipped
    int dropAt = 0;           // "drop": the Nth report is taken but gets no answer
    // "stall": a bulk transfer that gets no report for this long (ms) ends, and the board
    // takes commands again; 0 = it waits for its data for ever.
    int stallMs = 500;
    // "late": the Nth report's answer comes "late-ms" ms after it would (it overtakes nothing:
    // later answers wait behind it no more than they would behind any slow answer).
    int lateAt = 0;
    int lateMs = 1500;
    // "KEY=VALUE@B": settings that hold for board B (1 to boards) only, applied over the
    // others in the order given, e.g. "boards=4,pull-after=10@2".
    std::vector<std::pair<int, QString>> onBoard;

    // Parses "latency=0,..." (an empty text gives the defaults). On error returns false and
    // describes the problem in *error.
    static bool parse(const QString& text, SimOptions* out, QString* error);
    // The settings of board index (from 0): these with the items given for it applied.
    SimOptions forBoard(int index) const;
    // One line per key, for --help.
    static QString help();
};

// The board's behaviour: takes one output report, answers with zero or more input reports,
// and produces the debug stream. Thread-safe: the transport's writers and the simulated
// device's stream thread call it concurrently.
class SimBoard {
public:
    explicit SimBoard(const SimOptions& options = {});
    ~SimBoard();

    SimOptions options() const;
    void setOptions(const SimOptions& options);

    std::vector<Report> handle(const Report& command);

    // Every report the board received, in order.
    std::vector<Report> trace() const;
    void clearTrace();
    // Reports received since it was plugged in (the fault counters use it).
    int received() const;
    // Extra delay (ms) of the answers to the report handle() took last ("late" fault).
    int lastAnswerDelayMs() const;

    // True once a pull-after fault fired; the device then reports itself gone.
    bool pulledOut() const;
    // A fresh plug-in: counters, programming mode and debug run start over.
    void replug();

    // The debug stream: true between 0xB3 and 0xB4/0xB5. nextFrame() returns the segments of
    // the next frame (empty when not streaming).
    bool streaming() const;
    int framePeriodMs() const;
    std::vector<Report> nextFrame();
    // Debug frames sent since the last 0xB0 (start debugging).
    int64_t framesSent() const;

    // The target of each model; tests read and prepare it while the board is idle.
    SimChip& chip(int index);
    int selectedChip() const;
    bool programmingMode() const;
    // The parameters of the last 0xB6 frame.
    DebugParameters lastDebugParameters() const;
    // Replaces the scripted touches of the debug stream.
    void setTouchScript(const std::vector<SimTouch>& touches);

private:
    Report handleLocked(const Report& command, bool* answer);
    Report bulkData(const Report& data, bool* answer);
    enum class Bulk { None, Flash, Eeprom };
    Report startBulkWrite(const Report& header, Bulk kind);
    Report flashRead(const Report& command);
    Report versionReply() const;
    Report eraseInfoBlock();
    Report eraseEeprom();
    Report readConfiguration();
    Report writeConfiguration(const Report& command);
    Report writeCfg0(const Report& command);
    Report writeTrim(const Report& command);
    uint8_t reportedWord(const SimChip& chip, int number) const;
    Report debugReply(const Report& command, bool* answer);
    SimChip& target() { return *chips_[selected_]; }

    mutable std::mutex mutex_;
    SimOptions options_;
    std::vector<Report> trace_;
    std::array<std::unique_ptr<SimChip>, kChipCount> chips_;
    int received_ = 0;
    bool pulledOut_ = false;
    int selected_ = 0;
    bool programming_ = false;

    // Bulk transfers in progress: data reports still expected and where they go.
    Bulk bulk_ = Bulk::None;
    int dataReportsLeft_ = 0;
    uint32_t bulkOffset_ = 0;
    uint32_t bulkLength_ = 0;
    int flashDataReports_ = 0;  // data reports of flash writes since plug-in
    int flashBlockRequests_ = 0;
    std::chrono::steady_clock::time_point lastReport_{};

    // Debug run.
    int debugChip_ = 0;
    bool streaming_ = false;
    int streamChannels_ = 0;
    uint32_t frameCounter_ = 0;
    DebugParameters lastParams_;
    SimTouchPanel panel_;
};

// Plugs the simulated board in where hidapi would be.
class SimBackend : public HidBackend {
public:
    explicit SimBackend(const SimOptions& options = {});
    ~SimBackend() override;

    SimBoard& board() { return *board_; }
    static QString devicePath() { return QStringLiteral("sim:tessel-board"); }

    QList<HidDeviceInfo> enumerate() override;
    std::shared_ptr<HidDevice> open(const QString& path, OpenResult* result) override;
    HotplugWatcher* createWatcher(QObject* parent) override;

    // Plugging the board in and pulling it out, as the hot-plug watcher reports it.
    void plugIn();
    void pullOut();
    bool pluggedIn() const;

    struct Hub;

private:
    std::shared_ptr<SimBoard> board_;
    std::shared_ptr<Hub> hub_;
};

}  // namespace tessel
