#pragma once

#include "app/outcome.h"
#include "app/prompts.h"
#include "app/sharedstate.h"
#include "debug/debugcsv.h"
#include "debug/debugsettings.h"
#include "debug/debugstats.h"
#include "debug/samplestore.h"
#include "link/notifications.h"

#include <QDateTime>
#include <QObject>
#include <QTimer>

#include <functional>
#include <optional>

namespace tessel {

class CMUSBHid;
class Profile;

// A touch-key debug run, without widgets: the start-up exchange with the board (start, supply,
// target link), the stream of samples with its outlier filter, pause and resume, the saved
// samples and their CSV file, the statistics, and the touch-parameter write. The debug page
// and `tessel-cli debug` drive it; it reports through signals and the prompts.
//
//   Idle -start-> WaitingStarted -code 0-> WaitingSupply -code 2-> WaitingStartup
//        -code 3-> Streaming <-pause/resume-> Paused -stop-> Idle
//
// Replies are taken only in the state that waits for them, so a late or stray reply never
// drives a run forward; samples are kept only while streaming. Every debug frame that
// arrives is counted: received = accepted + malformed + discarded.
//
// Every run ends by itself: a start-up step without an answer for 3 s, a stream that brings
// no accepted frame for 5 s, and a lost board each end it.
//
// Every start ends with one Outcome (finished(), outcome()): at once when the start is
// refused (a chart range, the board busy with programming, no board), else when the run is
// idle again. A run stopped after it streamed ended well (Ok), one stopped during its
// start-up was Cancelled; otherwise the first failure decides: Timeout, SupplyFailed,
// DebugFailed (the target link), NoFrames, BoardLost, or WriteFailed when its CSV file
// could not be written.
class DebugSession : public QObject {
    Q_OBJECT
public:
    enum class State { Idle, WaitingStarted, WaitingSupply, WaitingStartup, Streaming, Paused };
    static constexpr uint8_t kFilterOff = 0xAA;
    static constexpr uint8_t kFilterOn = 0x55;
    static constexpr int kFilterDelayMs = 15000;
    static constexpr int kStartupTimeoutMs = 3000;
    static constexpr int kNoFrameTimeoutMs = 5000;
    static constexpr int kOutlierLimit = 60000;

    DebugSession(SharedState& state, CMUSBHid& transport, Prompts& prompts,
                 QObject* parent = nullptr);
    ~DebugSession() override;

    // Checks the chart ranges (lower end below upper end) and starts a run with the supply
    // choice of the settings. False, with the message shown and finished() emitted, when a
    // check failed or the board could not be reached.
    bool start(const DebugPageSettings& settings);
    // Pauses the stream; with saving on, writes the saved samples to a new CSV file.
    void pause();
    void resume();
    // Ends the run. While a CSV file is being written the stop follows its end.
    void stop();
    // Sends the touch parameters (0xB6) and writes them to the profile.
    void writeParameters(Profile& profile);

    void handle(const DebugNotification& n);

    State state() const { return state_; }
    bool running() const { return state_ != State::Idle; }
    // A programming operation (or trim mode) has the board: no run starts, no parameters go.
    bool programmingHoldsBoard() const;
    int chip() const { return chip_; }
    int channelCount() const { return channelCount_; }
    // How the target is linked ("IIC", "COM Baud"), empty before the first run streamed.
    QString linkText() const;
    int linkRate() const { return linkRate_; }
    uint8_t outlierFilter() const { return outlierFilter_; }
    bool frameError() const { return frameError_; }
    bool stopPending() const { return stopPending_; }
    // How the last run ended (Ok before any).
    const Outcome& outcome() const { return outcome_; }

    void setSaveData(bool on) { saveData_ = on; }
    bool saveData() const { return saveData_; }
    // Where CSV files go (a directory, with or without a trailing separator).
    void setCsvDirectory(const QString& dir);
    QString csvDirectory() const { return csvDir_; }
    // A fixed CSV file instead of the time-stamped names, written afresh (command line).
    void setCsvFile(const QString& path) { csvFile_ = path; }
    bool csvBusy() const { return csv_.busy(); }
    QString lastCsvPath() const { return lastCsvPath_; }
    CsvWriter& csvWriter() { return csv_; }

    const SampleStore& samples() const { return samples_; }
    SampleStore& samples() { return samples_; }
    const DebugStatistics& statistics() const { return stats_; }
    // The debug frames of the run since its start, counted whatever the state: received =
    // accepted + malformed + discarded. Discarded: all baselines 0, no channels, arrived
    // while the run did not stream (sent before the board heard a pause or stop), or given
    // up by the reassembly (too long for the family, incomplete).
    int64_t framesReceived() const { return received_; }
    int64_t framesAccepted() const { return accepted_; }
    int64_t framesMalformed() const { return malformed_; }
    int64_t samplesDiscarded() const { return discarded_; }

    // For tests: the clock that names the CSV files and the filter and start-up delays.
    void setClock(std::function<QDateTime()> clock) { clock_ = std::move(clock); }
    void setFilterDelayMs(int ms) { filterDelayMs_ = ms; }
    void setStartupTimeoutMs(int ms) { startupTimeoutMs_ = ms; }
    void setNoFrameTimeoutMs(int ms) { noFrameTimeoutMs_ = ms; }

Q_SIGNALS:
    void stateChanged(tessel::DebugSession::State state);
    // A run started (0xB0 sent): the page marks every channel not drawn.
    void started();
    // The target reported its channels: the page rebuilds its grid and table.
    void channelsReady(int count);
    // A sample was accepted; the values as received (the saved record may be filtered).
    void sampleShown(const tessel::SampleRecord& shown);
    // The same sample as saved (the outlier filter applied) and the channels the filter
    // saved as 0, 0, 0 (bit i: channel i): what the statistics and a measurement take.
    void sampleSaved(const tessel::SampleRecord& saved, quint32 zeroed);
    void frameStatusChanged(bool ok);
    void csvStarted(qint64 records);
    void csvProgress(qint64 done, qint64 total);
    void csvFinished(bool ok, const QString& path);
    void parametersWritten(bool ok);
    // The run (or its refused start) has ended; the same as outcome().
    void finished(const tessel::Outcome& outcome);

private:
    void setState(State s);
    void onSupplyReply(const Report& r);
    void onStartupReply(const Report& r);
    void onSample(const DebugSample& s);
    void onCsvFinished(bool ok, bool opened, const QString& path);
    // Ends a run on a failure: the message is shown and the outcome kept (the first one
    // counts when several follow each other).
    void fail(Reason reason, Msg message);
    bool refuse(Reason reason, Msg message);
    void startCsv();
    void onDisconnected();

    SharedState& shared_;
    CMUSBHid& transport_;
    Prompts& prompts_;
    State state_ = State::Idle;
    int chip_ = 0;
    int vcc_ = 1;
    int channelCount_ = 0;
    std::optional<Msg> link_;
    int linkRate_ = 0;
    uint8_t outlierFilter_ = kFilterOff;
    bool frameError_ = false;
    bool saveData_ = false;
    bool stopPending_ = false;
    bool parametersPending_ = false;
    bool streamed_ = false;  // the run reached its stream
    Outcome outcome_;
    std::optional<Outcome> ending_;      // the failure that ends the run
    std::optional<Outcome> csvFailure_;  // a CSV file of the run could not be written
    QString csvDir_;
    QString csvFile_;
    QString lastCsvPath_;
    SampleStore samples_;
    DebugStatistics stats_;
    CsvWriter csv_;
    QTimer filterTimer_;
    QTimer startupTimer_;
    QTimer noFrameTimer_;  // restarted by every accepted sample while streaming
    int filterDelayMs_ = kFilterDelayMs;
    int startupTimeoutMs_ = kStartupTimeoutMs;
    int noFrameTimeoutMs_ = kNoFrameTimeoutMs;
    int64_t received_ = 0;
    int64_t accepted_ = 0;
    int64_t malformed_ = 0;
    int64_t discarded_ = 0;
    std::function<QDateTime()> clock_;
};

}  // namespace tessel

Q_DECLARE_METATYPE(tessel::SampleRecord)
