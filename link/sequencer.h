#pragma once

#include "app/outcome.h"
#include "app/sharedstate.h"
#include "link/notifications.h"
#include "link/programview.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace tessel {

class CMUSBHid;
class ConfigSource;
class Prompts;
struct ImageState;
class ProgrammingSequence;
class EepromSequence;
class ConfigWriteSequence;
class TrimSequence;

// The chain of commands and replies behind every button of the programming page, as a small
// step runner. An operation starts with select chip and enter programming mode (the common
// start); then the unit of its group (programming, EEPROM, configuration write, trim) runs
// its own steps. A step is one command sent and the notification it waits for, or a bulk
// transfer and its notifications; a notification that is not awaited is ignored. Every end,
// success or failure, goes through finishOperation(Outcome), which leaves programming mode,
// restores the controls and hands the outcome to the view.
class OperationSequencer : public QObject {
    Q_OBJECT
public:
    enum class Operation {
        None,
        WriteFlash,
        ReadFlash,
        ReadConfig,
        WriteConfig,
        EepromWrite,
        EepromRead,
        EnterTrim,  // select chip and programming mode; the target stays there
        WriteTrim,  // one write-trim exchange while in trim mode
    };
    enum class Supply { V3, V5, Off };

    static constexpr int kDefaultReplyTimeoutMs = 10000;

    OperationSequencer(SharedState& state, CMUSBHid& transport, ImageState& image,
                       ProgramView& view, QObject* parent = nullptr);
    ~OperationSequencer() override;

    // Where the configuration words come from, and where message boxes go.
    void setConfigSource(ConfigSource* source) { config_ = source; }
    void setPrompts(Prompts* prompts) { prompts_ = prompts; }

    // Buttons. Each returns false when the operation could not start.
    // The one-key write: configuration check, erase, configuration word(s), image, verify.
    // The image must already be (re)loaded; its length is checked against the chip's bound.
    bool startWriteFlash();
    bool startReadConfig();
    bool startReadFlash();
    bool startReadEeprom();
    bool startWriteEeprom();
    void switchSupply(Supply supply);
    // "写配置字" (every chip but KR4121): erase the information block, write the
    // configuration words, compare them, and for the MCU02/MCU04 designs write word 0 with its
    // companions.
    bool startWriteConfig();
    // Trim mode: entering selects the chip and brings the target into programming mode (and
    // does that again for a newly selected chip); leaving sends leave programming mode and
    // logs "退出修调！". "写修调" sends the trim words and checks what the board read back.
    bool enterTrimMode();
    void leaveTrimMode();
    bool startWriteTrim();
    // The window closes: a target left in trim mode leaves programming mode first.
    void releaseTarget();

    // The connection handshake's verdict on the board (version accepted or refused).
    void setButtonsEnabled(bool enabled);
    // The chip selection or trim mode changed: refresh the controls that depend on them.
    void refreshControls();
    void setTrimMode(bool on);
    bool trimMode() const { return trimMode_; }

    // Every link notification goes here.
    void handle(const LinkNotification& n);
    // The board went away (pulled out, read error or closed): a running operation ends now.
    void onDisconnected();

    // Ends the running operation with its outcome: marks an interrupted write NG, clears every
    // operation flag, leaves programming mode, hides the progress bar and restores the
    // controls. The view hears the outcome.
    void finishOperation(const Outcome& outcome);
    // The user ends a running operation (closing the window): a running transfer is stopped,
    // then the operation ends as cancelled through finishOperation(), so that the target
    // leaves programming mode while the board is there. Nothing happens when idle.
    void stopOperation();
    // Every request to open the board again (the USB button, an arrival, the command line):
    // a running operation is stopped first, then the board is closed and opened.
    void reopenBoard();

    // Counts and logs the differing bytes of the write and read buffers; sets OK or NG.
    int verifyFlash(uint32_t length);
    // The same for the EEPROM; true only when the whole image the user holds is on the chip.
    bool verifyEeprom(uint32_t length, int chip);

    Operation operation() const { return operation_; }
    bool busy() const { return operation_ != Operation::None; }
    // The last operation that began, as records of it need it: latched at its start and kept
    // after its end until the next one begins. number counts the operations begun; sent
    // whether its first command reached the board (a refusal before that touched no chip);
    // configWritten the configuration or trim bytes it sent, in wire order.
    struct OperationRecord {
        Operation operation = Operation::None;
        int chip = 0;
        quint64 number = 0;
        bool sent = false;
        std::vector<uint8_t> configWritten;
        QElapsedTimer clock;  // started with the operation
    };
    const OperationRecord& lastOperation() const { return record_; }
    int operationChip() const { return chip_; }
    // A single exchange without a reply ends the operation after this time.
    void setReplyTimeoutMs(int ms) { replyTimeoutMs_ = ms; }

Q_SIGNALS:
    // An operation has begun: its chip is latched and its first command is about to go out.
    // (A one-key write refused for its image never begins.)
    void operationStarted(tessel::OperationSequencer::Operation operation);

public:
    // Operation state kept for the configuration sequences and the mass-production page.
    const std::array<uint8_t, 64>& configCopy() const { return configCopy_; }
    bool opAfterErase() const { return opAfterErase_; }

private:
    // The units of the operation groups run their steps through the members below.
    friend class ProgrammingSequence;
    friend class EepromSequence;
    friend class ConfigWriteSequence;
    friend class TrimSequence;

    using StepHandler = std::function<void(const LinkNotification&)>;
    // What the running operation waits for: one notification after a command (under the
    // reply timer), or the notifications of a bulk transfer, which end on their own.
    struct Step {
        LinkCode awaits = LinkCode::NoDevice;  // NoDevice: nothing (idle)
        StepHandler next;
        bool transfer = false;
    };

    bool begin(Operation op, ProgramView::Result picture);
    // A new operation record for op on the latched chip.
    void recordStart(Operation op);
    // The configuration or trim bytes about to be sent; kept in the operation's record.
    void recordWritten(const uint8_t* bytes, size_t count);
    // A debug run has the board: no operation starts.
    bool debugRunHoldsBoard() const;
    // Sends one command; `next` takes the notification `awaits`.
    bool send(const Report& report, LinkCode awaits, StepHandler next);
    // A bulk transfer was started; `next` takes its start and end notifications (the runner
    // draws its progress).
    void awaitTransfer(LinkCode finished, StepHandler next);
    bool awaited(LinkCode code) const;
    // The single exchanges: supply switching and the leave-programming reply.
    bool handleExchange(const LinkNotification& n);
    // Transfer faults and time-outs end whatever runs.
    bool handleFault(const LinkNotification& n);
    void chipSelected(const LinkNotification& n);
    void programmingEntered(const LinkNotification& n);
    void onReplyTimeout();
    // Judges a configuration read-back (reply 0x82); a passing one is kept in configCopy
    // and, where the chip shows it, handed to the configuration page. A failing one ends the
    // operation with its reason.
    bool configReadBackPassed(const Report& reply);
    Outcome readBackFailure(const Report& reply, bool kr4121Locked) const;
    // Trim mode ends without the toggle (a failed entry, the board gone, an EEPROM operation).
    void dropTrimMode();
    int progressOf(const LinkNotification& n) const;

    // Logs a verdict line and ends the operation with it.
    void fail(Reason reason, Msg message);
    // Logs an entry of the message table in the language of the moment; returns the line.
    template <typename... Args>
    QString say(Msg id, Args&&... args) {
        const QString line = state_.text(id, std::forward<Args>(args)...);
        log_.appendLog(line);
        return line;
    }
    // The outcome of a verdict that a read-back judge logged itself: its last line.
    Outcome judged(Reason reason, Msg message) const {
        return Outcome::failure(reason, message, log_.last);
    }
    // A success reported with the line last logged.
    Outcome succeeded(Msg message) const { return {Reason::Ok, message, log_.last}; }

    // Every line the sequences log goes through here, so that a verdict logged by a
    // read-back judge can be reported as the outcome's text.
    class TailLog : public LogSink {
    public:
        explicit TailLog(LogSink& to) : to_(to) {}
        void appendLog(const QString& line) override {
            last = line;
            to_.appendLog(line);
        }
        QString last;

    private:
        LogSink& to_;
    };

    SharedState& state_;
    CMUSBHid& transport_;
    ImageState& image_;
    ProgramView& view_;
    TailLog log_{view_};
    ConfigSource* config_ = nullptr;
    Prompts* prompts_ = nullptr;

    Operation operation_ = Operation::None;
    Step step_;
    int chip_ = 0;  // latched when the operation starts
    bool buttonsEnabled_ = true;
    bool supplyHold_ = false;  // 3V or 5V pressed: programming waits for "掉电"
    bool trimMode_ = false;
    bool opAfterErase_ = false;
    std::array<uint8_t, 64> configCopy_{};
    OperationRecord record_;

    std::unique_ptr<ProgrammingSequence> programming_;
    std::unique_ptr<EepromSequence> eeprom_;
    std::unique_ptr<ConfigWriteSequence> configWrite_;
    std::unique_ptr<TrimSequence> trim_;

    QTimer replyTimer_;
    int replyTimeoutMs_ = kDefaultReplyTimeoutMs;
};

}  // namespace tessel
