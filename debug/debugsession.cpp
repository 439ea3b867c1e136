#include "debug/debugsession.h"

#include "app/chipcatalogue.h"
#include "app/profile.h"
#include "link/cmusbhid.h"
#include "link/commands.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace tessel {
namespace {

const Msg kRangeMessages[] = {Msg::DebugBaselineRange, Msg::DebugRawdataRange,
                              Msg::DebugDifferRange};

}  // namespace

DebugSession::DebugSession(SharedState& state, CMUSBHid& transport, Prompts& prompts,
                           QObject* parent)
    : QObject(parent), shared_(state), transport_(transport), prompts_(prompts), clock_([] {
          return QDateTime::currentDateTimeUtc();
      }) {
    qRegisterMetaType<tessel::SampleRecord>();
    filterTimer_.setSingleShot(true);
    connect(&filterTimer_, &QTimer::timeout, this, [this] { outlierFilter_ = kFilterOn; });
    startupTimer_.setSingleShot(true);
    connect(&startupTimer_, &QTimer::timeout, this, [this] {
        if (state_ == State::WaitingStarted || state_ == State::WaitingSupply ||
            state_ == State::WaitingStartup) {
            fail(Reason::Timeout, Msg::ReplyTimeout);
        }
    });
    noFrameTimer_.setSingleShot(true);
    connect(&noFrameTimer_, &QTimer::timeout, this, [this] {
        if (state_ == State::Streaming) {
            fail(Reason::NoFrames, Msg::DebugNoFrames);
        }
    });
    connect(&transport_, &CMUSBHid::debugNotification, this, &DebugSession::handle);
    connect(&transport_, &CMUSBHid::disconnected, this, &DebugSession::onDisconnected);
    connect(&csv_, &CsvWriter::progress, this, &DebugSession::csvProgress);
    connect(&csv_, &CsvWriter::finished, this, &DebugSession::onCsvFinished);
}

DebugSession::~DebugSession() = default;

void DebugSession::setCsvDirectory(const QString& dir) {
    csvDir_ = dir;
    samples_.setSpillDirectory(dir);
}

void DebugSession::setState(State s) {
    if (state_ == s)
        return;
    state_ = s;
    if (s == State::Idle)
        transport_.releaseBoard(CMUSBHid::BoardUser::Debugging);
    Q_EMIT stateChanged(s);
}

bool DebugSession::programmingHoldsBoard() const {
    return transport_.boardUser() == CMUSBHid::BoardUser::Programming;
}

bool DebugSession::start(const DebugPageSettings& s) {
    if (running())
        return false;
    const int lower[] = {s.baselineMin, s.rawMin, s.differMin};
    const int upper[] = {s.baselineMax, s.rawMax, s.differMax};
    for (int k = 0; k < 3; ++k) {
        if (lower[k] >= upper[k])
            return refuse(Reason::DebugFailed, kRangeMessages[k]);
    }
    // One board, one user: a programming operation (or trim mode) keeps the board.
    if (!transport_.claimBoard(CMUSBHid::BoardUser::Debugging))
        return refuse(Reason::DebugFailed, Msg::DebugProgrammingBusy);
    chip_ = static_cast<int>(shared_.chipIndex.load());
    vcc_ = s.vcc;
    outlierFilter_ = kFilterOff;
    frameError_ = false;
    stopPending_ = false;
    received_ = accepted_ = malformed_ = discarded_ = 0;
    streamed_ = false;
    ending_.reset();
    csvFailure_.reset();
    if (!transport_.send(cmd::startDebugging(static_cast<uint8_t>(chip_)))) {
        transport_.releaseBoard(CMUSBHid::BoardUser::Debugging);
        return refuse(Reason::NoBoard, Msg::NoBoard);
    }
    filterTimer_.start(filterDelayMs_);
    startupTimer_.start(startupTimeoutMs_);
    setState(State::WaitingStarted);
    Q_EMIT started();
    return true;
}

void DebugSession::handle(const DebugNotification& n) {
    switch (n.code) {
        case DebugCode::Started:
            if (state_ != State::WaitingStarted)
                return;
            setState(State::WaitingSupply);
            transport_.send(cmd::selectDebugSupply(static_cast<uint8_t>(vcc_)));
            startupTimer_.start(startupTimeoutMs_);
            return;
        case DebugCode::SupplyReply:
            if (state_ == State::WaitingSupply)
                onSupplyReply(n.report);
            return;
        case DebugCode::StartupContinued:
            if (state_ == State::WaitingStartup)
                onStartupReply(n.report);
            return;
        case DebugCode::Sample:
            ++received_;
            if (state_ == State::Streaming)
                onSample(n.sample);
            else
                ++discarded_;  // sent before the board heard the pause or the stop
            return;
        case DebugCode::MalformedFrame:
            ++received_;
            ++malformed_;
            if (state_ != State::Streaming)
                return;
            frameError_ = true;
            Q_EMIT frameStatusChanged(false);
            return;
        case DebugCode::FramesIgnored:
            received_ += n.count;
            discarded_ += n.count;
            return;
        case DebugCode::ParametersWritten:
            if (!parametersPending_)
                return;
            parametersPending_ = false;
            Q_EMIT parametersWritten(n.report[2] == 0xAA);
            return;
    }
}

void DebugSession::onSupplyReply(const Report& r) {
    if (r[3] == 1) {
        setState(State::WaitingStartup);
        transport_.send(cmd::continueDebugStartup());
        startupTimer_.start(startupTimeoutMs_);
        return;
    }
    if (r[3] != 0)
        return;  // the board has not decided yet
    fail(Reason::SupplyFailed,
         r[2] <= 1 ? Msg::DebugInternalSupplyFailed : Msg::DebugExternalSupplyMissing);
}

void DebugSession::onStartupReply(const Report& r) {
    startupTimer_.stop();
    const bool iic = chipInfo(chip_).debugLink == DebugLink::Iic;
    if (r[2] != 1) {
        channelCount_ = 0;
        linkRate_ = 0;
        fail(Reason::DebugFailed, iic ? Msg::DebugIicFailed : Msg::DebugBaudFailed);
        return;
    }
    channelCount_ = std::min<int>(r[3], kMaxDebugChannels);
    // The IIC link runs at 100 kHz; the UART link reports the baud rate it agreed on.
    link_ = iic ? Msg::DebugLinkIic : Msg::DebugLinkUart;
    linkRate_ = iic ? 100 : r[4] * 256 + r[5];
    streamed_ = true;
    samples_.clear();
    stats_.reset(chip_, channelCount_);
    setState(State::Streaming);
    Q_EMIT channelsReady(channelCount_);
    transport_.requestDebugData(static_cast<uint8_t>(channelCount_));
    noFrameTimer_.start(noFrameTimeoutMs_);
}

void DebugSession::onSample(const DebugSample& s) {
    if (frameError_) {
        frameError_ = false;
        Q_EMIT frameStatusChanged(true);
    }
    if (channelCount_ == 0) {
        ++discarded_;
        return;
    }
    SampleRecord shown;
    SampleRecord saved;
    bool anyBaseline = false;
    uint32_t zeroed = 0;  // channels the outlier filter saved as 0, 0, 0
    for (int i = 0; i < channelCount_; ++i) {
        const int32_t raw = s.raw[i];
        const int32_t baseline = s.baseline[i];
        shown.raw[i] = raw;
        shown.baseline[i] = baseline;
        shown.differ[i] = differOf(chipInfo(chip_).differ, raw, baseline);
        anyBaseline = anyBaseline || baseline != 0;
        if (outlierFilter_ == kFilterOn && (raw > kOutlierLimit || baseline > kOutlierLimit)) {
            zeroed |= 1u << i;
            continue;  // saved as 0, 0, 0
        }
        saved.raw[i] = shown.raw[i];
        saved.baseline[i] = shown.baseline[i];
        saved.differ[i] = shown.differ[i];
    }
    if (!anyBaseline) {
        ++discarded_;
        return;
    }
    if (chipInfo(chip_).keyFlags)
        shown.keyFlags = saved.keyFlags = s.keyFlags;
    ++accepted_;
    noFrameTimer_.start(noFrameTimeoutMs_);
    samples_.append(saved);
    stats_.add(saved, zeroed);  // a zeroed channel is no measurement
    Q_EMIT sampleSaved(saved, zeroed);
    Q_EMIT sampleShown(shown);
}

void DebugSession::pause() {
    if (state_ == State::Idle || state_ == State::Paused)
        return;
    const bool streamed = state_ == State::Streaming;
    transport_.send(cmd::pauseDebugData());
    startupTimer_.stop();
    noFrameTimer_.stop();
    setState(State::Paused);
    // A start-up that is given up has nothing new to save: the samples still held belong
    // to the previous run and were written when it paused.
    if (streamed && saveData_ && !samples_.empty())
        startCsv();
}

void DebugSession::startCsv() {
    const bool fixed = !csvFile_.isEmpty();
    const QString path = fixed ? csvFile_ : QDir(csvDir_).filePath(csv::fileName(clock_()));
    lastCsvPath_ = path;
    // The directory may not exist yet (the profile's, before the settings are first saved).
    QDir().mkpath(QFileInfo(path).absolutePath());
    const auto snapshot = samples_.snapshot();
    const qint64 records = qint64(snapshot.size());
    csv_.start(path, snapshot, channelCount_, chip_,
               fixed ? CsvWriter::Mode::Truncate : CsvWriter::Mode::Append);
    Q_EMIT csvStarted(records);
}

void DebugSession::onCsvFinished(bool ok, bool opened, const QString& path) {
    if (!opened || !ok) {
        // The run goes on (its samples are still held), but it ends as one that lost them.
        const Msg m = opened ? Msg::DebugCsvWriteFailed : Msg::DebugCsvOpenFailed;
        const QString text = shared_.text(m, qUtf8Printable(QDir::toNativeSeparators(path)));
        prompts_.showMessage(text);
        if (!ending_)
            csvFailure_ = Outcome::failure(Reason::WriteFailed, m, text);
    }
    Q_EMIT csvFinished(ok, path);
    if (stopPending_)
        stop();
}

void DebugSession::resume() {
    if (state_ != State::Paused || csv_.busy() || channelCount_ == 0)
        return;
    transport_.requestDebugData(static_cast<uint8_t>(channelCount_));
    setState(State::Streaming);
    noFrameTimer_.start(noFrameTimeoutMs_);
}

void DebugSession::stop() {
    if (state_ == State::Idle)
        return;
    if (csv_.busy()) {
        stopPending_ = true;
        return;
    }
    stopPending_ = false;
    transport_.send(cmd::stopDebugging());
    outlierFilter_ = kFilterOff;
    filterTimer_.stop();
    startupTimer_.stop();
    noFrameTimer_.stop();
    channelCount_ = 0;
    linkRate_ = 0;
    frameError_ = false;
    // A run the user (or the command) stops has ended normally once it streamed; stopped
    // during its start-up it was cancelled. A failure on the way decided it already.
    if (ending_) {
        outcome_ = *ending_;
    } else if (csvFailure_) {
        outcome_ = *csvFailure_;
    } else if (streamed_) {
        outcome_ = Outcome::success();
    } else {
        outcome_ = Outcome::failure(Reason::Cancelled, Msg::DebugCancelled,
                                    shared_.text(Msg::DebugCancelled));
    }
    ending_.reset();
    csvFailure_.reset();
    setState(State::Idle);
    Q_EMIT finished(outcome_);
}

void DebugSession::fail(Reason reason, Msg message) {
    const QString text = shared_.text(message);
    if (!ending_)
        ending_ = Outcome::failure(reason, message, text);
    pause();
    prompts_.showMessage(text);
    stop();
}

bool DebugSession::refuse(Reason reason, Msg message) {
    outcome_ = Outcome::failure(reason, message, shared_.text(message));
    prompts_.showMessage(outcome_.text);
    Q_EMIT finished(outcome_);
    return false;
}

void DebugSession::onDisconnected() {
    // The board is gone: nothing more will come. The samples of a streaming run are still
    // written when saving is on; the owner tells of the lost board.
    if (!running())
        return;
    if (!ending_)
        ending_ = Outcome::failure(Reason::BoardLost, Msg::BoardLost, shared_.text(Msg::BoardLost));
    pause();
    stop();
}

QString DebugSession::linkText() const {
    return link_ ? shared_.text(*link_) : QString();
}

void DebugSession::writeParameters(Profile& profile) {
    if (programmingHoldsBoard())
        return;
    const uint8_t chip = static_cast<uint8_t>(shared_.chipIndex.load());
    parametersPending_ = transport_.send(cmd::writeDebugParameters(shared_.debugParameters, chip));
    saveTouchParameters(profile, shared_.debugParameters);
}

}  // namespace tessel
