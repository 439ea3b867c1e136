#include "app/singleinstance.h"

#include <QDir>
#include <QLocalSocket>

namespace tessel {

SingleInstance::SingleInstance(const QString& name, QObject* parent)
    : QObject(parent), name_(name) {
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* s = server_.nextPendingConnection()) {
            connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
            s->disconnectFromServer();
            Q_EMIT activationRequested();
        }
    });
}

bool SingleInstance::tryBecomePrimary() {
    lock_ = std::make_unique<QLockFile>(QDir::temp().filePath(name_ + QStringLiteral(".lock")));
    lock_->setStaleLockTime(0);
    if (lock_->tryLock(100)) {
        QLocalServer::removeServer(name_);  // a socket left behind by a crash
        server_.setSocketOptions(QLocalServer::UserAccessOption);
        server_.listen(name_);
        return true;
    }
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (socket.waitForConnected(1000)) {
        socket.write("raise\n");
        socket.waitForBytesWritten(1000);
        socket.disconnectFromServer();
    }
    return false;
}

}  // namespace tessel
