// T.O.V.R.A.N: a control panel for the Kenwood TS-440, TS-940, TS-811 and TS-711.

#include "ProgramStart.h"
#include "RadioSharing.h"
#include "RigctlServer.h"
#include "ServerOptions.h"

#include <QApplication>
#include <QTextStream>

#include <memory>

namespace {

constexpr int kBadCommandLine = 2;

// The rigctld server the command line asks for, listening; nothing when it asks for none.
std::unique_ptr<RigctlServer> startServer(const ServerOptions::Endpoint& endpoint,
                                          QTextStream& errors) {
    auto server = std::make_unique<RigctlServer>();
    const QString where = endpoint.address.toString() + ':' + QString::number(endpoint.port);
    if (!server->listen(endpoint.address, endpoint.port)) {
        errors << "tovran: rigctld " << where << ": " << server->errorString() << Qt::endl;
        return nullptr;
    }
    if (!endpoint.address.isLoopback())
        errors << "tovran: rigctld " << where
               << ": whoever reaches this address can key the transmitter" << Qt::endl;
    return server;
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("T.O.V.R.A.N"));
    QApplication::setApplicationVersion(QStringLiteral("1.00"));
    QApplication::setOrganizationName(QStringLiteral("TOVRAN"));
    // The program ends when the panel or the port window says so, not when a window hides.
    QApplication::setQuitOnLastWindowClosed(false);

    QTextStream errors(stderr);
    const ServerOptions options = serverOptions(QApplication::arguments());
    if (!options.error.isEmpty()) {
        errors << "tovran: " << options.error << Qt::endl;
        return kBadCommandLine;
    }
    std::unique_ptr<RigctlServer> server;
    if (options.listen && !(server = startServer(*options.listen, errors)))
        return kBadCommandLine;

    ProgramStart program;
    if (server)
        shareRadio(program, *server);
    program.begin();
    return application.exec();
}
