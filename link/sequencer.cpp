#include "link/sequencer.h"

#include "app/chipcatalogue.h"
#include "image/imageformat.h"
#include "image/imagemessages.h"
#include "image/imagestate.h"
#include "link/cmusbhid.h"
#include "link/commands.h"
#include "link/configreadback.h"
#include "link/configsource.h"
#include "link/readback.h"

#include <algorithm>

namespace tessel {
namespace {

using Control = ProgramView::Control;

}  // namespace

OperationSequencer::OperationSequencer(SharedState& state, CMUSBHid& transport, ImageState& image,
                                       ProgramView& view, QObject* parent)
    : QObject(parent), state_(state), transport_(transport), image_(image), view_(view) {
    replyTimer_.setSingleShot(true);
    connect(&replyTimer_, &QTimer::timeout, this, &OperationSequencer::onReplyTimeout);
    // A debug run that takes or frees the board changes what the buttons may start.
    connect(&transport_, &CMUSBHid::boardUserChanged, this, [this](CMUSBHid::BoardUser user) {
        if (user != CMUSBHid::BoardUser::Programming)
            refreshControls();
    });
}

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
    view_.setControlEnabled(Control::WriteConfig, normal && chip != 0);
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

// --- starting and ending ---------------------------------------------------------------------

bool OperationSequencer::begin(Operation op, ProgramView::Result picture) {
    if (busy() || debugRunHoldsBoard())
        return false;
    operation_ = op;
    chip_ = static_cast<int>(state_.chipIndex.load());
    opAfterErase_ = false;
    refreshControls();
    view_.setResult(picture);
    if (!sendCommand(cmd::selectChip(static_cast<uint8_t>(chip_)), Step::SelectChip)) {
        const QString line = say(Msg::NoBoard);
        replyTimer_.stop();
        view_.setResult(op == Operation::WriteFlash ? ProgramView::Result::Ng
                                                    : ProgramView::Result::Hidden);
        operation_ = Operation::None;
        step_ = Step::Idle;
        refreshControls();
        view_.operationFinished(Outcome::failure(Reason::NoBoard, Msg::NoBoard, line));
        return false;
    }
    return true;
}

bool OperationSequencer::sendCommand(const Report& report, Step next) {
    step_ = next;
    // Armed even when the write failed: a reply that never comes ends the operation.
    replyTimer_.start(replyTimeoutMs_);
    return transport_.send(report);
}

bool OperationSequencer::startWriteFlash() {
    if (busy() || debugRunHoldsBoard())
        return false;
    const int chip = static_cast<int>(state_.chipIndex.load());
    // A chip is never erased when there is nothing valid to write.
    if (image_.imageLength < 1 || image_.imageLength > chipInfo(chip).maxImageLength) {
        const QString message = sizeMessage(chip, state_.language, CheckKind::Open);
        log_.appendLog(message);  // kept in the log as well as shown
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

void OperationSequencer::finishOperation(const Outcome& outcome) {
    replyTimer_.stop();
    // A trim write is a single exchange inside trim mode: the target stays in programming
    // mode. A trim mode that could not be entered ends with the operation.
    if (operation_ == Operation::WriteTrim) {
        endTrimStep(outcome);
        return;
    }
    if (operation_ == Operation::EnterTrim)
        dropTrimMode();
    // A write that did not reach its verification shows NG.
    if (!outcome.ok() &&
        (operation_ == Operation::WriteFlash || operation_ == Operation::WriteConfig)) {
        view_.setResult(ProgramView::Result::Ng);
    }
    const bool wasBusy = busy();
    operation_ = Operation::None;
    step_ = Step::Idle;
    opAfterErase_ = false;
    if (transport_.isConnected())
        transport_.send(cmd::leaveProgrammingMode());
    // The target left programming mode with that command: so does the page's trim mode (an
    // EEPROM operation of a chip that keeps trim mode for it), as "退出修调" would.
    if (trimMode_) {
        log_.appendLog(message(Msg::TrimLeft, Language::Chinese));
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
    step_ = Step::Idle;
    opAfterErase_ = false;
    view_.hideProgress();
    refreshControls();
    view_.operationFinished(
        Outcome::failure(Reason::BoardLost, Msg::BoardLost, state_.text(Msg::BoardLost)));
}

void OperationSequencer::onReplyTimeout() {
    if (!busy())
        return;
    fail(Reason::Timeout, Msg::ReplyTimeout);
}

// --- replies -----------------------------------------------------------------------------------

int OperationSequencer::progressOf(const LinkNotification& n) const {
    return n.total ? static_cast<int>(uint64_t(n.offset) * 100 / n.total) : 0;
}

void OperationSequencer::handle(const LinkNotification& n) {
    const Report& r = n.report;
    switch (n.code) {
        case LinkCode::Supply3V:
        case LinkCode::Supply5V:
        case LinkCode::SupplyOff: {
            const bool ok = r[2] == 0xAA;
            if (n.code == LinkCode::Supply3V) {
                say(ok ? Msg::Supply3VOk : Msg::Supply3VFailed);
            } else if (n.code == LinkCode::Supply5V) {
                say(ok ? Msg::Supply5VOk : Msg::Supply5VFailed);
            } else {
                say(ok ? Msg::SupplyOffOk : Msg::SupplyOffFailed);
            }
            return;
        }
        case LinkCode::ProgrammingLeft:
            if (static_cast<int>(state_.chipIndex.load()) >= 3 && r[2] == 0x87) {
                say(Msg::LeaveProgrammingFailed);
            }
            return;
        default:
            break;
    }
    if (!busy())
        return;  // a late reply of an operation that has ended
    if (handleConfigStep(n))
        return;

    switch (n.code) {
        case LinkCode::ChipSelected:
            if (step_ != Step::SelectChip)
                return;
            replyTimer_.stop();
            say(Msg::ProgrammerReady);
            sendCommand(cmd::enterProgrammingMode(), Step::EnterProgramming);
            return;
        case LinkCode::ProgrammingEntered:
            if (step_ != Step::EnterProgramming)
                return;
            replyTimer_.stop();
            onEnteredProgramming(r);
            return;
        case LinkCode::ConfigReadBack:
            if (step_ == Step::ReadConfig) {
                replyTimer_.stop();
                onConfigReadBack(r);
            } else if (step_ == Step::WriteKr4121Config) {
                replyTimer_.stop();
                onKr4121ConfigWritten(r);
            }
            return;
        case LinkCode::MainBlockErased:
            if (step_ != Step::EraseMain)
                return;
            replyTimer_.stop();
            onMainBlockErased(r);
            return;
        case LinkCode::Cfg0Written:
            if (step_ != Step::WriteCfg0)
                return;
            replyTimer_.stop();
            onCfg0Written(r);
            return;
        case LinkCode::FlashWriteStarted:
            if (step_ != Step::FlashWrite)
                return;
            logRetry();
            if (state_.english()) {
                log_.appendLog(QStringLiteral("Start to Write Mainblock："));
                log_.appendLog(QString::asprintf("The bytes to write %u", n.total));
            } else {
                log_.appendLog(QStringLiteral("编程器:写器件开始："));
                log_.appendLog(QString::asprintf("写入%u字节……", n.total));
            }
            view_.showProgress(0);
            return;
        case LinkCode::FlashWriteProgress:
            if (step_ == Step::FlashWrite)
                view_.showProgress(progressOf(n));
            return;
        case LinkCode::FlashWriteFinished:
            if (step_ != Step::FlashWrite)
                return;
            say(Msg::FlashWriteDone);
            view_.showProgress(100);
            startFlashRead();
            return;
        case LinkCode::EepromErased:
            if (step_ != Step::EraseEeprom)
                return;
            replyTimer_.stop();
            if (r[2] != 1) {
                fail(Reason::EepromEraseFailed, Msg::EepromEraseFailed);
                return;
            }
            say(Msg::EepromEraseOk);
            startEepromWrite();
            return;
        case LinkCode::TransferTimeout:
            fail(Reason::Timeout, Msg::ReplyTimeout);
            return;
        case LinkCode::FlashWriteCrcError:
            fail(Reason::FlashWriteCrc, Msg::FlashWriteCrcError);
            return;
        case LinkCode::FlashReadError:
            fail(Reason::FlashReadFailed, Msg::FlashReadCrcError);
            return;
        case LinkCode::FlashVerifyMismatch:
            fail(Reason::VerifyFailed, Msg::FlashCheckError);
            return;
        case LinkCode::FlashReadStarted:
            if (step_ != Step::FlashRead)
                return;
            logRetry();
            if (state_.english()) {
                log_.appendLog(QStringLiteral("Start to Read Mainblock："));
                log_.appendLog(QStringLiteral("Length to Read……"));
            } else {
                log_.appendLog(QStringLiteral("编程器:读器件开始："));
                log_.appendLog(QString::asprintf("读取%u字节……", n.total));
            }
            view_.showProgress(0);
            return;
        case LinkCode::FlashReadProgress:
            if (step_ == Step::FlashRead)
                view_.showProgress(progressOf(n));
            return;
        case LinkCode::FlashReadFinished: {
            if (step_ != Step::FlashRead)
                return;
            const QString done = say(Msg::FlashReadDone);
            view_.showProgress(100);
            const uint32_t checksum = computeChecksum(image_.readBuffer.data(), readLength_);
            say(Msg::FlashChecksum, checksum);
            Outcome outcome{Reason::Ok, Msg::FlashReadDone, done};
            if (operation_ == Operation::WriteFlash) {
                const bool ok = verifyFlash(image_.imageLength) == 0;
                outcome = ok ? Outcome{Reason::Ok, Msg::ProgramOk, state_.text(Msg::ProgramOk)}
                             : Outcome::failure(Reason::VerifyFailed, Msg::ProgramNg,
                                                state_.text(Msg::ProgramNg));
            }
            view_.readBufferChanged(readLength_);
            finishOperation(outcome);
            return;
        }
        case LinkCode::EepromWriteStarted:
            if (step_ != Step::EepromWrite)
                return;
            log_.appendLog(QStringLiteral("编程器:开始写EEPROM"));
            view_.showProgress(0);
            return;
        case LinkCode::EepromBlock:
            if (step_ == Step::EepromWrite || step_ == Step::EepromRead) {
                view_.showProgress(progressOf(n));
            }
            return;
        case LinkCode::EepromWriteFinished:
            if (step_ != Step::EepromWrite)
                return;
            log_.appendLog(QStringLiteral("编程器:写EEPROM完成"));
            view_.showProgress(100);
            startEepromRead();
            return;
        case LinkCode::EepromReadStarted:
            if (step_ != Step::EepromRead)
                return;
            log_.appendLog(QStringLiteral("编程器:开始读EEPROM"));
            view_.showProgress(0);
            return;
        case LinkCode::EepromReadFinished: {
            if (step_ != Step::EepromRead)
                return;
            log_.appendLog(QStringLiteral("编程器:读EEPROM完成"));
            view_.showProgress(100);
            bool ok = true;
            if (operation_ == Operation::EepromWrite) {
                // The whole EEPROM read back is compared: 2048 bytes for the chips that keep
                // it in the flash buffers (whose upper half must hold the image's 0xFF too),
                // 1024 for the others.
                ok = verifyEeprom(ImageState::eepromImageSize(chip_), chip_);
            }
            view_.eepromReadBufferChanged();
            if (operation_ != Operation::EepromWrite) {
                finishOperation({Reason::Ok, Msg::EepromReadDone, log_.last});
            } else if (ok) {
                finishOperation({Reason::Ok, Msg::EepromWriteOk, log_.last});
            } else {
                finishOperation(Outcome::failure(Reason::VerifyFailed, Msg::EepromWriteNg,
                                                 message(Msg::EepromWriteNg, Language::Chinese)));
            }
            return;
        }
        default:
            return;
    }
}

void OperationSequencer::onEnteredProgramming(const Report& reply) {
    if (chip_ >= 2) {
        if (reply[2] != 0x87) {
            fail(Reason::EnterProgrammingFailed, Msg::EnterProgrammingFailed);
            return;
        }
        say(Msg::EnterProgrammingOk);
    }
    switch (operation_) {
        case Operation::WriteFlash:
        case Operation::ReadConfig:
            sendCommand(cmd::readConfigurationWords(), Step::ReadConfig);
            return;
        case Operation::ReadFlash:
            startFlashRead();
            return;
        case Operation::EepromRead:
            startEepromRead();
            return;
        case Operation::WriteConfig:
            sendCommand(cmd::eraseInformationBlock(), Step::EraseInfo);
            return;
        case Operation::EnterTrim:
            onTrimModeEntered();
            return;
        case Operation::EepromWrite:
            if (chip_ >= 10) {
                // The configuration says whether the EEPROM is enabled.
                sendCommand(cmd::readConfigurationWords(), Step::ReadConfig);
            } else {
                sendCommand(cmd::eraseEeprom(static_cast<uint8_t>(eepromSizeCode_)),
                            Step::EraseEeprom);
            }
            return;
        default:
            return;
    }
}

void OperationSequencer::onConfigReadBack(const Report& reply) {
    const bool locked = chip_ == 0 && config_ && config_->kr4121Locked();
    if (judgeConfigReadBack(chip_, reply, locked, state_, log_) != ReadBackVerdict::Passed) {
        finishOperation(readBackFailure(reply, locked));
        return;
    }
    configCopy_.fill(0);
    std::copy_n(reply.begin() + 2, configCopyLength(chip_), configCopy_.begin());
    const bool mcu = chip_ >= 10;
    if (chip_ >= 10 && chip_ <= 12 && config_)
        config_->showReadBack(chip_, reply);

    switch (operation_) {
        case Operation::ReadConfig:
            if (chip_ >= 10 && chip_ <= 12) {
                log_.appendLog(QStringLiteral("读配置完成，具体的测试厂信息有待确认"));
            }
            finishOperation({Reason::Ok, std::nullopt, log_.last});
            return;
        case Operation::EepromWrite:
            eepromEnabled_ = eepromEnabledIn(chip_, reply);
            eepromSizeCode_ = 0;
            if (!eepromEnabled_) {
                fail(Reason::EepromDisabled, Msg::EepromDisabledLine);
                return;
            }
            log_.appendLog(QString::asprintf("EEPROM功能打开，EEPROM SIZE :0x%x", eepromSizeCode_));
            sendCommand(cmd::eraseEeprom(static_cast<uint8_t>(eepromSizeCode_)), Step::EraseEeprom);
            return;
        case Operation::WriteFlash:
            protectByte_ = 0;
            if (mcu) {
                protectByte_ = reply[readback::protectPos(chip_)];
                log_.appendLog(QString::asprintf("MAIN PASSWORD : %02x", protectByte_));
            }
            sendCommand(cmd::eraseMainBlock(protectByte_), Step::EraseMain);
            return;
        default:
            return;
    }
}

Outcome OperationSequencer::readBackFailure(const Report& reply, bool kr4121Locked) const {
    const int status = reply[readback::readStatusPos(chip_)];
    switch (chipInfo(chip_).family) {
        case ChipFamily::KR41xx:
            if (kr4121Locked && reply[3] != 0x87 && reply[3] != 0xC7)
                return judged(Reason::ConfigCheckFailed, Msg::Config1Wrong);
            return judged(Reason::ConfigCheckFailed, Msg::ConfigCrcError);
        case ChipFamily::MCU01:
            return status == 3 ? judged(Reason::WrongChipType, Msg::IcTypeWrong)
                               : judged(Reason::ConfigCheckFailed, Msg::ConfigCrcError);
        case ChipFamily::MCU02:
        case ChipFamily::MCU04:
            break;
    }
    if (status == 3)
        return judged(Reason::WrongChipType, Msg::IcTypeMismatch);
    if (status == 2)
        return judged(Reason::ConfigCheckFailed, Msg::CommandCrcOrAck);
    return judged(Reason::ConfigCheckFailed, Msg::ConfigCrcInverseError);
}

void OperationSequencer::onMainBlockErased(const Report& reply) {
    if ((chip_ == 5 || chip_ >= 7) && reply[2] != 1) {
        fail(Reason::EraseFailed, Msg::EraseMainFailed);
        return;
    }
    say(Msg::EraseMainOk);
    opAfterErase_ = true;
    if (chip_ == 0) {
        // KR4121 takes all three words; while CFG0/CFG1 are locked the chip keeps its own.
        std::array<uint8_t, 3> words = config_ ? config_->kr4121Words() : std::array<uint8_t, 3>{};
        if (config_ && config_->kr4121Locked()) {
            words[0] = configCopy_[0];
            words[1] = configCopy_[1];
            log_.appendLog(QString::asprintf("编程器:写入配置字: 锁定 锁定 0x%02x", words[2]));
        } else {
            log_.appendLog(QString::asprintf("编程器:写入配置字: 0x%02x 0x%02x 0x%02x", words[0],
                                             words[1], words[2]));
        }
        std::copy(words.begin(), words.end(), configCopy_.begin());
        sendCommand(cmd::writeConfigurationWords(words.data(), words.size()),
                    Step::WriteKr4121Config);
    } else if (chip_ <= 9) {
        cfg0Sent_ = config_ ? config_->cfg0(chip_) : 0;
        configCopy_[0] = cfg0Sent_;
        sendCommand(cmd::writeConfigurationWord0(cfg0Sent_), Step::WriteCfg0);
    } else {
        startFlashWrite();
    }
}

void OperationSequencer::onKr4121ConfigWritten(const Report& reply) {
    if (reply[readback::writeStatusPos(chip_)] != 1) {
        fail(Reason::ConfigWriteFailed, Msg::ConfigCrcError);
        return;
    }
    log_.appendLog(QStringLiteral("配置字CRC校验正确!"));
    const int at = readback::writeCompareStart(chip_);
    if (!std::equal(configCopy_.begin(), configCopy_.begin() + 3, reply.begin() + at)) {
        fail(Reason::ConfigWriteFailed, Msg::Kr4121WordsWrong);
        return;
    }
    log_.appendLog(QStringLiteral("写入配置字正确!"));
    startFlashWrite();
}

void OperationSequencer::onCfg0Written(const Report& reply) {
    const int back = reply[readback::cfg0ReadBackPos(chip_)];
    log_.appendLog(state_.english() ? QString::asprintf("CFG0 TO Write: 0x%02x", cfg0Sent_)
                                    : QString::asprintf("编程器:写入配置字0: 0x%02x", cfg0Sent_));
    log_.appendLog(state_.english() ? QString::asprintf("CFG0 OF Reading Back: 0x%02x", back)
                                    : QString::asprintf("编程器:读回配置字0: 0x%02x", back));
    if (back != cfg0Sent_) {
        fail(Reason::ConfigWriteFailed, Msg::Cfg0Error);
        return;
    }
    say(Msg::Cfg0Ok);
    startFlashWrite();
}

void OperationSequencer::logRetry() {
    // The transport starts a flash transfer again after a missing answer; say so, so that
    // the repeated start lines do not read as new operations.
    if (++transferAttempt_ < 2)
        return;
    log_.appendLog(state_.english() ? QString::asprintf("Programmer: retry %d/5", transferAttempt_)
                                    : QString::asprintf("编程器:重试 %d/5", transferAttempt_));
}

void OperationSequencer::startFlashWrite() {
    step_ = Step::FlashWrite;
    transferAttempt_ = 0;
    if (!transport_.startFlashWrite(image_.writeBuffer.data(), image_.imageLength)) {
        fail(Reason::NoBoard, Msg::NoBoard);
    }
}

void OperationSequencer::startFlashRead() {
    readLength_ = opAfterErase_ ? image_.imageLength : chipInfo(chip_).flashReadLength;
    std::fill(image_.readBuffer.begin(), image_.readBuffer.end(), 0xFF);
    step_ = Step::FlashRead;
    transferAttempt_ = 0;
    // While a write is being verified (or a verify was cut short) the read compares every
    // byte of the image with what comes back.
    if (!transport_.startFlashRead(image_.readBuffer.data(), readLength_, image_.writeBuffer.data(),
                                   image_.imageLength)) {
        fail(Reason::NoBoard, Msg::NoBoard);
    }
}

void OperationSequencer::startEepromRead() {
    // The read buffer is erased first, as far as the page's views of it reach.
    if (eepromInFlashBuffer(chip_)) {
        const auto first = image_.readBuffer.begin() + kEepromOffsetInFlashBuffer;
        std::fill(first, first + 4096, 0xFF);
    } else {
        std::fill(image_.eepromReadBuffer.begin(), image_.eepromReadBuffer.end(), 0xFF);
    }
    step_ = Step::EepromRead;
    if (!transport_.startEepromRead(image_.eepromReadImage(chip_),
                                    ImageState::eepromImageSize(chip_))) {
        fail(Reason::NoBoard, Msg::NoBoard);
    }
}

void OperationSequencer::startEepromWrite() {
    step_ = Step::EepromWrite;
    if (!transport_.startEepromWrite(image_.eepromWriteImage(chip_))) {
        fail(Reason::NoBoard, Msg::NoBoard);
    }
}

bool OperationSequencer::upperEepromHalfErased(int chip) {
    const uint8_t* first = image_.eepromWriteImage(chip) + 1024;
    return std::all_of(first, first + 1024, [](uint8_t b) { return b == 0xFF; });
}

// --- verification ------------------------------------------------------------------------------

int OperationSequencer::verifyFlash(uint32_t length) {
    length = std::min<uint32_t>(length, kFlashBufferSize);
    int errors = 0;
    for (uint32_t i = 0; i < length; ++i)
        errors += image_.writeBuffer[i] != image_.readBuffer[i];
    const bool en = state_.english();
    log_.appendLog(en ? QStringLiteral("-------------------Check Start------------------")
                      : QStringLiteral("-------------------效验开始------------------"));
    log_.appendLog(en ? QString::asprintf("The Num Of Err Bytes :%5d", errors)
                      : QString::asprintf("共发现%5d个单元不对!", errors));
    log_.appendLog(en ? QStringLiteral("-------------------Check End------------------")
                      : QStringLiteral("-------------------效验结束------------------"));
    if (errors == 0) {
        say(Msg::ProgramOk);
        view_.setResult(ProgramView::Result::Ok);
    } else {
        say(Msg::ProgramNg);
        say(Msg::CheckWiring);
        view_.setResult(ProgramView::Result::Ng);
    }
    return errors;
}

bool OperationSequencer::verifyEeprom(uint32_t length, int chip) {
    log_.appendLog(QStringLiteral("-------------------效验开始------------------"));
    int errors = 0;
    int errorsInWritten = 0;  // in the 1024 bytes the board writes
    if (chipInfo(chip).eepromOperations) {
        const uint8_t* written = image_.eepromWriteImage(chip);
        const uint8_t* read = image_.eepromReadImage(chip);
        length = std::min(length, ImageState::eepromImageSize(chip));
        for (uint32_t i = 0; i < length; ++i) {
            errors += written[i] != read[i];
            errorsInWritten += i < 1024 && written[i] != read[i];
        }
    }
    log_.appendLog(QString::asprintf("共发现%5d个单元不对!", errors));
    log_.appendLog(QStringLiteral("-------------------效验结束------------------"));
    // The board writes 1024 bytes: a 2 KiB image with data above them is not on the chip,
    // however well the lower half compares.
    const bool unwritten = eepromInFlashBuffer(chip) && !upperEepromHalfErased(chip);
    if (unwritten) {
        say(Msg::EepromUpperHalfUnwritten);
    }
    if (errors || unwritten) {
        log_.appendLog(QStringLiteral("写EEPROM失败"));
        // The advice is about the wiring, not about what the board cannot write.
        if (errorsInWritten || (errors && !unwritten))
            log_.appendLog(QStringLiteral("请检查跳线连接及芯片状态"));
        view_.setResult(ProgramView::Result::Ng);
    } else {
        log_.appendLog(QStringLiteral("写EEPROM成功"));
        view_.setResult(ProgramView::Result::Ok);
    }
    return errors == 0 && !unwritten;
}

}  // namespace tessel
