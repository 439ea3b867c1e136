#pragma once

#include "pages/chip/engine/pagemodel.h"

namespace tessel {

// The configuration-word pages of the KR41xx family. Each is a PageModel driven by its
// table; the classes add the accessors the write sequences and the file writer use.

// KR4121 (chip 0): CFG0, CFG1, CFG2 and the lock of CFG0/CFG1.
class CKR4121Confg : public chip::PageModel {
    Q_OBJECT
public:
    explicit CKR4121Confg(Profile profile, QObject* parent = nullptr);
    static const chip::PageDesc& description();

    uint8_t cfg0() const { return word(0); }
    uint8_t cfg1() const { return word(1); }
    uint8_t cfg2() const { return word(2); }
    // 1 while CFG0 and CFG1 are locked: the configuration write then sends the held
    // copy of the chip's CFG0/CFG1 and only CFG2 from this page.
    int lockCfg01() const;
};

// KR4111 (chip 1): CFG0 to CFG6; the write sends the fifth and sixth words swapped.
class CKR4111Confg : public chip::PageModel {
    Q_OBJECT
public:
    explicit CKR4111Confg(Profile profile, QObject* parent = nullptr);
    static const chip::PageDesc& description();
};

// KR4112 (chip 2): CFG0 to CFG8.
class CKR4112Confg : public chip::PageModel {
    Q_OBJECT
public:
    explicit CKR4112Confg(Profile profile, QObject* parent = nullptr);
    static const chip::PageDesc& description();
};

// KR4152, KR4161, KR4115W/KR4113 (chips 3, 4, 6): CFG0 to CFG9.
class CKR4113Confg : public chip::PageModel {
    Q_OBJECT
public:
    explicit CKR4113Confg(Profile profile, QObject* parent = nullptr);
    static const chip::PageDesc& description();
};

// KR4115/56/17 and KR4116/4311/12A (chips 5, 7): CFG0 to CFG9.
class CKR4116Confg : public chip::PageModel {
    Q_OBJECT
public:
    explicit CKR4116Confg(Profile profile, QObject* parent = nullptr);
    static const chip::PageDesc& description();
};

}  // namespace tessel
