#include "PanelHarness.h"
#include "RadioConversation.h"
#include "Uart.h"

#include <QProcess>
#include <QPushButton>
#include <QSerialPort>
#include <QTest>
#include <QTimer>

using Model = VirtualRadio::Model;
using Spoiler = std::function<void(VirtualRadio&)>;
Q_DECLARE_METATYPE(Spoiler)

// An unpaced reply goes out as soon as its command is read: it has come well within this.
constexpr std::chrono::milliseconds kSilence{150};
// A reply that is due, or rigctl's whole session (a second), is over long before this.
constexpr std::chrono::milliseconds kPatience{10'000};
// The radio reads each piece of a command on its own; a held-back reply waits for more commands.
constexpr std::chrono::milliseconds kBetweenPieces{20};
constexpr std::chrono::milliseconds kHoldBack{200};
// A refused command may cost the panel one lost status reply and its repeat, no more.
constexpr std::chrono::milliseconds kRefusalCost{1500};

// Sends the commands to the device at the radio's speed, cut into pieces at "|", and takes all
// that comes back.
static QByteArray exchange(const QString& device, const QByteArray& commands, qsizetype expected) {
    QSerialPort port(device);
    port.setBaudRate(Line::kBaud);
    port.open(QIODevice::ReadWrite);
    for (const QByteArray& piece : commands.split('|')) {
        port.write(piece);
        QTest::qWait(int(kBetweenPieces.count()));
    }
    (void)QTest::qWaitFor([&] { return port.bytesAvailable() >= expected; }, kPatience.count());
    QTest::qWait(int(kSilence.count()));
    return port.readAll();
}

class TestVirtualTransceiver : public QObject {
    Q_OBJECT
private slots:
    void uartReadsTheWire_data();
    void uartReadsTheWire();
    void replies_data();
    void replies();
    void hamlibReadsAndSets_data();
    void hamlibReadsAndSets();
    void panelPollsAgainSoonAfterARefusal();
};

// "I" (0x49, sent 0 10010010 11 from the start bit on) as a UART reads it, worked bit by bit.
void TestVirtualTransceiver::uartReadsTheWire_data() {
    QTest::addColumn<int>("senderBaud");
    QTest::addColumn<int>("receiverBaud");
    QTest::addColumn<bool>("inverted");
    QTest::addColumn<QByteArray>("read");
    // The start bit reads as mark: the frame begins at data bit 0, ends in a framing error and
    // is passed on as read (11011010 from bit 0); the line then idles at space: a break.
    QTest::newRow("not inverted") << 4800 << 4800 << true << QByteArray("\x5B\x00", 2);
    // Each bit lasts four of the panel's: 00011110 with a framing error, then 00000111,
    // 00000001 and 00011111 with their stop bits right (read from bit 0).
    QTest::newRow("1200 read at 4800") << 1200 << 4800 << false << QByteArray("\x78\xE0\x80\xF8");
    // Every fourth bit: the start checked on data bit 1, then data bit 5, a stop bit, idle.
    QTest::newRow("4800 read at 1200") << 4800 << 1200 << false << QByteArray("\xFE");
}

void TestVirtualTransceiver::uartReadsTheWire() {
    QFETCH(int, senderBaud);
    QFETCH(int, receiverBaud);
    QFETCH(bool, inverted);
    QFETCH(QByteArray, read);
    QCOMPARE(Uart::received("I", {senderBaud, receiverBaud, inverted}), read);
}

// All the radio says to the commands; a fault spoils the second reply and no other.
void TestVirtualTransceiver::replies_data() {
    QTest::addColumn<Model>("model");
    QTest::addColumn<QByteArray>("commands");
    QTest::addColumn<QByteArray>("replies");
    QTest::addColumn<Spoiler>("spoil");
    // clang-format off
    const auto row = [](const char* name, const char* commands, QByteArrayView replies,
                        Model model = Model::TS440, Spoiler spoil = [](VirtualRadio&) {}) {
        QTest::newRow(name) << model << QByteArray(commands) << replies.toByteArray() << spoil;
    };
    //                                         IFfffffffffffsssssrrrrrRXbccTMVSPtnn.;
    //                                         12345678901234567890123456789012345678
    row("TS-440: no digits after P", "ID;IF;", "ID004;IF0001419500000000+00000000002000    ;");
    row("TS-940", "ID;IF;", "ID001;IF0001419500000000+000000000020000000;", Model::TS940);
    row("TS-711", "ID;IF;", "ID003;IF0014550000000000+000000000040000000;", Model::TS711);
    row("TS-811", "ID;IF;", "ID002;IF0043350000000000+000000000040000000;", Model::TS811);
    row("FB in pieces, FN1, MD3, UP, DN twice; FA, FB, AI asked",
        "FB0002|1200000;FN1;MD3;UP;DN;DN;I|F;FA;FB;AI;AI1;AI;",
        "IF0002119999000000+00000000003100    ;FA00014195000;FB00021199990;AI0;AI1;");
    row("MW stores, MC and FN2 recall, MW erases", "MW005000014200000200000;MC050;FN2;IF;"
        "MW005000000000000000000;MR0050;MR0007;", "IF0001420000000000+00000005002200    ;"
        "MR005000000000000000000;MR000700007050000100000;");
    row("SC1 moves the VFO at each report, TX stops it", "SC1;IF;TX;IF;",
        "IF0001419510000000+00000000002010    ;IF0001419510000000+00000000012000    ;");
    row("refused: noise, unknown, lower case, short, out of range",
        "\r\nID;|XX;md3;FA001;FN3;MR1007;MD7;I|D|;", "?;?;?;?;?;?;?;ID004;");
    row("TS-711: no AM, no HF", "MD5;FA00014200000;MD2;IF;",
        "?;IF0014550000000000+000000000020000000;", Model::TS711);
    row("TS-711A: to 148 MHz", "FA00147990000;FA00148000010;IF;",
        "IF0014799000000000+000000000040000000;", Model::TS711);
    row("TS-811A: to 450 MHz", "FA00449990000;FA00450000010;IF;",
        "IF0044999000000000+000000000040000000;", Model::TS811);
    row("TS-940: from 500 kHz", "FA00000500000;FA00000499999;IF;",
        "IF0000050000000000+000000000020000000;", Model::TS940);
    row("dropped", "ID;MR0007;ID;", "ID004;ID004;", Model::TS440,
        [](VirtualRadio& radio) { radio.dropReply(2); });
    row("garbled", "ID;MR0007;ID;", "ID004;MR000700007050000100000#ID004;", Model::TS440,
        [](VirtualRadio& radio) { radio.garbleReply(2); });
    row("switched off with a reply on its way", "ID;MR0007;ID;", "ID004;", Model::TS440,
        [](VirtualRadio& radio) {
            radio.delayReply(2, kHoldBack);
            QTimer::singleShot(kHoldBack / 2, &radio, [&radio] { radio.setPoweredOn(false); });
        });
    // How owners find their radios hooked up: the TS-940 has RIT and XIT on with one offset.
    row("TS-940 with RIT and XIT at -300 Hz", "IF;", "IF0001419500000000-030011000020000000;",
        Model::TS940, [](VirtualRadio& radio) { radio.transceiver().setClarifier(-300, true, true); });
    row("a stale tail in the line", "ID;", "00002000    ;ID004;", Model::TS440,
        [](VirtualRadio& radio) { radio.leaveStaleTail(13); });
    // clang-format on
}

void TestVirtualTransceiver::replies() {
    QFETCH(Model, model);
    QFETCH(QByteArray, commands);
    QFETCH(QByteArray, replies);
    QFETCH(Spoiler, spoil);
    VirtualRadio radio(model);
    QVERIFY(radio.open());
    spoil(radio);
    QCOMPARE(exchange(radio.devicePath(), commands, replies.size()), replies);
}

// rigctl reads the radio as it stands, on VFO B, then changes it. Hamlib sets no mode while it
// transmits; its VHF drivers read no PTT back (rigctl answers from its own record).
void TestVirtualTransceiver::hamlibReadsAndSets_data() {
    QTest::addColumn<Model>("model");
    QTest::addColumn<QString>("hamlibModel");
    QTest::addColumn<QString>("reads");  // what "f m v t" prints, the passband left out
    QTest::addColumn<QString>("sets");
    // clang-format off
    const auto row = [](const char* tag, Model model, const char* rig, const char* reads,
                        const char* sets) { QTest::newRow(tag) << model << rig << reads << sets; };
    row("TS-440S", Model::TS440, "2002", "7040000 RTTY VFOB 1", "T 0 V VFOA F 14250000 M AM 0");
    row("TS-940S", Model::TS940, "2011", "3650000 AM VFOB 1", "T 0 V VFOA F 21300000 M FM 0");
    row("TS-711", Model::TS711, "2006", "144300000 USB VFOB 0", "V VFOA F 145000000 M CW 0 T 1");
    row("TS-811", Model::TS811, "2008", "432200000 CW VFOB 0", "V VFOA F 433000000 M LSB 0 T 1");
    // clang-format on
}

void TestVirtualTransceiver::hamlibReadsAndSets() {
    QFETCH(Model, model);
    QFETCH(QString, hamlibModel);
    QFETCH(QString, reads);
    QFETCH(QString, sets);
    const QString rigctl = PanelHarness::hamlibRigctl();
    if (rigctl.isEmpty())
        QSKIP(PanelHarness::kNoRigctl);
    const QStringList modes{"", "LSB", "USB", "CW", "FM", "AM", "RTTY"};  // by mode digit
    const QStringList was = reads.split(' ');
    const QStringList words = sets.split(' ');
    const auto set = [&](const char* command) { return words.at(words.indexOf(command) + 1); };
    VirtualRadio radio(model);
    QVERIFY(radio.open());
    Transceiver& state = radio.transceiver();
    state.setVfo(Transceiver::Vfo::B, {was[0].toLongLong(), int(modes.indexOf(was[1]))});
    state.setSource(Transceiver::Source::VfoB);
    state.setTransmitting(was[3] == "1");
    QProcess rig;
    rig.start(rigctl,
              QStringList{"-m", hamlibModel, "-r", radio.devicePath(), "f", "m", "v", "t"} + words);
    QVERIFY(
        QTest::qWaitFor([&] { return rig.state() == QProcess::NotRunning; }, kPatience.count()));
    QStringList printed = QString::fromLatin1(rig.readAllStandardOutput()).split('\n');
    printed.removeAt(2);  // the passband, Hamlib's own figure
    QCOMPARE(printed.mid(0, 4).join(' '), reads);
    QCOMPARE(state.source(), Transceiver::Source::VfoA);
    QCOMPARE(state.vfo(Transceiver::Vfo::A).frequencyHz, set("F").toLongLong());
    QCOMPARE(modes.at(state.vfo(Transceiver::Vfo::A).mode), set("M"));
    QCOMPARE(state.isTransmitting(), set("T") == "1");
}

// AM on a TS-711 is answered "?;", here held back until the panel has asked for its next report,
// which it puts out of step; the panel repeats its request and is back to one at a time.
void TestVirtualTransceiver::panelPollsAgainSoonAfterARefusal() {
    PanelHarness harness(Model::TS711);
    QVERIFY(harness.start() && harness.waitForPolling());
    const int asked = harness.statusRequests();
    int refusals = 0, unanswered = 0, mostUnanswered = 0;
    connect(&harness.radio, &VirtualRadio::commandReceived, this, [&](const QByteArray& command) {
        if (command == "IF;" && harness.statusRequests() == asked + 1) {
            harness.radio.delayReply(2, kHoldBack);
            harness.panel()->CommandAM->click();
        }
        mostUnanswered = std::max(mostUnanswered, unanswered += command == "IF;" ? 1 : 0);
    });
    connect(&harness.panel()->conversation()->line(), &SerialComm::onComm, this,
            [&] { unanswered = 0; });
    connect(&harness.radio, &VirtualRadio::replySent, this,
            [&](const QByteArray& reply) { refusals += reply == "?;" ? 1 : 0; });
    QVERIFY(PanelHarness::waitUntil([&] { return harness.statusRequests() >= asked + 5; },
                                    kRefusalCost.count()));
    QVERIFY(harness.waitForReports(20));
    QCOMPARE(mostUnanswered, 1);
    QCOMPARE(refusals, 1);
}

QTEST_MAIN(TestVirtualTransceiver)
#include "tst_virtualtransceiver.moc"
