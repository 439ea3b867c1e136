// The EEPROM group: "写EEPROM" and "读EEPROM". After the common start:
//
//   write   switchable EEPROM: read configuration (0x82), enabled? -> erase EEPROM (0x8E)
//           -> EEPROM write (0x8F ...) -> EEPROM read (0x90 ...) -> verify
//   read    EEPROM read
//
// Their lines are Chinese in both languages.
#include "app/chipcatalogue.h"
#include "image/imagestate.h"
#include "link/cmusbhid.h"
#include "link/commands.h"
#include "link/configreadback.h"
#include "link/operationgroups.h"

#include <algorithm>

namespace tessel {
namespace {

constexpr uint8_t kChinese = 0;
constexpr uint32_t kBytesTheBoardWrites = 1024;

}  // namespace

using Operation = OperationSequencer::Operation;

void EepromSequence::programmingEntered() {
    if (run_.operation_ == Operation::EepromRead) {
        startRead();
        return;
    }
    // The configuration says whether a switchable EEPROM is enabled.
    if (chipInfo(run_.chip_).eeprom == EepromKind::Switchable) {
        run_.send(cmd::readConfigurationWords(), LinkCode::ConfigReadBack,
                  [this](const LinkNotification& n) { configRead(n); });
        return;
    }
    erase();
}

void EepromSequence::configRead(const LinkNotification& n) {
    if (!run_.configReadBackPassed(n.report))
        return;
    sizeCode_ = 0;
    if (!eepromEnabledIn(run_.chip_, n.report)) {
        run_.fail(Reason::EepromDisabled, Msg::EepromDisabledLine);
        return;
    }
    run_.say(Msg::EepromEnabledLine, sizeCode_);
    erase();
}

void EepromSequence::erase() {
    run_.send(cmd::eraseEeprom(static_cast<uint8_t>(sizeCode_)), LinkCode::EepromErased,
              [this](const LinkNotification& n) { erased(n); });
}

void EepromSequence::erased(const LinkNotification& n) {
    if (n.report[2] != replystatus::kDone) {
        run_.fail(Reason::EepromEraseFailed, Msg::EepromEraseFailed);
        return;
    }
    run_.say(Msg::EepromEraseOk);
    run_.awaitTransfer(LinkCode::EepromWriteFinished,
                       [this](const LinkNotification& w) { write(w); });
    if (!run_.transport_.startEepromWrite(run_.image_.eepromWriteImage(run_.chip_)))
        run_.fail(Reason::NoBoard, Msg::NoBoard);
}

void EepromSequence::write(const LinkNotification& n) {
    if (n.code == LinkCode::EepromWriteStarted) {
        run_.say(Msg::EepromWriteStart);
        return;
    }
    run_.say(Msg::EepromWriteDone);
    startRead();
}

void EepromSequence::startRead() {
    // The read buffer is erased first, as far as the page's views of it reach.
    const int chip = run_.chip_;
    ImageState& image = run_.image_;
    if (eepromInFlashBuffer(chip)) {
        const auto first = image.readBuffer.begin() + kEepromOffsetInFlashBuffer;
        std::fill(first, first + 4096, 0xFF);
    } else {
        std::fill(image.eepromReadBuffer.begin(), image.eepromReadBuffer.end(), 0xFF);
    }
    run_.awaitTransfer(LinkCode::EepromReadFinished,
                       [this](const LinkNotification& r) { read(r); });
    if (!run_.transport_.startEepromRead(image.eepromReadImage(chip),
                                         ImageState::eepromImageSize(chip))) {
        run_.fail(Reason::NoBoard, Msg::NoBoard);
    }
}

void EepromSequence::read(const LinkNotification& n) {
    if (n.code == LinkCode::EepromReadStarted) {
        run_.say(Msg::EepromReadStart);
        return;
    }
    run_.say(Msg::EepromReadDone);
    Outcome outcome = run_.succeeded(Msg::EepromReadDone);
    if (run_.operation_ == Operation::EepromWrite) {
        // The whole EEPROM read back is compared: 2048 bytes for the chips that keep it in
        // the flash buffers (whose upper half must hold the image's 0xFF too), 1024 for the
        // others.
        const bool ok = verify(ImageState::eepromImageSize(run_.chip_), run_.chip_);
        const Msg verdict = ok ? Msg::EepromWriteOk : Msg::EepromWriteNg;
        outcome = {ok ? Reason::Ok : Reason::VerifyFailed, verdict, message(verdict, kChinese)};
    }
    run_.view_.eepromReadBufferChanged();
    run_.finishOperation(outcome);
}

bool EepromSequence::upperHalfErased(int chip) const {
    const uint8_t* first = run_.image_.eepromWriteImage(chip) + kBytesTheBoardWrites;
    return std::all_of(first, first + kBytesTheBoardWrites, [](uint8_t b) { return b == 0xFF; });
}

bool EepromSequence::verify(uint32_t length, int chip) {
    LogSink& log = run_.log_;
    log.appendLog(message(Msg::VerifyStart, kChinese));
    int errors = 0;
    int errorsInWritten = 0;  // in the 1024 bytes the board writes
    if (chipInfo(chip).eepromOperations) {
        const uint8_t* written = run_.image_.eepromWriteImage(chip);
        const uint8_t* read = run_.image_.eepromReadImage(chip);
        length = std::min(length, ImageState::eepromImageSize(chip));
        for (uint32_t i = 0; i < length; ++i) {
            errors += written[i] != read[i];
            errorsInWritten += i < kBytesTheBoardWrites && written[i] != read[i];
        }
    }
    log.appendLog(message(Msg::VerifyErrors, kChinese, errors));
    log.appendLog(message(Msg::VerifyEnd, kChinese));
    // The board writes 1024 bytes: a 2 KiB image with data above them is not on the chip,
    // however well the lower half compares.
    const bool unwritten = eepromInFlashBuffer(chip) && !upperHalfErased(chip);
    if (unwritten)
        run_.say(Msg::EepromUpperHalfUnwritten);
    if (errors || unwritten) {
        run_.say(Msg::EepromWriteNg);
        // The advice is about the wiring, not about what the board cannot write.
        if (errorsInWritten || (errors && !unwritten))
            log.appendLog(message(Msg::CheckWiring, kChinese));
        run_.view_.setResult(ProgramView::Result::Ng);
    } else {
        run_.say(Msg::EepromWriteOk);
        run_.view_.setResult(ProgramView::Result::Ok);
    }
    return errors == 0 && !unwritten;
}

}  // namespace tessel
