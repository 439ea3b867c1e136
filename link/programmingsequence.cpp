// The programming group: "一键写Flash", "读取Flash" and "读配置字". After the common start:
//
//   one-key write   read configuration (0x82) -> erase main block (0x83)
//                   -> KR4121: its three words (0x89) | chips 1 to 9: word 0 (0x84) | others: -
//                   -> flash write (0x85 ...) -> flash read (0x86 ...) -> verify
//   read flash      flash read -> checksum
//   read config     read configuration -> judged
#include "app/chipcatalogue.h"
#include "image/imageformat.h"
#include "image/imagestate.h"
#include "link/cmusbhid.h"
#include "link/commands.h"
#include "link/configsource.h"
#include "link/operationgroups.h"
#include "link/readback.h"

#include <algorithm>

namespace tessel {

using Operation = OperationSequencer::Operation;

void ProgrammingSequence::programmingEntered() {
    if (run_.operation_ == Operation::ReadFlash) {
        startFlashRead();
        return;
    }
    run_.send(cmd::readConfigurationWords(), LinkCode::ConfigReadBack,
              [this](const LinkNotification& n) { configRead(n); });
}

void ProgrammingSequence::configRead(const LinkNotification& n) {
    if (!run_.configReadBackPassed(n.report))
        return;
    const ChipInfo& chip = chipInfo(run_.chip_);
    if (run_.operation_ == Operation::ReadConfig) {
        if (chip.readBackOnPage)
            run_.say(Msg::ReadConfigDone);
        run_.finishOperation({Reason::Ok, std::nullopt, run_.log_.last});
        return;
    }
    // The MCU02 and MCU04 designs keep the main block behind the protection byte they report.
    uint8_t protect = 0;
    if (chip.protectionByte) {
        protect = n.report[readback::protectPos(run_.chip_)];
        run_.say(Msg::MainPassword, protect);
    }
    run_.send(cmd::eraseMainBlock(protect), LinkCode::MainBlockErased,
              [this](const LinkNotification& r) { mainBlockErased(r); });
}

void ProgrammingSequence::mainBlockErased(const LinkNotification& n) {
    if (chipInfo(run_.chip_).eraseStatus && n.report[2] != replystatus::kDone) {
        run_.fail(Reason::EraseFailed, Msg::EraseMainFailed);
        return;
    }
    run_.say(Msg::EraseMainOk);
    run_.opAfterErase_ = true;
    switch (chipInfo(run_.chip_).programConfig) {
        case ProgramConfigStep::Kr4121Words:
            writeKr4121Words();
            return;
        case ProgramConfigStep::Word0:
            writeWordZero();
            return;
        case ProgramConfigStep::None:
            startFlashWrite();
            return;
    }
}

void ProgrammingSequence::writeKr4121Words() {
    // KR4121 takes all three words; while CFG0/CFG1 are locked the chip keeps its own.
    ConfigSource* config = run_.config_;
    std::array<uint8_t, 3> words = config ? config->kr4121Words() : std::array<uint8_t, 3>{};
    auto& copy = run_.configCopy_;
    if (config && config->kr4121Locked()) {
        words[0] = copy[0];
        words[1] = copy[1];
        run_.say(Msg::Kr4121WordsLocked, words[2]);
    } else {
        run_.say(Msg::Kr4121Words, words[0], words[1], words[2]);
    }
    std::copy(words.begin(), words.end(), copy.begin());
    run_.recordWritten(words.data(), words.size());
    run_.send(cmd::writeConfigurationWords(words.data(), words.size()), LinkCode::ConfigReadBack,
              [this](const LinkNotification& n) { kr4121WordsWritten(n); });
}

void ProgrammingSequence::kr4121WordsWritten(const LinkNotification& n) {
    const Report& reply = n.report;
    if (reply[readback::writeStatusPos(run_.chip_)] != replystatus::kDone) {
        run_.fail(Reason::ConfigWriteFailed, Msg::Kr41ConfigCrcNg);
        return;
    }
    run_.say(Msg::Kr41ConfigCrcOk);
    const auto& copy = run_.configCopy_;
    const int at = readback::writeCompareStart(run_.chip_);
    if (!std::equal(copy.begin(), copy.begin() + 3, reply.begin() + at)) {
        run_.fail(Reason::ConfigWriteFailed, Msg::Kr4121WordsWrong);
        return;
    }
    run_.say(Msg::Kr4121WordsRight);
    startFlashWrite();
}

void ProgrammingSequence::writeWordZero() {
    cfg0Sent_ = run_.config_ ? run_.config_->cfg0(run_.chip_) : 0;
    run_.configCopy_[0] = cfg0Sent_;
    run_.recordWritten(&cfg0Sent_, 1);
    run_.send(cmd::writeConfigurationWord0(cfg0Sent_), LinkCode::Cfg0Written,
              [this](const LinkNotification& n) { wordZeroWritten(n); });
}

void ProgrammingSequence::wordZeroWritten(const LinkNotification& n) {
    const int back = n.report[readback::cfg0ReadBackPos(run_.chip_)];
    run_.say(Msg::Cfg0Sent, cfg0Sent_);
    run_.say(Msg::Cfg0ReadBack, back);
    if (back != cfg0Sent_) {
        run_.fail(Reason::ConfigWriteFailed, Msg::Cfg0Error);
        return;
    }
    run_.say(Msg::Cfg0Ok);
    startFlashWrite();
}

void ProgrammingSequence::logRetry() {
    // The transport starts a flash transfer again after a missing answer; say so, so that
    // the repeated start lines do not read as new operations.
    if (++transferAttempt_ >= 2)
        run_.say(Msg::TransferRetry, transferAttempt_);
}

void ProgrammingSequence::startFlashWrite() {
    transferAttempt_ = 0;
    run_.awaitTransfer(LinkCode::FlashWriteFinished,
                       [this](const LinkNotification& n) { flashWrite(n); });
    ImageState& image = run_.image_;
    if (!run_.transport_.startFlashWrite(image.writeBuffer.data(), image.imageLength))
        run_.fail(Reason::NoBoard, Msg::NoBoard);
}

void ProgrammingSequence::flashWrite(const LinkNotification& n) {
    if (n.code == LinkCode::FlashWriteStarted) {
        logRetry();
        run_.say(Msg::FlashWriteStart);
        run_.say(Msg::FlashWriteLength, n.total);
        return;
    }
    run_.say(Msg::FlashWriteDone);
    startFlashRead();
}

void ProgrammingSequence::startFlashRead() {
    ImageState& image = run_.image_;
    readLength_ = run_.opAfterErase_ ? image.imageLength : chipInfo(run_.chip_).flashReadLength;
    std::fill(image.readBuffer.begin(), image.readBuffer.end(), 0xFF);
    transferAttempt_ = 0;
    run_.awaitTransfer(LinkCode::FlashReadFinished,
                       [this](const LinkNotification& n) { flashRead(n); });
    // While a write is being verified (or a verify was cut short) the read compares every
    // byte of the image with what comes back.
    if (!run_.transport_.startFlashRead(image.readBuffer.data(), readLength_,
                                        image.writeBuffer.data(), image.imageLength)) {
        run_.fail(Reason::NoBoard, Msg::NoBoard);
    }
}

void ProgrammingSequence::flashRead(const LinkNotification& n) {
    if (n.code != LinkCode::FlashReadStarted) {
        flashReadFinished();
        return;
    }
    logRetry();
    run_.say(Msg::FlashReadStart);
    // The English line names no length.
    if (run_.state_.english()) {
        run_.say(Msg::FlashReadLengthEnglish);
    } else {
        run_.say(Msg::FlashReadLength, n.total);
    }
}

void ProgrammingSequence::flashReadFinished() {
    ImageState& image = run_.image_;
    run_.say(Msg::FlashReadDone);
    Outcome outcome = run_.succeeded(Msg::FlashReadDone);
    run_.say(Msg::FlashChecksum, computeChecksum(image.readBuffer.data(), readLength_));
    if (run_.operation_ == Operation::WriteFlash) {
        const bool ok = verifyFlash(image.imageLength) == 0;
        const Msg verdict = ok ? Msg::ProgramOk : Msg::ProgramNg;
        outcome = {ok ? Reason::Ok : Reason::VerifyFailed, verdict, run_.state_.text(verdict)};
    }
    run_.view_.readBufferChanged(readLength_);
    run_.finishOperation(outcome);
}

int ProgrammingSequence::verifyFlash(uint32_t length) {
    ImageState& image = run_.image_;
    length = std::min<uint32_t>(length, kFlashBufferSize);
    int errors = 0;
    for (uint32_t i = 0; i < length; ++i)
        errors += image.writeBuffer[i] != image.readBuffer[i];
    run_.say(Msg::VerifyStart);
    run_.say(Msg::VerifyErrors, errors);
    run_.say(Msg::VerifyEnd);
    if (errors == 0) {
        run_.say(Msg::ProgramOk);
        run_.view_.setResult(ProgramView::Result::Ok);
    } else {
        run_.say(Msg::ProgramNg);
        run_.say(Msg::CheckWiring);
        run_.view_.setResult(ProgramView::Result::Ng);
    }
    return errors;
}

}  // namespace tessel
