#include "ClientConnection.h"

#include <QTcpSocket>

ClientConnection::ClientConnection(QTcpSocket* socket, SharedRadio& radio, QObject* parent)
    : QObject(parent), socket_(socket), session_(radio) {
    socket_->setParent(this);
    socket_->setReadBufferSize(kReadBufferSize);
    freshReportWait_.setSingleShot(true);
    freshReportWait_.setInterval(Session::kFreshReportWait);

    connect(socket_, &QTcpSocket::readyRead, this, &ClientConnection::readRequests);
    connect(socket_, &QTcpSocket::disconnected, this, &ClientConnection::closed);
    connect(&radio, &SharedRadio::written, this,
            [this](SharedRadio::SetKind kind, quint64 first, quint64 last, quint64 reports) {
                session_.setWritten(kind, first, last, reports);
            });
    connect(&radio, &SharedRadio::reported, this, [this] {
        session_.reported();
        answer();
    });
    connect(&radio, &SharedRadio::silenced, this, [this] {
        session_.stopWaiting();
        answer();
    });
    connect(&freshReportWait_, &QTimer::timeout, this, [this] {
        session_.stopWaiting();
        answer();
    });
}

// While a read waits for its report, the rest stays unread.
void ClientConnection::readRequests() {
    if (session_.isWaiting() || session_.isClosing())
        return;
    session_.receive(socket_->readAll());
    answer();
}

void ClientConnection::answer() {
    socket_->write(session_.takeAnswers());
    if (session_.isClosing()) {
        socket_->disconnectFromHost();
        return;
    }
    if (!session_.isWaiting()) {
        freshReportWait_.stop();
        if (socket_->bytesAvailable() > 0)
            readRequests();
    } else if (!freshReportWait_.isActive()) {
        freshReportWait_.start();
    }
}

void ClientConnection::closed() {
    session_.end();
    deleteLater();
}
