#pragma once

#include "app/outcome.h"

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace tessel {

class ProgrammerSession;
struct SharedState;

// One line of the traceability log: which chip got which image, and how it ended.
struct TraceRecord {
    QDateTime time;     // when the operation ended (written with its offset from UTC)
    QString serial;     // the board's serial number
    QString chip;       // the chip model as the chip combo shows it
    QString operation;  // "program", "read-flash", "write-config", ...
    QString imageFile;  // the image's file name (no directory), empty when none
    std::optional<uint32_t> imageLength;
    std::optional<uint32_t> imageChecksum;
    std::vector<uint8_t> configWritten;  // configuration or trim bytes sent, in wire order
    bool ok = false;                     // OK / NG
    QString reason;                      // the outcome's reason key ("ok", "verify-failed", ...)
    qint64 durationMs = 0;
};

// The traceability log: one CSV record (RFC 4180, UTF-8) for every operation that reached a
// chip, appended to a file that starts with a header line. Each record is written with one
// write() on a file opened for appending, under an exclusive lock shared with every other
// program writing the same file, so a crash never leaves half a record; a half line someone
// else left at the end is ended first, so the next record starts a line of its own.
class TraceLog : public QObject {
    Q_OBJECT
public:
    // The log's default name, in the profile's directory.
    static constexpr const char* kFileName = "tessel-log.csv";

    explicit TraceLog(const QString& path, QObject* parent = nullptr);

    // Records every operation of session that reached its board, from now on, into the file
    // at path. The log belongs to the session (it goes with it).
    static TraceLog* attach(ProgrammerSession& session, const QString& path);
    // The log next to the profile state names ("tessel-log.csv").
    static QString defaultPath(const SharedState& state);

    const QString& path() const { return path_; }
    // The image name recorded for operations without a loaded image file (an EEPROM image
    // given to the command line); empty: none.
    void setImageName(const QString& name) { imageName_ = name; }

    // Appends one record (with the header line when the file is new or empty). False when
    // the file could not be written; nothing of the record is then left in it.
    bool append(const TraceRecord& record);

    static QByteArray headerLine();
    static QByteArray recordLine(const TraceRecord& record);
    // One field as RFC 4180 writes it: quoted when it holds a comma, a quote or a line break.
    static QByteArray field(const QString& text);
    // "2026-12-09T10:15:30.250+01:00"
    static QString isoTime(const QDateTime& time);

Q_SIGNALS:
    // A record could not be written to the file at path.
    void writeFailed(const QString& path);

private:
    void operationEnded(ProgrammerSession& session, const Outcome& outcome);

    QString path_;
    QString imageName_;
    quint64 lastNumber_ = 0;  // the last operation recorded (one record each)
};

}  // namespace tessel
