// The program started as an operator starts it with --rigctld, on the virtual transceiver, and
// Hamlib's own client (rigctl -m 2, "NET rigctl") driving the radio through the panel. Then
// what a client must not be able to do: leave the transmitter keyed, disturb the others with
// noise, crowd the server, starve the polling.

#include "ClientConnection.h"
#include "FormSelectPortTOVRAN.h"
#include "PanelHarness.h"
#include "ProgramStart.h"
#include "RadioConversation.h"
#include "RadioSharing.h"
#include "RigctlServer.h"

#include <QProcess>
#include <QPushButton>
#include <QTcpSocket>
#include <QTest>

#include <algorithm>

namespace {

constexpr int kPatienceMs = 10000;

// What the radio heard besides the panel's polling (and the AI0; it repeats a request behind).
QList<QByteArray> operatorCommands(const VirtualRadio& radio) {
    QList<QByteArray> commands = radio.receivedCommands();
    commands.removeAll("IF;");
    commands.removeAll("AI0;");
    return commands;
}

struct Client {
    explicit Client(quint16 port) { socket.connectToHost(QHostAddress::LocalHost, port); }

    // Sends the text and waits for the answer to reach the given length.
    QByteArray ask(const QByteArray& text, qsizetype answerLength) {
        socket.write(text);
        PanelHarness::waitUntil([&] { return socket.bytesAvailable() >= answerLength; },
                                kPatienceMs);
        return socket.readAll();
    }
    bool closedByServer() {
        return PanelHarness::waitUntil(
            [&] { return socket.state() == QAbstractSocket::UnconnectedState; }, kPatienceMs);
    }

    QTcpSocket socket;
};

}  // namespace

class RigctlServerTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void hamlibClient_data();
    void hamlibClient();
    void unruly_data();
    void unruly();
    void keyedByAClientThenClosed_data();
    void keyedByAClientThenClosed();
    void switchedOffAndOn();
    void unkeyingIsTheKeyersOwn_data();
    void unkeyingIsTheKeyersOwn();
    void fullServerMakesRoom();
    void clientThatNeverReads();
    void floodOfSetsLeavesThePollingAndEndsOnTheLastValue();

private:
    QByteArray rigctl(const QStringList& commands);
    void waitForReports(int count);

    std::unique_ptr<VirtualRadio> radio_;
    std::unique_ptr<RigctlServer> server_;
    std::unique_ptr<ProgramStart> program_;
    int statusRequests_ = 0;
};

void RigctlServerTest::init() {
    radio_ = std::make_unique<VirtualRadio>();
    QVERIFY(radio_->open());
    connect(radio_.get(), &VirtualRadio::commandReceived, this,
            [this](const QByteArray& command) { statusRequests_ += command == "IF;"; });
    qputenv("TOVRAN_COM1", radio_->devicePath().toLocal8Bit());
    server_ = std::make_unique<RigctlServer>();
    QVERIFY(server_->listen(QHostAddress::LocalHost, 0));
    program_ = std::make_unique<ProgramStart>();
    program_->endProgram = [](int) {};
    shareRadio(*program_, *server_);
    program_->begin();
    QTest::keyClick(program_->portWindow(), Qt::Key_Return);
    QVERIFY(PanelHarness::waitUntil([this] { return statusRequests_ >= 3; }, kPatienceMs));
    radio_->clearLog();
}

void RigctlServerTest::cleanup() {
    program_.reset();
    server_.reset();
    radio_.reset();
    statusRequests_ = 0;
}

void RigctlServerTest::waitForReports(int count) {
    const int reportsAfter = statusRequests_ + count;
    QVERIFY(PanelHarness::waitUntil([&] { return statusRequests_ >= reportsAfter; }, kPatienceMs));
}

// What Hamlib's client prints, its errors included.
QByteArray RigctlServerTest::rigctl(const QStringList& commands) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(
        PanelHarness::hamlibRigctl(),
        QStringList{"-m", "2", "-r", "127.0.0.1:" + QString::number(server_->port())} + commands);
    PanelHarness::waitUntil([&] { return process.state() == QProcess::NotRunning; }, kPatienceMs);
    return process.readAll();
}

void RigctlServerTest::hamlibClient_data() {
    QTest::addColumn<Transceiver::Source>("source");
    QTest::addColumn<bool>("transmitting");
    QTest::addColumn<QStringList>("commands");
    QTest::addColumn<QByteArray>("printed");
    QTest::addColumn<QList<QByteArray>>("sentToTheRadio");
    // Hamlib reads both VFOs as it connects; nothing of that may reach the radio, whatever it
    // is on, and least of all while it transmits. The panel has seen VFO B last: a frequency
    // from memory goes there.
    using enum Transceiver::Source;
    QTest::newRow("f m v t s") << VfoA << false << QStringList{"f", "m", "v", "t", "s"}
                               << QByteArray("14195000\nUSB\n2200\nVFOA\n0\n0\nVFOA\n")
                               << QList<QByteArray>{};
    QTest::newRow("memory channel")
        << Memory << false << QStringList{"f", "m", "v"} << QByteArray("14200000\nUSB\n2200\nMEM\n")
        << QList<QByteArray>{};
    QTest::newRow("transmitting") << VfoA << true << QStringList{"v", "t"}
                                  << QByteArray("VFOA\n1\n") << QList<QByteArray>{};
    QTest::newRow("F M V T") << VfoA << false
                             << QStringList{"F", "14074000", "M", "LSB", "0", "V", "VFOB",
                                            "T", "1",        "T", "0",   "f", "m"}
                             << QByteArray("7050000\nLSB\n2200\n")
                             << QList<QByteArray>{"FA00014074000;", "MD1;", "FN1;", "TX;", "RX;"};
    QTest::newRow("F from memory, in hertz and a fraction")
        << Memory << false << QStringList{"F", "7070000.7"} << QByteArray()
        << QList<QByteArray>{"FN1;", "FB00007070001;"};
    QTest::newRow("j i") << VfoA << false << QStringList{"j", "i"} << QByteArray("0\n7050000\n")
                         << QList<QByteArray>{};
    // rigctl shows the state it took from the server's dump: the TS-440's ranges and filters.
    QTest::newRow("dump_state")
        << VfoA << false << QStringList{"dump_state"}
        << QByteArray(
               "100000.000000 30000000.000000 0x3f -1 -1 0x10000003 0x0\n0 0 0 0 0 0 0\n"
               "1800000.000000 1999999.000000 0x3f 5000 200000 0x10000003 0x0\n")
        << QList<QByteArray>{};
}

void RigctlServerTest::hamlibClient() {
    QFETCH(Transceiver::Source, source);
    QFETCH(bool, transmitting);
    QFETCH(QStringList, commands);
    QFETCH(QByteArray, printed);
    QFETCH(QList<QByteArray>, sentToTheRadio);
    if (PanelHarness::hamlibRigctl().isEmpty())
        QSKIP(PanelHarness::kNoRigctl);
    Transceiver& transceiver = radio_->transceiver();
    transceiver.setVfo(Transceiver::Vfo::B, {7'050'000, 1});
    transceiver.setSource(Transceiver::Source::VfoB);  // seen once by the panel, as VFO B
    waitForReports(2);
    transceiver.setMemory(5, {14'200'000, 2});
    transceiver.setChannel(5);
    transceiver.setSource(source);
    transceiver.setTransmitting(transmitting);
    waitForReports(2);
    radio_->clearLog();
    const QByteArray output = rigctl(commands);
    QVERIFY2(output.contains(printed) && !output.contains("error"), output);
    QCOMPARE(operatorCommands(*radio_), sentToTheRadio);
}

void RigctlServerTest::unruly_data() {
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<bool>("closedByServer");
    QTest::addColumn<QList<QByteArray>>("sentToTheRadio");
    QTest::newRow("keyed, then gone")
        << QByteArray("T 1\n") << false << QList<QByteArray>{"TX;", "RX;"};
    QTest::newRow("unkeyed, then gone")
        << QByteArray("T 1\nT 0\n") << false << QList<QByteArray>{"TX;", "RX;"};
    QTest::newRow("a line of 1025 characters")
        << QByteArray(1025, 'f') << true << QList<QByteArray>{};
    QTest::newRow("binary noise") << QByteArray("\x1b[2J\xff\xfe\0F 7000000\n", 18) << true
                                  << QList<QByteArray>{};
}

// The others go on as before, and the radio hears nothing but the safe end.
void RigctlServerTest::unruly() {
    QFETCH(QByteArray, sent);
    QFETCH(bool, closedByServer);
    QFETCH(QList<QByteArray>, sentToTheRadio);
    Client bystander(server_->port());
    QCOMPARE(bystander.ask("v\n", 5), QByteArray("VFOA\n"));
    {
        Client unruly(server_->port());
        if (closedByServer) {
            unruly.socket.write(sent);
            QVERIFY(unruly.closedByServer());
        } else {
            QVERIFY(unruly.ask(sent, 7 * sent.count('\n')).startsWith("RPRT 0\n"));
        }
    }
    const int reportsAfter = statusRequests_ + 3;
    QVERIFY(PanelHarness::waitUntil([&] { return statusRequests_ >= reportsAfter; }, kPatienceMs));
    QCOMPARE(operatorCommands(*radio_), sentToTheRadio);
    QCOMPARE(bystander.ask("f\n", 9), QByteArray("14195000\n"));
    QVERIFY(!radio_->transceiver().isTransmitting());
}

// The operator closes the panel while a client has the radio transmitting and the display does
// not show it yet: the last thing the radio hears is "RX;".
void RigctlServerTest::keyedByAClientThenClosed_data() {
    QTest::addColumn<QByteArray>("closeOn");
    QTest::newRow("as the radio hears TX;") << QByteArray("TX;");
    // That report answers a request sent before TX;, and shows receive.
    QTest::newRow("one report later") << QByteArray("IF;");
}

void RigctlServerTest::keyedByAClientThenClosed() {
    QFETCH(QByteArray, closeOn);
    bool keyed = false;
    connect(radio_.get(), &VirtualRadio::commandReceived, this, [&](const QByteArray& command) {
        keyed = keyed || command == "TX;";
        if (keyed && command == closeOn && program_->mainWindow()->isVisible())
            program_->mainWindow()->close();
    });
    Client client(server_->port());
    QCOMPARE(client.ask("T 1\n", 7), QByteArray("RPRT 0\n"));
    QVERIFY(PanelHarness::waitUntil([&] { return operatorCommands(*radio_).size() == 2; },
                                    kPatienceMs));
    QCOMPARE(operatorCommands(*radio_), (QList<QByteArray>{"TX;", "RX;"}));
    QCOMPARE(radio_->receivedCommands().last(), QByteArray("RX;"));
}

// Between the radio's last report and the panel's verdict, a set is answered RPRT 0 only once
// written to the line, and a read waits for a report that does not come: Hamlib's client is
// told the radio timed out, as it is after the verdict. Nothing asked then is carried out
// later, a transmit least of all; the client finds the radio again once it answers.
void RigctlServerTest::switchedOffAndOn() {
    if (PanelHarness::hamlibRigctl().isEmpty())
        QSKIP(PanelHarness::kNoRigctl);
    radio_->setPoweredOn(false);
    QVERIFY(PanelHarness::waitUntil([&] { return server_->radio().isOverdue(); }, kPatienceMs));
    QVERIFY(program_->mainWindow()->conversation()->radioAnswers());
    Client client(server_->port());
    // The line was free for the frequency; the mode and the keying wait for a turn in vain.
    QCOMPARE(client.ask("F 7074000\nM CW 0\nT 1\n", 21), QByteArray("RPRT 0\nRPRT -5\nRPRT -5\n"));
    const QByteArray late = rigctl({"f"});
    QVERIFY2(late.contains("get_freq: error") && late.contains("Communication timed out"), late);
    QVERIFY(PanelHarness::waitUntil(
        [&] { return !program_->mainWindow()->conversation()->radioAnswers(); }, kPatienceMs));
    QCOMPARE(client.ask("T 1\nf\n\\get_powerstat\n", 18), QByteArray("RPRT -5\nRPRT -5\n0\n"));
    const QByteArray silent = rigctl({"f", "F", "14074000"});
    QVERIFY2(silent.contains("get_freq: error") && silent.contains("set_freq: error") &&
                 silent.contains("Communication timed out"),
             silent);
    radio_->setPoweredOn(true);
    QVERIFY(PanelHarness::waitUntil(
        [&] { return program_->mainWindow()->conversation()->radioAnswers(); }, kPatienceMs));
    waitForReports(3);
    QCOMPARE(rigctl({"f", "m"}), QByteArray("14195000\nUSB\n2200\n"));
    QCOMPARE(operatorCommands(*radio_), QList<QByteArray>{"FA00007074000;"});
}

// fldigi unkeys twice as it starts, WSJT-X as it gives up after an error: while another
// program or the operator has the radio transmitting, that sends nothing and ends nobody's
// transmission. The keyer's own unkeying still goes out.
void RigctlServerTest::unkeyingIsTheKeyersOwn_data() {
    QTest::addColumn<bool>("byTheOperator");
    QTest::addColumn<QList<QByteArray>>("sentToTheRadio");
    QTest::newRow("keyed by another client") << false << QList<QByteArray>{"TX;", "RX;"};
    QTest::newRow("keyed at the panel") << true << QList<QByteArray>{"TX;", "RX;"};
}

void RigctlServerTest::unkeyingIsTheKeyersOwn() {
    QFETCH(bool, byTheOperator);
    QFETCH(QList<QByteArray>, sentToTheRadio);
    if (PanelHarness::hamlibRigctl().isEmpty())
        QSKIP(PanelHarness::kNoRigctl);
    FormControlTOVRAN& panel = *program_->mainWindow();
    Client keyer(server_->port());
    if (byTheOperator) {
        QTest::mouseClick(panel.CommandRxTx, Qt::LeftButton);
        QVERIFY(server_->radio().isKeyed());  // the operator's, before a report shows it
    } else
        QCOMPARE(keyer.ask("T 1\n", 7), QByteArray("RPRT 0\n"));
    QVERIFY(
        PanelHarness::waitUntil([&] { return panel.CommandRxTx->text() == "RX"; }, kPatienceMs));
    const QByteArray output = rigctl({"T", "0", "T", "0"});
    QVERIFY2(output.isEmpty(), output);
    waitForReports(3);
    QVERIFY(radio_->transceiver().isTransmitting());
    if (byTheOperator) {
        QTest::mouseClick(panel.CommandRxTx, Qt::LeftButton);
        QVERIFY(!server_->radio().isKeyed());  // at once, for clients too
    } else
        QCOMPARE(keyer.ask("T 0\n", 7), QByteArray("RPRT 0\n"));
    QVERIFY(PanelHarness::waitUntil([&] { return !radio_->transceiver().isTransmitting(); },
                                    kPatienceMs));
    QCOMPARE(operatorCommands(*radio_), sentToTheRadio);
}

// A program that leaks connections, or a port scan, holds 64 idle sockets: a station program
// connecting then is served all the same, and so is the one that was already talking.
void RigctlServerTest::fullServerMakesRoom() {
    if (PanelHarness::hamlibRigctl().isEmpty())
        QSKIP(PanelHarness::kNoRigctl);
    Client station(server_->port());
    QCOMPARE(station.ask("t\n", 2), QByteArray("0\n"));
    std::vector<std::unique_ptr<QTcpSocket>> idle;
    for (int i = 0; i < 64; ++i) {
        idle.push_back(std::make_unique<QTcpSocket>());
        idle.back()->connectToHost(QHostAddress::LocalHost, server_->port());
    }
    const auto closed = [&] {
        return std::ranges::count_if(idle, [](const auto& socket) {
            return socket->state() == QAbstractSocket::UnconnectedState;
        });
    };
    // The first of them gives way to the last.
    QVERIFY(PanelHarness::waitUntil(
        [&] { return server_->clientCount() == RigctlServer::kMostClients && closed() == 1; },
        kPatienceMs));
    QCOMPARE(idle.front()->state(), QAbstractSocket::UnconnectedState);
    QCOMPARE(rigctl({"f", "m"}), QByteArray("14195000\nUSB\n2200\n"));
    QCOMPARE(station.ask("v\n", 5), QByteArray("VFOA\n"));
}

// A program that asks and never reads its answers: what the panel holds for it stays bounded,
// its requests are left unread, and it is closed once it has stayed so; the others are
// answered as usual meanwhile.
void RigctlServerTest::clientThatNeverReads() {
    constexpr auto kStall = std::chrono::milliseconds(2000);
    constexpr qint64 kMostHeld = 128 * 1024;  // tens of KiB, and a batch of answers over
    server_->setLongestStall(kStall);
    Client bystander(server_->port());
    QTcpSocket hung;
    hung.setReadBufferSize(1024);  // then TCP holds the rest, as for a program that never reads
    hung.connectToHost(QHostAddress::LocalHost, server_->port());
    // Each request is answered with 1 KiB: 90 MB in all, if the panel made every answer.
    const QByteArray requests = QByteArray("\\dump_state\n").repeated(80'000);
    hung.write(requests);
    qint64 mostHeld = 0;
    const auto held = [&] {
        qint64 unsent = 0;
        for (const QTcpSocket* socket : server_->findChildren<QTcpSocket*>())
            unsent += socket->bytesToWrite();
        mostHeld = std::max(mostHeld, unsent);
        return unsent;
    };
    QVERIFY(PanelHarness::waitUntil([&] { return held() >= ClientConnection::kMostUnsent; },
                                    kPatienceMs));
    for (int i = 0; i < 10; ++i) QCOMPARE(bystander.ask("f\n", 9), QByteArray("14195000\n"));
    QVERIFY(PanelHarness::waitUntil([&] { return held() == 0 && server_->clientCount() == 1; },
                                    kPatienceMs));
    QVERIFY2(mostHeld <= kMostHeld, QByteArray::number(mostHeld));
    QCOMPARE(bystander.ask("v\n", 5), QByteArray("VFOA\n"));
}

void RigctlServerTest::floodOfSetsLeavesThePollingAndEndsOnTheLastValue() {
    constexpr int kSets = 1000;
    QByteArray flood;
    for (int i = 1; i <= kSets; ++i) flood += "F " + QByteArray::number(14'000'000 + i * 10) + '\n';
    const int requestsBefore = statusRequests_;
    Client flooder(server_->port());
    QCOMPARE(flooder.ask(flood, kSets * 7).count("RPRT 0\n"), kSets);
    QVERIFY(PanelHarness::waitUntil(
        [&] { return radio_->transceiver().vfo(Transceiver::Vfo::A).frequencyHz == 14'010'000; },
        kPatienceMs));
    QVERIFY(PanelHarness::waitUntil([&] { return statusRequests_ >= requestsBefore + 5; },
                                    kPatienceMs));
    // One set at most per status report: the polling keeps the line.
    QVERIFY(operatorCommands(*radio_).size() <= statusRequests_ - requestsBefore + 1);
}

QTEST_MAIN(RigctlServerTest)
#include "tst_rigctl_server.moc"
