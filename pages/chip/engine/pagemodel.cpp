#include "pages/chip/engine/pagemodel.h"

#include <limits>

#include <QDebug>

namespace tessel::chip {

PageModel::PageModel(const PageDesc& desc, Profile profile, QObject* parent)
    : QObject(parent),
      desc_(desc),
      profile_(std::move(profile)),
      bytes_(desc.words.size(), 0),
      selection_(desc.fields.size(), -1),
      editText_(desc.fields.size()),
      changedLabel_(desc.words.size(), false) {
    for (int f = 0; f < desc_.fields.size(); ++f) {
        if (desc_.fields[f].kind == ControlKind::Check)
            selection_[f] = 0;
    }
    for (const QString& key : desc_.keyOrder) {
        QPair<bool, int> target(false, -1);
        for (int w = 0; w < desc_.words.size() && target.second < 0; ++w) {
            if (desc_.words[w].key == key)
                target = {true, w};
        }
        for (int f = 0; f < desc_.fields.size() && target.second < 0; ++f) {
            if (desc_.fields[f].key == key)
                target = {false, f};
        }
        if (target.second < 0)
            qWarning() << desc_.className << "key without a target:" << key;
        keyTargets_.push_back(target);
    }
}

const Variant* PageModel::variant() const {
    for (const Variant& v : desc_.variants) {
        if (v.chip == chip_)
            return &v;
    }
    return nullptr;
}

QString PageModel::section(int slot) const {
    const Variant* v = variant();
    if (slot == 1)
        return v && !v->section2.isEmpty() ? v->section2 : desc_.section2;
    return v && !v->section.isEmpty() ? v->section : desc_.section;
}

QString PageModel::keyName(const QString& key) const {
    if (!key.contains(QLatin1String("%1")))
        return key;
    const Variant* v = variant();
    return key.arg(v ? v->keyTag : QString());
}

int PageModel::defaultFor(const QString& key, int def) const {
    if (const Variant* v = variant()) {
        for (const auto& [k, value] : v->defaults) {
            if (k == key)
                return value;
        }
    }
    return def;
}

int PageModel::position(int number) const {
    for (int w = 0; w < desc_.words.size(); ++w) {
        if (desc_.words[w].number == number)
            return w;
    }
    return -1;
}

uint8_t PageModel::word(int number) const {
    const int p = position(number);
    return p < 0 ? 0 : bytes_[p];
}

uint8_t& PageModel::wordRef(int number) {
    static uint8_t scratch = 0;
    const int p = position(number);
    return p < 0 ? scratch : bytes_[p];
}

void PageModel::setWord(int number, uint8_t value) {
    wordRef(number) = value;
}

std::vector<uint8_t> PageModel::writeWords() const {
    std::vector<uint8_t> out;
    for (int n : desc_.writeOrder)
        out.push_back(word(n));
    return out;
}

std::vector<uint8_t> PageModel::wordZeroWords() const {
    std::vector<uint8_t> out;
    for (int n : desc_.wordZeroOrder)
        out.push_back(word(n));
    return out;
}

std::vector<uint8_t> PageModel::trimBytes() const {
    std::vector<uint8_t> out = writeWords();
    for (int n : desc_.writeOrder) {
        for (int f = 0; f < desc_.fields.size(); ++f) {
            const FieldDesc& fd = desc_.fields[f];
            if ((fd.flags & kWriteFlag) && fd.word == n)
                out.push_back(selection_[f] != 0 ? 1 : 0);
        }
    }
    return out;
}

int PageModel::fieldIndex(const QString& caption) const {
    for (int f = 0; f < desc_.fields.size(); ++f) {
        if (desc_.fields[f].caption == caption)
            return f;
    }
    return -1;
}

QStringList PageModel::items(int f) const {
    const FieldDesc& fd = desc_.fields[f];
    if ((fd.flags & kRebuiltList) && desc_.hooks.items)
        return desc_.hooks.items(*this, f);
    return fd.items;
}

bool PageModel::lockTicked() const {
    for (int f = 0; f < desc_.fields.size(); ++f) {
        if ((desc_.fields[f].flags & kIsLock) && selection_[f] != 0)
            return true;
    }
    return false;
}

bool PageModel::fieldEnabled(int f) const {
    const unsigned flags = desc_.fields[f].flags;
    if (flags & kDisabled)
        return false;
    if ((flags & kCfg0Control) && !cfg0Enabled_)
        return false;
    if ((flags & kDisabledByLock) && lockTicked())
        return false;
    return true;
}

bool PageModel::wordVisible(int position) const {
    const unsigned flags = desc_.words[position].flags;
    if (flags & kNeverShown)
        return false;
    return fullView_ || (flags & kRestrictedVisible);
}

bool PageModel::fieldVisible(int f) const {
    const FieldDesc& fd = desc_.fields[f];
    if (fd.word < 0)
        return fullView_;
    const int p = position(fd.word);
    if (p < 0 || !wordVisible(p))
        return false;
    return fullView_ || !(fd.flags & kHideRestricted);
}

QString PageModel::caption() const {
    if (captionVariant_ < 0)
        return desc_.caption;
    const Variant& v = desc_.variants[captionVariant_];
    return language_ == 1 && !v.captionEn.isEmpty() ? v.captionEn : v.caption;
}

QString PageModel::fieldCaption(int f) const {
    const FieldDesc& fd = desc_.fields[f];
    return language_ == 1 && !fd.captionEn.isEmpty() ? fd.captionEn : fd.caption;
}

QString PageModel::label(int position) const {
    const WordDesc& w = desc_.words[position];
    const QString& tmpl = changedLabel_[position] ? w.changeLabel : w.loadLabel;
    return tmpl.arg(bytes_[position], 2, 16, QLatin1Char('0'));
}

QStringList PageModel::labels() const {
    QStringList l;
    for (int p = 0; p < desc_.words.size(); ++p)
        l << label(p);
    return l;
}

void PageModel::markChanged(int number) {
    const int p = position(number);
    if (p >= 0)
        changedLabel_[p] = true;
}

int PageModel::keyToSelection(int f, int value) const {
    const FieldDesc& fd = desc_.fields[f];
    switch (fd.kind) {
        case ControlKind::Check:
            return value != 0 ? 1 : 0;
        case ControlKind::HexEdit:
            return value;
        case ControlKind::Info:
            return -1;
        case ControlKind::List:
            break;
    }
    if (value < 0)
        return -1;
    return (fd.flags & kKeyHoldsCode) ? decodeCode(fd.codec, fd.width, value) : value;
}

int PageModel::selectionToKey(int f) const {
    const FieldDesc& fd = desc_.fields[f];
    const int sel = selection_[f];
    if (fd.kind == ControlKind::List && (fd.flags & kKeyHoldsCode)) {
        return sel < 0 ? -1 : encodeIndex(fd.codec, fd.width, sel);
    }
    return sel;
}

void PageModel::normaliseSelections() {
    for (int f = 0; f < desc_.fields.size(); ++f) {
        const FieldDesc& fd = desc_.fields[f];
        if (fd.kind != ControlKind::List)
            continue;
        if (selection_[f] >= items(f).size())
            selection_[f] = -1;
    }
}

void PageModel::decodeField(int f) {
    const FieldDesc& fd = desc_.fields[f];
    if (fd.decodeHook) {
        selection_[f] = fd.decodeHook(*this);
        return;
    }
    if (fd.width <= 0 || fd.kind == ControlKind::Info)
        return;
    const uint8_t byte = word(fd.word);
    const int code = (byte & fd.mask()) >> fd.shift;
    switch (fd.kind) {
        case ControlKind::HexEdit:
            editText_[f] = hexText(byte >> fd.shift);
            selection_[f] = code;
            break;
        case ControlKind::Check:
            selection_[f] = decodeCode(fd.codec, fd.width, code) != 0 ? 1 : 0;
            break;
        default: {
            const int index = decodeCode(fd.codec, fd.width, code);
            selection_[f] = index < items(f).size() ? index : -1;
            break;
        }
    }
}

void PageModel::encodeField(int f) {
    const FieldDesc& fd = desc_.fields[f];
    if (fd.encodeHook) {
        if (selection_[f] >= 0)
            fd.encodeHook(*this, selection_[f]);
        return;
    }
    if (fd.width <= 0 || fd.kind == ControlKind::Info)
        return;
    const int code = fd.kind == ControlKind::HexEdit
                         ? selection_[f]
                         : encodeIndex(fd.codec, fd.width, selection_[f]);
    if (fd.kind != ControlKind::HexEdit && code < 0)
        return;
    uint8_t& byte = wordRef(fd.word);
    const uint8_t mask = fd.mask();
    byte = static_cast<uint8_t>((byte & ~(mask | fd.clearBits)) |
                                ((static_cast<unsigned>(code) << fd.shift) & mask) | fd.setBits);
}

bool PageModel::keyIsRead(const QPair<bool, int>& target) const {
    const auto& [isWord, index] = target;
    if (index < 0)
        return false;
    return isWord ? !(desc_.words[index].flags & kWordSaveOnlyKey)
                  : !(desc_.fields[index].flags & kSaveOnlyKey);
}

void PageModel::checkRange(int keyPosition, const QString& section, const QString& key, int value) {
    const auto& [isWord, index] = keyTargets_[keyPosition];
    int high = 255;
    if (!isWord) {
        const FieldDesc& fd = desc_.fields[index];
        switch (fd.kind) {
            case ControlKind::Check:
                high = 1;
                break;
            case ControlKind::HexEdit:
                high = fd.width > 0 ? (1 << fd.width) - 1 : 255;
                break;
            case ControlKind::Info:
                return;
            case ControlKind::List: {
                // The list may be rebuilt from another field: judged once all keys are read.
                const int n = static_cast<int>(items(index).size());
                const int sel = keyToSelection(index, value);
                if (sel >= 0 && sel < n)
                    return;
                high = (fd.flags & kKeyHoldsCode) ? (1 << fd.width) - 1 : n - 1;
                outOfRange_.push_back({section, key, value, 0, high});
                return;
            }
        }
    }
    if (value < 0 || value > high)
        outOfRange_.push_back({section, key, value, 0, high});
}

void PageModel::loadFromProfile(int chipIndex) {
    chip_ = chipIndex;
    outOfRange_.clear();
    std::fill(changedLabel_.begin(), changedLabel_.end(), false);
    const Variant* v = variant();
    if (!v && desc_.loadOnlyForVariants) {
        Q_EMIT changed();
        return;
    }
    if (v)
        captionVariant_ = static_cast<int>(v - desc_.variants.data());

    std::vector<QPair<int, int>> present;  // (key position, value) of the keys the file holds
    for (int k = 0; k < desc_.keyOrder.size(); ++k) {
        const auto& [isWord, index] = keyTargets_[k];
        if (!keyIsRead(keyTargets_[k]))
            continue;
        const QString& key = desc_.keyOrder[k];
        const int def = isWord ? desc_.words[index].defaultValue : desc_.fields[index].defaultValue;
        const int slot = isWord ? desc_.words[index].sectionSlot : desc_.fields[index].sectionSlot;
        // A key the file holds is checked against what its control takes; a missing one
        // takes its default.
        constexpr int kMissing = std::numeric_limits<int>::min();
        int value = profile_.readInt(section(slot), keyName(key), kMissing);
        if (value == kMissing)
            value = profile_.readInt(section(slot), keyName(key), defaultFor(key, def));
        else
            present.push_back({k, value});
        if (isWord) {
            bytes_[index] = static_cast<uint8_t>(value & 0xFF);
        } else {
            selection_[index] = keyToSelection(index, value);
            if (desc_.fields[index].kind == ControlKind::HexEdit) {
                editText_[index] = hexText(static_cast<uint32_t>(value));
            }
        }
    }
    for (int f = 0; f < desc_.fields.size(); ++f) {
        const FieldDesc& fd = desc_.fields[f];
        if (fd.kind == ControlKind::Info) {
            selection_[f] = v ? v->infoItem : -1;
        } else if ((fd.key.isEmpty() || (fd.flags & kSaveOnlyKey)) &&
                   (fd.width > 0 || fd.decodeHook)) {
            decodeField(f);
            // Putting the value into an entry field runs the field's handler.
            if (fd.kind == ControlKind::HexEdit)
                encodeField(f);
        }
    }
    normaliseSelections();
    if (desc_.hooks.afterLoad)
        desc_.hooks.afterLoad(*this);
    for (const auto& [k, value] : present) {
        const int slot = keyTargets_[k].first ? desc_.words[keyTargets_[k].second].sectionSlot
                                              : desc_.fields[keyTargets_[k].second].sectionSlot;
        checkRange(k, section(slot), keyName(desc_.keyOrder[k]), value);
    }
    Q_EMIT changed();
}

void PageModel::finishReadBack(int chipIndex) {
    chip_ = chipIndex;
    if (const Variant* v = variant())
        captionVariant_ = static_cast<int>(v - desc_.variants.data());
    std::fill(changedLabel_.begin(), changedLabel_.end(), false);
    normaliseSelections();
    Q_EMIT changed();
}

void PageModel::initialise(int chipIndex) {
    if (desc_.loadAtInit)
        loadFromProfile(chipIndex);
    else
        chip_ = chipIndex;
    setFullView(!desc_.restrictedAtStart);
}

bool PageModel::saveToProfile() {
    if (!desc_.saveOffered)
        return false;
    if (!variant() && desc_.saveOnlyForVariants)
        return false;
    if (desc_.hooks.beforeSave)
        desc_.hooks.beforeSave(*this);
    bool ok = true;
    for (int k = 0; k < desc_.keyOrder.size(); ++k) {
        const auto& [isWord, index] = keyTargets_[k];
        if (index < 0)
            continue;
        const int value = isWord ? bytes_[index] : selectionToKey(index);
        const int slot = isWord ? desc_.words[index].sectionSlot : desc_.fields[index].sectionSlot;
        ok = profile_.writeInt(section(slot), keyName(desc_.keyOrder[k]), value) && ok;
    }
    return ok;
}

void PageModel::setFullView(bool show) {
    fullView_ = show;
    Q_EMIT changed();
}

void PageModel::applyCfg0(uint8_t value) {
    const int p = position(0);
    if (p < 0)
        return;
    bytes_[p] = value;
    changedLabel_[p] = false;
    for (int f = 0; f < desc_.fields.size(); ++f) {
        const FieldDesc& fd = desc_.fields[f];
        if (fd.word == 0 && fd.kind != ControlKind::HexEdit)
            decodeField(f);
    }
    normaliseSelections();
    Q_EMIT changed();
}

void PageModel::enableCfg0Controls(bool enable) {
    cfg0Enabled_ = enable;
    Q_EMIT changed();
}

void PageModel::applyLanguage(int language) {
    language_ = language;
    Q_EMIT changed();
}

bool PageModel::choose(int f, int index) {
    if (f < 0 || f >= desc_.fields.size())
        return false;
    const FieldDesc& fd = desc_.fields[f];
    if (!fieldEnabled(f) || !fieldVisible(f))
        return false;
    switch (fd.kind) {
        case ControlKind::Check:
            if (index != 0 && index != 1)
                return false;
            break;
        case ControlKind::List:
            if (index < 0 || index >= items(f).size())
                return false;
            break;
        default:
            return false;
    }
    selection_[f] = index;
    encodeField(f);
    if (fd.width > 0 || fd.encodeHook)
        markChanged(fd.word);
    if (fd.extraWord >= 0)
        markChanged(fd.extraWord);
    normaliseSelections();
    if (desc_.hooks.afterChange)
        desc_.hooks.afterChange(*this, f);
    if (fd.flags & kAutoSave)
        saveToProfile();
    Q_EMIT changed();
    return true;
}

bool PageModel::setEditText(int f, const QString& text) {
    if (f < 0 || f >= desc_.fields.size())
        return false;
    const FieldDesc& fd = desc_.fields[f];
    if (fd.kind != ControlKind::HexEdit || !fieldEnabled(f) || !fieldVisible(f))
        return false;
    editText_[f] = text;
    selection_[f] = static_cast<int>(parseHexText(text));
    encodeField(f);
    markChanged(fd.word);
    if (desc_.hooks.afterChange)
        desc_.hooks.afterChange(*this, f);
    if (fd.flags & kAutoSave)
        saveToProfile();
    Q_EMIT changed();
    return true;
}

}  // namespace tessel::chip
