#include "link/programmersession.h"

#include "link/cmusbhid.h"
#include "link/configsource.h"
#include "link/connection.h"
#include "link/sequencer.h"

#include <QSignalBlocker>

namespace tessel {

// The front end's programming page as the sequences see it: everything passes through, and
// the end of every operation becomes the session's outcome.
class ProgrammerSession::Relay : public ProgramView {
public:
    Relay(ProgrammerSession& session, ProgramView& view) : session_(session), view_(view) {}

    void appendLog(const QString& line) override { view_.appendLog(line); }
    void setControlEnabled(Control control, bool enabled) override {
        view_.setControlEnabled(control, enabled);
    }
    void showProgress(int percent) override { view_.showProgress(percent); }
    void hideProgress() override { view_.hideProgress(); }
    void setResult(Result result) override { view_.setResult(result); }
    void readBufferChanged(uint32_t length) override { view_.readBufferChanged(length); }
    void eepromReadBufferChanged() override { view_.eepromReadBufferChanged(); }
    void operationFinished(const Outcome& ended) override {
        // However the sequences saw it, an operation cut short by a lost board is board-lost.
        const Outcome outcome = !ended.ok() && session_.lost_ ? session_.lostOutcome() : ended;
        view_.operationFinished(outcome);
        session_.operationEnded(outcome);
    }
    void trimModeDropped() override {
        session_.trimChip_ = -1;
        view_.trimModeDropped();
    }

private:
    ProgrammerSession& session_;
    ProgramView& view_;
};

ProgrammerSession::ProgrammerSession(SharedState& state, HidBackend& bus, ImageState& image,
                                     ConfigSource& config, ProgramView& view, Prompts& prompts,
                                     QObject* parent)
    : QObject(parent),
      state_(state),
      image_(image),
      config_(config),
      view_(view),
      relay_(std::make_unique<Relay>(*this, view)),
      transport_(std::make_unique<CMUSBHid>(state, bus)) {
    sequencer_ = std::make_unique<OperationSequencer>(state_, *transport_, image, *relay_);
    sequencer_->setConfigSource(&config_);
    sequencer_->setPrompts(&prompts);
    connection_ = std::make_unique<ConnectionSequence>(
        state_, *transport_, *relay_,
        [this](bool accepted) { sequencer_->setButtonsEnabled(accepted); });
    connection_->setConcluded([this](const Outcome& outcome) {
        if (outcome.reason == Reason::BoardBusy && busyRetryMs_ > 0)
            busyRetry_.start(busyRetryMs_);
        Q_EMIT handshakeFinished(outcome);
    });
    busyRetry_.setSingleShot(true);
    connect(&busyRetry_, &QTimer::timeout, this, [this] {
        if (!closing_ && !transport_->isConnected() && !sequencer_->busy())
            transport_->open();
    });
    connect(transport_.get(), &CMUSBHid::linkNotification, this,
            &ProgrammerSession::onNotification);
    connect(transport_.get(), &CMUSBHid::boardLost, this, &ProgrammerSession::onBoardLost);
    connect(transport_.get(), &CMUSBHid::disconnected, this, &ProgrammerSession::onDisconnected);
}

ProgrammerSession::~ProgrammerSession() {
    // The transport's threads end before the sequences that receive their notifications go.
    closing_ = true;
    const QSignalBlocker quiet(transport_.get());
    transport_->close();
}

bool ProgrammerSession::busy() const {
    return sequencer_->busy();
}

void ProgrammerSession::open() {
    closing_ = false;
    lost_ = false;
    transport_->open();
}

void ProgrammerSession::reopen() {
    closing_ = false;
    lost_ = false;
    sequencer_->reopenBoard();
}

void ProgrammerSession::close() {
    closing_ = true;
    busyRetry_.stop();
    transport_->close();
}

void ProgrammerSession::deviceArrived() {
    view_.appendLog(state_.text(Msg::BoardConnected));
    if (!transport_->isConnected())
        reopen();
}

bool ProgrammerSession::deviceRemoved(const QString& path) {
    if (path.compare(transport_->devicePath(), Qt::CaseInsensitive) != 0)
        return false;
    if (!transport_->isConnected())
        return true;  // already handled as a lost board
    onBoardLost();
    transport_->close();
    return true;
}

void ProgrammerSession::onBoardLost() {
    lost_ = true;
    view_.appendLog(state_.text(Msg::BoardLost));
}

void ProgrammerSession::onDisconnected() {
    const bool running = sequencer_->busy();
    // The target left programming mode with the board; a running operation ends now.
    sequencer_->onDisconnected();
    if (lost_ && !running && !closing_)
        Q_EMIT boardLost(lostOutcome());
}

void ProgrammerSession::onNotification(const LinkNotification& n) {
    if (!connection_->handle(n))
        sequencer_->handle(n);
    // A supply switch is a single exchange with no finishOperation of its own; the board's
    // confirmation ends it.
    if (n.code == LinkCode::Supply3V || n.code == LinkCode::Supply5V ||
        n.code == LinkCode::SupplyOff) {
        operationEnded(supplyOutcome(n));
    }
}

Outcome ProgrammerSession::supplyOutcome(const LinkNotification& n) const {
    const bool ok = n.report[2] == 0xAA;
    Msg verdict = ok ? Msg::SupplyOffOk : Msg::SupplyOffFailed;
    if (n.code == LinkCode::Supply3V)
        verdict = ok ? Msg::Supply3VOk : Msg::Supply3VFailed;
    else if (n.code == LinkCode::Supply5V)
        verdict = ok ? Msg::Supply5VOk : Msg::Supply5VFailed;
    return {ok ? Reason::Ok : Reason::SupplyFailed, verdict, state_.text(verdict)};
}

void ProgrammerSession::operationEnded(Outcome outcome) {
    Q_EMIT operationFinished(outcome);
}

Outcome ProgrammerSession::lostOutcome() const {
    return Outcome::failure(Reason::BoardLost, Msg::BoardLost, state_.text(Msg::BoardLost));
}

void ProgrammerSession::selectChip(int chip) {
    if (!sequencer_->trimMode()) {
        trimChip_ = -1;
        config_.chipSelected(chip);
        return;
    }
    if (chip == trimChip_)
        return;
    // A chip chosen in trim mode: its trim page, and programming mode for it.
    trimChip_ = chip;
    if (sequencer_->busy())
        config_.trimModeEntered(chip);
    else
        sequencer_->enterTrimMode();
}

bool ProgrammerSession::enterTrimMode() {
    trimChip_ = static_cast<int>(state_.chipIndex.load());
    return sequencer_->enterTrimMode();
}

void ProgrammerSession::leaveTrimMode() {
    sequencer_->leaveTrimMode();
    trimChip_ = -1;
}

void ProgrammerSession::copyProgramSettings(const SharedState& from, SharedState& to) {
    to.chipIndex = from.chipIndex.load();
    to.language = from.language;
    to.moduleDir = from.moduleDir;
    to.profilePath = from.profilePath;
    to.engineeringLayout = from.engineeringLayout;
}

}  // namespace tessel
