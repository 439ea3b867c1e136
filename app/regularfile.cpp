#include "app/regularfile.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>

namespace tessel {

namespace {

// Closes the descriptor on every way out.
struct Descriptor {
    int fd;
    ~Descriptor() {
        if (fd >= 0)
            ::close(fd);
    }
};

}  // namespace

FileReadResult readRegularFile(const QString& path, qint64 maxBytes) {
    FileReadResult result;
    if (path.isEmpty() || maxBytes < 0)
        return result;
    // Non-blocking, so that opening a FIFO without a writer or a terminal returns at once.
    const Descriptor file{
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)};
    if (file.fd < 0)
        return result;
    struct stat st {};
    if (::fstat(file.fd, &st) != 0 || !S_ISREG(st.st_mode))
        return result;
    result.size = st.st_size;
    if (st.st_size > maxBytes) {
        result.status = FileReadStatus::TooLarge;
        return result;
    }
    // Read one byte more than fstat told, to notice a file that grew meanwhile; the buffer
    // grows only up to one byte past the limit.
    const qint64 limit = maxBytes + 1;
    QByteArray data(qsizetype(std::min<qint64>(st.st_size + 1, limit)), Qt::Uninitialized);
    qint64 got = 0;
    for (;;) {
        if (got == data.size()) {
            if (got >= limit)
                break;
            data.resize(qsizetype(std::min<qint64>(got * 2 + 1, limit)));
        }
        const ssize_t n = ::read(file.fd, data.data() + got, size_t(data.size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return result;  // a read error: nothing half-read is kept
        if (n == 0)
            break;
        got += n;
    }
    if (got > maxBytes) {
        result.status = FileReadStatus::TooLarge;
        result.size = got;
        return result;
    }
    data.truncate(qsizetype(got));
    result.data = std::move(data);
    result.size = got;
    result.status = FileReadStatus::Ok;
    return result;
}

}  // namespace tessel
