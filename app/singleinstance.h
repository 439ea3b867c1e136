#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>

#include <memory>

namespace tessel {

// Keeps one instance of the program per user. The first instance holds a lock file and
// listens on a local socket; a second start asks it to come forward and then exits.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const QString& name = QStringLiteral("CTessel"),
                            QObject* parent = nullptr);

    // True when this process is the first instance. Otherwise the running instance has been
    // asked to raise its window (as far as it answered within a second).
    bool tryBecomePrimary();

Q_SIGNALS:
    // Another start asked this instance to bring its window forward.
    void activationRequested();

private:
    QString name_;
    std::unique_ptr<QLockFile> lock_;
    QLocalServer server_;
};

}  // namespace tessel
