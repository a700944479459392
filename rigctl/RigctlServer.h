#pragma once

#include "SharedRadio.h"

#include <QHostAddress>
#include <QObject>
#include <QTcpServer>

class ClientConnection;

// A rigctld-compatible server ("NET rigctl", Hamlib's rig model 2): the operator's other
// programs (WSJT-X, fldigi, loggers) use the radio through the panel while the operator does.
class RigctlServer : public QObject {
    Q_OBJECT

public:
    // rigctld's own port.
    static constexpr quint16 kDefaultPort = 4532;
    // Enough for every program of a busy station; more are refused.
    static constexpr int kMostClients = 16;

    explicit RigctlServer(QObject* parent = nullptr);

    bool listen(const QHostAddress& address, quint16 port);
    QString errorString() const { return server_.errorString(); }
    quint16 port() const { return server_.serverPort(); }
    int clientCount() const;

    // What the panel feeds, and how the clients' sets reach the radio.
    SharedRadio& radio() { return radio_; }

private:
    void acceptClients();

    QTcpServer server_;
    SharedRadio radio_;
};
