#include "link/hid/boardlock.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <mutex>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

namespace tessel {
namespace {

// The claims this program holds, by key: a second open of the same board shares the first
// one's claim instead of being refused by its own lock.
std::mutex registryMutex;
QHash<QString, std::weak_ptr<BoardClaim>>& registry() {
    static QHash<QString, std::weak_ptr<BoardClaim>> claims;
    return claims;
}

}  // namespace

BoardClaim::BoardClaim(QString key, int fd) : key_(std::move(key)), fd_(fd) {}

BoardClaim::~BoardClaim() {
#ifdef Q_OS_UNIX
    if (fd_ >= 0)
        ::close(fd_);  // releases the lock
#endif
}

std::shared_ptr<BoardClaim> BoardClaim::onNode(const QString& nodePath, qint64* holder) {
    return claim(QStringLiteral("node:") + nodePath, nodePath, false, holder);
}

std::shared_ptr<BoardClaim> BoardClaim::onName(const QString& serial, qint64* holder) {
    QDir().mkpath(lockDirectory());
    return claim(QStringLiteral("name:") + serial, nameFile(serial), true, holder);
}

QString BoardClaim::nameFile(const QString& serial) {
    // Serial numbers are the board's own text: the file name is made of a hash of it.
    const QByteArray hash =
        QCryptographicHash::hash(serial.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    return lockDirectory() + QStringLiteral("/board-") + QString::fromLatin1(hash) +
           QStringLiteral(".lock");
}

QString BoardClaim::lockDirectory() {
    const QString own = qEnvironmentVariable("TESSEL_LOCK_DIR");
    if (!own.isEmpty())
        return own;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        return runtime + QStringLiteral("/tessel");
#ifdef Q_OS_UNIX
    return QDir::tempPath() + QStringLiteral("/tessel-%1").arg(::getuid());
#else
    return QDir::tempPath() + QStringLiteral("/tessel");
#endif
}

std::shared_ptr<BoardClaim> BoardClaim::claim(const QString& key, const QString& file, bool create,
                                              qint64* holder) {
    *holder = 0;
    std::lock_guard<std::mutex> lock(registryMutex);
    if (std::shared_ptr<BoardClaim> held = registry().value(key).lock())
        return held;
#ifdef Q_OS_UNIX
    const QByteArray native = QFile::encodeName(file);
    // Read-only is enough to lock; a node the user may not open is refused later by the open
    // itself, with its own message.
    const int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | (create ? O_CREAT : 0);
    const int fd = ::open(native.constData(), flags, 0644);
    if (fd < 0) {
        // Nothing to lock (a node that went away or may not be read): the open decides.
        auto claim = std::shared_ptr<BoardClaim>(new BoardClaim(key, -1));
        registry().insert(key, claim);
        return claim;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        *holder = holderOf(file);
        return nullptr;
    }
    auto claim = std::shared_ptr<BoardClaim>(new BoardClaim(key, fd));
#else
    Q_UNUSED(file);
    Q_UNUSED(create);
    auto claim = std::shared_ptr<BoardClaim>(new BoardClaim(key, -1));
#endif
    registry().insert(key, claim);
    return claim;
}

qint64 BoardClaim::holderOf(const QString& path) {
#ifdef Q_OS_LINUX
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return 0;
    // Each line: "N: FLOCK  ADVISORY  WRITE PID MAJ:MIN:INODE START END"; waiters have "->"
    // after the number. Major and minor are hexadecimal, the inode decimal.
    QFile locks(QStringLiteral("/proc/locks"));
    if (!locks.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray file = QByteArray::number(major(st.st_dev), 16).rightJustified(2, '0') + ':' +
                            QByteArray::number(minor(st.st_dev), 16).rightJustified(2, '0') + ':' +
                            QByteArray::number(quint64(st.st_ino));
    for (const QByteArray& line : locks.readAll().split('\n')) {
        const QList<QByteArray> f = line.simplified().split(' ');
        if (f.size() < 6 || f.value(1) == "->" || f.value(1) != "FLOCK")
            continue;
        if (f.value(5) == file)
            return f.value(4).toLongLong();
    }
#else
    Q_UNUSED(path);
#endif
    return 0;
}

}  // namespace tessel
