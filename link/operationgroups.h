#pragma once

// The units of the operation groups. Each is a sequence of steps run by the
// OperationSequencer's step runner: it starts once the common start (select chip, enter
// programming mode) has brought the target into programming mode, sends its commands or
// starts its transfers through the runner, and ends through finishOperation(Outcome).

#include "link/sequencer.h"

#include <cstdint>
#include <vector>

namespace tessel {

// Status bytes the board puts in byte 2 of its replies.
namespace replystatus {
constexpr uint8_t kDone = 0x01;         // an erase or check passed
constexpr uint8_t kProgramming = 0x87;  // enter: in programming mode; leave: still in it
constexpr uint8_t kSupplyOk = 0xAA;     // the supply switched
}  // namespace replystatus

// "一键写Flash", "读取Flash", "读配置字" (programmingsequence.cpp).
class ProgrammingSequence {
public:
    explicit ProgrammingSequence(OperationSequencer& run) : run_(run) {}
    void programmingEntered();
    int verifyFlash(uint32_t length);

private:
    void configRead(const LinkNotification& n);
    void mainBlockErased(const LinkNotification& n);
    void writeKr4121Words();
    void kr4121WordsWritten(const LinkNotification& n);
    void writeWordZero();
    void wordZeroWritten(const LinkNotification& n);
    void startFlashWrite();
    void flashWrite(const LinkNotification& n);
    void startFlashRead();
    void flashRead(const LinkNotification& n);
    void flashReadFinished();
    void logRetry();

    OperationSequencer& run_;
    uint8_t cfg0Sent_ = 0;
    uint32_t readLength_ = 0;
    int transferAttempt_ = 0;  // start notifications of the running flash transfer
};

// "写EEPROM", "读EEPROM" (eepromsequence.cpp).
class EepromSequence {
public:
    explicit EepromSequence(OperationSequencer& run) : run_(run) {}
    void programmingEntered();
    bool verify(uint32_t length, int chip);

private:
    void configRead(const LinkNotification& n);
    void erase();
    void erased(const LinkNotification& n);
    void write(const LinkNotification& n);
    void startRead();
    void read(const LinkNotification& n);
    bool upperHalfErased(int chip) const;

    OperationSequencer& run_;
    int sizeCode_ = 0;  // what the configuration said about the EEPROM, sent with the erase
};

// "写配置字" (configwrite.cpp).
class ConfigWriteSequence {
public:
    explicit ConfigWriteSequence(OperationSequencer& run) : run_(run) {}
    void programmingEntered();

private:
    void infoBlockErased(const LinkNotification& n);
    void wordsWritten(const LinkNotification& n);
    void writeWordZero();
    void wordZeroWritten(const LinkNotification& n);

    OperationSequencer& run_;
    std::vector<uint8_t> sent_;                 // the payload last sent
    bool wordsOk_ = false;                      // the 0x89 step passed
    Msg wordsVerdict_ = Msg::ConfigWordsWrong;  // what it said when it did not
};

// "进入修调", "写修调", "退出修调" (trimsequence.cpp).
class TrimSequence {
public:
    explicit TrimSequence(OperationSequencer& run) : run_(run) {}
    // The target is in programming mode: it stays there for the trim writes.
    void programmingEntered();
    bool startWrite();
    void leave();
    void release();
    void drop();
    // A trim write is a single exchange inside trim mode: it ends without leaving
    // programming mode.
    void endWrite(const Outcome& outcome);

private:
    void written(const LinkNotification& n);

    OperationSequencer& run_;
    std::vector<uint8_t> sent_;
};

}  // namespace tessel
