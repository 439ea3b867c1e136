// The configuration-write group, "写配置字". After the common start:
//
//   erase information block (0x88) -> write the configuration words (0x89), compare them
//   -> MCU02/MCU04 designs: word 0 with its companions (0x84), whatever the comparison said
//
// One step per reply; every end goes through finishOperation().
#include "app/chipcatalogue.h"
#include "link/commands.h"
#include "link/configpayload.h"
#include "link/configsource.h"
#include "link/operationgroups.h"
#include "link/readback.h"

namespace tessel {
namespace {

// The MCU02 and MCU04 designs erase the system block with the information block, and
// write word 0 with its companions after the other words.
bool wordZeroApart(int chip) {
    return chipInfo(chip).programConfig == ProgramConfigStep::None;
}

// Chips 5 and 7 answer the information-block erase with a status byte.
bool infoEraseHasStatus(int chip) {
    const ChipInfo& info = chipInfo(chip);
    return info.family == ChipFamily::KR41xx && info.eraseStatus;
}

Outcome written() {
    return {Reason::Ok, Msg::ConfigWordsRight, message(Msg::ConfigWordsRight, Language::Chinese)};
}

}  // namespace

void ConfigWriteSequence::programmingEntered() {
    wordsOk_ = false;
    wordsVerdict_ = Msg::ConfigWordsWrong;
    run_.send(cmd::eraseInformationBlock(), LinkCode::InfoBlockErased,
              [this](const LinkNotification& n) { infoBlockErased(n); });
}

void ConfigWriteSequence::infoBlockErased(const LinkNotification& n) {
    const int chip = run_.chip_;
    const bool done = n.report[2] == replystatus::kDone;
    if (infoEraseHasStatus(chip) && !done) {
        run_.fail(Reason::EraseFailed, Msg::InfoEraseFailed);
        return;
    }
    if (!wordZeroApart(chip)) {
        run_.say(Msg::InfoErased);
    } else if (done) {
        run_.say(Msg::InfoAndSystemErased);
    }
    ConfigSource* config = run_.config_;
    sent_ = config ? configwrite::configPayload(chip, config->configWords(chip))
                   : std::vector<uint8_t>{};
    if (sent_.empty()) {
        run_.fail(Reason::Refused, Msg::NoConfigWords);
        return;
    }
    run_.configCopy_.fill(0);
    std::copy(sent_.begin(), sent_.end(), run_.configCopy_.begin());
    run_.recordWritten(sent_.data(), sent_.size());
    run_.send(cmd::writeConfigurationWords(sent_.data(), sent_.size()), LinkCode::ConfigReadBack,
              [this](const LinkNotification& r) { wordsWritten(r); });
}

void ConfigWriteSequence::wordsWritten(const LinkNotification& n) {
    const int chip = run_.chip_;
    const Report& reply = n.report;
    configwrite::logConfigWrite(chip, sent_, reply, run_.log_);
    bool statusOk = reply[readback::writeStatusPos(chip)] == replystatus::kDone;
    // The variant bit the chip reports must be the selected model's (KR41xx).
    const readback::BitPos v = readback::variantBit(chip, true);
    if (statusOk && chipInfo(chip).family == ChipFamily::KR41xx && v.byte != readback::kNone)
        statusOk = (((reply[v.byte] >> v.bit) & 1) != 0) == readback::variantBitValue(chip);
    if (!statusOk) {
        wordsVerdict_ = Msg::Kr41ConfigCrcNg;
        run_.say(Msg::Kr41ConfigCrcNg);
        if (wordZeroApart(chip)) {
            writeWordZero();  // the word-0 write follows whatever the outcome
        } else {
            run_.finishOperation(run_.judged(Reason::ConfigWriteFailed, Msg::Kr41ConfigCrcNg));
        }
        return;
    }
    run_.say(Msg::Kr41ConfigCrcOk);
    wordsOk_ = configwrite::configMatches(chip, sent_, reply);
    if (wordsOk_) {
        run_.say(Msg::ConfigWordsRight);
    } else {
        wordsVerdict_ = Msg::ConfigWordsWrong;
        run_.say(Msg::ConfigWordsWrong);
        if (configwrite::infoBlockProtected(chip, reply))
            run_.say(Msg::InfoProtected);
    }
    if (wordZeroApart(chip)) {
        writeWordZero();
    } else if (wordsOk_) {
        run_.view_.setResult(ProgramView::Result::Ok);
        run_.finishOperation(written());
    } else {
        run_.finishOperation(Outcome::failure(Reason::ConfigWriteFailed, Msg::ConfigWordsWrong,
                                              message(Msg::ConfigWordsWrong, Language::Chinese)));
    }
}

void ConfigWriteSequence::writeWordZero() {
    const int chip = run_.chip_;
    sent_ = run_.config_ ? run_.config_->wordZeroWords(chip) : std::vector<uint8_t>{};
    const size_t n = static_cast<size_t>(readback::cfg0WordCount(chip));
    if (sent_.size() != n) {
        run_.fail(Reason::Refused, Msg::NoConfigWords);
        return;
    }
    run_.configCopy_.fill(0);
    std::copy(sent_.begin(), sent_.end(), run_.configCopy_.begin());
    run_.recordWritten(sent_.data(), sent_.size());
    const Report report = n == 2 ? cmd::writeConfigurationWord0(sent_[0], sent_[1])
                                 : cmd::writeConfigurationWord0(sent_[0], sent_[1], sent_[2]);
    run_.send(report, LinkCode::Cfg0Written,
              [this](const LinkNotification& r) { wordZeroWritten(r); });
}

void ConfigWriteSequence::wordZeroWritten(const LinkNotification& n) {
    const bool ok = configwrite::judgeWordZeroWrite(run_.chip_, sent_, n.report, run_.log_);
    if (ok && wordsOk_) {
        run_.view_.setResult(ProgramView::Result::Ok);
        run_.finishOperation(written());
    } else if (!ok) {
        const Msg verdict =
            sent_.size() == 2 ? Msg::Words0And30WriteError : Msg::Words0And10And11WriteError;
        run_.finishOperation(run_.judged(Reason::ConfigWriteFailed, verdict));
    } else {
        // The words were wrong (or their CRC); the word-0 write went on regardless.
        run_.finishOperation(Outcome::failure(Reason::ConfigWriteFailed, wordsVerdict_,
                                              message(wordsVerdict_, Language::Chinese)));
    }
}

}  // namespace tessel
