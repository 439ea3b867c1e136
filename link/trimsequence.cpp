// The trim group. "进入修调": the common start brings the target into programming mode, where
// it stays. "写修调": one exchange inside that mode (0x8D), checked against what the board
// read back. "退出修调": leave programming mode (0x87). The board going away ends trim mode.
#include "link/cmusbhid.h"
#include "link/commands.h"
#include "link/configpayload.h"
#include "link/configsource.h"
#include "link/operationgroups.h"

#include <algorithm>

namespace tessel {

using Operation = OperationSequencer::Operation;

void TrimSequence::programmingEntered() {
    // Nothing more is sent: the target waits in programming mode for the trim writes.
    run_.operation_ = Operation::None;
    run_.step_ = {};
    run_.refreshControls();
    run_.view_.operationFinished({Reason::Ok, std::nullopt, run_.log_.last});
}

void TrimSequence::leave() {
    if (run_.busy() || !run_.trimMode_)
        return;
    run_.trimMode_ = false;
    if (run_.config_)
        run_.config_->trimModeLeft(static_cast<int>(run_.state_.chipIndex.load()));
    if (run_.transport_.isConnected())
        run_.transport_.send(cmd::leaveProgrammingMode());
    run_.say(Msg::TrimLeft);
    run_.refreshControls();
}

void TrimSequence::release() {
    if (!run_.trimMode_ || run_.busy())
        return;
    run_.trimMode_ = false;
    if (run_.transport_.isConnected())
        run_.transport_.send(cmd::leaveProgrammingMode());
}

void TrimSequence::drop() {
    if (!run_.trimMode_)
        return;
    run_.trimMode_ = false;
    if (run_.config_)
        run_.config_->trimModeLeft(static_cast<int>(run_.state_.chipIndex.load()));
    run_.view_.trimModeDropped();
    run_.refreshControls();
}

bool TrimSequence::startWrite() {
    if (run_.busy() || !run_.trimMode_)
        return false;
    const int chip = static_cast<int>(run_.state_.chipIndex.load());
    sent_ = run_.config_ ? run_.config_->trimWords(chip) : std::vector<uint8_t>{};
    if (static_cast<int>(sent_.size()) != configwrite::trimLength(chip)) {
        run_.say(Msg::NoTrimWords);
        return false;
    }
    run_.operation_ = Operation::WriteTrim;
    run_.chip_ = chip;
    run_.recordStart(Operation::WriteTrim);
    run_.refreshControls();
    run_.view_.setResult(ProgramView::Result::Busy);
    run_.configCopy_.fill(0);
    std::copy(sent_.begin(), sent_.end(), run_.configCopy_.begin());
    run_.recordWritten(sent_.data(), sent_.size());
    run_.record_.sent = true;
    if (!run_.send(cmd::writeTrimWords(sent_.data(), sent_.size()), LinkCode::TrimWritten,
                   [this](const LinkNotification& n) { written(n); })) {
        run_.record_.sent = false;
        run_.record_.configWritten.clear();
        const QString line = run_.say(Msg::NoBoard);
        endWrite(Outcome::failure(Reason::NoBoard, Msg::NoBoard, line));
        return false;
    }
    return true;
}

void TrimSequence::written(const LinkNotification& n) {
    const int chip = run_.chip_;
    const Report& reply = n.report;
    const int status = configwrite::trimStatusByte(chip);
    if (status >= 0 && reply[status] != replystatus::kDone) {
        const QString line = run_.say(Msg::TrimCrcError);
        endWrite(Outcome::failure(Reason::TrimWriteFailed, Msg::TrimCrcError, line));
        return;
    }
    configwrite::logTrimWrite(chip, sent_, reply, run_.log_);
    // A trim that did not take must not look like a success.
    const int back = configwrite::trimReadBackByte(chip);
    const bool ok = std::equal(sent_.begin(), sent_.end(), reply.begin() + back);
    if (!ok)
        configwrite::logTrimDifferences(sent_, reply, chip, run_.log_);
    const Msg verdict = ok ? Msg::TrimWordsRight : Msg::TrimWordsWrong;
    const QString line = run_.say(verdict);
    endWrite({ok ? Reason::Ok : Reason::TrimWriteFailed, verdict, line});
}

void TrimSequence::endWrite(const Outcome& outcome) {
    run_.replyTimer_.stop();
    run_.view_.setResult(outcome.ok() ? ProgramView::Result::Ok : ProgramView::Result::Ng);
    run_.operation_ = Operation::None;
    run_.step_ = {};
    run_.refreshControls();
    run_.view_.operationFinished(outcome);
}

}  // namespace tessel
