#pragma once

#include <QHostAddress>
#include <QString>

#include <optional>

// Where the rigctld server listens, from the command line; without one of these options there
// is no server at all:
//   --rigctld                        127.0.0.1:4532
//   --rigctld=PORT                   127.0.0.1:PORT
//   --rigctld-listen=ADDRESS:PORT    any address of this machine ("[::1]:4532" for IPv6)
namespace ServerOptions {

struct Endpoint {
    QHostAddress address;
    quint16 port;
};

// rigctld's own place: 127.0.0.1:4532.
Endpoint standard();
// 127.0.0.1 and the given port, 1 to 65535.
std::optional<Endpoint> onPort(const QString& port);
// "ADDRESS:PORT", an IPv6 address in brackets.
std::optional<Endpoint> listening(const QString& addressAndPort);

}  // namespace ServerOptions
