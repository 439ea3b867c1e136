#pragma once

#include "link/report.h"

#include <cstdint>
#include <vector>

namespace tessel {
namespace readback {

// Where the board puts each byte of its configuration, configuration-word-0 and trim replies,
// per chip family: one table per family (readback.cpp), chosen by the family of the chip's
// catalogue entry; the counts that vary within a family (configuration and trim words, read
// CRCs, trim status, model bit) come from the catalogue entry too. The simulated board builds its
// replies from these positions and the operation sequences read their log lines from them.
// Positions are report byte indices (byte 0 is the report ID, byte 1 the reply code). -1 means "not
// in this reply".
//
// Configuration words are numbered as the chip numbers them (CFG0, CFG1, ...). For the
// KR41xx chips, which send their words without inverses, the "word" is the wire slot: slot k
// is payload byte k of the write-configuration command (for chip 1 slots 4 and 5 carry the
// page's sixth and fifth words).
//
// Read reply (0x82):
//   KR41xx (0-7)   slots 0..w-1 at 2..w+1, CRC1..CRC3 right after, status 19; the variant
//                  byte is byte 7 (slot 5).
//   MCU01 (8, 9)   CFG0 at 2, CFGk at 1+2k and ~CFGk at 2+2k (k 1..7, bytes 3..16),
//                  CRC1..CRC7 at 17..23, ~ICTYPE 24, ICTYPE 25, status 27.
//   MCU02 (10-12)  CFG1,~CFG1 ... CFG9,~CFG9, CFG12,~CFG12, CFG13,~CFG13 at 2..23,
//                  CRC0..CRC13 at 24..37, CFG0 38, CFG10 39, CFG11 40, IC_TYPE 41,
//                  ~IC_TYPE 42, VD15 43, ~VD15 44, protection byte 53, status 54.
//   MCU04 (13)     CFGk at 2k and ~CFGk at 2k+1 (k 1..25, bytes 2..51) except byte 47
//                  (~CFG23), which holds the status; CFG0 52, protection byte 53, CFG30 54,
//                  IC_TYPE 55, ~IC_TYPE 56, CRC0 57, CRC30 58.
// Write reply (0x89): the sent payload echoed from byte 2 (not for MCU04), then:
//   KR41xx         read-back slots from 12 (CFG0 at 12), CRC1..CRC3 at 22..24, status 26;
//                  the variant byte is byte 17.
//   MCU01          read-back pairs CFG1,~CFG1 .. CFG7,~CFG7 at 22..35, CRC1..CRC7 36..42,
//                  CFG0 49, status 50.
//   MCU02          read-back pairs at 26..47 (same order as the read), CRCs of the eleven
//                  words at 48..58, CFG0 61, status 62.
//   MCU04          read-back pairs CFG1..CFG25 at 2..51, CRC1..CRC9 of the first words at
//                  52..60, CFG0 61, status 62.
// Configuration word 0 reply (0x84): chips 0-9 echo CFG0 at 2 and read it back at 3;
//   MCU02 echoes CFG0, CFG10, CFG11 at 2..4, reads them back at 7..9, CRC0/CRC10/CRC11 at
//   10..12, status 17; MCU04 echoes CFG0, CFG30 at 2..3, reads back at 7..8, CRC0/CRC30 at
//   10..11, status 17.
// Trim reply (0x8D): the sent words echoed from byte 2 and read back right after them
//   (chips 0-9 and 10-12), status byte 16 (5, 7), 18 (8, 9), 24 (10-12); chip 13 reads its
//   38 words back at 2..39 with status 40. Chips 0-4 and 6 have no status byte.

constexpr int kNone = -1;

// --- Configuration words ------------------------------------------------------------------

// Bytes of the write-configuration payload (from byte 2): 3, 7, 9, 10, 15, 22, 50.
int configPayloadLength(int chip);
// Configuration words the chip holds: KR41xx slots, or the highest CFG number + 1.
int configWordCount(int chip);
// The CFG numbers the MCU families send as word/inverse pairs, in wire order.
std::vector<int> pairedWords(int chip);

int readStatusPos(int chip);  // 19, 27, 54, 47
// Bytes of a passing read the sequences keep as their copy: 15 (0-9), 22 (10-12), 50 (13).
int configCopyLength(int chip);
int writeStatusPos(int chip);  // 26, 50, 62, 62

// Position of a word (KR41xx slot or CFG number) and of its inverse in the read reply.
int readWordPos(int chip, int word);
int readInversePos(int chip, int word);
// Position of CRC k in the read reply (KR41xx CRC1..CRC3, MCU01 CRC1..CRC7, MCU02
// CRC0..CRC13, MCU04 CRC0 and CRC30).
int readCrcPos(int chip, int k);

// Read-back words after a write.
int writeWordPos(int chip, int word);
int writeInversePos(int chip, int word);
// Where the written payload is echoed (kNone for MCU04).
int writeEchoPos(int chip);
// First byte of the read-back block the sequence compares with what it sent, and its
// length: KR41xx 12/13.. (see compareStart), MCU01 22/14, MCU02 26/22, MCU04 2/50.
int writeCompareStart(int chip);
int writeCompareLength(int chip);
int writeCrcPos(int chip, int k);  // k counts from 0

// ICTYPE and its inverse (MCU families), protection byte (10-13), kNone elsewhere.
int icTypePos(int chip);
int icTypeInversePos(int chip);
int vd15Pos(int chip);
int protectPos(int chip);

// The byte and bit that tell whether the EEPROM is enabled in a read reply (10-13):
// CFG8 bit 1 ("EEPROM_EN") for 10-12, CFG11 bit 0 ("EEP_EN") for 13.
struct BitPos {
    int byte = kNone;
    int bit = 0;
};
BitPos eepromEnable(int chip);
// The same bit as a configuration word number (CFG8 or CFG11) and bit; word kNone without.
struct WordBit {
    int word = kNone;
    int bit = 0;
};
WordBit eepromEnableWord(int chip);

// The variant bit of chips 3 to 7 (slot 5): bit 1 for 3, 4 and 6, bit 0 for 5 and 7; and the
// value it must have. The MCU01 chip bit is CFG1 bit 0, set for chip 8.
BitPos variantBit(int chip, bool afterWrite);
bool variantBitValue(int chip);

// --- Configuration word 0 (0x84) ----------------------------------------------------------

// Words written: 1 (chips 0-9), 3 (10-12: CFG0, CFG10, CFG11), 2 (13: CFG0, CFG30).
int cfg0WordCount(int chip);
int cfg0EchoPos(int chip);      // 2
int cfg0ReadBackPos(int chip);  // 3 for 0-9, 7 for 10-13
int cfg0CrcPos(int chip);       // first CRC byte (10-13), kNone otherwise
int cfg0StatusPos(int chip);    // 17 for 10-13, kNone otherwise

// --- Trim words (0x8D) --------------------------------------------------------------------

int trimWordCount(int chip);  // 3, 4, 5, 8, 11, 38
int trimEchoPos(int chip);    // 2 (kNone for 13)
int trimReadBackPos(int chip);
int trimStatusPos(int chip);  // 16, 18, 24, 40 or kNone

}  // namespace readback
}  // namespace tessel
