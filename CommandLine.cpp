#include "CommandLine.h"

#include "Version.h"

#include <QCommandLineParser>
#include <QFileInfo>

namespace {

using Outcome = ProgramOptions::Outcome;

const QString kServer = QStringLiteral("--rigctld");

ProgramOptions ending(Outcome outcome, const QString& text) {
    ProgramOptions options;
    options.outcome = outcome;
    options.text = text;
    return options;
}

ProgramOptions refused(const QString& reason) {
    return ending(Outcome::Refuse, reason);
}

// QCommandLineParser knows no option whose value may be left out: a bare --rigctld is read
// as --rigctld with rigctld's own port.
QStringList withServerPortFilledIn(QStringList arguments) {
    for (QString& argument : arguments) {
        if (argument == kServer)
            argument = kServer + '=' + QString::number(ServerOptions::standard().port);
    }
    return arguments;
}

// The parser's help, with the program under its own name (not its path, nor a placeholder
// when there is no application object yet) and the server's port shown as optional.
QString helpText(const QCommandLineParser& parser, const QString& program) {
    QString text = parser.helpText();
    text.replace(0, text.indexOf('\n'), QStringLiteral("Usage: %1 [options]").arg(program));
    text.replace(kServer + QStringLiteral(" <PORT>"), kServer + QStringLiteral("[=PORT]"));
    return text;
}

// Qt's own options, as QGuiApplication, QApplication and the X11 platform take them off the
// command line: with one dash or two, those that name something followed by it or by "=" and
// it. The QML debugger's takes its value after "=" only.
const QStringList kQtOptionsWithValue =
    QStringLiteral(
        "platform platformpluginpath platformtheme plugin qwindowgeometry qwindowicon "
        "qwindowtitle session display geometry title name icon visual style stylesheet")
        .split(' ');
const QStringList kQtFlags =
    QStringLiteral("reverse widgetcount nograb dograb sync testability qmljsdebugger").split(' ');

// "-style", "--style" and "-style=fusion" give "style"; anything else an empty name.
QString qtOptionName(const QString& argument) {
    if (!argument.startsWith('-') || argument.startsWith(QLatin1String("---")))
        return {};
    const QString name =
        argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1).section('=', 0, 0);
    return kQtOptionsWithValue.contains(name) || kQtFlags.contains(name) ? name : QString();
}

const QString kServerError =
    QStringLiteral(": expected --rigctld, --rigctld=PORT or --rigctld-listen=ADDRESS:PORT");

// The arguments less Qt's own options and their values.
QStringList withoutQtOptions(const QStringList& arguments) {
    QStringList rest = arguments.mid(0, 1);
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString name = qtOptionName(arguments[i]);
        if (name.isEmpty())
            rest << arguments[i];
        else if (kQtOptionsWithValue.contains(name) && !arguments[i].contains('='))
            ++i;  // its value follows
    }
    return rest;
}

}  // namespace

ProgramOptions programOptions(const QStringList& commandLine) {
    const QStringList arguments = withoutQtOptions(commandLine);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "T.O.V.R.A.N: a control panel for the Kenwood TS-440, TS-940, TS-811 and TS-711 "
        "transceivers. Qt's own options (-platform, -style) are taken too."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and end."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Show the version and end."));
    const QCommandLineOption server(
        QStringLiteral("rigctld"),
        QStringLiteral("Share the radio with Hamlib's programs (WSJT-X, fldigi, loggers) as "
                       "rigctld does, on 127.0.0.1, port 4532 or PORT."),
        QStringLiteral("PORT"));
    const QCommandLineOption serverListening(
        QStringLiteral("rigctld-listen"),
        QStringLiteral("The same on an address of this machine ([::1]:4532 for IPv6). "
                       "Whoever reaches it can key the transmitter."),
        QStringLiteral("ADDRESS:PORT"));
    const QCommandLineOption com1(
        QStringLiteral("com1"),
        QStringLiteral("The device behind \"Com 1\" (/dev/ttyUSB0, COM5), as TOVRAN_COM1."),
        QStringLiteral("DEVICE"));
    const QCommandLineOption com2(QStringLiteral("com2"),
                                  QStringLiteral("The device behind \"Com 2\", as TOVRAN_COM2."),
                                  QStringLiteral("DEVICE"));
    parser.addOptions({help, version, server, serverListening, com1, com2});

    const bool parsed = parser.parse(withServerPortFilledIn(arguments));
    // Whoever asks for help gets it, whatever else the line holds.
    if (parser.isSet(help))
        return ending(Outcome::ShowHelp,
                      helpText(parser, QFileInfo(arguments.value(0)).fileName()));
    if (parser.isSet(version))
        return ending(Outcome::ShowVersion,
                      QStringLiteral("T.O.V.R.A.N " TOVRAN_VERSION_TEXT "\n"));
    if (!parsed)
        return refused(parser.errorText());
    if (!parser.positionalArguments().isEmpty())
        return refused(QStringLiteral("unexpected argument: %1")
                           .arg(parser.positionalArguments().constFirst()));
    if (parser.isSet(server) && parser.isSet(serverListening))
        return refused(QStringLiteral("--rigctld and --rigctld-listen: one server at most"));

    ProgramOptions options;
    for (const QString& port : parser.values(server)) {
        if (!(options.listen = ServerOptions::onPort(port)))
            return refused(kServer + '=' + port + kServerError);
    }
    for (const QString& where : parser.values(serverListening)) {
        if (!(options.listen = ServerOptions::listening(where)))
            return refused(QStringLiteral("--rigctld-listen=") + where + kServerError);
    }
    options.com1 = parser.value(com1);
    options.com2 = parser.value(com2);
    if ((parser.isSet(com1) && options.com1.isEmpty()) ||
        (parser.isSet(com2) && options.com2.isEmpty()))
        return refused(QStringLiteral("--com1 and --com2 name a device: --com1=/dev/ttyUSB0"));
    return options;
}
