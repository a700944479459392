#include "VirtualRadio.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <functional>

using namespace std::chrono_literals;
using Model = VirtualRadio::Model;
using Spoiler = std::function<void(VirtualRadio&)>;

Q_DECLARE_METATYPE(Spoiler)

namespace {

// An unpaced reply goes out as soon as its command is read: it has come well within this.
constexpr auto kSilence = 150ms;
// A reply that is due comes long before this, however busy the machine.
constexpr auto kPatience = 5s;
// Lets the radio read each piece of a command on its own.
constexpr auto kBetweenPieces = 20ms;
// The radio may send a character up to half a millisecond early to make up for its timer.
constexpr auto kTimerSlack = 1ms;

// The panel's end of the line: the device opened as a serial port and read without blocking.
class Panel {
public:
    explicit Panel(const QString& device)
        : m_fd(::open(device.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK)) {}
    ~Panel() { close(); }
    Panel(const Panel&) = delete;
    Panel& operator=(const Panel&) = delete;

    bool isOpen() const { return m_fd >= 0; }
    void close() {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }
    bool send(const QByteArray& bytes) {
        return ::write(m_fd, bytes.constData(), bytes.size()) == bytes.size();
    }
    // Waits for `count` characters, or for the patience to run out, and takes all received:
    // the caller compares what came with what should have.
    QByteArray receive(qsizetype count) {
        (void)QTest::qWaitFor([&] { return readAvailable() >= count; }, msecs(kPatience));
        return std::exchange(m_received, {});
    }
    // Takes the first reply, up to and including its ";".
    QByteArray reply() {
        (void)QTest::qWaitFor([&] { return readAvailable() && m_received.contains(';'); },
                              msecs(kPatience));
        const qsizetype end = m_received.indexOf(';') + 1;
        const QByteArray first = m_received.first(end > 0 ? end : m_received.size());
        m_received.remove(0, first.size());
        return first;
    }
    QByteArray ask(const QByteArray& command) { return send(command) ? reply() : QByteArray(); }
    // `count` characters and whatever follows them within the silence.
    QByteArray receiveAndListen(qsizetype count) {
        QByteArray received = receive(count);
        return received + listen();
    }
    // Everything that comes within the silence.
    QByteArray listen() {
        QTest::qWait(msecs(kSilence));
        readAvailable();
        return std::exchange(m_received, {});
    }

private:
    static int msecs(std::chrono::milliseconds time) { return static_cast<int>(time.count()); }

    qsizetype readAvailable() {
        char chunk[256];
        for (ssize_t count; (count = ::read(m_fd, chunk, sizeof chunk)) > 0;)
            m_received.append(chunk, count);
        return m_received.size();
    }

    int m_fd;
    QByteArray m_received;
};

// A radio and a panel connected to it.
struct Station {
    explicit Station(Model model = Model::TS440) : radio(model), panel(open(radio)) {}
    static QString open(VirtualRadio& radio) {
        return radio.open() ? radio.devicePath() : QString();
    }

    VirtualRadio radio;
    Panel panel;
};

void addStatusRow(const char* name, const char* commands, const char* report,
                  Model model = Model::TS440) {
    QTest::newRow(name) << model << QByteArray(commands) << QByteArray(report);
}

void addMemoryRow(const char* name, const char* commands, const char* request, const char* reply,
                  Model model = Model::TS440) {
    QTest::newRow(name) << model << QByteArray(commands) << QByteArray(request)
                        << QByteArray(reply);
}

}  // namespace

class TestVirtualTransceiver : public QObject {
    Q_OBJECT

private slots:
    void identification_data();
    void identification();
    void status_data();
    void status();
    void statusFieldsWhereThePanelReadsThem();
    void scanMovesFromReportToReport();
    void memory_data();
    void memory();
    void commandsInPieces_data();
    void commandsInPieces();
    void spoiledReplies_data();
    void spoiledReplies();
    void splitReplyWaitsItsPause();
    void delayedReplyHoldsUpTheNext();
    void strayBytes();
    void poweredOff();
    void switchingOffCutsAWaitingReply();
    void commandLog();
    void pacedRepliesInOrder();
    void panelClosesAndReopens();
    void closeRemovesDeviceAndLink();
    void linkReplacesOnlyALink();
};

void TestVirtualTransceiver::identification_data() {
    QTest::addColumn<Model>("model");
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("TS-940") << Model::TS940 << QByteArray("ID001;");
    QTest::newRow("TS-811") << Model::TS811 << QByteArray("ID002;");
    QTest::newRow("TS-711") << Model::TS711 << QByteArray("ID003;");
    QTest::newRow("TS-440") << Model::TS440 << QByteArray("ID004;");
}

void TestVirtualTransceiver::identification() {
    QFETCH(Model, model);
    QFETCH(QByteArray, reply);
    Station station(model);
    QVERIFY(station.panel.isOpen());
    QCOMPARE(station.panel.ask("ID;"), reply);
}

// The commands go in one write; the report answers the IF; sent after them.
void TestVirtualTransceiver::status_data() {
    QTest::addColumn<Model>("model");
    QTest::addColumn<QByteArray>("commands");
    QTest::addColumn<QByteArray>("report");
    //           IFfffffffffffsssssrrrrrRXbccTMVSPtnn.;
    //           12345678901234567890123456789012345678
    addStatusRow("power-on: VFO A", "",
                 "IF0001419500000000+000000000020000000;");
    addStatusRow("FA sets VFO A", "FA00007050000;",
                 "IF0000705000000000+000000000020000000;");
    addStatusRow("FB and FN1: VFO B in its own mode", "FB00021200000;FN1;",
                 "IF0002120000000000+000000000011000000;");
    addStatusRow("FN0 returns to VFO A", "FN1;FN0;",
                 "IF0001419500000000+000000000020000000;");
    addStatusRow("MD3: CW", "MD3;",
                 "IF0001419500000000+000000000030000000;");
    addStatusRow("TX: transmitting", "TX;",
                 "IF0001419500000000+000000000120000000;");
    addStatusRow("RX: back to receive", "TX;RX;",
                 "IF0001419500000000+000000000020000000;");
    addStatusRow("UP: one step up", "UP;",
                 "IF0001419501000000+000000000020000000;");
    addStatusRow("DN twice", "DN;DN;",
                 "IF0001419498000000+000000000020000000;");
    addStatusRow("MC on a VFO: only the channel number", "MC012;",
                 "IF0001419500000000+000000012020000000;");
    addStatusRow("MC and FN2: channel 07 in use", "MC007;FN2;",
                 "IF0000705000000000+000000007012000000;");
    addStatusRow("empty channel: no frequency", "MC050;FN2;",
                 "IF0000000000000000+000000050002000000;");
    addStatusRow("UP in memory: next channel", "MC007;FN2;UP;",
                 "IF0000941000000000+000000008052000000;");
    addStatusRow("DN from channel 00: channel 99", "FN2;DN;",
                 "IF0000000000000000+000000099002000000;");
    addStatusRow("MD on a recalled channel", "MC007;FN2;MD3;",
                 "IF0000705000000000+000000007032000000;");
    addStatusRow("store to the channel in use", "MC050;FN2;MW005000014200000200000;",
                 "IF0001420000000000+000000050022000000;");
    addStatusRow("erase the channel in use", "MC007;FN2;MW000700000000000000000;",
                 "IF0000000000000000+000000007002000000;");
    addStatusRow("SC1: the scan moves the VFO", "SC1;",
                 "IF0001419510000000+000000000020100000;");
    addStatusRow("SC0: scan stopped", "SC1;SC0;",
                 "IF0001419500000000+000000000020000000;");
    addStatusRow("memory scan: next channel in use", "MC007;FN2;SC1;",
                 "IF0000941000000000+000000008052100000;");
    addStatusRow("TX stops a scan", "SC1;TX;",
                 "IF0001419500000000+000000000120000000;");
    addStatusRow("TX refused on an empty channel", "MC050;FN2;TX;",
                 "IF0000000000000000+000000050002000000;");
    addStatusRow("FA outside the band refused", "FA00144300000;",
                 "IF0001419500000000+000000000020000000;");
    addStatusRow("malformed and unknown commands ignored",
                 "FA0001420000;FA000142000000;FA0001420000x;MD7;FN3;md3;XX;",
                 "IF0001419500000000+000000000020000000;");
    addStatusRow("TS-440 receives long wave", "FA00000136000;",
                 "IF0000013600000000+000000000020000000;");
    addStatusRow("TS-940 does not", "FA00000136000;",
                 "IF0001419500000000+000000000020000000;", Model::TS940);
    addStatusRow("TS-711: VFO A on 2 m", "",
                 "IF0014550000000000+000000000040000000;", Model::TS711);
    addStatusRow("TS-711: FA on 2 m", "FA00144300000;",
                 "IF0014430000000000+000000000040000000;", Model::TS711);
    addStatusRow("TS-711: FA on 20 m refused", "FA00014200000;",
                 "IF0014550000000000+000000000040000000;", Model::TS711);
    addStatusRow("TS-711: no AM", "MD5;",
                 "IF0014550000000000+000000000040000000;", Model::TS711);
    addStatusRow("TS-811: no FSK", "MD6;",
                 "IF0043350000000000+000000000040000000;", Model::TS811);
}

void TestVirtualTransceiver::status() {
    QFETCH(Model, model);
    QFETCH(QByteArray, commands);
    QFETCH(QByteArray, report);
    Station station(model);
    QVERIFY(station.panel.isOpen());
    QCOMPARE(station.panel.ask(commands + "IF;"), report);
}

// The panel reads the frequency, the channel, receive or transmit, the mode, VFO or memory and
// the scan at fixed places. A TS-440 on 14.195 MHz USB, VFO A, channel 05, must read there as
// this report does.
void TestVirtualTransceiver::statusFieldsWhereThePanelReadsThem() {
    struct Field {
        const char* name;
        qsizetype position;  // from 1, as in the ruler
        qsizetype length;
    };
    constexpr Field kFields[] = {{"frequency", 3, 11}, {"channel", 27, 2}, {"transmit", 29, 1},
                                 {"mode", 30, 1},      {"VFO", 31, 1},     {"scan", 32, 1},
                                 {"end", 38, 1},       {"not a memory reply", 24, 1}};
    // IFfffffffffffsssssrrrrrRXbccTMVSPtnn.;
    // 12345678901234567890123456789012345678
    const QByteArray expected = "IF00014195000000000000000005020000000;";
    Station station;
    QVERIFY(station.panel.isOpen());
    const QByteArray report = station.panel.ask("MC005;IF;");
    QCOMPARE(report.size(), expected.size());
    for (const Field& field : kFields) {
        QVERIFY2(report.mid(field.position - 1, field.length) ==
                     expected.mid(field.position - 1, field.length),
                 field.name);
    }
}

void TestVirtualTransceiver::scanMovesFromReportToReport() {
    Station station;
    QVERIFY(station.panel.isOpen());
    station.panel.send("SC1;");
    const qint64 first = station.panel.ask("IF;").mid(2, 11).toLongLong();
    const qint64 second = station.panel.ask("IF;").mid(2, 11).toLongLong();
    QVERIFY(first > 0);
    QVERIFY2(second > first, qPrintable(QStringLiteral("%1 then %2").arg(first).arg(second)));
    QVERIFY(station.radio.transceiver().isScanning());
}

void TestVirtualTransceiver::memory_data() {
    QTest::addColumn<Model>("model");
    QTest::addColumn<QByteArray>("commands");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("reply");
    //                                                     MRs-ccfffffffffffml----;
    //                                                     123456789012345678901234
    addMemoryRow("channel 07", "", "MR0007;",             "MR000700007050000100000;");
    addMemoryRow("channel 00", "", "MR0000;",             "MR000000014195000200000;");
    addMemoryRow("empty channel", "", "MR0050;",          "MR005000000000000000000;");
    addMemoryRow("TS-711 channel 00", "", "MR0000;",      "MR000000145500000400000;",
                 Model::TS711);
    addMemoryRow("TS-811 channel 01", "", "MR0001;",      "MR000100432200000200000;",
                 Model::TS811);
    addMemoryRow("stored", "MW005000014200000200000;", "MR0050;",
                                                           "MR005000014200000200000;");
    addMemoryRow("overwritten", "MW000700007100000300000;", "MR0007;",
                                                           "MR000700007100000300000;");
    addMemoryRow("erased", "MW000700000000000000000;", "MR0007;",
                                                           "MR000700000000000000000;");
    addMemoryRow("store outside the band refused", "MW005000144300000400000;", "MR0050;",
                                                           "MR005000000000000000000;");
    addMemoryRow("store without a mode refused", "MW005000014200000000000;", "MR0050;",
                                                           "MR005000000000000000000;");
    addMemoryRow("TS-811 store of FSK refused", "MW005000432100000600000;", "MR0050;",
                                                           "MR005000000000000000000;",
                 Model::TS811);
    addMemoryRow("transmit half not answered", "", "MR1007;", "");
}

void TestVirtualTransceiver::memory() {
    QFETCH(Model, model);
    QFETCH(QByteArray, commands);
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, reply);
    Station station(model);
    QVERIFY(station.panel.isOpen());
    QVERIFY(station.panel.send(commands + request));
    QCOMPARE(reply.isEmpty() ? station.panel.listen() : station.panel.reply(), reply);
}

void TestVirtualTransceiver::commandsInPieces_data() {
    QTest::addColumn<QByteArrayList>("pieces");
    QTest::addColumn<QByteArray>("replies");
    QTest::newRow("a character at a time")
        << QByteArrayList{"I", "D", ";"} << QByteArray("ID004;");
    QTest::newRow("cut inside the digits and after the mnemonic")
        << QByteArrayList{"FA0001", "4200000;I", "F;"}
        << QByteArray("IF0001420000000000+000000000020000000;");
    QTest::newRow("two commands in one piece")
        << QByteArrayList{"ID;MR0007;"} << QByteArray("ID004;MR000700007050000100000;");
    QTest::newRow("noise spoils only its own command")
        << QByteArrayList{"\r\nID;", "ID;"} << QByteArray("ID004;");
}

void TestVirtualTransceiver::commandsInPieces() {
    QFETCH(QByteArrayList, pieces);
    QFETCH(QByteArray, replies);
    Station station;
    QVERIFY(station.panel.isOpen());
    for (const QByteArray& piece : pieces) {
        QVERIFY(station.panel.send(piece));
        QTest::qWait(kBetweenPieces.count());
    }
    QCOMPARE(station.panel.receiveAndListen(replies.size()), replies);
}

// The fault is set on the second of three replies: the first and the third stay whole.
void TestVirtualTransceiver::spoiledReplies_data() {
    QTest::addColumn<Spoiler>("spoil");
    QTest::addColumn<QByteArray>("received");
    QTest::newRow("dropped") << Spoiler([](VirtualRadio& radio) { radio.dropReply(2); })
                             << QByteArray("ID004;ID004;");
    QTest::newRow("garbled") << Spoiler([](VirtualRadio& radio) { radio.garbleReply(2); })
                             << QByteArray("ID004;ID004#ID004;");
    QTest::newRow("truncated") << Spoiler([](VirtualRadio& radio) { radio.truncateReply(2, 3); })
                               << QByteArray("ID004;ID0ID004;");
    QTest::newRow("split") << Spoiler([](VirtualRadio& radio) { radio.splitReply(2, 3, 50ms); })
                           << QByteArray("ID004;ID004;ID004;");
    QTest::newRow("delayed") << Spoiler([](VirtualRadio& radio) { radio.delayReply(2, 50ms); })
                             << QByteArray("ID004;ID004;ID004;");
}

void TestVirtualTransceiver::spoiledReplies() {
    QFETCH(Spoiler, spoil);
    QFETCH(QByteArray, received);
    Station station;
    QVERIFY(station.panel.isOpen());
    spoil(station.radio);
    QSignalSpy sent(&station.radio, &VirtualRadio::replySent);
    QVERIFY(station.panel.send("ID;ID;ID;"));
    QCOMPARE(station.panel.receiveAndListen(received.size()), received);
    QByteArray reported;
    for (const QList<QVariant>& signal : sent)
        reported += signal.at(0).toByteArray();
    QCOMPARE(reported, received);
}

// Only lower bounds on time here: a busy machine makes the reply later, never earlier.
void TestVirtualTransceiver::splitReplyWaitsItsPause() {
    constexpr auto kPause = 200ms;
    Station station;
    QVERIFY(station.panel.isOpen());
    station.radio.splitReply(1, 2, kPause);
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(station.panel.ask("ID;"), QByteArray("ID004;"));
    QVERIFY(std::chrono::milliseconds(clock.elapsed()) >= kPause - kTimerSlack);
}

void TestVirtualTransceiver::delayedReplyHoldsUpTheNext() {
    constexpr auto kDelay = 200ms;
    Station station;
    QVERIFY(station.panel.isOpen());
    station.radio.delayReply(1, kDelay);
    QElapsedTimer clock;
    clock.start();
    QVERIFY(station.panel.send("ID;MR0007;"));
    const QByteArray expected = "ID004;MR000700007050000100000;";
    QCOMPARE(station.panel.receive(expected.size()), expected);
    QVERIFY(std::chrono::milliseconds(clock.elapsed()) >= kDelay - kTimerSlack);
}

void TestVirtualTransceiver::strayBytes() {
    const QByteArray noise("\x00\xff;IF", 5);
    Station station;
    QVERIFY(station.panel.isOpen());
    station.radio.sendStray(noise);
    QCOMPARE(station.panel.receive(noise.size()), noise);
    QCOMPARE(station.panel.ask("ID;"), QByteArray("ID004;"));
}

void TestVirtualTransceiver::poweredOff() {
    Station station;
    QVERIFY(station.panel.isOpen());
    station.radio.setPoweredOn(false);
    QVERIFY(station.panel.send("ID;IF;FA00007050000;"));
    QCOMPARE(station.panel.listen(), QByteArray());
    QCOMPARE(station.radio.receivedCommands(), (QByteArrayList{"ID;", "IF;", "FA00007050000;"}));
    QCOMPARE(station.radio.transceiver().current().frequencyHz, 14'195'000);
    station.radio.setPoweredOn(true);
    QCOMPARE(station.panel.ask("ID;"), QByteArray("ID004;"));
}

void TestVirtualTransceiver::switchingOffCutsAWaitingReply() {
    Station station;
    QVERIFY(station.panel.isOpen());
    station.radio.delayReply(1, 100ms);
    QVERIFY(station.panel.send("ID;"));
    QTRY_COMPARE(station.radio.receivedCommands().size(), 1);
    station.radio.setPoweredOn(false);
    QCOMPARE(station.panel.listen(), QByteArray());
    station.radio.setPoweredOn(true);
    QCOMPARE(station.panel.ask("ID;"), QByteArray("ID004;"));
}

void TestVirtualTransceiver::commandLog() {
    Station station;
    QVERIFY(station.panel.isOpen());
    QSignalSpy commands(&station.radio, &VirtualRadio::commandReceived);
    const QByteArrayList pieces{"FA0001420", "0000;I", "F;XX;M", "D"};
    for (const QByteArray& piece : pieces) {
        QVERIFY(station.panel.send(piece));
        QTest::qWait(kBetweenPieces.count());
    }
    QVERIFY(!station.panel.reply().isEmpty());
    const QByteArrayList expected{"FA00014200000;", "IF;", "XX;"};
    QCOMPARE(station.radio.receivedBytes(), pieces.join());
    QCOMPARE(station.radio.receivedCommands(), expected);
    QCOMPARE(commands.size(), expected.size());
    for (qsizetype i = 0; i < expected.size(); ++i)
        QCOMPARE(commands.at(i).at(0).toByteArray(), expected.at(i));
    station.radio.clearLog();
    QVERIFY(station.radio.receivedBytes().isEmpty());
    QVERIFY(station.radio.receivedCommands().isEmpty());
}

void TestVirtualTransceiver::pacedRepliesInOrder() {
    Station station;
    QVERIFY(station.panel.isOpen());
    station.radio.setPaced(true);
    QVERIFY(station.panel.send("ID;MR0007;IF;"));
    const QByteArray expected =
        "ID004;MR000700007050000100000;IF0001419500000000+000000000020000000;";
    QCOMPARE(station.panel.receive(expected.size()), expected);
}

// The radio keeps the line open for itself: a panel that lets go and comes back finds it.
void TestVirtualTransceiver::panelClosesAndReopens() {
    Station station;
    QVERIFY(station.panel.isOpen());
    QCOMPARE(station.panel.ask("FA00007050000;ID;"), QByteArray("ID004;"));
    station.panel.close();
    QTest::qWait(kBetweenPieces.count());
    Panel again(station.radio.devicePath());
    QVERIFY(again.isOpen());
    QCOMPARE(again.ask("IF;"), QByteArray("IF0000705000000000+000000000020000000;"));
}

void TestVirtualTransceiver::closeRemovesDeviceAndLink() {
    QTemporaryDir directory;
    QVERIFY(directory.isValid());
    const QString link = directory.filePath(QStringLiteral("radio"));
    Station station;
    QVERIFY(station.panel.isOpen());
    const QString device = station.radio.devicePath();
    QVERIFY(station.radio.linkAs(link));
    QCOMPARE(QFileInfo(link).symLinkTarget(), device);
    Panel throughLink(link);
    QCOMPARE(throughLink.ask("ID;"), QByteArray("ID004;"));
    station.radio.close();
    QVERIFY(!QFileInfo::exists(device));
    QVERIFY(!QFileInfo(link).isSymLink());
    QVERIFY(station.radio.devicePath().isEmpty());
}

void TestVirtualTransceiver::linkReplacesOnlyALink() {
    QTemporaryDir directory;
    QVERIFY(directory.isValid());
    const QString staleLink = directory.filePath(QStringLiteral("stale"));
    const QString file = directory.filePath(QStringLiteral("file"));
    QVERIFY(QFile::link(QStringLiteral("/nonexistent/tty"), staleLink));
    QFile regular(file);
    QVERIFY(regular.open(QIODevice::WriteOnly));
    regular.close();
    Station station;
    QVERIFY(station.panel.isOpen());
    QVERIFY(station.radio.linkAs(staleLink));
    QCOMPARE(QFileInfo(staleLink).symLinkTarget(), station.radio.devicePath());
    QVERIFY(!station.radio.linkAs(file));
    QVERIFY(QFileInfo(file).isFile());
}

QTEST_GUILESS_MAIN(TestVirtualTransceiver)
#include "tst_virtualtransceiver.moc"
