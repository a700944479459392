#include "Line.h"
#include "TerminationSignals.h"
#include "Version.h"
#include "VirtualRadio.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

#include <optional>

namespace {

// The exit status of a command line refused, as getopt's programs have it.
constexpr int kBadCommandLine = 2;

int fail(const QString& message, int status = 1) {
    QTextStream(stderr) << QCoreApplication::applicationName() << ": " << message << Qt::endl;
    return status;
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
    QObject::connect(&radio, &VirtualRadio::keyingDisturbed, &radio, [&out] {
        out << "!! asked for its status while keying CW with RIT/XIT: the note moves" << Qt::endl;
    });
}

struct HookupName {
    const char* name;
    VirtualRadio::Hookup hookup;
};
constexpr HookupName kHookups[] = {
    {"sound", VirtualRadio::Hookup::Sound},
    {"no-interface", VirtualRadio::Hookup::NoInterface},
    {"not-inverted", VirtualRadio::Hookup::NotInverted},
    {"cts-low", VirtualRadio::Hookup::WaitsForCts},
};

std::optional<VirtualRadio::Hookup> hookupNamed(const QString& name) {
    for (const HookupName& hookup : kHookups) {
        if (name == QLatin1String(hookup.name))
            return hookup.hookup;
    }
    return std::nullopt;
}

bool isRadioSpeed(int baud) {
    return baud == Line::kBaud || baud == Line::kJumperBaud;
}

// A status report is 38 characters: a tail is up to all of it.
constexpr int kStatusLength = 38;
// RIT and XIT offsets are four digits of hertz.
constexpr int kLargestOffset = 9999;

std::optional<int> numberIn(const QString& text, int lowest, int highest) {
    bool isNumber = false;
    const int value = text.toInt(&isNumber);
    if (!isNumber || value < lowest || value > highest)
        return std::nullopt;
    return value;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tovran-virtual-radio"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TOVRAN_VERSION_TEXT));
    TerminationSignals termination;
    QObject::connect(&termination, &TerminationSignals::received, &app, &QCoreApplication::quit);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("A Kenwood transceiver on a pseudo-terminal, to try the panel without a "
                       "radio. The first line printed is \"device: \" and the device's path."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    const QCommandLineOption modelOption(QStringLiteral("model"),
                                         QStringLiteral("The radio: 440, 940, 811 or 711."),
                                         QStringLiteral("number"), QStringLiteral("440"));
    const QCommandLineOption linkOption(
        QStringLiteral("link"), QStringLiteral("Make a symbolic link to the device at <path>."),
        QStringLiteral("path"));
    const QCommandLineOption pacedOption(
        QStringLiteral("paced"), QStringLiteral("Run the line at the radio's speed (--baud)."));
    const QCommandLineOption logOption(QStringLiteral("log"),
                                       QStringLiteral("Append every command received to <file>."),
                                       QStringLiteral("file"));
    const QCommandLineOption quietOption(QStringLiteral("quiet"),
                                         QStringLiteral("Do not show commands and replies."));
    const QCommandLineOption baudOption(
        QStringLiteral("baud"),
        QStringLiteral("The radio's speed: 4800, or 1200 as with its internal jumper set. While "
                       "the panel's end is at another speed it reads garbage."),
        QStringLiteral("speed"), QStringLiteral("4800"));
    const QCommandLineOption hookupOption(
        QStringLiteral("hookup"),
        QStringLiteral("How the radio meets the adapter: sound; no-interface (no IC-10 "
                       "fitted: silent); not-inverted (TTL levels without an inverter: garbage); "
                       "cts-low (waits for the handshake: silent; a pseudo-terminal has no CTS "
                       "for the panel to see)."),
        QStringLiteral("kind"), QStringLiteral("sound"));
    const QCommandLineOption staleOption(
        QStringLiteral("stale-tail"),
        QStringLiteral("Leave the last <n> characters of a status report waiting in the line, "
                       "as an adapter keeps them from a program closed while the radio answered."),
        QStringLiteral("n"));
    const QCommandLineOption ritOption(QStringLiteral("rit"),
                                       QStringLiteral("Switch RIT on with this offset in hertz."),
                                       QStringLiteral("hz"));
    const QCommandLineOption xitOption(QStringLiteral("xit"),
                                       QStringLiteral("Switch XIT on with this offset in hertz."),
                                       QStringLiteral("hz"));
    parser.addOptions({modelOption, linkOption, pacedOption, logOption, quietOption, baudOption,
                       hookupOption, staleOption, ritOption, xitOption});
    // Not process(): it ends a refused command line with status 1.
    const bool parsed = parser.parse(QCoreApplication::arguments());
    if (parser.isSet(helpOption))
        parser.showHelp();
    if (parser.isSet(versionOption))
        parser.showVersion();
    if (!parsed)
        return fail(parser.errorText(), kBadCommandLine);
    if (!parser.positionalArguments().isEmpty())
        return fail(QStringLiteral("unexpected argument: %1")
                        .arg(parser.positionalArguments().constFirst()),
                    kBadCommandLine);

    const std::optional<VirtualRadio::Model> model =
        Transceiver::modelNumbered(parser.value(modelOption));
    if (!model)
        return fail(QStringLiteral("no such model: %1").arg(parser.value(modelOption)),
                    kBadCommandLine);
    const std::optional<int> baud = numberIn(parser.value(baudOption), 0, Line::kBaud);
    if (!baud || !isRadioSpeed(*baud))
        return fail(QStringLiteral("no such speed: %1").arg(parser.value(baudOption)),
                    kBadCommandLine);
    const std::optional<VirtualRadio::Hookup> hookup = hookupNamed(parser.value(hookupOption));
    if (!hookup)
        return fail(QStringLiteral("no such hookup: %1").arg(parser.value(hookupOption)),
                    kBadCommandLine);
    const std::optional<int> staleTail =
        parser.isSet(staleOption) ? numberIn(parser.value(staleOption), 1, kStatusLength) : 0;
    if (!staleTail)
        return fail(QStringLiteral("a stale tail is 1 to %1 characters").arg(kStatusLength),
                    kBadCommandLine);
    // The radio has one offset for both.
    if (parser.isSet(ritOption) && parser.isSet(xitOption) &&
        parser.value(ritOption) != parser.value(xitOption))
        return fail(QStringLiteral("RIT and XIT share one offset"), kBadCommandLine);
    const QString offsetText =
        parser.isSet(ritOption) ? parser.value(ritOption) : parser.value(xitOption);
    const std::optional<int> offset =
        offsetText.isEmpty() ? 0 : numberIn(offsetText, -kLargestOffset, kLargestOffset);
    if (!offset)
        return fail(QStringLiteral("an offset is -%1 to %1 hertz").arg(kLargestOffset),
                    kBadCommandLine);

    VirtualRadio radio(*model);
    radio.setPaced(parser.isSet(pacedOption));
    radio.setBaud(*baud);
    radio.setHookup(*hookup);
    radio.transceiver().setClarifier(*offset, parser.isSet(ritOption), parser.isSet(xitOption));
    QString error;
    if (!radio.open(&error))
        return fail(error);
    radio.leaveStaleTail(*staleTail);
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
