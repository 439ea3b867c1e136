#include "app/outcome.h"

#include <array>

namespace tessel {
namespace {

struct ReasonEntry {
    const char* key;
    int exitCode;
};

constexpr std::array<ReasonEntry, kReasonCount> kReasons = {{
#define TESSEL_REASON(id, key, exitCode) {key, exitCode},
#include "app/reasontable.inc"
#undef TESSEL_REASON
}};

const ReasonEntry& entry(Reason reason) {
    const auto i = static_cast<std::size_t>(reason);
    return kReasons[i < kReasons.size() ? i : 0];
}

}  // namespace

const char* reasonKey(Reason reason) {
    return entry(reason).key;
}

int reasonExitCode(Reason reason) {
    return entry(reason).exitCode;
}

std::optional<Reason> reasonFromKey(const QString& key) {
    for (int i = 0; i < kReasonCount; ++i) {
        if (key == QLatin1String(kReasons[static_cast<std::size_t>(i)].key))
            return static_cast<Reason>(i);
    }
    return std::nullopt;
}

std::vector<Msg> reasonMessages(Reason reason) {
    struct Verdict {
        Reason reason;
        Msg message;
    };
    static constexpr Verdict kVerdicts[] = {
#define TESSEL_VERDICT(reason, message) {Reason::reason, Msg::message},
#include "app/verdicttable.inc"
#undef TESSEL_VERDICT
    };
    std::vector<Msg> out;
    for (const Verdict& v : kVerdicts) {
        if (v.reason == reason)
            out.push_back(v.message);
    }
    return out;
}

}  // namespace tessel
