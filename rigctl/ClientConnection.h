#pragma once

#include "Session.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <chrono>

class QTcpSocket;

// One client on its socket: its bytes go to its session, the session's answers come back, and
// the socket closes when the session ends. What the client may make the panel hold is bounded:
// its requests are read no further while it leaves its answers unread.
class ClientConnection : public QObject {
    Q_OBJECT

public:
    // Requests received and not yet read: a client that sends without pause waits on TCP.
    static constexpr qint64 kReadBufferSize = 64 * 1024;
    // Answers the client has not taken: past this, its requests stay unread until it reads.
    // A client that reads each answer before it asks again never has 4 KiB waiting.
    static constexpr qint64 kMostUnsent = 64 * 1024;
    // A client that leaves that much unread for this long has hung, or never reads.
    static constexpr std::chrono::milliseconds kLongestStall{10000};

    ClientConnection(QTcpSocket* socket, SharedRadio& radio, QObject* parent,
                     std::chrono::milliseconds longestStall = kLongestStall);

    bool isOpen() const;
    // The server makes room by closing the client that gives way first: one that never sent
    // a request before one that did, then the one silent longest; never the one that has the
    // transmitter keyed.
    bool givesWayBefore(const ClientConnection& other) const;
    bool hasKeyed() const { return session_.hasKeyed(); }
    void close();

private:
    void serve();
    void closed();

    QTcpSocket* socket_;
    Session session_;
    QTimer stall_;
    QElapsedTimer silentFor_;  // since its last request, or since it connected
    bool hasAsked_ = false;
};
