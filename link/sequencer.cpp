#include "link/sequencer.h"

#include "app/chipcatalogue.h"
#include "image/imagemessages.h"
#include "image/imagestate.h"
#include "link/cmusbhid.h"
#include "link/commands.h"
#include "link/configreadback.h"
#include "link/configsource.h"
#include "link/operationgroups.h"
#include "link/readback.h"

#include <algorithm>

namespace tessel {
namespace {

using Control = ProgramView::Control;

// The bulk transfers report their start and progress before the notification that ends
// them; a transfer step takes all of them.
bool partOfTransfer(LinkCode finished, LinkCode code) {
    switch (finished) {
        case LinkCode::FlashWriteFinished:
            return code == LinkCode::FlashWriteStarted || code == LinkCode::FlashWriteProgress ||
                   code == finished;
        case LinkCode::FlashReadFinished:
            return code == LinkCode::FlashReadStarted || code == LinkCode::FlashReadProgress ||
                   code == finished;
        case LinkCode::EepromWriteFinished:
            return code == LinkCode::EepromWriteStarted || code == LinkCode::EepromBlock ||
                   code == finished;
        case LinkCode::EepromReadFinished:
            return code == LinkCode::EepromReadStarted || code == LinkCode::EepromBlock ||
                   code == finished;
        default:
            return false;
    }
}

bool isTransferProgress(LinkCode code) {
    return code == LinkCode::FlashWriteProgress || code == LinkCode::FlashReadProgress ||
           code == LinkCode::EepromBlock;
}

}  // namespace

OperationSequencer::OperationSequencer(SharedState& state, CMUSBHid& transport, ImageState& image,
                                       ProgramView& view, QObject* parent)
    : QObject(parent),
      state_(state),
      transport_(transport),
      image_(image),
      view_(view),
      programming_(std::make_unique<ProgrammingSequence>(*this)),
      eeprom_(std::make_unique<EepromSequence>(*this)),
      configWrite_(std::make_unique<ConfigWriteSequence>(*this)),
      trim_(std::make_unique<TrimSequence>(*this)) {
    replyTimer_.setSingleShot(true);
    connect(&replyTimer_, &QTimer::timeout, this, &OperationSequencer::onReplyTimeout);
    // A debug run that takes or frees the board changes what the buttons may start.
    connect(&transport_, &CMUSBHid::boardUserChanged, this, [this](CMUSBHid::BoardUser user) {
        if (user != CMUSBHid::BoardUser::Programming)
            refreshControls();
    });
}

OperationSequencer::~OperationSequencer() = default;

bool OperationSequencer::debugRunHoldsBoard() const {
    return transport_.boardUser() == CMUSBHid::BoardUser::Debugging;
}

void OperationSequencer::fail(Reason reason, Msg message) {
    const QString line = say(message);
    finishOperation(Outcome::failure(reason, message, line));
}

// --- controls -------------------------------------------------------------------------------

void OperationSequencer::refreshControls() {
    // Every control's state follows from (operation running, trim mode, chip, board accepted,
    // supply held by 3V/5V). In trim mode only the trim write, leaving, the supply and the
    // EEPROM buttons of the chips that keep their EEPROM apart from the flash buffers work.
    // While a debug run drives the board nothing here may send to it.
    const bool idle = !busy();
    if (idle && !trimMode_) {
        transport_.releaseBoard(CMUSBHid::BoardUser::Programming);
    } else {
        transport_.claimBoard(CMUSBHid::BoardUser::Programming);
    }
    const bool debugging = debugRunHoldsBoard();
    const int chip = static_cast<int>(state_.chipIndex.load());
    const bool link = idle && buttonsEnabled_ && !debugging;
    const bool programming = link && !supplyHold_;
    const bool normal = programming && !trimMode_;
    const bool eeprom =
        programming && chipInfo(chip).eepromOperations && !(eepromInFlashBuffer(chip) && trimMode_);
    view_.setControlEnabled(Control::OpenFile, idle && buttonsEnabled_ && !trimMode_);
    view_.setControlEnabled(Control::WriteFlash, normal);
    view_.setControlEnabled(Control::ReadFlash, normal);
    view_.setControlEnabled(Control::ReadConfig, normal);
    view_.setControlEnabled(Control::WriteConfig, normal && chipInfo(chip).configWrite);
    view_.setControlEnabled(Control::TrimToggle, trimMode_ ? link : programming);
    view_.setControlEnabled(Control::WriteTrim, link && trimMode_);
    view_.setControlEnabled(Control::Power3V, link);
    view_.setControlEnabled(Control::Power5V, link);
    view_.setControlEnabled(Control::PowerOff, link);
    view_.setControlEnabled(Control::WriteEeprom, eeprom);
    view_.setControlEnabled(Control::ReadEeprom, eeprom);
    view_.setControlEnabled(Control::CreateFile, idle && !trimMode_);
    view_.setControlEnabled(Control::ChipCombo, idle && !debugging);
    view_.setControlEnabled(Control::GridEdit, idle);
}

void OperationSequencer::setButtonsEnabled(bool enabled) {
    buttonsEnabled_ = enabled;
    refreshControls();
}

void OperationSequencer::setTrimMode(bool on) {
    trimMode_ = on;
    refreshControls();
}

// --- starting -------------------------------------------------------------------------------

bool OperationSequencer::begin(Operation op, ProgramView::Result picture) {
    if (busy() || debugRunHoldsBoard())
        return false;
    operation_ = op;
    chip_ = static_cast<int>(state_.chipIndex.load());
    opAfterErase_ = false;
    recordStart(op);
    refreshControls();
    view_.setResult(picture);
    Q_EMIT operationStarted(op);
    const auto selected = [this](const LinkNotification& n) { chipSelected(n); };
    record_.sent = true;  // unless the send below fails
    if (!send(cmd::selectChip(static_cast<uint8_t>(chip_)), LinkCode::ChipSelected, selected)) {
        record_.sent = false;
        const QString line = say(Msg::NoBoard);
        replyTimer_.stop();
        view_.setResult(op == Operation::WriteFlash ? ProgramView::Result::Ng
                                                    : ProgramView::Result::Hidden);
        operation_ = Operation::None;
        step_ = {};
        refreshControls();
        view_.operationFinished(Outcome::failure(Reason::NoBoard, Msg::NoBoard, line));
        return false;
    }
    return true;
}

void OperationSequencer::recordStart(Operation op) {
    record_.operation = op;
    record_.chip = chip_;
    record_.number += 1;
    record_.sent = false;
    record_.configWritten.clear();
    record_.clock.start();
}

void OperationSequencer::recordWritten(const uint8_t* bytes, size_t count) {
    record_.configWritten.insert(record_.configWritten.end(), bytes, bytes + count);
}

bool OperationSequencer::startWriteFlash() {
    if (busy() || debugRunHoldsBoard())
        return false;
    const int chip = static_cast<int>(state_.chipIndex.load());
    // A chip is never erased when there is nothing valid to write.
    if (image_.imageLength < 1 || image_.imageLength > chipInfo(chip).maxImageLength) {
        const QString message = sizeMessage(chip, state_.language, CheckKind::Open);
        view_.appendLog(message);  // kept in the log as well as shown
        if (prompts_)
            prompts_->showWarning(message);
        view_.operationFinished(Outcome::failure(Reason::ImageRefused, message));
        return false;
    }
    image_.freshlyOpened = false;
    return begin(Operation::WriteFlash, ProgramView::Result::Busy);
}

bool OperationSequencer::startReadConfig() {
    return begin(Operation::ReadConfig, ProgramView::Result::Hidden);
}

bool OperationSequencer::startReadFlash() {
    return begin(Operation::ReadFlash, ProgramView::Result::Hidden);
}

bool OperationSequencer::startReadEeprom() {
    return begin(Operation::EepromRead, ProgramView::Result::Hidden);
}

bool OperationSequencer::startWriteEeprom() {
    return begin(Operation::EepromWrite, ProgramView::Result::Hidden);
}

bool OperationSequencer::startWriteConfig() {
    if (busy())
        return false;
    // KR4121 writes its configuration only with the image.
    if (!chipInfo(static_cast<int>(state_.chipIndex.load())).configWrite) {
        say(Msg::Kr4121ConfigWithImage);
        return false;
    }
    return begin(Operation::WriteConfig, ProgramView::Result::Busy);
}

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

bool OperationSequencer::startWriteTrim() {
    return trim_->startWrite();
}

void OperationSequencer::leaveTrimMode() {
    trim_->leave();
}

void OperationSequencer::releaseTarget() {
    trim_->release();
}

void OperationSequencer::dropTrimMode() {
    trim_->drop();
}

void OperationSequencer::switchSupply(Supply supply) {
    if (busy() || debugRunHoldsBoard())
        return;
    // 3 V or 5 V on the target keeps programming off until the supply is switched off.
    supplyHold_ = supply != Supply::Off;
    refreshControls();
    const Report report = supply == Supply::V3   ? cmd::supply3V()
                          : supply == Supply::V5 ? cmd::supply5V()
                                                 : cmd::supplyOff();
    if (!transport_.send(report))
        say(Msg::NoBoard);
}

// --- the common start ------------------------------------------------------------------------

void OperationSequencer::chipSelected(const LinkNotification&) {
    say(Msg::ProgrammerReady);
    send(cmd::enterProgrammingMode(), LinkCode::ProgrammingEntered,
         [this](const LinkNotification& n) { programmingEntered(n); });
}

void OperationSequencer::programmingEntered(const LinkNotification& n) {
    if (chipInfo(chip_).enterStatus) {
        if (n.report[2] != replystatus::kProgramming) {
            fail(Reason::EnterProgrammingFailed, Msg::EnterProgrammingFailed);
            return;
        }
        say(Msg::EnterProgrammingOk);
    }
    switch (operation_) {
        case Operation::WriteFlash:
        case Operation::ReadConfig:
        case Operation::ReadFlash:
            programming_->programmingEntered();
            return;
        case Operation::EepromWrite:
        case Operation::EepromRead:
            eeprom_->programmingEntered();
            return;
        case Operation::WriteConfig:
            configWrite_->programmingEntered();
            return;
        case Operation::EnterTrim:
            trim_->programmingEntered();
            return;
        case Operation::None:
        case Operation::WriteTrim:
            return;
    }
}

bool OperationSequencer::configReadBackPassed(const Report& reply) {
    const ProgramConfigStep words = chipInfo(chip_).programConfig;
    const bool locked =
        words == ProgramConfigStep::Kr4121Words && config_ && config_->kr4121Locked();
    if (judgeConfigReadBack(chip_, reply, locked, state_, log_) != ReadBackVerdict::Passed) {
        finishOperation(readBackFailure(reply, locked));
        return false;
    }
    configCopy_.fill(0);
    std::copy_n(reply.begin() + 2, configCopyLength(chip_), configCopy_.begin());
    if (chipInfo(chip_).readBackOnPage && config_)
        config_->showReadBack(chip_, reply);
    return true;
}

Outcome OperationSequencer::readBackFailure(const Report& reply, bool kr4121Locked) const {
    // The read-back judge logged the verdict; its reason follows from the same bytes.
    const int status = reply[readback::readStatusPos(chip_)];
    constexpr int kWrongIcType = 3;
    constexpr int kCommandCrcOrAck = 2;
    switch (chipInfo(chip_).family) {
        case ChipFamily::KR41xx:
            if (kr4121Locked && reply[3] != 0x87 && reply[3] != 0xC7)
                return judged(Reason::ConfigCheckFailed, Msg::Kr4121Word1Wrong);
            return judged(Reason::ConfigCheckFailed, Msg::Kr41ConfigCrcNg);
        case ChipFamily::MCU01:
            return status == kWrongIcType
                       ? judged(Reason::WrongChipType, Msg::Mcu01WrongIcType)
                       : judged(Reason::ConfigCheckFailed, Msg::Mcu01ConfigCrcNg);
        case ChipFamily::MCU02:
        case ChipFamily::MCU04:
            break;
    }
    if (status == kWrongIcType)
        return judged(Reason::WrongChipType, Msg::McuWrongIcType);
    if (status == kCommandCrcOrAck)
        return judged(Reason::ConfigCheckFailed, Msg::McuCommandCrcError);
    return judged(Reason::ConfigCheckFailed, Msg::McuConfigCheckNg);
}

// --- the step runner ----------------------------------------------------------------------------

bool OperationSequencer::send(const Report& report, LinkCode awaits, StepHandler next) {
    step_ = {awaits, std::move(next), false};
    // Armed even when the write failed: a reply that never comes ends the operation.
    replyTimer_.start(replyTimeoutMs_);
    return transport_.send(report);
}

void OperationSequencer::awaitTransfer(LinkCode finished, StepHandler next) {
    step_ = {finished, std::move(next), true};
}

bool OperationSequencer::awaited(LinkCode code) const {
    if (!step_.next)
        return false;
    return step_.transfer ? partOfTransfer(step_.awaits, code) : code == step_.awaits;
}

int OperationSequencer::progressOf(const LinkNotification& n) const {
    return n.total ? static_cast<int>(uint64_t(n.offset) * 100 / n.total) : 0;
}

void OperationSequencer::handle(const LinkNotification& n) {
    if (handleExchange(n))
        return;
    if (!busy())
        return;  // a late reply of an operation that has ended
    if (handleFault(n))
        return;
    if (!awaited(n.code))
        return;
    if (!step_.transfer)
        replyTimer_.stop();
    // The progress bar of a bulk transfer is the runner's: the unit hears of the transfer's
    // start (to log it) and of its end.
    if (isTransferProgress(n.code)) {
        view_.showProgress(progressOf(n));
        return;
    }
    const bool started = step_.transfer && n.code != step_.awaits;
    if (step_.transfer && !started)
        view_.showProgress(100);
    // The handler may start the next step, which replaces step_.
    const StepHandler next = step_.next;
    next(n);
    if (started)
        view_.showProgress(0);
}

bool OperationSequencer::handleExchange(const LinkNotification& n) {
    const bool ok = n.report[2] == replystatus::kSupplyOk;
    const auto supplied = [&](Msg done, Msg failed) {
        const Msg verdict = ok ? done : failed;
        const QString line = say(verdict);
        view_.supplySwitched({ok ? Reason::Ok : Reason::SupplyFailed, verdict, line});
    };
    switch (n.code) {
        case LinkCode::Supply3V:
            supplied(Msg::Supply3VOk, Msg::Supply3VFailed);
            return true;
        case LinkCode::Supply5V:
            supplied(Msg::Supply5VOk, Msg::Supply5VFailed);
            return true;
        case LinkCode::SupplyOff:
            supplied(Msg::SupplyOffOk, Msg::SupplyOffFailed);
            return true;
        case LinkCode::ProgrammingLeft:
            if (chipInfo(static_cast<int>(state_.chipIndex.load())).leaveStatus &&
                n.report[2] == replystatus::kProgramming) {
                say(Msg::LeaveProgrammingFailed);
            }
            return true;
        default:
            return false;
    }
}

bool OperationSequencer::handleFault(const LinkNotification& n) {
    switch (n.code) {
        case LinkCode::TransferTimeout:
            fail(Reason::Timeout, Msg::ReplyTimeout);
            return true;
        case LinkCode::FlashWriteCrcError:
            fail(Reason::FlashWriteCrc, Msg::FlashWriteCrcError);
            return true;
        case LinkCode::FlashReadError:
            fail(Reason::FlashReadFailed, Msg::FlashReadCrcError);
            return true;
        case LinkCode::FlashVerifyMismatch:
            fail(Reason::VerifyFailed, Msg::FlashCheckError);
            return true;
        default:
            return false;
    }
}

void OperationSequencer::onReplyTimeout() {
    if (!busy())
        return;
    fail(Reason::Timeout, Msg::ReplyTimeout);
}

// --- the one end path ---------------------------------------------------------------------------

void OperationSequencer::finishOperation(const Outcome& outcome) {
    replyTimer_.stop();
    if (operation_ == Operation::WriteTrim) {
        trim_->endWrite(outcome);
        return;
    }
    // A trim mode that could not be entered ends with the operation.
    if (operation_ == Operation::EnterTrim)
        dropTrimMode();
    // A write that did not reach its verification shows NG.
    if (!outcome.ok() &&
        (operation_ == Operation::WriteFlash || operation_ == Operation::WriteConfig)) {
        view_.setResult(ProgramView::Result::Ng);
    }
    const bool wasBusy = busy();
    operation_ = Operation::None;
    step_ = {};
    opAfterErase_ = false;
    if (transport_.isConnected())
        transport_.send(cmd::leaveProgrammingMode());
    // The target left programming mode with that command: so does the page's trim mode (an
    // EEPROM operation of a chip that keeps trim mode for it), as "退出修调" would.
    if (trimMode_) {
        say(Msg::TrimLeft);
        dropTrimMode();
    }
    view_.hideProgress();
    refreshControls();
    if (wasBusy)
        view_.operationFinished(outcome);
}

void OperationSequencer::stopOperation() {
    if (!busy())
        return;
    transport_.stopTransfer();
    fail(Reason::Cancelled, Msg::OperationStopped);
}

void OperationSequencer::reopenBoard() {
    stopOperation();
    transport_.open();
}

void OperationSequencer::onDisconnected() {
    // The target left programming mode with the board.
    if (trimMode_)
        dropTrimMode();
    if (!busy())
        return;
    // The board is gone: nothing more can be sent; end the operation as a failure.
    replyTimer_.stop();
    if (operation_ == Operation::WriteFlash || operation_ == Operation::WriteConfig) {
        view_.setResult(ProgramView::Result::Ng);
    }
    operation_ = Operation::None;
    step_ = {};
    opAfterErase_ = false;
    view_.hideProgress();
    refreshControls();
    view_.operationFinished(
        Outcome::failure(Reason::BoardLost, Msg::BoardLost, state_.text(Msg::BoardLost)));
}

// --- verification ------------------------------------------------------------------------------

int OperationSequencer::verifyFlash(uint32_t length) {
    return programming_->verifyFlash(length);
}

bool OperationSequencer::verifyEeprom(uint32_t length, int chip) {
    return eeprom_->verify(length, chip);
}

}  // namespace tessel
