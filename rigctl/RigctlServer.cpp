#include "RigctlServer.h"

#include "ClientConnection.h"

#include <QTcpSocket>

#include <algorithm>

RigctlServer::RigctlServer(QObject* parent)
    : QObject(parent), longestStall_(ClientConnection::kLongestStall) {
    connect(&server_, &QTcpServer::newConnection, this, &RigctlServer::acceptClients);
}

bool RigctlServer::listen(const QHostAddress& address, quint16 port) {
    return server_.listen(address, port);
}

// Those still connected: one that has just closed is deleted on the next turn of the loop.
QList<ClientConnection*> RigctlServer::clients() const {
    QList<ClientConnection*> open = findChildren<ClientConnection*>(Qt::FindDirectChildrenOnly);
    open.removeIf([](const ClientConnection* client) { return !client->isOpen(); });
    return open;
}

int RigctlServer::clientCount() const {
    return int(clients().size());
}

void RigctlServer::acceptClients() {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        if (clientCount() >= kMostClients)
            makeRoom();
        new ClientConnection(socket, radio_, this, longestStall_);
    }
}

void RigctlServer::makeRoom() {
    const QList<ClientConnection*> open = clients();
    const auto first = std::ranges::max_element(
        open,
        [](const ClientConnection* a, const ClientConnection* b) { return b->givesWayBefore(*a); });
    (*first)->close();
}
