#pragma once

#include <QHostAddress>
#include <QString>
#include <QStringList>

#include <optional>

// Where the rigctld server listens, from the command line; without one of these options there
// is no server at all:
//   --rigctld                        127.0.0.1:4532
//   --rigctld=PORT                   127.0.0.1:PORT
//   --rigctld-listen=ADDRESS:PORT    any address of this machine ("[::1]:4532" for IPv6)
struct ServerOptions {
    struct Endpoint {
        QHostAddress address;
        quint16 port;
    };
    std::optional<Endpoint> listen;
    QString error;  // what was wrong with the options, when something was
};

ServerOptions serverOptions(const QStringList& arguments);
