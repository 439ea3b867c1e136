#pragma once

#include <QString>

#include <memory>

namespace tessel {

// An exclusive claim on one programmer board, held for as long as this program has the board
// open, so that two programs never drive the same board at once. A real board is claimed by
// an advisory lock on its device node (seen by every user of the machine); a simulated board
// by a lock file named after its serial number. Within one program the claim is shared: the
// same board may be opened again while it is open.
class BoardClaim {
public:
    ~BoardClaim();
    BoardClaim(const BoardClaim&) = delete;
    BoardClaim& operator=(const BoardClaim&) = delete;

    // Claims the board whose device node is nodePath. Null when another program holds it;
    // *holder is then that program's process id (0 when it cannot be told).
    static std::shared_ptr<BoardClaim> onNode(const QString& nodePath, qint64* holder);
    // Claims the simulated board with this serial number, through a lock file in
    // lockDirectory(). Null, with *holder set, when another program holds it.
    static std::shared_ptr<BoardClaim> onName(const QString& serial, qint64* holder);

    // The lock file of the simulated board with this serial number.
    static QString nameFile(const QString& serial);
    // Where the lock files of simulated boards live: $TESSEL_LOCK_DIR when it is set (tests
    // that run side by side keep their boards apart with it), otherwise the user's runtime
    // directory, otherwise a directory of the user's own under the system's temporary one.
    static QString lockDirectory();
    // The process id of the program holding a lock on this file, 0 when none or unknown.
    static qint64 holderOf(const QString& path);

private:
    BoardClaim(QString key, int fd);
    static std::shared_ptr<BoardClaim> claim(const QString& key, const QString& file, bool create,
                                             qint64* holder);

    QString key_;
    int fd_;
};

}  // namespace tessel
