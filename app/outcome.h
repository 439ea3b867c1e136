#pragma once

#include "app/messages.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace tessel {

// Why an operation ended. Every operation (the programming page's buttons, configuration
// and trim writes, trim mode, a debug run, the connection handshake) ends with one of these;
// the window's verdict, the command line's JSON "reason" and its exit code all come from it.
// The keys are stable: production scripts match on them.
enum class Reason : uint8_t {
#define TESSEL_REASON(id, key, exitCode) id,
#include "app/reasontable.inc"
#undef TESSEL_REASON
    Count
};

constexpr int kReasonCount = static_cast<int>(Reason::Count);

// Exit codes of the command line, by reason.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;   // the operation was refused or failed
constexpr int kExitUsage = 2;    // the command line itself was wrong
constexpr int kExitNoBoard = 3;  // no board, a board that cannot be opened, or a board lost

const char* reasonKey(Reason reason);  // "ok", "verify-failed", ...
int reasonExitCode(Reason reason);
std::optional<Reason> reasonFromKey(const QString& key);

// The messages a reason is reported with (its verdict lines). Empty for Ok and for the
// command line's own reasons, which carry their text in the outcome's detail.
std::vector<Msg> reasonMessages(Reason reason);

// How an operation ended: the reason, the message that said so (the verdict line as the
// user saw it) and what else a script or a record wants to know.
struct Outcome {
    Reason reason = Reason::Ok;
    std::optional<Msg> message;  // the verdict entry, when the reason has one
    QString text;                // the verdict as shown, in the language of the moment

    bool ok() const { return reason == Reason::Ok; }
    static Outcome success() { return {}; }
    static Outcome failure(Reason reason, Msg message, const QString& shown) {
        return {reason, message, shown};
    }
    static Outcome failure(Reason reason, const QString& shown) {
        return {reason, std::nullopt, shown};
    }
};

}  // namespace tessel
