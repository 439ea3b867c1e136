#pragma once

#include "app/prompts.h"
#include "link/report.h"

#include <cstdint>
#include <vector>

namespace tessel {

// The configuration and trim payloads the board takes, the parts of its replies that the
// write sequences compare with them, and their log lines. Positions are report byte indices
// (byte 1 is the reply code).
namespace configwrite {

// The write-configuration payload (0x89, from byte 2) built from the configuration page's
// words in send order (without inverses): the KR41xx words as they are (3, 7, 9 or 10),
// MCU01 CFG0 then seven words each followed by its inverse, MCU02 eleven and MCU04
// twenty-five words each followed by its inverse. Empty when the word count is wrong.
std::vector<uint8_t> configPayload(int chip, const std::vector<uint8_t>& words);

// The sent bytes a write reply is compared with and where the reply holds them: chips 1 to
// 7 the words after the first from byte 13, 8 and 9 the 14 bytes after CFG0 from byte 22,
// 10 to 12 all 22 bytes from byte 26, 13 all 50 bytes from byte 2.
struct Comparison {
    int sentFrom = 0;  // first payload byte compared
    int count = 0;
    int replyFrom = 0;
};
Comparison configComparison(int chip);
bool configMatches(int chip, const std::vector<uint8_t>& payload, const Report& reply);

// The information-block write/erase protection bit (bit 1 of the CFG0 read back after a
// write) of chips 1 to 12; false for the chips that do not report it.
bool infoBlockProtected(int chip, const Report& reply);

// Logs the written words and the words read back after a write, in the family's formats,
// then the reply's CRC bytes.
void logConfigWrite(int chip, const std::vector<uint8_t>& payload, const Report& reply,
                    LogSink& log);

// The separate word-0 write of chips 10 to 13 (0x84): CFG0, words 10 and 11 (10 to 12) or
// CFG0 and word 30 (13). Logs the written and read-back words and CRCs, judges the reply's
// status byte 17 and read-back bytes 7 onward; true when both passed.
bool judgeWordZeroWrite(int chip, const std::vector<uint8_t>& sent, const Report& reply,
                        LogSink& log);

// --- Trim words (0x8D) -------------------------------------------------------------------

// Trim bytes per chip: 3, 4, 5 (2 to 7), 8, 11, 38.
int trimLength(int chip);
// Where the board's status byte is (16 for 5 and 7, 18 for 8 and 9, 24 for 10 to 12, 40 for
// 13; -1 for the chips without one) and where it reads the trim words back (7 for 0 to 7,
// 10 for 8 and 9, 13 for 10 to 12, 2 for 13).
int trimStatusByte(int chip);
int trimReadBackByte(int chip);
// Logs the written and read-back trim words in the family's formats.
// VE5812DUZI also logs the nineteen write flags it sent and read back.
void logTrimWrite(int chip, const std::vector<uint8_t>& sent, const Report& reply, LogSink& log);
// One line for each trim byte read back other than sent: which word (or, on VE5812DUZI,
// which word's write flag, counted from 1) and both values.
void logTrimDifferences(const std::vector<uint8_t>& sent, const Report& reply, int chip,
                        LogSink& log);

}  // namespace configwrite
}  // namespace tessel
