#include "PanelHarness.h"
#include "SerialComm.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QSerialPort>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <functional>

using Model = VirtualRadio::Model;
using Tuning = Transceiver::Tuning;
using Spoiler = std::function<void(VirtualRadio&)>;
Q_DECLARE_METATYPE(Spoiler)
Q_DECLARE_METATYPE(Tuning)
Q_DECLARE_METATYPE(std::chrono::milliseconds)

namespace {

// An unpaced reply goes out as soon as its command is read: it has come well within this.
constexpr std::chrono::milliseconds kSilence{150};
// A reply that is due comes long before this, however busy the machine; rigctl needs a second.
constexpr std::chrono::milliseconds kPatience{5000};
constexpr std::chrono::milliseconds kRigctlPatience{30000};
// Lets the radio read each piece of a command on its own.
constexpr std::chrono::milliseconds kBetweenPieces{20};
// A reply held back this long cannot be mistaken for one sent at once.
constexpr std::chrono::milliseconds kPause{200};
// The 36 characters of the replies below on a line at 4800 baud.
constexpr auto kPaced =
    std::chrono::ceil<std::chrono::milliseconds>(36 * SerialLine::kCharacterTime);
// A refused command may cost the panel one lost status reply and its repeat, no more.
constexpr std::chrono::milliseconds kRefusalCost{1500};

// Sends the commands to the device, cut into pieces at "|", and takes all that comes back.
QByteArray exchange(const QString& device, const QByteArray& commands, qsizetype expected) {
    QSerialPort port(device);
    if (!port.open(QIODevice::ReadWrite))
        return "cannot open " + device.toUtf8();
    for (const QByteArray& piece : commands.split('|')) {
        port.write(piece);
        QTest::qWait(int(kBetweenPieces.count()));
    }
    (void)QTest::qWaitFor([&] { return port.bytesAvailable() >= expected; },
                          int(kPatience.count()));
    QTest::qWait(int(kSilence.count()));
    return port.readAll();
}

}  // namespace

class TestVirtualTransceiver : public QObject {
    Q_OBJECT

private slots:
    void replies_data();
    void replies();
    void hamlibReadsAndSets_data();
    void hamlibReadsAndSets();
    void panelPollsAgainSoonAfterARefusal();
    void reopenedThroughALinkAndClosedWithoutATrace();
};

// The replies are all the radio says to the commands; a fault spoils the second reply.
void TestVirtualTransceiver::replies_data() {
    QTest::addColumn<Model>("model");
    QTest::addColumn<QByteArray>("commands");
    QTest::addColumn<QByteArray>("replies");
    QTest::addColumn<Spoiler>("spoil");
    QTest::addColumn<std::chrono::milliseconds>(
        "atLeast");  // lower bounds only: a busy machine is late, not early
    const auto row = [](const char* name, const char* commands, const char* replies,
                        Model model = Model::TS440, Spoiler spoil = {},
                        std::chrono::milliseconds atLeast = {}) {
        QTest::newRow(name) << model << QByteArray(commands) << QByteArray(replies) << spoil
                            << atLeast;
    };
    const auto fault = [&](const char* name, Spoiler spoil, const char* replies,
                           std::chrono::milliseconds atLeast = {}) {
        row(name, "ID;MR0007;ID;", replies, Model::TS440, spoil, atLeast);
    };
    const char* whole = "ID004;MR000700007050000100000;ID004;";
    // clang-format off
    //                                        IFfffffffffffsssssrrrrrRXbccTMVSPtnn.;
    //                                        12345678901234567890123456789012345678
    row("TS-440: no digits after P",  "ID;IF;", "ID004;IF0001419500000000+00000000002000    ;");
    row("TS-940", "ID;IF;", "ID001;IF0001419500000000+000000000020000000;", Model::TS940);
    row("TS-711", "ID;IF;", "ID003;IF0014550000000000+000000000040000000;", Model::TS711);
    row("TS-811", "ID;IF;", "ID002;IF0043350000000000+000000000040000000;", Model::TS811);
    row("FB set in pieces, FN1, MD3, UP, DN twice", "FB0002|1200000;FN1;MD3;UP;DN;DN;I|F;",
        "IF0002119999000000+00000000003100    ;");
    row("FA, FB and AI asked", "FA;FB;AI;AI1;AI;", "FA00014195000;FB00007050000;AI0;AI1;");
    row("MW stores, MC and FN2 recall, MW erases", "MW005000014200000200000;MC050;FN2;IF;"
        "MW005000000000000000000;MR0050;MR0007;", "IF0001420000000000+00000005002200    ;"
        "MR005000000000000000000;MR000700007050000100000;");
    row("SC1 moves the VFO at each report, TX stops it", "SC1;IF;TX;IF;",
        "IF0001419510000000+00000000002010    ;IF0001419510000000+00000000012000    ;");
    row("refused: unknown, lower case, short, out of range", "XX;md3;FA001;FN3;MR1007;MD7;ID;",
        "?;?;?;?;?;?;ID004;");
    row("noise spoils only its own command", "\r\nID;|I|D|;", "?;ID004;");
    row("TS-711: no AM, no HF", "MD5;FA00014200000;MD2;IF;",
        "?;IF0014550000000000+000000000020000000;", Model::TS711);
    // clang-format on
    fault(
        "dropped", [](VirtualRadio& radio) { radio.dropReply(2); }, "ID004;ID004;");
    fault(
        "garbled", [](VirtualRadio& radio) { radio.garbleReply(2); },
        "ID004;MR000700007050000100000#ID004;");
    fault(
        "truncated", [](VirtualRadio& radio) { radio.truncateReply(2, 3); }, "ID004;MR0ID004;");
    fault(
        "split", [](VirtualRadio& radio) { radio.splitReply(2, 3, kPause); }, whole, kPause);
    fault(
        "delayed", [](VirtualRadio& radio) { radio.delayReply(2, kPause); }, whole, kPause);
    fault(
        "paced at 4800 baud", [](VirtualRadio& radio) { radio.setPaced(true); }, whole, kPaced);
    fault(
        "switched off with a reply on its way",
        [](VirtualRadio& radio) {
            radio.delayReply(2, kPause);
            QObject::connect(&radio, &VirtualRadio::commandReceived, &radio,
                             [&radio, heard = 0](const QByteArray&) mutable {
                                 if (++heard == 3)
                                     radio.setPoweredOn(false);
                             });
        },
        "ID004;");
}

void TestVirtualTransceiver::replies() {
    QFETCH(Model, model);
    QFETCH(QByteArray, commands);
    QFETCH(QByteArray, replies);
    QFETCH(Spoiler, spoil);
    QFETCH(std::chrono::milliseconds, atLeast);
    VirtualRadio radio(model);
    QVERIFY(radio.open());
    if (spoil)
        spoil(radio);
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(exchange(radio.devicePath(), commands, replies.size()), replies);
    QVERIFY(std::chrono::milliseconds(clock.elapsed()) >= atLeast + kSilence);
}

// Each radio starts on VFO B. Hamlib changes no mode while it transmits, and its drivers for the
// VHF radios read no PTT back (rigctl answers from its own record).
void TestVirtualTransceiver::hamlibReadsAndSets_data() {
    QTest::addColumn<Model>("model");
    QTest::addColumn<int>("hamlibModel");
    QTest::addColumn<Tuning>("vfoB");
    QTest::addColumn<bool>("transmitting");
    QTest::addColumn<QString>("reads");  // what "f m v t" prints, the passband left out
    QTest::addColumn<QString>("sets");
    QTest::addColumn<Tuning>("vfoA");
    QTest::newRow("TS-440S") << Model::TS440 << 2002 << Tuning{7'040'000, 6} << true
                             << "7040000 RTTY VFOB 1"
                             << "T 0 V VFOA F 14250000 M AM 0" << Tuning{14'250'000, 5};
    QTest::newRow("TS-940S") << Model::TS940 << 2011 << Tuning{3'650'000, 5} << true
                             << "3650000 AM VFOB 1"
                             << "T 0 V VFOA F 21300000 M FM 0" << Tuning{21'300'000, 4};
    QTest::newRow("TS-711") << Model::TS711 << 2006 << Tuning{144'300'000, 2} << false
                            << "144300000 USB VFOB 0"
                            << "V VFOA F 145000000 M CW 0 T 1" << Tuning{145'000'000, 3};
    QTest::newRow("TS-811") << Model::TS811 << 2008 << Tuning{432'200'000, 3} << false
                            << "432200000 CW VFOB 0"
                            << "V VFOA F 433000000 M LSB 0 T 1" << Tuning{433'000'000, 1};
}

void TestVirtualTransceiver::hamlibReadsAndSets() {
    QFETCH(Model, model);
    QFETCH(int, hamlibModel);
    QFETCH(Tuning, vfoB);
    QFETCH(bool, transmitting);
    QFETCH(QString, reads);
    QFETCH(QString, sets);
    QFETCH(Tuning, vfoA);
    const QString rigctl = QStandardPaths::findExecutable(QStringLiteral("rigctl"));
    QVERIFY2(!rigctl.isEmpty(), "no rigctl: scripts/install-dependencies.sh installs it");
    VirtualRadio radio(model);
    QVERIFY(radio.open());
    Transceiver& state = radio.transceiver();
    state.setVfo(Transceiver::Vfo::B, vfoB);
    state.setSource(Transceiver::Source::VfoB);
    state.setTransmitting(transmitting);
    QProcess process;
    process.start(rigctl, QStringList{"-m", QString::number(hamlibModel), "-r", radio.devicePath(),
                                      "f", "m", "v", "t"} +
                              sets.split(' '));
    QVERIFY(QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; },
                            int(kRigctlPatience.count())));
    QStringList printed = QString::fromLatin1(process.readAllStandardOutput()).split('\n');
    QCOMPARE(process.exitCode(), 0);
    printed.removeAt(2);  // the passband, Hamlib's own figure
    QCOMPARE(printed.mid(0, 4).join(' '), reads);
    QCOMPARE(state.source(), Transceiver::Source::VfoA);
    QCOMPARE(state.vfo(Transceiver::Vfo::A).frequencyHz, vfoA.frequencyHz);
    QCOMPARE(state.vfo(Transceiver::Vfo::A).mode, vfoA.mode);
    QCOMPARE(state.isTransmitting(), !transmitting);
}

// AM on a TS-711 is answered "?;", which puts the status reply behind it out of step; the panel
// repeats its request and is back to one request at a time.
void TestVirtualTransceiver::panelPollsAgainSoonAfterARefusal() {
    PanelHarness harness(Model::TS711);
    QVERIFY(harness.start());
    QVERIFY(harness.waitForPolling());
    QByteArray refusals;
    connect(&harness.radio, &VirtualRadio::replySent, this,
            [&](const QByteArray& reply) { refusals += reply == "?;" ? reply : QByteArray(); });
    QElapsedTimer clock;
    harness.panel()->CommandAM->click();
    clock.start();
    QVERIFY(PanelHarness::waitUntil([&] { return !refusals.isEmpty(); }, int(kPatience.count())));
    const int asked = harness.statusRequests();
    QVERIFY(PanelHarness::waitUntil([&] { return harness.statusRequests() >= asked + 5; },
                                    int(kRefusalCost.count() - clock.elapsed())));
    int unanswered = 0;
    int mostUnanswered = 0;
    connect(&harness.radio, &VirtualRadio::commandReceived, this, [&](const QByteArray& command) {
        mostUnanswered = std::max(mostUnanswered, unanswered += command == "IF;" ? 1 : 0);
    });
    connect(harness.panel()->MSComm1, &SerialComm::onComm, this, [&] { unanswered = 0; });
    QVERIFY(harness.waitForReports(20));
    QCOMPARE(mostUnanswered, 1);
    QCOMPARE(refusals, QByteArray("?;"));
}

// The radio keeps the line open for itself: a program that lets go and comes back through a
// link finds the radio as it left it. Closed, the radio takes its device and link away; a file
// that is not a link is never replaced.
void TestVirtualTransceiver::reopenedThroughALinkAndClosedWithoutATrace() {
    QTemporaryDir directory;
    const QString link = directory.filePath(QStringLiteral("radio"));
    const QString file = directory.filePath(QStringLiteral("file"));
    QVERIFY(QFile::link(QStringLiteral("/nonexistent/tty"), link));
    QVERIFY(QFile(file).open(QIODevice::WriteOnly));
    VirtualRadio radio;
    QVERIFY(radio.open());
    QCOMPARE(exchange(radio.devicePath(), "FA00007050000;ID;", 6), QByteArray("ID004;"));
    QVERIFY(!radio.linkAs(file) && QFileInfo(file).isFile());
    QVERIFY(radio.linkAs(link));
    QCOMPARE(exchange(link, "FA;", 14), QByteArray("FA00007050000;"));
    const QString device = radio.devicePath();
    radio.close();
    QVERIFY(!QFileInfo::exists(device));
    QVERIFY(!QFileInfo(link).isSymLink());
}

QTEST_MAIN(TestVirtualTransceiver)
#include "tst_virtualtransceiver.moc"
