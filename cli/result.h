#pragma once

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

// How one operation ended. The reason is a stable English key for scripts ("ok",
// "verify-failed", "board-lost", ...); the message is the program's own text for it.
struct OperationResult {
    enum class Outcome { Ok, Failed, Refused };

    Outcome outcome = Outcome::Ok;
    QString reason = QStringLiteral("ok");
    QString message;
    std::optional<uint32_t> checksum;
    std::optional<uint32_t> length;
    std::optional<int> verifyCompared;  // bytes compared by the verification
    std::optional<int> verifyErrors;    // differing bytes found
    qint64 durationMs = 0;

    void set(Outcome o, const QString& reasonKey, const QString& text) {
        outcome = o;
        reason = reasonKey;
        message = text;
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
    // Ends refused (exit 1) with a message of the command line's own, printed on stderr.
    int refuse(const QString& reasonKey, const QString& message);
};

// The stable key of a message the program logs when an operation fails, or an empty
// string for a message that is not a verdict.
QString reasonOfMessage(const QString& line);

// Exit codes by reason.
constexpr int kExitNoBoard = 3;
int exitCodeOfReason(const QString& reason);

}  // namespace tessel::cli
