// The radio's replies as the panel takes them: identification, the memory read-out, the status
// reports with their colours and enabled states, and the recovery of the request chain when a
// reply is lost, spoilt or late or the radio stops answering.
//
// The tables speak for a switched-off radio, putting replies straight into the panel's receive
// buffer; the other cases let the virtual transceiver answer over its pseudo-terminal.

#include "Commands.h"
#include "DisplayLabel.h"
#include "FrequencyText.h"
#include "MemoryGrid.h"
#include "Modes.h"
#include "PanelHarness.h"
#include "ProgramWide.h"
#include "SerialComm.h"

#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTest>

namespace {

const QString kTS440 = QStringLiteral(" -> Kenwood TS-440 sur Com  1");

// IFfffffffffffsssssrrrrrRXbccTMVSPtnn.;
struct Status {
    QByteArray frequency = "00014195000";
    char transmit = '0';
    char mode = '2';
    char vfo = '0';
    char scan = '0';
    QByteArray channel = "05";
    QByteArray text() const {
        return "IF" + frequency + QByteArray(13, '0') + channel + transmit + mode + vfo + scan +
               "00000;";
    }
};

// MRs-ccfffffffffffml----;
QByteArray memoryReply(const QByteArray& channel, const QByteArray& frequency, char mode) {
    return "MR00" + channel + frequency + mode + "00000;";
}

// 'G'reen, 'Y'ellow or 'R'ed.
char colourLetter(const DisplayLabel* label) {
    const QColor colour = label->textColour();
    return colour == QColor(0, 255, 0) ? 'G' : colour == QColor(255, 255, 0) ? 'Y' : 'R';
}

}  // namespace

class ReceiveTest : public QObject {
    Q_OBJECT

private slots:
    void init() { harness_ = std::make_unique<PanelHarness>(); }
    void cleanup();

    void identification_data();
    void identification();
    void memoryReplies_data();
    void memoryReplies();
    void statusReports_data();
    void statusReports();
    void textsAnsweringNothingAreDropped();
    void displayFollowsTheLocale();

    void fullReadOut();
    void radioSwitchedOnLateIsIdentified();
    void recoveryFromSpoiltReplies_data();
    void recoveryFromSpoiltReplies();
    void replySplitWithAPauseCostsNoRepeat();
    void radioSilentThenBackIsShownAndFollowed();

private:
    FormControlTOVRAN* panel() const { return harness_->panel(); }
    void answer(const QByteArray& text) { panel()->MSComm1->deliver(text); }
    // The commands the panel sent since the log was last cleared, once `atLeast` have come.
    QList<QByteArray> sent(int atLeast = 1, int patienceMs = 500) {
        PanelHarness::waitUntil(
            [&] { return harness_->radio.receivedCommands().size() >= atLeast; }, patienceMs);
        QTest::qWait(30);
        return harness_->radio.receivedCommands();
    }
    void startScripted(int port = 1);
    void readOut(int channels);
    void startPolling() { readOut(100); }

    std::unique_ptr<PanelHarness> harness_;
};

void ReceiveTest::cleanup() {
    harness_.reset();
    QLocale::setDefault(QLocale::c());
    qunsetenv("TOVRAN_COM2");
}

void ReceiveTest::startScripted(int port) {
    harness_->radio.setPoweredOn(false);
    QVERIFY(harness_->start(port));
    QCOMPARE(sent(2), (QList<QByteArray>{"AI0;", "ID;"}));
    harness_->clearLog();
}

// Identified, then channels 00 up to `channels` - 1 read, all empty.
void ReceiveTest::readOut(int channels) {
    startScripted();
    answer("ID004;");
    for (int channel = 0; channel < channels; ++channel)
        answer(memoryReply(QByteArray::number(channel).rightJustified(2, '0'), "00000000000", '0'));
    QCOMPARE(sent(channels + 1).size(), channels + 1);
    harness_->clearLog();
}

void ReceiveTest::identification_data() {
    QTest::addColumn<int>("port");
    QTest::addColumn<QByteArrayList>("pieces");  // 20 ms, then 50 ms apart
    QTest::addColumn<QString>("status");
    QTest::newRow("TS-440") << 1 << QByteArrayList{"ID004;"} << kTS440;
    QTest::newRow("TS-940 on port 2")
        << 2 << QByteArrayList{"ID001;"} << " -> Kenwood TS-940 sur Com  2";
    QTest::newRow("TS-811") << 1 << QByteArrayList{"ID002;"} << " -> Kenwood TS-811 sur Com  1";
    QTest::newRow("TS-711") << 1 << QByteArrayList{"ID003;"} << " -> Kenwood TS-711 sur Com  1";
    QTest::newRow("unknown") << 1 << QByteArrayList{"ID005;"} << " -> Inconnu sur Com  1";
    QTest::newRow("carriage return") << 1 << QByteArrayList{"ID004;\r"} << " -> Inconnu sur Com  1";
    QTest::newRow("USB adapter's packets") << 1 << QByteArrayList{"ID", "00", "4;"} << kTS440;
}

void ReceiveTest::identification() {
    QFETCH(int, port);
    QFETCH(QByteArrayList, pieces);
    QFETCH(QString, status);
    startScripted(port);
    int gapMs = 20;
    for (const QByteArray& piece : pieces) {
        answer(piece);
        QTest::qWait(std::exchange(gapMs, 50));
    }
    QVERIFY(
        PanelHarness::waitUntil([&] { return panel()->StatusBarTovran->text() == status; }, 500));
    QCOMPARE(panel()->MSComm1->rThreshold(), 24);
    QCOMPARE(panel()->LabelFreq->text(), QStringLiteral("LECT. MEM."));
    QCOMPARE(sent(), QList<QByteArray>{"MR0000;"});
}

void ReceiveTest::memoryReplies_data() {
    QTest::addColumn<int>("asked");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QStringList>("row");  // frequency and mode cells; none for a spoilt reply
    QTest::addColumn<QByteArray>("next");  // or the request repeated after its time-out
    QTest::newRow("worked reply") << 7 << QByteArray("MR000700007050000100000;")
                                  << QStringList{"7,050,000", "LSB"} << QByteArray("MR0008;");
    QTest::newRow("channel 00") << 0 << memoryReply("00", "00014200000", '2')
                                << QStringList{"14,200,000", "USB"} << QByteArray("MR0001;");
    QTest::newRow("LF") << 3 << memoryReply("03", "00000136000", '3')
                        << QStringList{"136,000", "CW"} << QByteArray("MR0004;");
    QTest::newRow("empty") << 10 << memoryReply("10", "00000000000", '0') << QStringList{"", ""}
                           << QByteArray("MR0011;");
    QTest::newRow("mode 7") << 11 << memoryReply("11", "00003650000", '7')
                            << QStringList{"3,650,000", ""} << QByteArray("MR0012;");
    QTest::newRow("70 cm") << 41 << memoryReply("41", "00432100000", '4')
                           << QStringList{"432,100,000", "FM"} << QByteArray("MR0042;");
    QTest::newRow("98") << 98 << memoryReply("98", "00028500000", '5')
                        << QStringList{"28,500,000", "AM"} << QByteArray("MR0099;");
    QTest::newRow("channel 4x") << 4 << memoryReply("4x", "00007050000", '1') << QStringList{}
                                << QByteArray("MR0004;");
    QTest::newRow("channel  7") << 7 << memoryReply(" 7", "00007050000", '1') << QStringList{}
                                << QByteArray("MR0007;");
    QTest::newRow("frequency garbled")
        << 7 << memoryReply("07", "000070500x0", '1') << QStringList{} << QByteArray("MR0007;");
    QTest::newRow("another channel")
        << 10 << memoryReply("42", "00014200000", '2') << QStringList{} << QByteArray("MR0010;");
}

void ReceiveTest::memoryReplies() {
    QFETCH(int, asked);
    QFETCH(QByteArray, reply);
    QFETCH(QStringList, row);
    QFETCH(QByteArray, next);
    readOut(asked);
    answer(reply);
    const MemoryGrid* grid = panel()->GridMemoire;
    if (!row.isEmpty()) {
        const int written = reply.mid(4, 2).toInt() + 1;
        QCOMPARE(grid->textMatrix(written, 0), QString::fromLatin1(reply.mid(4, 2)));
        QCOMPARE((QStringList{grid->textMatrix(written, 1), grid->textMatrix(written, 2)}), row);
        QCOMPARE(sent(), QList<QByteArray>{next});
        return;
    }
    for (int r = 1; r <= 100; ++r)  // only the rows read before hold their number
        QCOMPARE(grid->textMatrix(r, 0).isEmpty(), r > asked);
    QCOMPARE(sent(2, 1500), (QList<QByteArray>{"AI0;", next}));
}

void ReceiveTest::statusReports_data() {
    QTest::addColumn<QByteArrayList>("reports");
    QTest::addColumn<bool>("storePending");  // for the last report
    // LabelFreq|LabelVFO|LabelRxTx|CommandRxTx|LabelEtatScan|CommandScan|LabelMode|step|box,
    // the colours of LabelVFO, LabelRxTx and LabelEtatScan, then enabled or not: step, VFO A/B,
    // MEM, M.IN, EFF, frequency box, RX/TX, SCAN, table; last VfoCommand.
    QTest::addColumn<QString>("shown");
    const QByteArray rx = Status{}.text(), vfoB = Status{.vfo = '1'}.text();
    const QByteArray tx = Status{.transmit = '1'}.text(), scan = Status{.scan = '1'}.text();
    const QString usual = "14,195,000|VFO A|RX|TX|STD|SCAN|USB|STD|14 GGG 111101111 FN0;";
    const QString keyed = "14,195,000|VFO A|TX|RX|STD|SCAN|USB|STD|14 GRG 000000101 FN0;";
    const QString scanned = "14,195,000|VFO A|RX|TX|STD|SCAN|USB|STD| GGG ";
    const auto row = [](const char* name, const QByteArrayList& reports, const QString& shown,
                        bool storePending = false) {
        QTest::newRow(name) << reports << storePending << shown;
    };
    row("worked report", {rx, rx}, usual);
    row("VFO B", {rx, vfoB}, "14,195,000|VFO B|RX|TX|STD|SCAN|USB|STD|14 GGG 111101111 FN1;");
    row("memory channel", {vfoB, vfoB, Status{.vfo = '2', .channel = "07"}.text()},
        "14,195,000|M.07|RX|TX|STD|SCAN|USB|STD|14 YGG 010011111 FN1;");
    row("empty memory channel", {vfoB, vfoB, Status{.frequency = "00000000000", .vfo = '2'}.text()},
        "* * *|M.05|RX|TX|STD|SCAN|USB|STD|14 YGG 010001011 FN1;");
    row("transmitting", {rx, tx}, keyed);
    row("transmit flag other than 1", {rx, Status{.transmit = '2'}.text()}, keyed);
    row("first report after transmitting", {rx, tx, rx},
        "14,195,000|VFO A|RX|TX|STD|SCAN|USB|STD|14 GGG 000001111 FN0;");
    row("second report after transmitting", {rx, tx, rx, rx}, usual);
    row("scanning", {rx, scan}, "14,195,000|VFO A|RX|TX|SCAN|STD|USB|STD| GGR 000000010 FN0;");
    row("first report after scanning", {rx, scan, rx}, scanned + "000001011 FN0;");
    row("second report after scanning", {rx, scan, rx, rx}, scanned + "111101111 FN0;");
    row("40 m and LSB", {rx, Status{.frequency = "00007050000", .mode = '1'}.text()},
        "07,050,000|VFO A|RX|TX|STD|SCAN|LSB|STD|14 GGG 111101111 FN0;");
    row("LF and FSK", {rx, Status{.frequency = "00000136000", .mode = '6'}.text()},
        "00,136,000|VFO A|RX|TX|STD|SCAN|FSK|STD|14 GGG 111101111 FN0;");
    row("2 m and FM", {rx, Status{.frequency = "00144300000", .mode = '4'}.text()},
        "144,300,000|VFO A|RX|TX|STD|SCAN|FM|STD|14 GGG 111101111 FN0;");
    row("no frequency", {rx, Status{.frequency = "00000000000"}.text()},
        "* * *|VFO A|RX|TX|STD|SCAN|USB|STD|14 GGG 111101111 FN0;");
    row("modes 0 and 7 keep CW",
        {Status{.mode = '3'}.text(), Status{.mode = '0'}.text(), Status{.mode = '7'}.text()},
        "14,195,000|VFO A|RX|TX|STD|SCAN|CW|STD|14 GGG 111101111 FN0;");
    row("VFO 9 keeps VFO B", {vfoB, Status{.vfo = '9'}.text()},
        "14,195,000|VFO B|RX|TX|STD|SCAN|USB|STD|14 GGG 111101111 FN1;");
    row("store pending keeps frequency and mode",
        {rx, Status{.frequency = "00000000000", .mode = '3', .vfo = '2'}.text()},
        "14,195,000|M.05|RX|TX|STD|SCAN|USB|STD|14 YGG 010100111 FN0;", true);
}

void ReceiveTest::statusReports() {
    QFETCH(QByteArrayList, reports);
    QFETCH(bool, storePending);
    QFETCH(QString, shown);
    startPolling();
    FormControlTOVRAN* p = panel();
    p->TextFreq->setText(QStringLiteral("14"));  // typing that only a scan clears
    for (qsizetype i = 0; i < reports.size(); ++i) {
        StorePending = storePending && i == reports.size() - 1;
        answer(reports[i]);
    }
    StorePending = false;
    QString states;
    for (const QWidget* control : std::initializer_list<const QWidget*>{
             p->CommandProgressionPas, p->CommandVFOAouB, p->CommandMemVfo, p->CommandMemIn,
             p->CommandEffaceMem, p->TextFreq, p->CommandRxTx, p->CommandScan, p->GridMemoire})
        states += control->isEnabled() ? '1' : '0';
    QCOMPARE(
        QStringList({p->LabelFreq->text(), p->LabelVFO->text(), p->LabelRxTx->text(),
                     p->CommandRxTx->text(), p->LabelEtatScan->text(), p->CommandScan->text(),
                     p->LabelMode->text(), p->CommandProgressionPas->text(), p->TextFreq->text()})
                .join('|') +
            ' ' + colourLetter(p->LabelVFO) + colourLetter(p->LabelRxTx) +
            colourLetter(p->LabelEtatScan) + ' ' + states + ' ' + QString::fromLatin1(VfoCommand),
        shown);
    QCOMPARE(sent(reports.size()), QList<QByteArray>(reports.size(), "IF;"));  // one per report
}

// A text answers nothing once polling runs unless it is a status report: an identification,
// a memory reply, or a text of neither shape. Nothing is sent, nothing is shown.
void ReceiveTest::textsAnsweringNothingAreDropped() {
    startPolling();
    for (const QByteArray& text :
         {QByteArray("ID001;"), QByteArray(38, '0'), "ID004;" + QByteArray(32, '0'),
          QByteArray(30, '0'), memoryReply("00", "00007050000", '1')})
        answer(text);
    QTest::qWait(200);
    QVERIFY(harness_->radio.receivedCommands().isEmpty());
    QCOMPARE(panel()->StatusBarTovran->text(), kTS440);
    QCOMPARE(panel()->LabelFreq->text(), QStringLiteral("LECT. MEM."));
    QVERIFY(panel()->GridMemoire->textMatrix(1, 1).isEmpty());
}

void ReceiveTest::displayFollowsTheLocale() {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    startPolling();
    answer(Status{}.text());
    QCOMPARE(panel()->LabelFreq->text(), QStringLiteral("14.195.000"));
}

void ReceiveTest::fullReadOut() {
    int topRowAt25 = 0;
    QObject::connect(&harness_->radio, &VirtualRadio::commandReceived, [&](const QByteArray& c) {
        if (c == "MR0026;")  // the reply for 25 has just been shown
            topRowAt25 = panel()->GridMemoire->topRow();
    });
    QVERIFY(harness_->start());
    QVERIFY(harness_->waitForPolling());
    QList<QByteArray> expected{"AI0;", "ID;"};
    for (int channel = 0; channel <= 99; ++channel) expected << Command::readMemory(channel);
    expected << "IF;";
    QCOMPARE(harness_->radio.receivedCommands().mid(0, expected.size()), expected);
    QCOMPARE(topRowAt25, 6);
    const Transceiver& radio = harness_->radio.transceiver();
    for (int channel = 0; channel <= 99; ++channel) {
        const Transceiver::Tuning memory = radio.memory(channel);
        QCOMPARE(panel()->GridMemoire->textMatrix(channel + 1, 0),
                 QString::number(channel).rightJustified(2, u'0'));
        QCOMPARE(panel()->GridMemoire->textMatrix(channel + 1, 1),
                 FrequencyText::grouped(memory.frequencyHz));
        QCOMPARE(panel()->GridMemoire->textMatrix(channel + 1, 2),
                 Modes::nameOf(char('0' + memory.mode)));
    }
    QCOMPARE((QList<int>{panel()->GridMemoire->topRow(), panel()->GridMemoire->row(),
                         panel()->GridMemoire->col()}),
             (QList<int>{1, 1, 1}));
    for (QPushButton* button :
         {panel()->CommandUp, panel()->CommandDown, panel()->CommandAM, panel()->CommandFM,
          panel()->CommandFSK, panel()->CommandUSB, panel()->CommandLSB, panel()->CommandCW})
        QVERIFY(button->isEnabled());
    QCOMPARE(panel()->LabelFreq->text(), FrequencyText::display(radio.current().frequencyHz));
    QVERIFY(harness_->operatorCommands().isEmpty());
}

// Each "ID;" asked again goes behind an "AI0;": the radio may have come on with its reports on.
void ReceiveTest::radioSwitchedOnLateIsIdentified() {
    harness_->radio.setPoweredOn(false);
    QVERIFY(harness_->start());
    QTest::qWait(2500);
    QCOMPARE(panel()->StatusBarTovran->text(), QStringLiteral(" -> Non connecté."));
    harness_->radio.setPoweredOn(true);
    QVERIFY(harness_->waitForPolling());
    QCOMPARE(panel()->StatusBarTovran->text(), kTS440);
    const QList<QByteArray> commands = harness_->radio.receivedCommands();
    QVERIFY(commands.count("ID;") >= 3);
    for (qsizetype i = commands.indexOf("ID;"); i >= 0; i = commands.indexOf("ID;", i + 1))
        QCOMPARE(commands.value(i - 1), QByteArray("AI0;"));
    QVERIFY(harness_->pollsOneAtATime(40));
}

void ReceiveTest::recoveryFromSpoiltReplies_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("reply");  // counted from the identification reply
    QTest::newRow("identification dropped") << "drop" << 1;
    QTest::newRow("memory reply dropped") << "drop" << 30;
    QTest::newRow("memory reply garbled") << "garble" << 60;
    QTest::newRow("memory reply truncated") << "truncate" << 80;
    QTest::newRow("status reply garbled") << "garble" << 107;
    QTest::newRow("status reply truncated") << "truncate" << 108;
    QTest::newRow("reply late at the line's speed") << "delay" << 104;
    QTest::newRow("stray bytes while polling") << "stray" << 0;
}

void ReceiveTest::recoveryFromSpoiltReplies() {
    QFETCH(QString, fault);
    QFETCH(int, reply);
    VirtualRadio& radio = harness_->radio;
    if (fault == "drop")
        radio.dropReply(reply);
    else if (fault == "garble")
        radio.garbleReply(reply);
    else if (fault == "truncate")
        radio.truncateReply(reply, 10);
    else if (fault == "delay")
        radio.delayReply(reply, std::chrono::milliseconds(1300));
    // At the line's own speed a late reply and the reply to its repeat come one after the
    // other: the second must answer nothing.
    radio.setPaced(fault == "delay");
    QVERIFY(harness_->start());
    QVERIFY(harness_->waitForPolling());
    if (fault == "stray")
        radio.sendStray("?;x");
    QVERIFY(harness_->waitForReports(10));  // past the fault and its time-out
    QVERIFY(harness_->pollsOneAtATime(40));
    QVERIFY(harness_->operatorCommands().isEmpty());
    for (int channel = 0; channel <= 99; ++channel)
        QCOMPARE(panel()->GridMemoire->textMatrix(channel + 1, 1),
                 FrequencyText::grouped(radio.transceiver().memory(channel).frequencyHz));
}

void ReceiveTest::replySplitWithAPauseCostsNoRepeat() {
    harness_->radio.splitReply(105, 20, std::chrono::milliseconds(300));
    QVERIFY(harness_->start());
    QVERIFY(harness_->waitForPolling());
    QVERIFY(harness_->waitForReports(5));
    const QList<QByteArray> commands = harness_->radio.receivedCommands();
    QCOMPARE(commands.count("MR0050;"), 1);  // a repeat would show as the same MR twice
    QCOMPARE(commands.count("ID;"), 1);
    QCOMPARE(commands.mid(102, 3), (QList<QByteArray>{"IF;", "IF;", "IF;"}));
}

// Switched off, the radio is asked again each second behind "AI0;"; after three seconds the
// status line says it does not answer, until it answers again.
void ReceiveTest::radioSilentThenBackIsShownAndFollowed() {
    const QString silent = kTS440 + QStringLiteral(" - pas de réponse");
    QVERIFY(harness_->start());
    QVERIFY(harness_->waitForPolling());
    QVERIFY(panel()->radioAnswers());
    harness_->radio.setPoweredOn(false);
    harness_->clearLog();
    QTest::qWait(2500);
    QCOMPARE(panel()->StatusBarTovran->text(), kTS440);
    QVERIFY(
        PanelHarness::waitUntil([&] { return panel()->StatusBarTovran->text() == silent; }, 2000));
    QVERIFY(!panel()->radioAnswers());
    QList<QByteArray> asked = harness_->radio.receivedCommands();
    if (asked.value(0) == "IF;")
        asked.removeFirst();                          // the request the radio went off under
    QVERIFY(asked.size() == 4 || asked.size() == 6);  // repeats a second apart, not sooner
    for (qsizetype i = 1; i < asked.size(); i += 2)
        QCOMPARE(asked.mid(i - 1, 2), (QList<QByteArray>{"AI0;", "IF;"}));
    harness_->radio.transceiver().setVfo(Transceiver::Vfo::A, {7'050'000, 1});
    harness_->radio.setPoweredOn(true);
    QVERIFY(
        PanelHarness::waitUntil([&] { return panel()->LabelFreq->text() == "07,050,000"; }, 3000));
    QCOMPARE(panel()->LabelMode->text(), QStringLiteral("LSB"));
    QCOMPARE(panel()->StatusBarTovran->text(), kTS440);
    QVERIFY(panel()->radioAnswers());
    QVERIFY(harness_->pollsOneAtATime(40));
}

QTEST_MAIN(ReceiveTest)
#include "tst_receive.moc"
