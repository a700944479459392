#pragma once

#include "SharedRadio.h"

#include <QHostAddress>
#include <QObject>
#include <QTcpServer>

#include <chrono>

class ClientConnection;

// A rigctld-compatible server ("NET rigctl", Hamlib's rig model 2): the operator's other
// programs (WSJT-X, fldigi, loggers) use the radio through the panel while the operator does.
class RigctlServer : public QObject {
    Q_OBJECT

public:
    // rigctld's own port.
    static constexpr quint16 kDefaultPort = 4532;
    // Far more than a station runs programs, each holding little (see ClientConnection). A
    // client that connects when all are taken is served all the same: the one idle longest
    // gives way, so that connections a program leaks or a port scan leaves lock nobody out.
    static constexpr int kMostClients = 64;

    explicit RigctlServer(QObject* parent = nullptr);

    bool listen(const QHostAddress& address, quint16 port);
    QString errorString() const { return server_.errorString(); }
    quint16 port() const { return server_.serverPort(); }
    int clientCount() const;
    // How long a client may leave its answers unread past ClientConnection::kMostUnsent.
    void setLongestStall(std::chrono::milliseconds time) { longestStall_ = time; }

    // What the panel feeds, and how the clients' sets reach the radio.
    SharedRadio& radio() { return radio_; }

private:
    void acceptClients();
    QList<ClientConnection*> clients() const;
    void makeRoom();

    QTcpServer server_;
    SharedRadio radio_;
    std::chrono::milliseconds longestStall_;
};
