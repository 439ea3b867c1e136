#include "image/imagemessages.h"

#include "app/chipcatalogue.h"
#include "app/messages.h"

#include <iterator>

namespace tessel {

namespace {

// The texts of the length check, by chip index: the size message on opening and on a reload
// (which only the MCU01 chips word by the language), and the checksum line formats.
struct CheckTexts {
    Msg tooLarge;
    Msg tooLargeOnReload;
    bool reloadChooses;  // the reload's size message follows the language
    Msg openChecksum;
    Msg reloadChecksum;
};

// clang-format off
constexpr CheckTexts kCheckTexts[] = {
    {Msg::Kr4121TooLarge,  Msg::Kr4121TooLarge,       false, Msg::ChecksumValueUpper,  Msg::ChecksumOpened},
    {Msg::Kr4111TooLarge,  Msg::Kr4111TooLarge,       false, Msg::ChecksumOpened,      Msg::ChecksumOpened},
    {Msg::Kr4112TooLarge,  Msg::Kr4112TooLarge,       false, Msg::ChecksumOpened,      Msg::ChecksumOpened},
    {Msg::Kr4152TooLarge,  Msg::Kr4152TooLarge,       false, Msg::ChecksumOpened,      Msg::ChecksumOpened},
    {Msg::Kr4161TooLarge,  Msg::Kr4161TooLarge,       false, Msg::ChecksumOpened,      Msg::ChecksumOpened},
    {Msg::Kr4115TooLarge,  Msg::Kr4115TooLarge,       false, Msg::ChecksumOpened,      Msg::ChecksumOpened},
    {Msg::Kr4115wTooLarge, Msg::Kr4115wTooLarge,      false, Msg::ChecksumOpened,      Msg::ChecksumOpened},
    {Msg::Kr4116TooLarge,  Msg::Kr4116TooLarge,       false, Msg::ChecksumOpened,      Msg::ChecksumOpened},
    {Msg::Ro5812TooLarge,  Msg::Ro5812TooLarge,       true,  Msg::ChecksumValue,       Msg::ChecksumValue},
    {Msg::Zu5712TooLarge,  Msg::Zu5712TooLargeReload, true,  Msg::ChecksumValue,       Msg::ChecksumValue},
    {Msg::Kr5815TooLarge,  Msg::Kr5815TooLarge,       false, Msg::ChecksumOpenedUpper, Msg::ChecksumOpened},
    {Msg::Kr5814TooLarge,  Msg::Kr5814TooLarge,       false, Msg::ChecksumOpenedUpper, Msg::ChecksumOpened},
    {Msg::Kr5813TooLarge,  Msg::Kr5813TooLarge,       false, Msg::ChecksumOpenedUpper, Msg::ChecksumOpened},
    {Msg::Mcu04TooLarge,   Msg::Mcu04TooLarge,        false, Msg::ChecksumOpenedUpper, Msg::ChecksumOpenedUpper},
};
// clang-format on
static_assert(std::size(kCheckTexts) == kChipCount, "the check's texts for every chip");

const CheckTexts& textsOf(int chip) {
    return kCheckTexts[sanitizeChipIndex(chip)];
}

}  // namespace

QString checksumLogLine(int chip, uint32_t checksum, CheckKind kind) {
    const CheckTexts& t = textsOf(chip);
    // The formats are the same in both languages.
    return message(kind == CheckKind::Open ? t.openChecksum : t.reloadChecksum,
                   static_cast<uint8_t>(Language::Chinese), checksum);
}

QString sizeMessage(int chip, uint8_t language, CheckKind kind) {
    const CheckTexts& t = textsOf(chip);
    if (kind == CheckKind::Open)
        return message(t.tooLarge, language);
    return message(t.tooLargeOnReload,
                   t.reloadChooses ? language : static_cast<uint8_t>(Language::Chinese));
}

}  // namespace tessel
