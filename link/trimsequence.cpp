// Trim mode: "进入修调" selects the chip and brings the target into programming mode, where
// it stays; "写修调" is one exchange inside that mode, checked against what the board read
// back; "退出修调" leaves programming mode. The board going away ends trim mode.
#include "link/cmusbhid.h"
#include "link/commands.h"
#include "link/configpayload.h"
#include "link/configsource.h"
#include "link/sequencer.h"

#include <algorithm>

namespace tessel {

bool OperationSequencer::enterTrimMode() {
    if (busy())
        return false;
    // Also for a chip newly selected in trim mode: the target enters programming mode for it.
    trimMode_ = true;
    if (config_)
        config_->trimModeEntered(static_cast<int>(state_.chipIndex.load()));
    if (!begin(Operation::EnterTrim, ProgramView::Result::Hidden)) {
        dropTrimMode();
        return false;
    }
    return true;
}

void OperationSequencer::onTrimModeEntered() {
    // Nothing more is sent: the target waits in programming mode for the trim writes.
    operation_ = Operation::None;
    step_ = Step::Idle;
    refreshControls();
    view_.operationFinished({Reason::Ok, std::nullopt, log_.last});
}

void OperationSequencer::leaveTrimMode() {
    if (busy() || !trimMode_)
        return;
    trimMode_ = false;
    if (config_)
        config_->trimModeLeft(static_cast<int>(state_.chipIndex.load()));
    if (transport_.isConnected())
        transport_.send(cmd::leaveProgrammingMode());
    log_.appendLog(message(Msg::TrimLeft, Language::Chinese));
    refreshControls();
}

void OperationSequencer::releaseTarget() {
    if (!trimMode_ || busy())
        return;
    trimMode_ = false;
    if (transport_.isConnected())
        transport_.send(cmd::leaveProgrammingMode());
}

void OperationSequencer::dropTrimMode() {
    if (!trimMode_)
        return;
    trimMode_ = false;
    if (config_)
        config_->trimModeLeft(static_cast<int>(state_.chipIndex.load()));
    view_.trimModeDropped();
    refreshControls();
}

bool OperationSequencer::startWriteTrim() {
    if (busy() || !trimMode_)
        return false;
    const int chip = static_cast<int>(state_.chipIndex.load());
    sentWords_ = config_ ? config_->trimWords(chip) : std::vector<uint8_t>{};
    if (static_cast<int>(sentWords_.size()) != configwrite::trimLength(chip)) {
        say(Msg::NoTrimWords);
        return false;
    }
    operation_ = Operation::WriteTrim;
    chip_ = chip;
    refreshControls();
    view_.setResult(ProgramView::Result::Busy);
    configCopy_.fill(0);
    std::copy(sentWords_.begin(), sentWords_.end(), configCopy_.begin());
    if (!sendCommand(cmd::writeTrimWords(sentWords_.data(), sentWords_.size()),
                     Step::WriteTrimWords)) {
        const QString line = say(Msg::NoBoard);
        endTrimStep(Outcome::failure(Reason::NoBoard, Msg::NoBoard, line));
        return false;
    }
    return true;
}

void OperationSequencer::onTrimWritten(const Report& reply) {
    const int status = configwrite::trimStatusByte(chip_);
    if (status >= 0 && reply[status] != 1) {
        const QString line = say(Msg::TrimCrcError);
        endTrimStep(Outcome::failure(Reason::TrimWriteFailed, Msg::TrimCrcError, line));
        return;
    }
    configwrite::logTrimWrite(chip_, sentWords_, reply, log_);
    // A trim that did not take must not look like a success.
    const int back = configwrite::trimReadBackByte(chip_);
    const bool ok = std::equal(sentWords_.begin(), sentWords_.end(), reply.begin() + back);
    if (!ok)
        configwrite::logTrimDifferences(sentWords_, reply, chip_, log_);
    const Msg verdict = ok ? Msg::TrimWordsRight : Msg::TrimWordsWrong;
    const QString line = say(verdict);
    endTrimStep({ok ? Reason::Ok : Reason::TrimWriteFailed, verdict, line});
}

void OperationSequencer::endTrimStep(const Outcome& outcome) {
    replyTimer_.stop();
    view_.setResult(outcome.ok() ? ProgramView::Result::Ok : ProgramView::Result::Ng);
    operation_ = Operation::None;
    step_ = Step::Idle;
    refreshControls();
    view_.operationFinished(outcome);
}

}  // namespace tessel
