#include "app/messages.h"

#include <array>

namespace tessel {
namespace {

constexpr std::array<MessageEntry, kMessageCount> kMessages = {{
#define TESSEL_MSG(id, zh, en) {#id, zh, en, false},
#define TESSEL_MSG_ZH(id, zh, en) {#id, zh, en, true},
#include "app/messagetable.inc"
#undef TESSEL_MSG
#undef TESSEL_MSG_ZH
}};

}  // namespace

const MessageEntry& messageEntry(Msg id) {
    const auto i = static_cast<std::size_t>(id);
    return kMessages[i < kMessages.size() ? i : 0];
}

const char* messageFormat(Msg id, uint8_t language) {
    const MessageEntry& e = messageEntry(id);
    return language == 1 && !e.chineseInBoth ? e.english : e.chinese;
}

QString message(Msg id, uint8_t language) {
    return QString::fromUtf8(messageFormat(id, language));
}

}  // namespace tessel
