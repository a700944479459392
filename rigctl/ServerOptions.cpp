#include "ServerOptions.h"

#include "RigctlServer.h"

namespace {

const QString kServer = QStringLiteral("--rigctld");
const QString kServerOnPort = QStringLiteral("--rigctld=");
const QString kServerListening = QStringLiteral("--rigctld-listen=");

std::optional<quint16> portOf(const QString& text) {
    bool isNumber = false;
    const uint port = text.toUInt(&isNumber);
    if (!isNumber || port == 0 || port > 65535)
        return std::nullopt;
    return quint16(port);
}

std::optional<ServerOptions::Endpoint> endpointOf(const QString& text) {
    const qsizetype colon = text.lastIndexOf(':');
    QString host = text.left(colon);
    if (host.startsWith('[') && host.endsWith(']'))
        host = host.mid(1, host.size() - 2);
    QHostAddress address;
    const std::optional<quint16> port = portOf(text.mid(colon + 1));
    if (colon < 0 || !address.setAddress(host) || !port)
        return std::nullopt;
    return ServerOptions::Endpoint{address, *port};
}

}  // namespace

ServerOptions serverOptions(const QStringList& arguments) {
    ServerOptions options;
    for (const QString& argument : arguments) {
        std::optional<ServerOptions::Endpoint> endpoint;
        if (argument == kServer)
            endpoint = ServerOptions::Endpoint{QHostAddress::LocalHost, RigctlServer::kDefaultPort};
        else if (argument.startsWith(kServerOnPort))
            endpoint =
                endpointOf(QStringLiteral("127.0.0.1:") + argument.mid(kServerOnPort.size()));
        else if (argument.startsWith(kServerListening))
            endpoint = endpointOf(argument.mid(kServerListening.size()));
        else
            continue;
        if (!endpoint)
            options.error = argument + QStringLiteral(
                                           ": expected --rigctld, --rigctld=PORT or "
                                           "--rigctld-listen=ADDRESS:PORT");
        options.listen = endpoint;
    }
    return options;
}
