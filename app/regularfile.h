#pragma once

#include <QByteArray>
#include <QString>

namespace tessel {

enum class FileReadStatus {
    Ok,
    OpenError,  // missing, unreadable, or not a regular file (device, pipe, socket, directory)
    TooLarge,   // a regular file longer than the reader accepts
};

struct FileReadResult {
    FileReadStatus status = FileReadStatus::OpenError;
    QByteArray data;  // the whole file when Ok
    qint64 size = 0;  // the file's length (also when TooLarge)
};

// Reads a file the user chose, but only a regular one (a symbolic link counts as what it
// points to) and at most maxBytes of it: a device such as /dev/zero, a FIFO or a terminal is
// refused without blocking and without reading, and a file longer than maxBytes (or one that
// grows past it while it is read) is TooLarge with nothing kept.
FileReadResult readRegularFile(const QString& path, qint64 maxBytes);

}  // namespace tessel
