#pragma once

#include "app/profile.h"
#include "pages/chip/engine/pagedesc.h"

#include <QObject>

#include <cstdint>
#include <vector>

namespace tessel::chip {

// The widget-free state of one configuration or trim page: its bytes, the state of every
// control and the profile load and save, all driven by the page's tables. A view mirrors
// it and forwards the user's actions (choose, setEditText, saveToProfile).
class PageModel : public QObject {
    Q_OBJECT
public:
    PageModel(const PageDesc& desc, Profile profile, QObject* parent = nullptr);

    const PageDesc& desc() const { return desc_; }
    Profile& profile() { return profile_; }

    // --- Operations of the programming page and the sequences ---

    // Fills every control and byte from the profile (defaults for missing keys). Pages that
    // serve several chips take their section, caption and some defaults from chipIndex.
    void loadFromProfile(int chipIndex);
    // What the page does once when it is created: load, then the restricted view.
    void initialise(int chipIndex);
    // Writes the page's keys in their order. False when the page saves nothing for the
    // current chip (or offers no save) or a write failed.
    bool saveToProfile();
    void setFullView(bool show);
    bool fullView() const { return fullView_; }
    // Takes word 0 from a mass-production file and moves the word-0 controls to match.
    void applyCfg0(uint8_t value);
    void enableCfg0Controls(bool enable);
    // The language of the page's captions (only pages with English captions change).
    void applyLanguage(int language);

    // The bytes in page order.
    std::vector<uint8_t> cfgBytes() const { return bytes_; }
    // A word by the chip's number (CFG<number>); 0 for a number the page does not hold.
    uint8_t word(int number) const;
    // The words of the write-configuration command, in the order sent (without inverses).
    std::vector<uint8_t> writeWords() const;
    // The words of the separate word-0 write of the MCU families (CFG0, then 10 and 11 or 30).
    std::vector<uint8_t> wordZeroWords() const;
    // What the write-trim command carries, in the order sent: the words of writeOrder, then,
    // on pages with write flags, the flag (0 or 1) of each of those words in the same order.
    std::vector<uint8_t> trimBytes() const;

    // A value the last load found in the profile outside what its control or byte can hold
    // (it was taken all the same: a byte keeps its low eight bits, a list index outside its
    // list leaves the list without a choice, any value other than 0 ticks a check box).
    struct ValueOutOfRange {
        QString section;
        QString key;
        int value = 0;
        int low = 0;
        int high = 0;
    };
    const std::vector<ValueOutOfRange>& valuesOutOfRange() const { return outOfRange_; }

    int chipIndex() const { return chip_; }
    // The variant of the current chip, or null when the page does not serve it.
    const Variant* variant() const;

    // --- State shown by a view ---

    int fieldCount() const { return desc_.fields.size(); }
    const FieldDesc& field(int f) const { return desc_.fields[f]; }
    int fieldIndex(const QString& caption) const;  // -1 when unknown
    // The current choice: item index (-1 none), 0/1 for a check box, the parsed value of an
    // entry field.
    int selection(int f) const { return selection_[f]; }
    bool checked(int f) const { return selection_[f] != 0; }
    QString editText(int f) const { return editText_[f]; }
    QStringList items(int f) const;
    bool fieldEnabled(int f) const;
    bool fieldVisible(int f) const;
    bool wordVisible(int position) const;
    bool saveVisible() const { return desc_.saveOffered && fullView_; }
    QString caption() const;
    QString fieldCaption(int f) const;
    QString label(int position) const;
    QStringList labels() const;
    int position(int number) const;  // page position of word CFG<number>, -1 when none

    // --- The user's actions ---

    // A list choice (`activated`) or a check box click (0/1). False when the control is
    // disabled, hidden or the index is not in the list.
    bool choose(int f, int index);
    bool choose(const QString& caption, int index) { return choose(fieldIndex(caption), index); }
    // The text of an entry field changed (typed, or put there by the page).
    bool setEditText(int f, const QString& text);

    // --- For hooks and page classes ---
    uint8_t& wordRef(int number);
    void setWord(int number, uint8_t value);
    void setSelection(int f, int index) { selection_[f] = index; }
    void decodeField(int f);
    void encodeField(int f);
    void markChanged(int number);
    void notify() { Q_EMIT changed(); }
    // Ends taking read-back words into the page: the chip's caption, the labels in their
    // after-load form, the lists checked against their items.
    void finishReadBack(int chipIndex);

Q_SIGNALS:
    void changed();

protected:
    QString section(int slot = 0) const;
    QString keyName(const QString& key) const;
    bool lockTicked() const;
    int keyToSelection(int f, int value) const;
    bool keyIsRead(const QPair<bool, int>& target) const;
    int selectionToKey(int f) const;
    int defaultFor(const QString& key, int def) const;
    void normaliseSelections();

private:
    const PageDesc& desc_;
    Profile profile_;
    std::vector<uint8_t> bytes_;
    std::vector<int> selection_;
    std::vector<QString> editText_;
    std::vector<bool> changedLabel_;
    int chip_ = -1;
    int language_ = 0;
    bool fullView_ = true;
    bool cfg0Enabled_ = true;
    int captionVariant_ = -1;                   // the variant whose caption the frame shows
    std::vector<QPair<bool, int>> keyTargets_;  // per key of keyOrder: (is a word, index)
    std::vector<ValueOutOfRange> outOfRange_;   // of the last load
    void checkRange(int keyPosition, const QString& section, const QString& key, int value);
};

}  // namespace tessel::chip
