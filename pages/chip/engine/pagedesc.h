#pragma once

#include "app/messages.h"
#include "pages/chip/engine/codec.h"

#include <QPair>
#include <QString>
#include <QStringList>
#include <QVector>

#include <initializer_list>

namespace tessel::chip {

class PageModel;

// Numbers the trim pages give their test and password registers, which are not configuration
// words of the chip (CFG<number>).
constexpr int kOscRegWord = 100;
constexpr int kPwRegWord = 101;
constexpr int kTestRegWord = 102;
constexpr int kPldoRegWord = 103;

enum class ControlKind : uint8_t {
    List,     // drop-down list; the item index is the choice
    Check,    // check box; choice 0 (clear) or 1 (ticked)
    HexEdit,  // hexadecimal entry field; the parsed value is the choice
    Info,     // disabled list that only shows a property of the chip variant
};

// Flags of a field.
enum FieldFlag : unsigned {
    kDisabled = 1u << 0,        // disabled in the dialog template, never enabled
    kCfg0Control = 1u << 1,     // disabled by enableCfg0Controls(false)
    kDisabledByLock = 1u << 2,  // disabled while the page's lock field is ticked
    kIsLock = 1u << 3,          // the lock field itself (no bits)
    kAutoSave = 1u << 4,        // a user change saves the whole page at once
    kKeyHoldsCode = 1u << 5,    // the profile key stores the code, not the item index
    kHideRestricted = 1u << 6,  // hidden in the restricted view although its group shows
    kRebuiltList = 1u << 7,     // the items come from PageHooks::items (another field's choice)
    kWriteFlag = 1u << 8,       // the write flag of its word (a check box in the group's title)
    kSaveOnlyKey = 1u << 9,     // the key is written by a save but never read: loads decode
};

// One control of a page and the bit field it owns.
struct FieldDesc {
    QString caption;
    ControlKind kind = ControlKind::List;
    int word = -1;  // the chip's number of the word the field sits in (-1: page-level)
    int shift = 0;  // lowest bit of the field
    int width = 0;  // bits of the field (0: the control owns no bits)
    Codec codec;
    QStringList items;
    QString key;  // profile key ("%1" stands for the chip's key tag); empty: none
    int defaultValue = 0;
    uint8_t clearBits = 0;  // bits of the word outside the field cleared by every write
    uint8_t setBits = 0;    // bits of the word set by every write
    unsigned flags = 0;
    QString captionEn;    // English caption where the page follows the language
    QString hint;         // a note shown next to the control
    int extraWord = -1;   // a second word the field writes (hooks), for label refresh
    int sectionSlot = 0;  // 1: the key lives in the page's second section (trim pages)
    // Special codings that do not fit a transform: both directions together.
    void (*encodeHook)(PageModel&, int index) = nullptr;
    int (*decodeHook)(const PageModel&) = nullptr;

    uint8_t mask() const { return static_cast<uint8_t>(((1u << width) - 1u) << shift); }

    FieldDesc& with(const Codec& c) {
        codec = c;
        return *this;
    }
    FieldDesc& clearing(uint8_t bits) {
        clearBits = bits;
        return *this;
    }
    FieldDesc& setting(uint8_t bits) {
        setBits = bits;
        return *this;
    }
    FieldDesc& flagged(unsigned f) {
        flags |= f;
        return *this;
    }
    FieldDesc& english(const char* text) {
        captionEn = QString::fromUtf8(text);
        return *this;
    }
    FieldDesc& hinted(const char* text) {
        hint = QString::fromUtf8(text);
        return *this;
    }
    FieldDesc& inSecondSection() {
        sectionSlot = 1;
        return *this;
    }
    FieldDesc& hooked(void (*enc)(PageModel&, int), int (*dec)(const PageModel&), int word2) {
        encodeHook = enc;
        decodeHook = dec;
        extraWord = word2;
        return *this;
    }
};

enum WordFlag : unsigned {
    kRestrictedVisible = 1u << 0,  // shown in the restricted view too
    kNeverShown = 1u << 1,         // the group stays hidden for the page's whole life
    kWordSaveOnlyKey = 1u << 2,    // the byte key is written by a save but never read
};

// One configuration word of a page and its group.
struct WordDesc {
    int number = 0;  // the chip's number of the word (CFG<number>)
    QString group;   // group box caption
    QString key;     // byte key; empty: the byte is computed from its fields
    int defaultValue = 0;
    QString loadLabel;    // label after a load, "%1" the byte in two hex digits
    QString changeLabel;  // label after a change of one of its fields
    unsigned flags = 0;
    QString note;         // text of a reserved group without controls
    int sectionSlot = 0;  // 1: the byte key lives in the page's second section

    WordDesc& labels(const char* afterLoad, const char* afterChange) {
        loadLabel = QString::fromUtf8(afterLoad);
        changeLabel = QString::fromUtf8(afterChange);
        return *this;
    }
    WordDesc& flagged(unsigned f) {
        flags |= f;
        return *this;
    }
    WordDesc& inSecondSection() {
        sectionSlot = 1;
        return *this;
    }
    WordDesc& reserved(const char* text) {
        note = QString::fromUtf8(text);
        return *this;
    }
};

// A chip model served by a page.
struct Variant {
    int chip = 0;
    QString caption;
    QString captionEn;
    QString section;                        // empty: the page's section
    QString section2;                       // empty: the page's second section
    QString keyTag;                         // replaces "%1" in keys
    QVector<QPair<QString, int>> defaults;  // key defaults that differ for this model
    int infoItem = -1;                      // item shown by Info fields
};

struct PageHooks {
    // Runs after the keys have been read and keyless fields decoded.
    void (*afterLoad)(PageModel&) = nullptr;
    // Runs after a user change of field `field` has written its bits.
    void (*afterChange)(PageModel&, int field) = nullptr;
    // Item texts of lists rebuilt from another field (null: the field's own items).
    QStringList (*items)(const PageModel&, int field) = nullptr;
    // Runs before a save writes the keys.
    void (*beforeSave)(PageModel&) = nullptr;
};

// Everything the engine needs to know about one page.
struct PageDesc {
    QString className;
    QString caption;  // the template's frame caption
    QString section;
    QString section2;         // a second section some keys live in (the trim pages' "...ADTS")
    QVector<WordDesc> words;  // in page order (the order of cfgBytes)
    QVector<FieldDesc> fields;
    QStringList keyOrder;  // the order of load and save
    QVector<Variant> variants;
    QVector<int> writeOrder;           // word numbers of the write-configuration payload
    QVector<int> wordZeroOrder;        // word numbers of the separate word-0 write (may be empty)
    bool saveOffered = true;           // the page has a save button
    bool loadOnlyForVariants = false;  // other chips: only the labels are refreshed
    bool saveOnlyForVariants = false;  // other chips: nothing is saved
    bool loadAtInit = true;            // initialise() loads the profile
    bool restrictedAtStart = true;     // initialise() ends in the restricted view
    QString saveCaption = message(Msg::PageSaveConfig, Language::Chinese);  // Chinese only
    PageHooks hooks;
};

// The field of `fields` with the caption given (the first field when none has it).
FieldDesc& fieldNamed(QVector<FieldDesc>& fields, const char* caption);

// Makes a page a trim page: every group visible from the start, the save button
// "保存到配置字".
void asTrimPage(PageDesc& desc);

// What is wrong with a page's tables: a keyed field or word whose key is missing from the
// key order, a key of the order that nothing holds, a key given twice. Empty when sound.
QStringList checkDescription(const PageDesc& desc);

// Builders for the tables of the pages.
FieldDesc listField(const char* caption, int word, int hi, int lo, QStringList items,
                    const char* key = nullptr, int def = 0);
FieldDesc checkField(const char* caption, int word, int bit, const char* key = nullptr,
                     int def = 0);
FieldDesc hexField(const char* caption, int word, int hi, int lo, const char* key = nullptr,
                   int def = 0);
FieldDesc infoField(const char* caption, int word, QStringList items);
// A word with the labels "CFG_<number> = 0x%1" and the group caption given.
WordDesc word(int number, const char* group, const char* key, int def, unsigned flags = 0);

// Item lists.
QStringList texts(std::initializer_list<const char*> items);
QStringList numbers(int first, int last);
// A long list of which only some texts are known: the known texts stand at their
// positions, every other entry shows the code its index writes ("#37").
QStringList sparseList(int count, std::initializer_list<QPair<int, const char*>> known,
                       const Codec& codec = {}, int width = 8);

}  // namespace tessel::chip
