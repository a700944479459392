#include "VirtualRadio.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <functional>

using namespace std::chrono_literals;
using std::chrono::milliseconds;
using Model = VirtualRadio::Model;
using Spoiler = std::function<void(VirtualRadio&)>;

Q_DECLARE_METATYPE(Spoiler)
Q_DECLARE_METATYPE(milliseconds)

namespace {

// An unpaced reply goes out as soon as its command is read: it has come well within this.
constexpr auto kSilence = 150ms;
// A reply that is due comes long before this, however busy the machine.
constexpr auto kPatience = 5s;
// Lets the radio read each piece of a command on its own.
constexpr auto kBetweenPieces = 20ms;
// The radio may send a character up to half a millisecond early to make up for its timer.
constexpr auto kTimerSlack = 1ms;
// A reply held back this long cannot be mistaken for one sent at once.
constexpr auto kPause = 200ms;
// The three replies of the fault cases take this long on a line at 4800 baud.
constexpr auto kPacedReplies =
    std::chrono::duration_cast<milliseconds>(36 * SerialLine::kCharacterTime);

// The panel's end of the line: the device opened as a serial port and read without blocking.
class Panel {
public:
    explicit Panel(const QString& device)
        : m_fd(::open(device.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK)) {}
    ~Panel() { close(); }
    Panel(const Panel&) = delete;
    Panel& operator=(const Panel&) = delete;

    void close() {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }
    bool send(const QByteArray& bytes) {
        return ::write(m_fd, bytes.constData(), bytes.size()) == bytes.size();
    }
    // Waits for `count` characters, or for the patience to run out, and takes them with whatever
    // follows within the silence: the caller compares what came with what should have.
    QByteArray receive(qsizetype count) {
        (void)QTest::qWaitFor([&] { return readAvailable() >= count; }, msecs(kPatience));
        QTest::qWait(msecs(kSilence));
        readAvailable();
        return std::exchange(m_received, {});
    }

private:
    static int msecs(milliseconds time) { return static_cast<int>(time.count()); }

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

void addReplyRow(const char* name, const char* commands, const char* replies,
                 Model model = Model::TS440) {
    QTest::newRow(name) << model << QByteArray(commands) << QByteArray(replies);
}

}  // namespace

class TestVirtualTransceiver : public QObject {
    Q_OBJECT

private slots:
    void replies_data();
    void replies();
    void faults_data();
    void faults();
    void panelReopensThroughALinkAndCloseRemovesBoth();
};

// The replies are everything the radio says after the commands. A "|" cuts the commands into
// pieces that the radio reads one at a time.
void TestVirtualTransceiver::replies_data() {
    QTest::addColumn<Model>("model");
    QTest::addColumn<QByteArray>("commands");
    QTest::addColumn<QByteArray>("replies");
    addReplyRow("TS-940: ID", "ID;", "ID001;", Model::TS940);
    addReplyRow("TS-811: ID", "ID;", "ID002;", Model::TS811);
    addReplyRow("TS-711: ID", "ID;", "ID003;", Model::TS711);
    addReplyRow("TS-440: ID a character at a time", "I|D|;", "ID004;");
    addReplyRow("noise spoils only its own command", "\r\nID;|ID;", "ID004;");
    // clang-format off
    //           IFfffffffffffsssssrrrrrRXbccTMVSPtnn.;
    //           12345678901234567890123456789012345678
    addReplyRow("power-on: VFO A", "IF;",
                "IF0001419500000000+000000000020000000;");
    addReplyRow("FA cut inside the digits and after the mnemonic", "FA0001|4200000;I|F;",
                "IF0001420000000000+000000000020000000;");
    addReplyRow("FB and FN1: VFO B in its own mode", "FB00021200000;FN1;IF;",
                "IF0002120000000000+000000000011000000;");
    addReplyRow("MD3: CW", "MD3;IF;",
                "IF0001419500000000+000000000030000000;");
    addReplyRow("UP, then DN twice: one step down", "UP;DN;DN;IF;",
                "IF0001419499000000+000000000020000000;");
    addReplyRow("MC on a VFO: only the channel number; FN2: channel 07 in use",
                "MC012;IF;MC007;FN2;IF;",
                "IF0001419500000000+000000012020000000;IF0000705000000000+000000007012000000;");
    addReplyRow("memory: DN from 00 to an empty 99 that refuses TX, UP twice to 01",
                "FN2;DN;TX;IF;UP;UP;IF;",
                "IF0000000000000000+000000099002000000;IF0000365000000000+000000001012000000;");
    addReplyRow("MD on a recalled channel is not written to it", "MC007;FN2;MD3;IF;MR0007;",
                "IF0000705000000000+000000007032000000;MR000700007050000100000;");
    addReplyRow("MW erases the channel in use", "MC007;FN2;MW000700000000000000000;IF;MR0007;",
                "IF0000000000000000+000000007002000000;MR000700000000000000000;");
    addReplyRow("SC1: the VFO moves at each report", "SC1;IF;IF;",
                "IF0001419510000000+000000000020100000;IF0001419520000000+000000000020100000;");
    addReplyRow("memory scan: next channel that holds something", "MC012;FN2;SC1;IF;",
                "IF0001813000000000+000000020022100000;");
    addReplyRow("TX stops a scan", "SC1;TX;IF;",
                "IF0001419500000000+000000000120000000;");
    addReplyRow("malformed and unknown commands ignored",
                "FA0001420000;FA000142000000;FA0001420000x;MD7;FN3;md3;XX;IF;",
                "IF0001419500000000+000000000020000000;");
    addReplyRow("TS-440 receives long wave", "FA00000136000;IF;",
                "IF0000013600000000+000000000020000000;");
    addReplyRow("TS-940 does not", "FA00000136000;IF;",
                "IF0001419500000000+000000000020000000;", Model::TS940);
    addReplyRow("TS-711: FA on 2 m only, no AM", "FA00144300000;FA00014200000;MD5;IF;",
                "IF0014430000000000+000000000040000000;", Model::TS711);
    addReplyRow("TS-811: no FSK", "MD6;IF;",
                "IF0043350000000000+000000000040000000;", Model::TS811);
    //           MRs-ccfffffffffffml----;
    //           123456789012345678901234
    addReplyRow("MR: channel 07, its transmit half not answered, empty channel 50",
                "MR0007;MR1007;MR0050;",
                "MR000700007050000100000;MR005000000000000000000;");
    addReplyRow("MW refuses outside the band and without a mode, then stores",
                "MW005000144300000400000;MW005000014200000000000;MR0050;"
                "MW005000014200000200000;MR0050;",
                "MR005000000000000000000;MR005000014200000200000;");
    // clang-format on
}

void TestVirtualTransceiver::replies() {
    QFETCH(Model, model);
    QFETCH(QByteArray, commands);
    QFETCH(QByteArray, replies);
    Station station(model);
    for (const QByteArray& piece : commands.split('|')) {
        QVERIFY(station.panel.send(piece));
        QTest::qWait(kBetweenPieces.count());
    }
    QCOMPARE(station.panel.receive(replies.size()), replies);
}

// The fault is set on the second of three replies: the first and the third stay whole, and the
// radio answers as before once the fault is over. Only lower bounds on time: a busy machine
// makes a reply later, never earlier.
void TestVirtualTransceiver::faults_data() {
    QTest::addColumn<Spoiler>("spoil");
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<milliseconds>("atLeast");
    const QByteArray whole = "ID004;MR000700007050000100000;ID004;";
    QTest::newRow("dropped") << Spoiler([](VirtualRadio& radio) { radio.dropReply(2); })
                             << QByteArray("ID004;ID004;") << 0ms;
    QTest::newRow("garbled") << Spoiler([](VirtualRadio& radio) { radio.garbleReply(2); })
                             << QByteArray("ID004;MR000700007050000100000#ID004;") << 0ms;
    QTest::newRow("truncated") << Spoiler([](VirtualRadio& radio) { radio.truncateReply(2, 3); })
                               << QByteArray("ID004;MR0ID004;") << 0ms;
    QTest::newRow("split with a pause")
        << Spoiler([](VirtualRadio& radio) { radio.splitReply(2, 3, kPause); }) << whole << kPause;
    QTest::newRow("delayed, holding up the next")
        << Spoiler([](VirtualRadio& radio) { radio.delayReply(2, kPause); }) << whole << kPause;
    QTest::newRow("stray bytes before")
        << Spoiler([](VirtualRadio& radio) { radio.sendStray(QByteArrayLiteral("\0\xff;IF")); })
        << QByteArrayLiteral("\0\xff;IFID004;MR000700007050000100000;ID004;") << 0ms;
    // The third command finds the radio switched off while the second reply waits to go.
    QTest::newRow("switched off with a reply on its way") << Spoiler([](VirtualRadio& radio) {
        radio.delayReply(2, kPause);
        QObject::connect(&radio, &VirtualRadio::commandReceived, &radio,
                         [&radio, heard = 0](const QByteArray&) mutable {
                             if (++heard == 3)
                                 radio.setPoweredOn(false);
                         });
    }) << QByteArray("ID004;") << 0ms;
    QTest::newRow("paced at 4800 baud: only slower")
        << Spoiler([](VirtualRadio& radio) { radio.setPaced(true); }) << whole << kPacedReplies;
}

void TestVirtualTransceiver::faults() {
    QFETCH(Spoiler, spoil);
    QFETCH(QByteArray, received);
    QFETCH(milliseconds, atLeast);
    Station station;
    spoil(station.radio);
    QElapsedTimer clock;
    clock.start();
    QVERIFY(station.panel.send("ID;MR0007;ID;"));
    QCOMPARE(station.panel.receive(received.size()), received);
    // The time includes the silence listened for after the replies.
    QVERIFY(milliseconds(clock.elapsed()) >= atLeast + kSilence - kTimerSlack);
    station.radio.setPoweredOn(true);
    QVERIFY(station.panel.send("ID;"));
    QCOMPARE(station.panel.receive(6), QByteArray("ID004;"));
}

// The radio keeps the line open for itself: a panel that lets go and comes back, here through a
// link that took the place of a stale one, finds the radio as it left it. Closed, the radio
// takes its device and link away. A file that is not a link is never replaced.
void TestVirtualTransceiver::panelReopensThroughALinkAndCloseRemovesBoth() {
    QTemporaryDir directory;
    QVERIFY(directory.isValid());
    const QString link = directory.filePath(QStringLiteral("radio"));
    const QString file = directory.filePath(QStringLiteral("file"));
    QVERIFY(QFile::link(QStringLiteral("/nonexistent/tty"), link));
    QVERIFY(QFile(file).open(QIODevice::WriteOnly));
    Station station;
    QVERIFY(station.panel.send("FA00007050000;ID;"));
    QCOMPARE(station.panel.receive(6), QByteArray("ID004;"));
    station.panel.close();
    QVERIFY(!station.radio.linkAs(file));
    QVERIFY(QFileInfo(file).isFile());
    QVERIFY(station.radio.linkAs(link));

    Panel again(link);
    QVERIFY(again.send("IF;"));
    const QByteArray report = "IF0000705000000000+000000000020000000;";
    QCOMPARE(again.receive(report.size()), report);
    const QString device = station.radio.devicePath();
    station.radio.close();
    QVERIFY(!QFileInfo::exists(device));
    QVERIFY(!QFileInfo(link).isSymLink());
    QVERIFY(station.radio.devicePath().isEmpty());
}

QTEST_GUILESS_MAIN(TestVirtualTransceiver)
#include "tst_virtualtransceiver.moc"
