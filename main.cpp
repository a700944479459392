// T.O.V.R.A.N: a control panel for the Kenwood TS-440, TS-940, TS-811 and TS-711.

#include "CommandLine.h"
#include "ProgramStart.h"
#include "RadioSharing.h"
#include "RigctlServer.h"
#include "SerialDevice.h"
#include "Version.h"

#include <QApplication>
#include <QMessageBox>
#include <QTextStream>

#include <memory>

namespace {

// On standard error, and on Windows in a message box too: a program of the GUI subsystem has
// no console to print to.
void warn(const QString& text) {
    QTextStream(stderr) << "tovran: " << text << Qt::endl;
#ifdef Q_OS_WIN
    QMessageBox::warning(nullptr, QStringLiteral("T.O.V.R.A.N"), text);
#endif
}

// The help and the version on standard output, what is wrong with the command line on
// standard error; the program's exit status.
int answer(const ProgramOptions& options) {
    if (options.outcome == ProgramOptions::Outcome::Refuse) {
        warn(options.text);
        return kBadCommandLine;
    }
    QTextStream(stdout) << options.text;
#ifdef Q_OS_WIN
    QMessageBox::information(nullptr, QStringLiteral("T.O.V.R.A.N"), options.text);
#endif
    return 0;
}

// A device named on the command line takes the place of the environment's.
void nameDevices(const ProgramOptions& options) {
    if (!options.com1.isEmpty())
        setSerialDeviceOverride(1, options.com1);
    if (!options.com2.isEmpty())
        setSerialDeviceOverride(2, options.com2);
}

// The rigctld server the command line asks for, listening; nothing when it cannot listen.
std::unique_ptr<RigctlServer> startServer(const ServerOptions::Endpoint& endpoint) {
    auto server = std::make_unique<RigctlServer>();
    const QString where = endpoint.address.toString() + ':' + QString::number(endpoint.port);
    if (!server->listen(endpoint.address, endpoint.port)) {
        warn(QStringLiteral("rigctld ") + where + QStringLiteral(": ") + server->errorString());
        return nullptr;
    }
    if (!endpoint.address.isLoopback())
        warn(QStringLiteral("rigctld ") + where +
             QStringLiteral(": whoever reaches this address can key the transmitter"));
    return server;
}

}  // namespace

int main(int argc, char* argv[]) {
#ifndef Q_OS_WIN
    // --help and --version answer before the window system is reached, on a machine without
    // a display too (the manual pages are made so). The rest waits for QApplication, which
    // first takes Qt's own options (-platform, -style, -session) off the command line.
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    if (const ProgramOptions early = programOptions(arguments);
        early.outcome == ProgramOptions::Outcome::ShowHelp ||
        early.outcome == ProgramOptions::Outcome::ShowVersion)
        return answer(early);
#endif
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("T.O.V.R.A.N"));
    QApplication::setApplicationVersion(QStringLiteral(TOVRAN_VERSION_TEXT));
    QApplication::setOrganizationName(QStringLiteral("TOVRAN"));
    // The program ends when the panel or the port window says so, not when a window hides.
    QApplication::setQuitOnLastWindowClosed(false);

    const ProgramOptions options = programOptions(QApplication::arguments());
    if (options.outcome != ProgramOptions::Outcome::Run)
        return answer(options);
    nameDevices(options);
    std::unique_ptr<RigctlServer> server;
    if (options.listen && !(server = startServer(*options.listen)))
        return kBadCommandLine;

    ProgramStart program;
    if (server)
        shareRadio(program, *server);
    program.begin();
    return application.exec();
}
