// T.O.V.R.A.N: a control panel for the Kenwood TS-440, TS-940, TS-811 and TS-711.

#include "CommandLine.h"
#include "ProgramStart.h"
#include "RadioSharing.h"
#include "RigctlServer.h"
#include "SerialDevice.h"
#include "Version.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTextStream>
#include <QTranslator>

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

// Qt's own windows and buttons (the file dialogs, "Annuler") in French like the rest of the
// program, whatever the system's language: from translations/ beside the program (Windows)
// or from Qt's own folder (Debian's qt6-translations-l10n).
void speakFrench(QTranslator& translator) {
    QStringList folders = {QApplication::applicationDirPath() + QStringLiteral("/translations"),
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath)};
    folders.removeDuplicates();  // one and the same beside a Windows program
    for (const QString& folder : folders) {
        if (translator.load(QLocale(QLocale::French), QStringLiteral("qtbase"), QStringLiteral("_"),
                            folder)) {
            QApplication::installTranslator(&translator);
            return;
        }
    }
    QTextStream(stderr) << "tovran: Qt's French texts (qtbase_fr.qm) not found in "
                        << folders.join(QStringLiteral(" or ")) << Qt::endl;
}

}  // namespace

int main(int argc, char* argv[]) {
#ifndef Q_OS_WIN
    // --help, --version and a command line refused are answered before the window system is
    // reached, on a machine without a display too (the manual pages are made so). On Windows
    // the answer is a message box, which needs the application.
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    if (const ProgramOptions early = programOptions(arguments);
        early.outcome != ProgramOptions::Outcome::Run)
        return answer(early);
#endif
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("T.O.V.R.A.N"));
    QApplication::setApplicationVersion(QStringLiteral(TOVRAN_VERSION_TEXT));
    QApplication::setOrganizationName(QStringLiteral("TOVRAN"));
    // The program ends when the panel or the port window says so, not when a window hides.
    QApplication::setQuitOnLastWindowClosed(false);
    QTranslator qtInFrench;
    speakFrench(qtInFrench);

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
