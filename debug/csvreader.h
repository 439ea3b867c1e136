#pragma once

#include "debug/samplerecord.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <vector>

namespace tessel::csv {

// A debug data file read back: the CSV file a run wrote (debugcsv.h), for replay and
// qualification without the board.
struct ReadResult {
    bool ok = false;
    // Why the file was refused (the line it stops making sense at is in the text) and that
    // line, from 1.
    QString error;
    int errorLine = 0;
    int channels = 0;
    // Every record in the order of the file, and where each header block starts in it. A
    // second pause in the same second appends the run's samples again under a new header.
    std::vector<SampleRecord> records;
    std::vector<size_t> blocks;

    // The records of the last header block: the whole run when a later pause appended.
    std::vector<SampleRecord> lastBlock() const;
};

// Reads the text of a debug data file of chip `chipIndex` (its CSV columns: key flags for
// chips 3 to 9; Differ in the chip's sign). Accepts LF line ends, blank lines and a UTF-8
// byte order mark besides what the program writes. Messages in `language` (0 Chinese,
// 1 English).
// Larger files are refused (the samples would not fit in memory).
constexpr qint64 kLargestFile = qint64(512) << 20;

ReadResult read(const QByteArray& text, int chipIndex, uint8_t language);
ReadResult readFile(const QString& path, int chipIndex, uint8_t language);

}  // namespace tessel::csv
