#include "link/tracelog.h"

#include "app/chipcatalogue.h"
#include "app/sharedstate.h"
#include "image/imageformat.h"
#include "image/imagestate.h"
#include "link/cmusbhid.h"
#include "link/programmersession.h"
#include "link/sequencer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace tessel {
namespace {

using Operation = OperationSequencer::Operation;

const char* operationName(Operation op) {
    switch (op) {
        case Operation::WriteFlash:
            return "program";
        case Operation::ReadFlash:
            return "read-flash";
        case Operation::ReadConfig:
            return "read-config";
        case Operation::WriteConfig:
            return "write-config";
        case Operation::EepromWrite:
            return "eeprom-write";
        case Operation::EepromRead:
            return "eeprom-read";
        case Operation::EnterTrim:
            return "enter-trim";
        case Operation::WriteTrim:
            return "trim-write";
        case Operation::None:
            break;
    }
    return "";
}

QString hexBytes(const std::vector<uint8_t>& bytes) {
    QString out;
    for (uint8_t b : bytes) {
        if (!out.isEmpty())
            out += QLatin1Char(' ');
        out += QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
    }
    return out;
}

#ifdef Q_OS_UNIX
// Writes all of bytes at the end of fd, or nothing: a short write is cut off again.
bool appendWhole(int fd, const QByteArray& bytes, off_t sizeBefore) {
    const ssize_t n = ::write(fd, bytes.constData(), size_t(bytes.size()));
    if (n == ssize_t(bytes.size()))
        return true;
    if (n > 0 && ::ftruncate(fd, sizeBefore) != 0)
        return false;
    return false;
}

bool appendLocked(const QString& path, const QByteArray& line) {
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY, 0644);
    if (fd < 0)
        return false;
    bool ok = false;
    struct stat st {};
    // Every writer of the log takes the lock, so the look at the file's end and the write
    // that follows it are one step for them all.
    if (::flock(fd, LOCK_EX) == 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        QByteArray bytes;
        char last = '\n';
        if (st.st_size == 0)
            bytes = TraceLog::headerLine();
        else if (::pread(fd, &last, 1, st.st_size - 1) != 1)
            last = '\n';
        // A half record left by a crash stays on a line of its own.
        if (last == '\r')
            bytes = QByteArrayLiteral("\n");
        else if (last != '\n')
            bytes = QByteArrayLiteral("\r\n");
        bytes += line;
        ok = appendWhole(fd, bytes, st.st_size);
    }
    ::close(fd);  // the lock goes with it
    return ok;
}
#else
bool appendLocked(const QString& path, const QByteArray& line) {
    QFile f(path);
    if (!f.open(QIODevice::ReadWrite))
        return false;
    QByteArray bytes;
    if (f.size() == 0) {
        bytes = TraceLog::headerLine();
    } else {
        f.seek(f.size() - 1);
        const QByteArray last = f.read(1);
        if (last == "\r")
            bytes = QByteArrayLiteral("\n");
        else if (last != "\n")
            bytes = QByteArrayLiteral("\r\n");
    }
    bytes += line;
    f.seek(f.size());
    return f.write(bytes) == bytes.size() && f.flush();
}
#endif

}  // namespace

TraceLog::TraceLog(const QString& path, QObject* parent) : QObject(parent), path_(path) {}

TraceLog* TraceLog::attach(ProgrammerSession& session, const QString& path) {
    auto* log = new TraceLog(path, &session);
    // The operation running now was begun before the log came: it is not recorded.
    log->lastNumber_ = session.sequencer().lastOperation().number;
    connect(&session, &ProgrammerSession::operationFinished, log,
            [log, &session](const Outcome& outcome) { log->operationEnded(session, outcome); });
    return log;
}

QString TraceLog::defaultPath(const SharedState& state) {
    const QString dir =
        state.profilePath.isEmpty() ? state.moduleDir : QFileInfo(state.profilePath).absolutePath();
    return QDir(dir).filePath(QString::fromLatin1(kFileName));
}

QByteArray TraceLog::headerLine() {
    return QByteArrayLiteral(
        "time,serial,chip,operation,file,length,checksum,config,verdict,reason,duration_ms\r\n");
}

QByteArray TraceLog::field(const QString& text) {
    QByteArray f = text.toUtf8();
    if (!f.contains(',') && !f.contains('"') && !f.contains('\n') && !f.contains('\r'))
        return f;
    f.replace('"', QByteArrayLiteral("\"\""));
    return '"' + f + '"';
}

QString TraceLog::isoTime(const QDateTime& time) {
    const int offset = time.offsetFromUtc();
    const int minutes = (offset < 0 ? -offset : offset) / 60;
    return time.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz")) +
           QLatin1Char(offset < 0 ? '-' : '+') +
           QStringLiteral("%1:%2")
               .arg(minutes / 60, 2, 10, QLatin1Char('0'))
               .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QByteArray TraceLog::recordLine(const TraceRecord& r) {
    const QStringList fields = {
        isoTime(r.time),
        r.serial,
        r.chip,
        r.operation,
        r.imageFile,
        r.imageLength ? QString::number(*r.imageLength) : QString(),
        r.imageChecksum ? QStringLiteral("0x") + QString::number(*r.imageChecksum, 16)
                                                     .toUpper()
                                                     .rightJustified(8, QLatin1Char('0'))
                        : QString(),
        hexBytes(r.configWritten),
        r.ok ? QStringLiteral("OK") : QStringLiteral("NG"),
        r.reason,
        QString::number(r.durationMs),
    };
    QByteArray line;
    for (qsizetype i = 0; i < fields.size(); ++i)
        line += (i > 0 ? QByteArrayLiteral(",") : QByteArray()) + field(fields[i]);
    return line + "\r\n";
}

bool TraceLog::append(const TraceRecord& record) {
    // The profile's directory of an installed program may not exist yet.
    QDir().mkpath(QFileInfo(path_).absolutePath());
    if (appendLocked(path_, recordLine(record)))
        return true;
    Q_EMIT writeFailed(path_);
    return false;
}

void TraceLog::operationEnded(ProgrammerSession& session, const Outcome& outcome) {
    const OperationSequencer::OperationRecord& op = session.sequencer().lastOperation();
    // A supply switch, or an operation that never reached the board, is no record.
    if (op.number == lastNumber_ || !op.sent || op.operation == Operation::None)
        return;
    lastNumber_ = op.number;
    TraceRecord r;
    r.time = QDateTime::currentDateTime();
    r.serial = session.transport().serialNumber();
    r.chip = QString::fromUtf8(chipInfo(op.chip).comboText);
    r.operation = QString::fromLatin1(operationName(op.operation));
    ImageState& image = session.image();
    if (op.operation == Operation::WriteFlash) {
        r.imageFile = QFileInfo(image.lastImagePath).fileName();
        r.imageLength = image.imageLength;
        r.imageChecksum = image.imageChecksum;
    } else if (op.operation == Operation::EepromWrite) {
        const uint32_t size = ImageState::eepromImageSize(op.chip);
        r.imageFile = imageName_;
        r.imageLength = size;
        r.imageChecksum = computeChecksum(image.eepromWriteImage(op.chip), size);
    }
    r.configWritten = op.configWritten;
    r.ok = outcome.ok();
    r.reason = QString::fromLatin1(reasonKey(outcome.reason));
    r.durationMs = op.clock.isValid() ? op.clock.elapsed() : 0;
    append(r);
}

}  // namespace tessel
