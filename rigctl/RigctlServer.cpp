#include "RigctlServer.h"

#include "ClientConnection.h"

#include <QTcpSocket>

RigctlServer::RigctlServer(QObject* parent) : QObject(parent) {
    connect(&server_, &QTcpServer::newConnection, this, &RigctlServer::acceptClients);
}

bool RigctlServer::listen(const QHostAddress& address, quint16 port) {
    return server_.listen(address, port);
}

int RigctlServer::clientCount() const {
    return int(findChildren<ClientConnection*>(Qt::FindDirectChildrenOnly).size());
}

void RigctlServer::acceptClients() {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        if (clientCount() >= kMostClients) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        new ClientConnection(socket, radio_, this);
    }
}
