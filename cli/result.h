#pragma once

#include "app/outcome.h"

#include <QElapsedTimer>
#include <QJsonObject>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <optional>

namespace tessel::cli {

// Where a command's lines go. Normally the program's messages are printed on standard
// output; under --json they go to standard error and standard output carries only the one
// result object printed at the end.
void setJsonMode(bool on);
bool jsonMode();
std::FILE* messageStream();
// Prints one of the program's messages (log lines and message boxes).
void printMessage(const QString& line);
// Progress is drawn on standard error only when it is a terminal.
bool progressWanted();

// The command line's own diagnostics ("tessel-cli: ..." lines, refusals before the board is
// touched) from the message table: English in both languages, as scripts and their logs
// read them.
template <typename... Args>
QString cliText(Msg id, Args&&... args) {
    return message(id, uint8_t(1), std::forward<Args>(args)...);
}

// How one operation ended. The reason's key is stable for scripts ("ok", "verify-failed",
// "board-lost", ...) and decides the exit code; the message is the program's own text.
struct OperationResult {
    enum class Outcome { Ok, Failed, Refused };

    Outcome outcome = Outcome::Ok;
    Reason reason = Reason::Ok;
    QString message;
    std::optional<uint32_t> checksum;
    std::optional<uint32_t> length;
    std::optional<int> verifyCompared;  // bytes compared by the verification
    std::optional<int> verifyErrors;    // differing bytes found
    qint64 durationMs = 0;

    void set(Outcome o, Reason why, const QString& text) {
        outcome = o;
        reason = why;
        message = text;
    }
    // An operation of the board that ended with outcome (failed unless it is ok).
    void set(const tessel::Outcome& ended) {
        set(ended.ok() ? Outcome::Ok : Outcome::Failed, ended.reason, ended.text);
    }
    bool ok() const { return outcome == Outcome::Ok; }
    // 0 ok, 1 refused or failed, 2 usage, 3 no board or board lost.
    int exitCode() const;
    QJsonObject toJson() const;
};

// The record every command fills; the JSON object and the exit code both come from it.
struct CommandResult {
    explicit CommandResult(const QString& commandName) : command(commandName) { clock.start(); }

    QString command;
    int chip = -1;  // -1: the command concerns no chip
    QString device;
    QString serial;
    OperationResult op;
    // "program --with-eeprom": the EEPROM write that follows the flash write.
    std::optional<OperationResult> eeprom;
    // Keys of this command's own ("file", "boards", "bytes", "accepted", ...).
    QJsonObject extra;
    QElapsedTimer clock;

    int exitCode() const;
    QJsonObject toJson() const;
    // Prints the object under --json and returns the exit code.
    int finish();
    // Prints "tessel-cli: message" on standard error and ends as a usage error.
    int usage(const QString& message);
    // Ends refused with a message of the command line's own, printed on stderr; the exit
    // code is the reason's.
    int refuse(Reason reason, const QString& message);
};

constexpr int kExitNoBoard = tessel::kExitNoBoard;

}  // namespace tessel::cli
