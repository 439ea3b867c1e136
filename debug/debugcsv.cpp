#include "debug/debugcsv.h"

#include "app/chipcatalogue.h"

#include <QFile>
#include <QMetaObject>
#include <QTimeZone>

#include <cstdio>

namespace tessel::csv {

QString fileName(const QDateTime& moment) {
    const QDateTime china = moment.toUTC().addSecs(8 * 3600);
    const QDate d = china.date();
    const QTime t = china.time();
    return QStringLiteral("%1-%2-%3-%4-%5-%6-SaveData.csv")
        .arg(d.year())
        .arg(d.month())
        .arg(d.day())
        .arg(t.hour())
        .arg(t.minute())
        .arg(t.second());
}

QByteArray header(int n, int chip) {
    const QByteArray commas(n, ',');
    QByteArray out = ",Baseline" + commas + ",Rawdata" + commas + ",Differ";
    if (chipInfo(chip).csvKeyFlags)
        out += commas + "KeyFlagSN";
    out += "\r\n";
    QByteArray names;
    for (int i = 0; i < n; ++i)
        names += "Ch" + QByteArray::number(i) + ',';
    out += "No.," + names + ',' + names + ',' + names;
    if (chipInfo(chip).csvKeyFlags)
        out += "--";
    out += "\r\n";
    return out;
}

void appendRecord(QByteArray* out, int number, const SampleRecord& r, int n, int chip) {
    char buffer[16];
    auto put = [&](int32_t v) {
        const int len = std::snprintf(buffer, sizeof buffer, "%d,", static_cast<int>(v));
        out->append(buffer, len);
    };
    put(number);
    for (int i = 0; i < n; ++i)
        put(r.baseline[i]);
    out->append(',');
    for (int i = 0; i < n; ++i)
        put(r.raw[i]);
    out->append(',');
    for (int i = 0; i < n; ++i)
        put(r.differ[i]);
    if (chipInfo(chip).csvKeyFlags) {
        const int len = std::snprintf(buffer, sizeof buffer, "0x%08x,", r.keyFlags);
        out->append(buffer, len);
    }
    out->append("\r\n");
}

}  // namespace tessel::csv

namespace tessel {

CsvWriter::CsvWriter(QObject* parent) : QObject(parent) {}

CsvWriter::~CsvWriter() {
    cancel_ = true;
    if (thread_.joinable())
        thread_.join();
}

bool CsvWriter::start(const QString& path, SampleStore::Snapshot samples, int channels,
                      int chipIndex, Mode mode) {
    if (busy_)
        return false;
    if (thread_.joinable())
        thread_.join();
    busy_ = true;
    cancel_ = false;
    thread_ =
        std::thread(&CsvWriter::run, this, path, std::move(samples), channels, chipIndex, mode);
    return true;
}

void CsvWriter::wait() {
    if (thread_.joinable())
        thread_.join();
}

void CsvWriter::run(QString path, SampleStore::Snapshot samples, int channels, int chip,
                    Mode mode) {
    QFile file(path);
    const QIODevice::OpenMode how =
        QIODevice::WriteOnly | (mode == Mode::Append ? QIODevice::Append : QIODevice::Truncate);
    if (!file.open(how)) {
        done(false, false, path);
        return;
    }
    const qint64 total = qint64(samples.size());
    QByteArray out = csv::header(channels, chip);
    int number = 0;
    bool ok = true;
    const bool complete = samples.forEach([&](const SampleRecord& r) {
        csv::appendRecord(&out, number++, r, channels, chip);
        if (out.size() >= (1 << 20)) {
            ok = file.write(out) == out.size();
            out.clear();
            QMetaObject::invokeMethod(
                this, [this, number, total] { Q_EMIT progress(number, total); },
                Qt::QueuedConnection);
        }
        return ok && !cancel_;
    });
    if (ok && complete)
        ok = file.write(out) == out.size();
    ok = ok && complete && file.flush();
    file.close();
    done(ok, true, path);
}

void CsvWriter::done(bool ok, bool opened, const QString& path) {
    QMetaObject::invokeMethod(
        this,
        [this, ok, opened, path] {
            if (thread_.joinable())
                thread_.join();
            busy_ = false;
            Q_EMIT finished(ok, opened, path);
        },
        Qt::QueuedConnection);
}

}  // namespace tessel
