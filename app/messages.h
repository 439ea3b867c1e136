#pragma once

#include <QString>

#include <cstdint>
#include <utility>

namespace tessel {

// Every text the program shows or logs has one entry in app/messagetable.inc, with its
// Chinese and its English text. Code names entries (`Msg::NoBoard`), never literals, and the
// language is chosen when the text is made, as the log line is emitted.
//
// Entries marked ZH are Chinese in both languages (the configuration and trim pages, and
// the few log lines the board's documentation gives in Chinese only); their English text
// is given for reference and for the test that every entry has both.
enum class Msg : uint16_t {
#define TESSEL_MSG(id, zh, en) id,
#define TESSEL_MSG_ZH(id, zh, en) id,
#include "app/messagetable.inc"
#undef TESSEL_MSG
#undef TESSEL_MSG_ZH
    Count
};

constexpr int kMessageCount = static_cast<int>(Msg::Count);

enum class Language : uint8_t { Chinese = 0, English = 1 };

struct MessageEntry {
    const char* name;  // the entry's identifier, for tests and diagnostics
    const char* chinese;
    const char* english;
    bool chineseInBoth;
};

const MessageEntry& messageEntry(Msg id);

// The text of an entry in a language (language 1 is English, anything else Chinese). A text
// with printf conversions is returned as it stands; use message() with arguments to fill it.
QString message(Msg id, uint8_t language);
inline QString message(Msg id, Language language) {
    return message(id, static_cast<uint8_t>(language));
}

// The entry's text with its conversions filled: the Chinese and English texts of one entry
// carry the same conversions in the same order (a test checks every entry).
const char* messageFormat(Msg id, uint8_t language);
template <typename... Args>
QString message(Msg id, uint8_t language, Args&&... args) {
    return QString::asprintf(messageFormat(id, language), std::forward<Args>(args)...);
}

}  // namespace tessel
