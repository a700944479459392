// The program's command line as an operator types it: what it starts, what it answers at once,
// what it refuses and why.

#include "CommandLine.h"

#include <QTest>

namespace {

// One line for what came of the command line.
QString outcomeOf(const ProgramOptions& options) {
    using Outcome = ProgramOptions::Outcome;
    switch (options.outcome) {
        case Outcome::ShowHelp:
            return QStringLiteral("help");
        case Outcome::ShowVersion:
            return QStringLiteral("version ") + options.text;
        case Outcome::Refuse:
            return QStringLiteral("refused: ") + options.text;
        case Outcome::Run:
            break;
    }
    QString text = QStringLiteral("run");
    if (options.listen)
        text += QStringLiteral(" rigctld ") + options.listen->address.toString() + ':' +
                QString::number(options.listen->port);
    if (!options.com1.isEmpty())
        text += QStringLiteral(" com1 ") + options.com1;
    if (!options.com2.isEmpty())
        text += QStringLiteral(" com2 ") + options.com2;
    return text;
}

}  // namespace

class CommandLineTest : public QObject {
    Q_OBJECT

private slots:
    void options_data();
    void options();
    void helpShowsEveryOption();
};

void CommandLineTest::options_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("outcome");
    const QString expected =
        QStringLiteral(": expected --rigctld, --rigctld=PORT or --rigctld-listen=ADDRESS:PORT");
    QTest::newRow("nothing") << QStringList{} << "run";
    QTest::newRow("--rigctld") << QStringList{"--rigctld"} << "run rigctld 127.0.0.1:4532";
    QTest::newRow("--rigctld=PORT")
        << QStringList{"--rigctld=4600"} << "run rigctld 127.0.0.1:4600";
    QTest::newRow("IPv6") << QStringList{"--rigctld-listen=[::1]:4533"} << "run rigctld ::1:4533";
    QTest::newRow("address, value apart")
        << QStringList{"--rigctld-listen", "192.168.1.10:4532"} << "run rigctld 192.168.1.10:4532";
    QTest::newRow("the last port")
        << QStringList{"--rigctld=4600", "--rigctld"} << "run rigctld 127.0.0.1:4532";
    QTest::newRow("port 0") << QStringList{"--rigctld=0"} << "refused: --rigctld=0" + expected;
    QTest::newRow("port 65536") << QStringList{"--rigctld=65536"}
                                << "refused: --rigctld=65536" + expected;
    QTest::newRow("no port") << QStringList{"--rigctld-listen=10.0.0.1"}
                             << "refused: --rigctld-listen=10.0.0.1" + expected;
    QTest::newRow("a name, not an address") << QStringList{"--rigctld-listen=radio:4532"}
                                            << "refused: --rigctld-listen=radio:4532" + expected;
    QTest::newRow("two servers") << QStringList{"--rigctld", "--rigctld-listen=[::1]:4533"}
                                 << "refused: --rigctld and --rigctld-listen: one server at most";
    QTest::newRow("a port apart") << QStringList{"--rigctld", "4600"}
                                  << "refused: unexpected argument: 4600";
    QTest::newRow("devices") << QStringList{"--com1=/dev/ttyUSB0", "--com2", "/dev/ttyS0"}
                             << "run com1 /dev/ttyUSB0 com2 /dev/ttyS0";
    QTest::newRow("Windows device")
        << QStringList{"--com1=COM5", "--rigctld"} << "run rigctld 127.0.0.1:4532 com1 COM5";
    QTest::newRow("device left out") << QStringList{"--com1="}
                                     << "refused: --com1 and --com2 name a device: "
                                        "--com1=/dev/ttyUSB0";
    QTest::newRow("device missing")
        << QStringList{"--com2"} << "refused: Missing value after '--com2'.";
    QTest::newRow("unknown") << QStringList{"--bogus"} << "refused: Unknown option 'bogus'.";
    QTest::newRow("--version") << QStringList{"--version"} << "version T.O.V.R.A.N 1.00\n";
    QTest::newRow("-v") << QStringList{"-v"} << "version T.O.V.R.A.N 1.00\n";
    QTest::newRow("Qt's own options, for Qt")
        << QStringList{"-platform", "offscreen", "-style=fusion", "--reverse", "-qwindowtitle",
                       "Radio", "-display", ":1", "--rigctld"}
        << "run rigctld 127.0.0.1:4532";
    QTest::newRow("Qt's own options hide no fault")
        << QStringList{"-platform", "xcb", "--bogus", "-widgetcount"}
        << "refused: Unknown option 'bogus'.";
    QTest::newRow("help wins") << QStringList{"--bogus", "-h", "--rigctld=0"} << "help";
}

void CommandLineTest::options() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, outcome);
    QCOMPARE(outcomeOf(programOptions(QStringList{"/usr/bin/tovran"} + arguments)), outcome);
}

// The help is the manual page: every option with its value, the server's port optional.
void CommandLineTest::helpShowsEveryOption() {
    const ProgramOptions options = programOptions({"/usr/bin/tovran", "--help"});
    QVERIFY2(options.text.startsWith("Usage: tovran [options]\n"), qPrintable(options.text));
    for (const char* option :
         {"-h, --help", "-v, --version", "--rigctld[=PORT]", "--rigctld-listen <ADDRESS:PORT>",
          "--com1 <DEVICE>", "--com2 <DEVICE>"})
        QVERIFY2(options.text.contains(QLatin1String(option)), option);
}

QTEST_GUILESS_MAIN(CommandLineTest)
#include "tst_commandline.moc"
