// The radio's replies as the panel takes them, spoken for a silent radio into its receive buffer;
// and the request chain's recovery from lost, spoilt or late replies of the virtual transceiver.

#include "DisplayLabel.h"
#include "FrequencyText.h"
#include "MemoryGrid.h"
#include "Modes.h"
#include "PanelHarness.h"
#include "ProgramWide.h"
#include "RadioConversation.h"

#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {
using namespace std::chrono_literals;
using Commands = QList<QByteArray>;
using Fault = std::function<void(VirtualRadio&)>;
// IFfffffffffffsssssrrrrrRXbccTMVSPtnn.;
struct Status {
    QByteArray frequency = "00014195000", channel = "05";
    char transmit = '0', mode = '2', vfo = '0', scan = '0';
    QByteArray text() const {
        return "IF" + frequency + QByteArray(13, '0') + channel + transmit + mode + vfo + scan +
               "00000;";
    }
};
// MRs-ccfffffffffffml----;
QByteArray memoryReply(int channel, const QByteArray& frequency = "00000000000", char mode = '0') {
    return "MR00" + QByteArray::number(100 + channel).mid(1) + frequency + mode + "00000;";
}
char colourLetter(const DisplayLabel* label) {
    const QColor colour = label->textColour();
    return colour == QColor(0, 255, 0) ? 'G' : colour == QColor(255, 255, 0) ? 'Y' : 'R';
}
}  // namespace
Q_DECLARE_METATYPE(Fault)

class ReceiveTest : public QObject {
    Q_OBJECT

    FormControlTOVRAN* panel() const { return harness_->panel(); }
    void answer(const QByteArray& text) { panel()->conversation()->line().deliver(text); }
    // The commands the panel sent since the log was last cleared, once `atLeast` have come.
    Commands sent(int atLeast = 1, int patienceMs = 10000) {
        PanelHarness::waitUntil(
            [&] { return harness_->radio.receivedCommands().size() >= atLeast; }, patienceMs);
        QTest::qWait(30);
        return harness_->radio.receivedCommands();
    }
    // Loaded on a silent radio; with `channels` >= 0, identified and channels 00 up to
    // `channels` - 1 read, all empty.
    void start(int channels, int port = 1) {
        harness_->radio.setPoweredOn(false);
        QVERIFY(harness_->start(port));
        QCOMPARE(sent(2), (Commands{"AI0;", "ID;"}));
        harness_->clearLog();
        if (channels < 0)
            return;
        answer("ID004;");
        for (int channel = 0; channel < channels; ++channel) answer(memoryReply(channel));
        QCOMPARE(sent(channels + 1).size(), channels + 1);
        harness_->clearLog();
    }

    std::unique_ptr<PanelHarness> harness_;

private slots:
    void init() { harness_ = std::make_unique<PanelHarness>(); }
    // What the status line shows after the pieces, and what the panel sends next: the first
    // memory request once the radio is named, "ID;" again (behind "AI0;") after a text that is
    // no identification.
    void identification_data() {
        QTest::addColumn<int>("port");
        QTest::addColumn<QByteArrayList>("pieces");  // 20 ms, then 50 ms apart, as USB delivers
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("boxLength");  // 30,000,000 on HF; 450,000,000 on VHF and UHF
        const auto row = [](const char* name, int port, const QByteArrayList& pieces,
                            const QString& model, int boxLength = 10) {
            QTest::newRow(name) << port << pieces << model + " sur Com  " + QString::number(port)
                                << boxLength;
        };
        const auto noise = [](const char* name, const QByteArrayList& pieces) {
            QTest::newRow(name) << 1 << pieces << QStringLiteral(" -> Non connecté.") << 10;
        };
        row("TS-440", 1, {"ID004;"}, " -> Kenwood TS-440");
        row("TS-940 on port 2", 2, {"ID001;"}, " -> Kenwood TS-940");
        row("TS-811", 1, {"ID002;"}, " -> Kenwood TS-811", 11);
        row("TS-711", 1, {"ID003;"}, " -> Kenwood TS-711", 11);
        row("R-5000", 1, {"ID005;"}, " -> Inconnu");
        row("TS-140 or TS-680", 1, {"ID006;"}, " -> Inconnu");
        row("USB adapter's packets", 1, {"ID", "00", "4;"}, " -> Kenwood TS-440");
        noise("carriage return", {"ID004;\r"});
        noise("a reply that never ends", {"ID0"});
        noise("the tail before the answer, in one piece", {"0;ID004;"});
    }
    void identification() {
        QFETCH(int, port);
        QFETCH(QByteArrayList, pieces);
        QFETCH(QString, shown);
        QFETCH(int, boxLength);
        start(-1, port);
        int gapMs = 20;
        for (const QByteArray& piece : pieces) {
            answer(piece);
            QTest::qWait(std::exchange(gapMs, 50));
        }
        // A reply that never ends is read once the line has been quiet for 150 ms; a text that
        // is no identification has "ID;" asked again when its reply time is up.
        const bool named = shown != QStringLiteral(" -> Non connecté.");
        const Commands next = named ? Commands{"MR0000;"} : Commands{"AI0;", "ID;"};
        QCOMPARE(sent(int(next.size()), int(5 * RequestChain::kReplyTimeout.count())), next);
        QCOMPARE(panel()->StatusBarTovran->text() + '|' + panel()->LabelFreq->text() + '|' +
                     QString::number(panel()->conversation()->line().rThreshold()) + '|' +
                     QString::number(panel()->TextFreq->maxLength()),
                 shown + (named ? "|LECT. MEM.|24|" : "|* * *|1|") + QString::number(boxLength));
    }
    // A spoilt reply, or one for another channel, writes no row: its request is repeated.
    void memoryReplies_data() {
        QTest::addColumn<int>("asked");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QStringList>("cells");  // frequency and mode; none when not taken
        QTest::addColumn<QByteArray>("next");
        const auto row = [](const char* name, int asked, const QByteArray& reply,
                            const QStringList& cells, const QByteArray& next) {
            QTest::newRow(name) << asked << reply << cells << next;
        };
        row("worked reply", 7, "MR000700007050000100000;", {"7,050,000", "LSB"}, "MR0008;");
        row("channel 00, 70 cm", 0, memoryReply(0, "00432100000", '2'), {"432,100,000", "USB"},
            "MR0001;");
        row("LF", 3, memoryReply(3, "00000136000", '5'), {"136,000", "AM"}, "MR0004;");
        row("empty", 10, memoryReply(10), {"", ""}, "MR0011;");
        row("mode 7", 41, memoryReply(41, "00003650000", '7'), {"3,650,000", ""}, "MR0042;");
        row("channel 4x", 4, "MR004x00007050000100000;", {}, "MR0004;");
        row("channel  0", 0, "MR00 000007050000100000;", {}, "MR0000;");
        row("frequency garbled", 7, "MR000700007050x00100000;", {}, "MR0007;");
        row("another channel", 10, memoryReply(42, "00014200000", '2'), {}, "MR0010;");
    }
    void memoryReplies() {
        QFETCH(int, asked);
        QFETCH(QByteArray, reply);
        QFETCH(QStringList, cells);
        QFETCH(QByteArray, next);
        start(asked);
        answer(reply);
        const MemoryGrid* grid = panel()->GridMemoire;
        if (cells.isEmpty()) {
            for (int row = 1; row <= 100; ++row)  // only the rows read before hold a number
                QCOMPARE(grid->textMatrix(row, 0).isEmpty(), row > asked);
            QCOMPARE(sent(2, 1500), (Commands{"AI0;", next}));
            return;
        }
        const int row = reply.mid(4, 2).toInt() + 1;
        QCOMPARE((QStringList{grid->textMatrix(row, 0), grid->textMatrix(row, 1),
                              grid->textMatrix(row, 2)}),
                 QStringList{reply.mid(4, 2)} + cells);
        QCOMPARE(sent(), Commands{next});
    }
    // Reports, and the operator's clicks on TX and M.IN (named by the command they send) between
    // them; then the panel closes, putting back to receive a radio shown or keyed transmitting.
    void statusReports_data() {
        QTest::addColumn<QByteArrayList>("steps");
        // LabelFreq|LabelVFO|LabelRxTx|CommandRxTx|LabelEtatScan|CommandScan|LabelMode|step|box,
        // the colours of LabelVFO, LabelRxTx and LabelEtatScan, enabled or not: step, VFO A/B,
        // MEM, M.IN, EFF, frequency box, RX/TX, SCAN, table; last VfoCommand.
        QTest::addColumn<QString>("shown");
        const QByteArray rx = Status{}.text(), vfoB = Status{.vfo = '1'}.text();
        const QByteArray tx = Status{.transmit = '1'}.text(), scan = Status{.scan = '1'}.text();
        const QString usual = "14,195,000|VFO A|RX|TX|STD|SCAN|USB|STD|14 GGG 111101111 FN0;";
        const QString keyed = "14,195,000|VFO A|TX|RX|STD|SCAN|USB|STD|14 GRG 000000101 FN0;";
        const QString scanned = "14,195,000|VFO A|RX|TX|STD|SCAN|USB|STD| GGG ";
        const auto row = [](const char* name, const QByteArrayList& steps, const QString& shown) {
            QTest::newRow(name) << steps << shown;
        };
        row("worked report", {rx, rx}, usual);
        row("VFO B, 40 m, LSB",
            {rx, Status{.frequency = "00007050000", .mode = '1', .vfo = '1'}.text()},
            "07,050,000|VFO B|RX|TX|STD|SCAN|LSB|STD|14 GGG 111101111 FN1;");
        row("memory channel, LF, FSK",
            {vfoB, vfoB,
             Status{.frequency = "00000136000", .channel = "07", .mode = '6', .vfo = '2'}.text()},
            "00,136,000|M.07|RX|TX|STD|SCAN|FSK|STD|14 YGG 010011111 FN1;");
        row("empty memory channel",
            {vfoB, vfoB, Status{.frequency = "00000000000", .vfo = '2'}.text()},
            "* * *|M.05|RX|TX|STD|SCAN|USB|STD|14 YGG 010001011 FN1;");
        row("transmitting on 2 m", {rx, Status{.frequency = "00144300000", .transmit = '1'}.text()},
            "144,300,000|VFO A|TX|RX|STD|SCAN|USB|STD|14 GRG 000000101 FN0;");
        row("transmit flag other than 1", {rx, Status{.transmit = '2'}.text()}, keyed);
        row("keyed, closed before a report", {rx, rx, "TX;"}, usual);
        // The first report after "TX;" answers a request the radio heard before it.
        row("keyed, one report after", {rx, rx, "TX;", rx}, usual);
        row("keyed, but two reports show receiving", {rx, rx, "TX;", rx, rx}, usual);
        row("first report after transmitting", {rx, tx, rx},
            "14,195,000|VFO A|RX|TX|STD|SCAN|USB|STD|14 GGG 000001111 FN0;");
        row("second report after transmitting", {rx, tx, rx, rx}, usual);
        row("scanning", {rx, scan}, "14,195,000|VFO A|RX|TX|SCAN|STD|USB|STD| GGR 000000010 FN0;");
        row("first report after scanning", {rx, scan, rx}, scanned + "000001011 FN0;");
        row("second report after scanning", {rx, scan, rx, rx}, scanned + "111101111 FN0;");
        row("modes 0 and 7, VFO 9 keep what was shown",
            {Status{.mode = '3', .vfo = '1'}.text(), Status{.mode = '0', .vfo = '9'}.text(),
             Status{.mode = '7', .vfo = '9'}.text()},
            "14,195,000|VFO B|RX|TX|STD|SCAN|CW|STD|14 GGG 111101111 FN1;");
        row("store pending keeps frequency and mode",
            {rx, rx, "FN2;", Status{.frequency = "00000000000", .mode = '3', .vfo = '2'}.text()},
            "14,195,000|M.05|RX|TX|STD|SCAN|USB|STD|14 YGG 010100001 FN0;");
        // Once polling runs only a status report answers; nothing else is shown or answered.
        row("texts answering nothing",
            {rx, "ID001;", QByteArray(38, '0'), "ID004;" + QByteArray(32, '0'), QByteArray(30, '0'),
             memoryReply(0, "00007050000", '1'), rx},
            usual);
    }
    void statusReports() {
        QFETCH(QByteArrayList, steps);
        QFETCH(QString, shown);
        start(100);
        FormControlTOVRAN* p = panel();
        p->TextFreq->setText(QStringLiteral("14"));  // typing that only a scan clears
        const QHash<QByteArray, QPushButton*> clicks{{"TX;", p->CommandRxTx},
                                                     {"FN2;", p->CommandMemIn}};
        Commands expected;
        for (const QByteArray& step : steps) {
            QPushButton* button = clicks.value(step);
            button ? button->click() : answer(step);
            if (button || step.startsWith("IF"))
                expected << (button ? step : QByteArray("IF;"));
        }
        QString states =
            QStringList({p->LabelFreq->text(), p->LabelVFO->text(), p->LabelRxTx->text(),
                         p->CommandRxTx->text(), p->LabelEtatScan->text(), p->CommandScan->text(),
                         p->LabelMode->text(), p->CommandProgressionPas->text(),
                         p->TextFreq->text()})
                .join('|') +
            ' ' + colourLetter(p->LabelVFO) + colourLetter(p->LabelRxTx) +
            colourLetter(p->LabelEtatScan) + ' ';
        for (const QWidget* control : std::initializer_list<const QWidget*>{
                 p->CommandProgressionPas, p->CommandVFOAouB, p->CommandMemVfo, p->CommandMemIn,
                 p->CommandEffaceMem, p->TextFreq, p->CommandRxTx, p->CommandScan, p->GridMemoire})
            states += control->isEnabled() ? '1' : '0';
        QCOMPARE(states + ' ' + QString::fromLatin1(VfoCommand), shown);
        p->close();
        if (p->LabelRxTx->text() == "TX" || steps.indexOf("TX;") >= steps.size() - 2)
            expected << "RX;";
        QCOMPARE(sent(expected.size()), expected);
    }
    void recoveryFromSpoiltReplies_data() {
        QTest::addColumn<Fault>("fault");  // replies counted from the identification reply
        const auto row = [](const char* name, const Fault& fault) { QTest::newRow(name) << fault; };
        row("identification dropped", [](VirtualRadio& radio) { radio.dropReply(1); });
        row("memory reply dropped", [](VirtualRadio& radio) { radio.dropReply(30); });
        row("memory reply garbled", [](VirtualRadio& radio) { radio.garbleReply(60); });
        row("memory reply truncated", [](VirtualRadio& radio) { radio.truncateReply(80, 10); });
        row("status reply garbled", [](VirtualRadio& radio) { radio.garbleReply(107); });
        row("status reply truncated", [](VirtualRadio& radio) { radio.truncateReply(108, 10); });
        row("split by a pause", [](VirtualRadio& radio) { radio.splitReply(105, 20, 300ms); });
        // At the line's own speed a late reply and the reply to its repeat come one after the
        // other: the second must answer nothing.
        row("late at the line's speed", [](VirtualRadio& radio) {
            radio.setPaced(true);
            radio.delayReply(104, 1300ms);
        });
    }
    void recoveryFromSpoiltReplies() {
        QFETCH(Fault, fault);
        VirtualRadio& radio = harness_->radio;
        fault(radio);
        QVERIFY(harness_->start());
        QVERIFY(harness_->waitForPolling());
        radio.sendStray("?;x");                 // noise on the line as well
        QVERIFY(harness_->waitForReports(10));  // past the faults and their time-outs
        QVERIFY(harness_->pollsOneAtATime(40));
        QVERIFY(harness_->operatorCommands().isEmpty());
        // Every request asked again goes behind "AI0;": the radio may be back with its reports on.
        const Commands commands = radio.receivedCommands();
        for (qsizetype i = 1; i + 1 < commands.size(); ++i) {
            QVERIFY(commands[i] != commands[i + 1] || commands[i] == "IF;");
            QVERIFY(commands[i] != "AI0;" || commands[i - 1] == commands[i + 1]);
        }
        const MemoryGrid* grid = panel()->GridMemoire;
        for (int channel = 0; channel <= 99; ++channel) {
            const Transceiver::Tuning memory = radio.transceiver().memory(channel);
            QCOMPARE(grid->textMatrix(channel + 1, 1) + grid->textMatrix(channel + 1, 2),
                     FrequencyText::grouped(memory.frequencyHz) +
                         Modes::nameOf(char('0' + memory.mode)));
        }
        QCOMPARE((QList<int>{grid->topRow(), grid->row(), grid->col()}), (QList<int>{1, 1, 1}));
    }
};

QTEST_MAIN(ReceiveTest)
#include "tst_receive.moc"
