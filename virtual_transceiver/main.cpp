#include "TerminationSignals.h"
#include "VirtualRadio.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

#include <optional>

namespace {

int fail(const QString& message) {
    QTextStream(stderr) << QCoreApplication::applicationName() << ": " << message << Qt::endl;
    return 1;
}

// Every command on a line of its own, written out at once so that a reader sees it live.
bool logCommands(VirtualRadio& radio, const QString& path) {
    auto* log = new QFile(path, &radio);
    if (!log->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
        return false;
    QObject::connect(&radio, &VirtualRadio::commandReceived, log, [log](const QByteArray& command) {
        log->write(command + '\n');
        log->flush();
    });
    return true;
}

void showTraffic(VirtualRadio& radio, QTextStream& out) {
    QObject::connect(&radio, &VirtualRadio::commandReceived, &radio,
                     [&out](const QByteArray& command) { out << "<- " << command << Qt::endl; });
    QObject::connect(&radio, &VirtualRadio::replySent, &radio,
                     [&out](const QByteArray& reply) { out << "-> " << reply << Qt::endl; });
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tovran-virtual-radio"));
    TerminationSignals termination;
    QObject::connect(&termination, &TerminationSignals::received, &app, &QCoreApplication::quit);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("A Kenwood transceiver on a pseudo-terminal, to try the panel without a "
                       "radio. The first line printed is \"device: \" and the device's path."));
    parser.addHelpOption();
    const QCommandLineOption modelOption(QStringLiteral("model"),
                                         QStringLiteral("The radio: 440, 940, 811 or 711."),
                                         QStringLiteral("number"), QStringLiteral("440"));
    const QCommandLineOption linkOption(
        QStringLiteral("link"), QStringLiteral("Make a symbolic link to the device at <path>."),
        QStringLiteral("path"));
    const QCommandLineOption pacedOption(
        QStringLiteral("paced"), QStringLiteral("Run the line at the radio's speed, 4800 baud."));
    const QCommandLineOption logOption(QStringLiteral("log"),
                                       QStringLiteral("Append every command received to <file>."),
                                       QStringLiteral("file"));
    const QCommandLineOption quietOption(QStringLiteral("quiet"),
                                         QStringLiteral("Do not show commands and replies."));
    parser.addOptions({modelOption, linkOption, pacedOption, logOption, quietOption});
    parser.process(app);

    const std::optional<VirtualRadio::Model> model =
        Transceiver::modelNumbered(parser.value(modelOption));
    if (!model)
        return fail(QStringLiteral("no such model: %1").arg(parser.value(modelOption)));
    VirtualRadio radio(*model);
    radio.setPaced(parser.isSet(pacedOption));
    QString error;
    if (!radio.open(&error))
        return fail(error);
    const QString link = parser.value(linkOption);
    if (!link.isEmpty() && !radio.linkAs(link))
        return fail(QStringLiteral("cannot make the link %1").arg(link));
    if (parser.isSet(logOption) && !logCommands(radio, parser.value(logOption)))
        return fail(QStringLiteral("cannot write to %1").arg(parser.value(logOption)));

    QTextStream out(stdout);
    out << "device: " << radio.devicePath() << Qt::endl;
    if (!link.isEmpty())
        out << "link: " << link << Qt::endl;
    if (!parser.isSet(quietOption))
        showTraffic(radio, out);

    const int status = QCoreApplication::exec();
    radio.close();
    return status;
}
