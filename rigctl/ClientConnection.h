#pragma once

#include "Session.h"

#include <QObject>
#include <QTimer>

class QTcpSocket;

// One client on its socket: its bytes go to its session, the session's answers come back, and
// the socket closes when the session ends.
class ClientConnection : public QObject {
    Q_OBJECT

public:
    // A client that sends without reading its answers is held back by TCP, not by our memory.
    static constexpr qint64 kReadBufferSize = 64 * 1024;

    ClientConnection(QTcpSocket* socket, SharedRadio& radio, QObject* parent);

private:
    void readRequests();
    void answer();
    void closed();

    QTcpSocket* socket_;
    Session session_;
    QTimer freshReportWait_;
};
