#include "ServerOptions.h"

#include "RigctlServer.h"

namespace ServerOptions {

namespace {

std::optional<quint16> portOf(const QString& text) {
    bool isNumber = false;
    const uint port = text.toUInt(&isNumber);
    if (!isNumber || port == 0 || port > 65535)
        return std::nullopt;
    return quint16(port);
}

}  // namespace

Endpoint standard() {
    return Endpoint{QHostAddress::LocalHost, RigctlServer::kDefaultPort};
}

std::optional<Endpoint> onPort(const QString& port) {
    return listening(QStringLiteral("127.0.0.1:") + port);
}

std::optional<Endpoint> listening(const QString& addressAndPort) {
    const qsizetype colon = addressAndPort.lastIndexOf(':');
    QString host = addressAndPort.left(colon);
    if (host.startsWith('[') && host.endsWith(']'))
        host = host.mid(1, host.size() - 2);
    QHostAddress address;
    const std::optional<quint16> port = portOf(addressAndPort.mid(colon + 1));
    if (colon < 0 || !address.setAddress(host) || !port)
        return std::nullopt;
    return Endpoint{address, *port};
}

}  // namespace ServerOptions
