#pragma once

#include "debug/samplestore.h"

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QString>

#include <atomic>
#include <thread>

namespace tessel {

// The CSV file of a debug run's samples, byte for byte as the Windows program writes it:
// 8-bit text, CR LF line ends, "%d" numbers, every value followed by a comma.
namespace csv {

// "2019-8-20-9-5-7-SaveData.csv": year, month, day, hour, minute, second of the given
// moment in UTC+8 (China time), without leading zeros.
QString fileName(const QDateTime& moment);
// The two header lines for n channels.
QByteArray header(int channels, int chipIndex);
// One record line, numbered from 0 within the file written.
void appendRecord(QByteArray* out, int number, const SampleRecord& record, int channels,
                  int chipIndex);

}  // namespace csv

// Writes a snapshot of the samples to a CSV file on a thread of its own and reports progress
// and the end as queued signals on the thread that owns it. One write at a time.
class CsvWriter : public QObject {
    Q_OBJECT
public:
    enum class Mode { Append, Truncate };

    explicit CsvWriter(QObject* parent = nullptr);
    ~CsvWriter() override;

    // False when a write is still running. The header and records follow the chip's layout.
    bool start(const QString& path, SampleStore::Snapshot samples, int channels, int chipIndex,
               Mode mode = Mode::Append);
    bool busy() const { return busy_; }
    // Waits for a running write to end (for the command line and for shutting down).
    void wait();

Q_SIGNALS:
    void progress(qint64 done, qint64 total);
    // ok false: the file could not be opened (opened false) or written.
    void finished(bool ok, bool opened, const QString& path);

private:
    void run(QString path, SampleStore::Snapshot samples, int channels, int chipIndex, Mode mode);
    void done(bool ok, bool opened, const QString& path);

    std::thread thread_;
    bool busy_ = false;
    std::atomic<bool> cancel_{false};
};

}  // namespace tessel
