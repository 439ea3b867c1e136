// "写配置字": erase the information block (0x88), write the configuration words (0x89),
// compare what the board read back and, for chips 10 to 13, write word 0 with its companions
// (0x84). One step per reply; every end goes through finishOperation().
#include "link/cmusbhid.h"
#include "link/commands.h"
#include "link/configpayload.h"
#include "link/configsource.h"
#include "link/readback.h"
#include "link/sequencer.h"

namespace tessel {

bool OperationSequencer::startWriteConfig() {
    if (busy())
        return false;
    // KR4121 writes its configuration only with the image.
    if (state_.chipIndex.load() == 0) {
        say(Msg::Kr4121ConfigWithImage);
        return false;
    }
    configWordsOk_ = false;
    return begin(Operation::WriteConfig, ProgramView::Result::Busy);
}

bool OperationSequencer::handleConfigStep(const LinkNotification& n) {
    const Report& r = n.report;
    switch (n.code) {
        case LinkCode::InfoBlockErased:
            if (step_ == Step::EraseInfo) {
                replyTimer_.stop();
                onInfoBlockErased(r);
            }
            return true;
        case LinkCode::ConfigReadBack:
            if (step_ != Step::WriteConfigWords)
                return false;
            replyTimer_.stop();
            onConfigWordsWritten(r);
            return true;
        case LinkCode::Cfg0Written:
            if (step_ != Step::WriteWordZero)
                return false;
            replyTimer_.stop();
            onWordZeroWritten(r);
            return true;
        case LinkCode::TrimWritten:
            if (step_ == Step::WriteTrimWords) {
                replyTimer_.stop();
                onTrimWritten(r);
            }
            return true;
        default:
            return false;
    }
}

void OperationSequencer::onInfoBlockErased(const Report& reply) {
    if ((chip_ == 5 || chip_ == 7) && reply[2] != 1) {
        fail(Reason::EraseFailed, Msg::InfoEraseFailed);
        return;
    }
    if (chip_ >= 10) {
        if (reply[2] == 1)
            log_.appendLog(QStringLiteral("擦除information block和system block完成！"));
    } else {
        log_.appendLog(QStringLiteral("擦除Information Block完成!"));
    }
    sentWords_ = config_ ? configwrite::configPayload(chip_, config_->configWords(chip_))
                         : std::vector<uint8_t>{};
    if (sentWords_.empty()) {
        fail(Reason::Refused, Msg::NoConfigWords);
        return;
    }
    configCopy_.fill(0);
    std::copy(sentWords_.begin(), sentWords_.end(), configCopy_.begin());
    sendCommand(cmd::writeConfigurationWords(sentWords_.data(), sentWords_.size()),
                Step::WriteConfigWords);
}

void OperationSequencer::onConfigWordsWritten(const Report& reply) {
    configwrite::logConfigWrite(chip_, sentWords_, reply, log_);
    bool statusOk = reply[readback::writeStatusPos(chip_)] == 1;
    if (statusOk && chip_ >= 3 && chip_ <= 7) {
        // The variant bit the chip reports must be the selected model's.
        const readback::BitPos v = readback::variantBit(chip_, true);
        statusOk = (((reply[v.byte] >> v.bit) & 1) != 0) == readback::variantBitValue(chip_);
    }
    const bool mcu = chip_ >= 10;
    if (!statusOk) {
        wordsVerdict_ = Msg::ConfigCrcError;
        say(Msg::ConfigCrcError);
        if (mcu) {
            sendWordZero();  // the word-0 write follows whatever the outcome
        } else {
            finishOperation(judged(Reason::ConfigWriteFailed, Msg::ConfigCrcError));
        }
        return;
    }
    log_.appendLog(QStringLiteral("配置字CRC校验正确!"));
    configWordsOk_ = configwrite::configMatches(chip_, sentWords_, reply);
    if (configWordsOk_) {
        log_.appendLog(QStringLiteral("配置字写入正确!"));
    } else {
        wordsVerdict_ = Msg::ConfigWordsWrong;
        say(Msg::ConfigWordsWrong);
        if (configwrite::infoBlockProtected(chip_, reply))
            log_.appendLog(QStringLiteral("Inf写擦除保护打开，请先关闭，再写配置字!"));
    }
    if (mcu) {
        sendWordZero();
        return;
    }
    if (configWordsOk_) {
        view_.setResult(ProgramView::Result::Ok);
        finishOperation({Reason::Ok, Msg::ConfigWordsRight, log_.last});
    } else {
        finishOperation(judged(Reason::ConfigWriteFailed, Msg::ConfigWordsWrong));
    }
}

void OperationSequencer::sendWordZero() {
    sentWords_ = config_ ? config_->wordZeroWords(chip_) : std::vector<uint8_t>{};
    const size_t n = chip_ == 13 ? 2 : 3;
    if (sentWords_.size() != n) {
        fail(Reason::Refused, Msg::NoConfigWords);
        return;
    }
    configCopy_.fill(0);
    std::copy(sentWords_.begin(), sentWords_.end(), configCopy_.begin());
    const Report report =
        n == 2 ? cmd::writeConfigurationWord0(sentWords_[0], sentWords_[1])
               : cmd::writeConfigurationWord0(sentWords_[0], sentWords_[1], sentWords_[2]);
    sendCommand(report, Step::WriteWordZero);
}

void OperationSequencer::onWordZeroWritten(const Report& reply) {
    const bool ok = configwrite::judgeWordZeroWrite(chip_, sentWords_, reply, log_);
    if (ok && configWordsOk_) {
        view_.setResult(ProgramView::Result::Ok);
        finishOperation({Reason::Ok, Msg::ConfigWordsRight, log_.last});
    } else if (!ok) {
        const bool twoWords = sentWords_.size() == 2;
        finishOperation(judged(Reason::ConfigWriteFailed,
                               twoWords ? Msg::WordZero30Wrong : Msg::WordZero1011Wrong));
    } else {
        // The words were wrong (or their CRC); the word-0 write went on regardless.
        finishOperation(Outcome::failure(Reason::ConfigWriteFailed, wordsVerdict_,
                                         message(wordsVerdict_, Language::Chinese)));
    }
}

}  // namespace tessel
