#pragma once

#include "pages/chip/engine/pagemodel.h"

namespace tessel {

// The trim pages of the KR41xx family. Each composes its trim bytes (some of the chip's
// configuration words, then OSC_REG) and saves the shared choices and bytes into the
// configuration page's section, the trim-only ones into its own "...ADTS" section.
// trimBytes() gives the bytes in the order the write-trim command sends them.

// KR4121 (chip 0): CFG0, CFG1, OSC_REG.
class CKR4121Adt : public chip::PageModel {
    Q_OBJECT
public:
    explicit CKR4121Adt(Profile profile, QObject* parent = nullptr);
    static const chip::PageDesc& description();
};

// KR4111 (chip 1): the chip's CFG1, CFG2, CFG3 (shown as CFG0 to CFG2), OSC_REG.
class CKR4111Adt : public chip::PageModel {
    Q_OBJECT
public:
    explicit CKR4111Adt(Profile profile, QObject* parent = nullptr);
    static const chip::PageDesc& description();
};

// KR4112 (chip 2): the chip's CFG1 to CFG4 (shown as CFG0 to CFG3), OSC_REG.
class CKR4112Adt : public chip::PageModel {
    Q_OBJECT
public:
    explicit CKR4112Adt(Profile profile, QObject* parent = nullptr);
    static const chip::PageDesc& description();
};

// KR4152, KR4161, KR4115W/KR4113 (chips 3, 4, 6): the chip's CFG1 to CFG4 (shown as CFG0
// to CFG3), OSC_REG; caption and sections by chip.
class CKR4113Adt : public chip::PageModel {
    Q_OBJECT
public:
    explicit CKR4113Adt(Profile profile, QObject* parent = nullptr);
    static const chip::PageDesc& description();
};

// KR4115/56/17 and KR4116/4311/12A (chips 5, 7): CFG1 to CFG4, OSC_REG.
class CKR4116Adt : public chip::PageModel {
    Q_OBJECT
public:
    explicit CKR4116Adt(Profile profile, QObject* parent = nullptr);
    static const chip::PageDesc& description();
};

}  // namespace tessel
