#include "ClientConnection.h"

#include <QTcpSocket>

ClientConnection::ClientConnection(QTcpSocket* socket, SharedRadio& radio, QObject* parent,
                                   std::chrono::milliseconds longestStall)
    : QObject(parent), socket_(socket), session_(radio) {
    socket_->setParent(this);
    socket_->setReadBufferSize(kReadBufferSize);
    stall_.setSingleShot(true);
    stall_.setInterval(longestStall);
    silentFor_.start();

    connect(socket_, &QTcpSocket::readyRead, this, &ClientConnection::serve);
    connect(socket_, &QTcpSocket::bytesWritten, this, &ClientConnection::serve);
    connect(socket_, &QTcpSocket::disconnected, this, &ClientConnection::closed);
    // Later, on the event loop: the session may be answering another client's set just now.
    connect(&session_, &Session::answersReady, this, &ClientConnection::serve,
            Qt::QueuedConnection);
    connect(&stall_, &QTimer::timeout, this, &ClientConnection::close);
}

bool ClientConnection::isOpen() const {
    return socket_->state() == QAbstractSocket::ConnectedState;
}

bool ClientConnection::givesWayBefore(const ClientConnection& other) const {
    if (hasKeyed() != other.hasKeyed())
        return other.hasKeyed();
    if (hasAsked_ != other.hasAsked_)
        return other.hasAsked_;
    return silentFor_.elapsed() > other.silentFor_.elapsed();
}

void ClientConnection::close() {
    socket_->abort();
}

// Answers what has come, as far as the client takes the answers; while a request waits, the
// rest stays unread.
void ClientConnection::serve() {
    if (!isOpen())
        return;
    while (!session_.isClosing() && !session_.isWaiting() &&
           socket_->bytesToWrite() < kMostUnsent) {
        if (session_.hasUnanswered()) {
            session_.resume();
        } else if (socket_->bytesAvailable() > 0) {
            session_.receive(socket_->readAll());
            hasAsked_ = true;
            silentFor_.restart();
        } else {
            break;
        }
        socket_->write(session_.takeAnswers());
    }
    socket_->write(session_.takeAnswers());
    if (session_.isClosing()) {
        socket_->disconnectFromHost();
        return;
    }
    if (socket_->bytesToWrite() < kMostUnsent)
        stall_.stop();
    else if (!stall_.isActive())
        stall_.start();
}

void ClientConnection::closed() {
    session_.end();
    deleteLater();
}
