// single_instance.cpp - one running program per user: a second start wakes the first and ends.
#include "single_instance.h"

#include <QLocalSocket>

#include <unistd.h>

namespace deckqt {

SingleInstance::SingleInstance(const QString& title) : name_(title + QStringLiteral("-") + QString::number(getuid())) {}

bool SingleInstance::wakeRunningInstance() {
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(1000)) return false;
    socket.write("front\n");
    socket.waitForBytesWritten(1000);
    socket.disconnectFromServer();
    return true;
}

void SingleInstance::listen(std::function<void()> activate) {
    activate_ = std::move(activate);
    // A socket left behind by an instance that did not end cleanly answers no one.
    QLocalServer::removeServer(name_);
    server_.listen(name_);
    QObject::connect(&server_, &QLocalServer::newConnection, [this] {
        while (QLocalSocket* socket = server_.nextPendingConnection()) {
            QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            if (activate_) activate_();
        }
    });
}

}  // namespace deckqt
