// The radio's replies as the panel takes them: identification, the memory read-out, the
// status reports and their colours and enabled states, and the recovery of the request chain
// when a reply is lost, spoilt or late.
//
// "Scripted" cases speak for a switched-off radio, putting replies straight into the panel's
// receive buffer; the others let the virtual transceiver answer over its pseudo-terminal.

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
#include <QRegularExpression>
#include <QTest>

namespace {

const QColor kGreen(0, 255, 0);
const QColor kYellow(255, 255, 0);
const QColor kRed(255, 0, 0);

// IFfffffffffffsssssrrrrrRXbccTMVSPtnn.;
struct StatusReply {
    QByteArray frequency = "00014195000";
    QByteArray channel = "05";
    char transmit = '0';
    char mode = '2';
    char vfo = '0';
    char scan = '0';

    QByteArray text() const {
        return "IF" + frequency + QByteArray(13, '0') + channel + transmit + mode + vfo + scan +
               "00000;";
    }
};

// MRs-ccfffffffffffml----;
QByteArray memoryReply(const QByteArray& channel, const QByteArray& frequency, char mode) {
    return "MR00" + channel + frequency + mode + "00000;";
}

}  // namespace

class ReceiveTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    // Scripted.
    void identification_data();
    void identification();
    void identificationIsNeverTakenAgain();
    void memoryRepliesFillTheirRows_data();
    void memoryRepliesFillTheirRows();
    void readOutFollowsTheChannelTheRadioReturned();
    void lastChannelStartsThePolling();
    void workedStatusReport();
    void frequencyDisplay_data();
    void frequencyDisplay();
    void memoryChannelInUse();
    void transmitDisablesAndOnlyTheSecondReceiveReportEnablesAll();
    void scanDisablesAndOnlyTheSecondReportAfterItEnablesAll();
    void unknownModeOrVfoLeavesTheDisplay();
    void pendingStoreKeepsFrequencyAndMode();
    void textsOfNeitherShapeAreDropped();
    void displayFollowsTheLocale();

    // Against the virtual transceiver.
    void fullReadOut();
    void twoMetreRadioShowsWholeFrequencies();
    void radioSwitchedOnLateIsIdentified();
    void recoveryFromSpoiltReplies_data();
    void recoveryFromSpoiltReplies();
    void replySplitWithAPauseCostsNoRepeat();
    void lateReplyDoesNotForkTheChain();
    void radioSwitchedOffAndOnIsFollowedAgain();

private:
    FormControlTOVRAN* panel() const { return harness_->panel(); }
    void answer(const QByteArray& text) { panel()->MSComm1->deliver(text); }
    // The commands the panel sent since the log was last cleared, once they have arrived.
    QList<QByteArray> sent(int atLeast = 1);
    // Clears the radio's log once the panel's last requests have reached it.
    void clearLogAfter(int commands) {
        sent(commands);
        harness_->clearLog();
    }
    void startScripted(int port = 1);
    void startPolling();
    void report(const StatusReply& reply) { answer(reply.text()); }
    void verifyPollingWithOneRequestOutstanding();

    std::unique_ptr<PanelHarness> harness_;
};

void ReceiveTest::init() {
    harness_ = std::make_unique<PanelHarness>();
}

void ReceiveTest::cleanup() {
    harness_.reset();
    QLocale::setDefault(QLocale::c());
    qunsetenv("TOVRAN_COM2");
}

QList<QByteArray> ReceiveTest::sent(int atLeast) {
    const bool arrived =
        QTest::qWaitFor([&] { return harness_->radio.receivedCommands().size() >= atLeast; }, 3000);
    Q_UNUSED(arrived);  // the caller compares what did arrive
    QTest::qWait(30);
    return harness_->radio.receivedCommands();
}

void ReceiveTest::startScripted(int port) {
    harness_->radio.setPoweredOn(false);
    QVERIFY(harness_->start(port));
    QCOMPARE(sent(2), (QList<QByteArray>{"AI0;", "ID;"}));
    clearLogAfter(2);
}

void ReceiveTest::startPolling() {
    startScripted();
    answer("ID004;");
    answer(memoryReply("99", "00000000000", '0'));
    QCOMPARE(sent(2), (QList<QByteArray>{"MR0000;", "IF;"}));
    clearLogAfter(2);
}

void ReceiveTest::identification_data() {
    QTest::addColumn<int>("port");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("status");
    QTest::newRow("TS-440 on port 1")
        << 1 << QByteArray("ID004;") << " -> Kenwood TS-440 sur Com  1";
    QTest::newRow("TS-940 on port 2")
        << 2 << QByteArray("ID001;") << " -> Kenwood TS-940 sur Com  2";
    QTest::newRow("TS-811") << 1 << QByteArray("ID002;") << " -> Kenwood TS-811 sur Com  1";
    QTest::newRow("TS-711") << 1 << QByteArray("ID003;") << " -> Kenwood TS-711 sur Com  1";
    QTest::newRow("unknown model") << 1 << QByteArray("ID005;") << " -> Inconnu sur Com  1";
    QTest::newRow("carriage return after")
        << 1 << QByteArray("ID004;\r") << " -> Inconnu sur Com  1";
}

void ReceiveTest::identification() {
    QFETCH(int, port);
    QFETCH(QByteArray, reply);
    QFETCH(QString, status);
    startScripted(port);
    answer(reply);
    QCOMPARE(panel()->StatusBarTovran->text(), status);
    QCOMPARE(panel()->MSComm1->rThreshold(), 24);
    QCOMPARE(panel()->LabelFreq->text(), QStringLiteral("LECT. MEM."));
    QCOMPARE(sent(), QList<QByteArray>{"MR0000;"});
}

void ReceiveTest::identificationIsNeverTakenAgain() {
    startScripted();
    answer("ID004;");
    clearLogAfter(1);
    answer("ID001;");
    QCOMPARE(panel()->StatusBarTovran->text(), QStringLiteral(" -> Kenwood TS-440 sur Com  1"));
    QTest::qWait(100);
    QVERIFY(harness_->radio.receivedCommands().isEmpty());
}

void ReceiveTest::memoryRepliesFillTheirRows_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("frequency");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QByteArray>("next");
    QTest::newRow("worked reply") << QByteArray("MR000700007050000100000;") << 8 << "7,050,000"
                                  << "LSB" << QByteArray("MR0008;");
    QTest::newRow("channel 00") << memoryReply("00", "00014200000", '2') << 1 << "14,200,000"
                                << "USB" << QByteArray("MR0001;");
    QTest::newRow("low frequency") << memoryReply("03", "00000136000", '3') << 4 << "136,000"
                                   << "CW" << QByteArray("MR0004;");
    QTest::newRow("empty channel") << memoryReply("10", "00000000000", '0') << 11 << ""
                                   << "" << QByteArray("MR0011;");
    QTest::newRow("mode outside the table")
        << memoryReply("11", "00003650000", '7') << 12 << "3,650,000"
        << "" << QByteArray("MR0012;");
    QTest::newRow("70 cm") << memoryReply("41", "00432100000", '4') << 42 << "432,100,000"
                           << "FM" << QByteArray("MR0042;");
    QTest::newRow("channel 98") << memoryReply("98", "00028500000", '5') << 99 << "28,500,000"
                                << "AM" << QByteArray("MR0099;");
}

void ReceiveTest::memoryRepliesFillTheirRows() {
    QFETCH(QByteArray, reply);
    QFETCH(int, row);
    QFETCH(QString, frequency);
    QFETCH(QString, mode);
    QFETCH(QByteArray, next);
    startScripted();
    answer("ID004;");
    clearLogAfter(1);
    answer(reply);
    const MemoryGrid* grid = panel()->GridMemoire;
    QCOMPARE(grid->textMatrix(row, 0), QString::fromLatin1(reply.mid(4, 2)));
    QCOMPARE(grid->textMatrix(row, 1), frequency);
    QCOMPARE(grid->textMatrix(row, 2), mode);
    QCOMPARE(sent(), QList<QByteArray>{next});
}

void ReceiveTest::readOutFollowsTheChannelTheRadioReturned() {
    startScripted();
    answer("ID004;");
    answer(memoryReply("09", "00007050000", '1'));
    clearLogAfter(2);
    answer(memoryReply("42", "00014200000", '2'));  // asked for 10, the radio says 42
    QCOMPARE(panel()->GridMemoire->textMatrix(43, 1), QStringLiteral("14,200,000"));
    QVERIFY(panel()->GridMemoire->textMatrix(11, 1).isEmpty());
    QCOMPARE(sent(), QList<QByteArray>{"MR0043;"});
}

void ReceiveTest::lastChannelStartsThePolling() {
    startScripted();
    answer("ID004;");
    answer(memoryReply("98", "00007050000", '1'));
    clearLogAfter(2);
    answer(memoryReply("99", "00014200000", '2'));
    QCOMPARE(sent(), QList<QByteArray>{"IF;"});
    QCOMPARE(panel()->MSComm1->rThreshold(), 38);
    QCOMPARE(panel()->LabelEtatScan->text(), QStringLiteral("STD"));
    for (QPushButton* button :
         {panel()->CommandUp, panel()->CommandDown, panel()->CommandAM, panel()->CommandFM,
          panel()->CommandFSK, panel()->CommandUSB, panel()->CommandLSB, panel()->CommandCW})
        QVERIFY(button->isEnabled());
    QCOMPARE(panel()->GridMemoire->topRow(), 1);
    QCOMPARE(panel()->GridMemoire->row(), 1);
    QCOMPARE(panel()->GridMemoire->col(), 1);
    QCOMPARE(panel()->LabelFreq->text(), QStringLiteral("LECT. MEM."));  // until the first report
}

void ReceiveTest::workedStatusReport() {
    startPolling();
    const QByteArray worked = "IF00014195000000000000000005020000000;";
    answer(worked);
    answer(worked);
    QCOMPARE(panel()->LabelFreq->text(), QStringLiteral("14,195,000"));
    QCOMPARE(panel()->LabelVFO->text(), QStringLiteral("VFO A"));
    QCOMPARE(panel()->LabelVFO->textColour(), kGreen);
    QCOMPARE(VfoCommand, QByteArray("FN0;"));
    QCOMPARE(panel()->LabelRxTx->text(), QStringLiteral("RX"));
    QCOMPARE(panel()->LabelRxTx->textColour(), kGreen);
    QCOMPARE(panel()->CommandRxTx->text(), QStringLiteral("TX"));
    QCOMPARE(panel()->LabelEtatScan->text(), QStringLiteral("STD"));
    QCOMPARE(panel()->LabelEtatScan->textColour(), kGreen);
    QCOMPARE(panel()->CommandScan->text(), QStringLiteral("SCAN"));
    QCOMPARE(panel()->LabelMode->text(), QStringLiteral("USB"));
    for (QWidget* control :
         {static_cast<QWidget*>(panel()->CommandProgressionPas),
          static_cast<QWidget*>(panel()->CommandVFOAouB),
          static_cast<QWidget*>(panel()->CommandMemVfo),
          static_cast<QWidget*>(panel()->CommandMemIn), static_cast<QWidget*>(panel()->CommandScan),
          static_cast<QWidget*>(panel()->TextFreq), static_cast<QWidget*>(panel()->CommandRxTx),
          static_cast<QWidget*>(panel()->GridMemoire)})
        QVERIFY2(control->isEnabled(), qPrintable(control->toolTip()));
    QVERIFY(!panel()->CommandEffaceMem->isEnabled());
    QCOMPARE(sent(2), (QList<QByteArray>{"IF;", "IF;"}));  // one request per report
}

void ReceiveTest::frequencyDisplay_data() {
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<QString>("shown");
    QTest::newRow("20 m") << QByteArray("00014195000") << "14,195,000";
    QTest::newRow("40 m") << QByteArray("00007050000") << "07,050,000";
    QTest::newRow("LF") << QByteArray("00000136000") << "00,136,000";
    QTest::newRow("2 m") << QByteArray("00144300000") << "144,300,000";
    QTest::newRow("exactly 100 MHz") << QByteArray("00100000000") << "100,000,000";
    QTest::newRow("no frequency") << QByteArray("00000000000") << "* * *";
}

void ReceiveTest::frequencyDisplay() {
    QFETCH(QByteArray, field);
    QFETCH(QString, shown);
    startPolling();
    StatusReply reply;
    reply.frequency = field;
    report(reply);
    QCOMPARE(panel()->LabelFreq->text(), shown);
}

void ReceiveTest::memoryChannelInUse() {
    startPolling();
    StatusReply vfoB;
    vfoB.vfo = '1';
    report(vfoB);
    QCOMPARE(VfoCommand, QByteArray("FN1;"));
    QCOMPARE(panel()->LabelVFO->text(), QStringLiteral("VFO B"));
    panel()->CommandProgressionPas->setText(QStringLiteral("5 Khz"));

    StatusReply memory;
    memory.vfo = '2';
    memory.channel = "07";
    report(memory);
    QCOMPARE(panel()->LabelVFO->text(), QStringLiteral("M.07"));
    QCOMPARE(panel()->LabelVFO->textColour(), kYellow);
    QCOMPARE(VfoCommand, QByteArray("FN1;"));  // the VFO to go back to
    QCOMPARE(panel()->CommandProgressionPas->text(), QStringLiteral("STD"));
    QVERIFY(!panel()->CommandProgressionPas->isEnabled());
    QVERIFY(!panel()->CommandMemVfo->isEnabled());
    QVERIFY(!panel()->CommandMemIn->isEnabled());
    QVERIFY(panel()->CommandEffaceMem->isEnabled());
    QVERIFY(panel()->CommandVFOAouB->isEnabled());

    StatusReply empty = memory;
    empty.frequency = "00000000000";
    report(empty);
    QCOMPARE(panel()->LabelFreq->text(), QStringLiteral("* * *"));
    QVERIFY(!panel()->CommandEffaceMem->isEnabled());
    QVERIFY(!panel()->CommandRxTx->isEnabled());
    QVERIFY(panel()->CommandVFOAouB->isEnabled());
}

void ReceiveTest::transmitDisablesAndOnlyTheSecondReceiveReportEnablesAll() {
    startPolling();
    StatusReply receiving;
    report(receiving);
    StatusReply transmitting;
    transmitting.transmit = '1';
    report(transmitting);
    QCOMPARE(panel()->LabelRxTx->text(), QStringLiteral("TX"));
    QCOMPARE(panel()->LabelRxTx->textColour(), kRed);
    QCOMPARE(panel()->CommandRxTx->text(), QStringLiteral("RX"));
    QVERIFY(panel()->CommandRxTx->isEnabled());  // it is how the operator stops transmitting
    const QList<QWidget*> stepTwo = {panel()->CommandProgressionPas, panel()->CommandVFOAouB,
                                     panel()->CommandMemVfo, panel()->CommandMemIn};
    for (QWidget* control : stepTwo + QList<QWidget*>{panel()->TextFreq, panel()->CommandScan,
                                                      panel()->CommandEffaceMem})
        QVERIFY(!control->isEnabled());

    report(receiving);
    QVERIFY(panel()->CommandScan->isEnabled());
    QVERIFY(panel()->TextFreq->isEnabled());
    for (QWidget* control : stepTwo)
        QVERIFY2(!control->isEnabled(), qPrintable(control->toolTip()));
    report(receiving);
    for (QWidget* control : stepTwo) QVERIFY2(control->isEnabled(), qPrintable(control->toolTip()));
}

void ReceiveTest::scanDisablesAndOnlyTheSecondReportAfterItEnablesAll() {
    startPolling();
    StatusReply still;
    report(still);
    panel()->TextFreq->setText(QStringLiteral("14"));
    StatusReply scanning;
    scanning.scan = '1';
    report(scanning);
    QCOMPARE(panel()->LabelEtatScan->text(), QStringLiteral("SCAN"));
    QCOMPARE(panel()->LabelEtatScan->textColour(), kRed);
    QCOMPARE(panel()->CommandScan->text(), QStringLiteral("STD"));
    QVERIFY(panel()->TextFreq->text().isEmpty());
    QVERIFY(!panel()->TextFreq->isEnabled());
    QVERIFY(!panel()->GridMemoire->isEnabled());
    QVERIFY(!panel()->CommandRxTx->isEnabled());
    QVERIFY(panel()->CommandScan->isEnabled());  // it is how the operator stops the scan

    report(still);
    QVERIFY(panel()->GridMemoire->isEnabled());
    QVERIFY(!panel()->CommandRxTx->isEnabled());
    QVERIFY(!panel()->CommandMemIn->isEnabled());
    report(still);
    QVERIFY(panel()->CommandRxTx->isEnabled());
    QVERIFY(panel()->CommandMemIn->isEnabled());
}

void ReceiveTest::unknownModeOrVfoLeavesTheDisplay() {
    startPolling();
    StatusReply reply;
    reply.mode = '3';
    report(reply);
    QCOMPARE(panel()->LabelMode->text(), QStringLiteral("CW"));
    for (char mode : {'0', '7'}) {
        reply.mode = mode;
        report(reply);
        QCOMPARE(panel()->LabelMode->text(), QStringLiteral("CW"));
    }
    reply.vfo = '9';
    VfoCommand = "FN1;";
    report(reply);
    QCOMPARE(panel()->LabelVFO->text(), QStringLiteral("VFO A"));
    QCOMPARE(VfoCommand, QByteArray("FN1;"));
}

void ReceiveTest::pendingStoreKeepsFrequencyAndMode() {
    startPolling();
    StatusReply reply;
    report(reply);
    StorePending = true;
    StatusReply memory;
    memory.vfo = '2';
    memory.frequency = "00000000000";
    memory.mode = '3';
    report(memory);
    QCOMPARE(panel()->LabelFreq->text(), QStringLiteral("14,195,000"));
    QCOMPARE(panel()->LabelMode->text(), QStringLiteral("USB"));
    QVERIFY(!panel()->TextFreq->isEnabled());
    StorePending = false;
}

void ReceiveTest::textsOfNeitherShapeAreDropped() {
    startPolling();
    answer(QByteArray(38, '0'));
    answer("ID004;" + QByteArray(32, '0'));
    answer(QByteArray(30, '0'));
    QTest::qWait(200);
    QVERIFY(harness_->radio.receivedCommands().isEmpty());
    QCOMPARE(panel()->LabelFreq->text(), QStringLiteral("LECT. MEM."));
}

void ReceiveTest::displayFollowsTheLocale() {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    startPolling();
    report(StatusReply{});
    QCOMPARE(panel()->LabelFreq->text(), QStringLiteral("14.195.000"));
    answer(memoryReply("00", "00007050000", '1'));  // a stray memory reply answers no request
    QVERIFY(panel()->GridMemoire->textMatrix(1, 1).isEmpty());
}

void ReceiveTest::fullReadOut() {
    int topRowAt25 = 0;
    QObject::connect(&harness_->radio, &VirtualRadio::commandReceived,
                     [&](const QByteArray& command) {
                         if (command == "MR0026;")  // the reply for 25 has just been shown
                             topRowAt25 = panel()->GridMemoire->topRow();
                     });
    QVERIFY(harness_->start());
    QVERIFY(harness_->waitForPolling());

    QList<QByteArray> expected{"AI0;", "ID;"};
    for (int channel = 0; channel <= 99; ++channel)
        expected << "MR00" + QByteArray::number(channel).rightJustified(2, '0') + ';';
    expected << "IF;";
    QCOMPARE(harness_->radio.receivedCommands().mid(0, expected.size()), expected);
    QCOMPARE(topRowAt25, 6);

    const Transceiver& radio = harness_->radio.transceiver();
    int filled = 0;
    for (int channel = 0; channel <= 99; ++channel) {
        const Transceiver::Tuning memory = radio.memory(channel);
        const int row = channel + 1;
        QCOMPARE(panel()->GridMemoire->textMatrix(row, 0),
                 QString::number(channel).rightJustified(2, u'0'));
        QCOMPARE(panel()->GridMemoire->textMatrix(row, 1),
                 FrequencyText::grouped(memory.frequencyHz));
        QCOMPARE(panel()->GridMemoire->textMatrix(row, 2), Modes::nameOf(char('0' + memory.mode)));
        filled += memory.isEmpty() ? 0 : 1;
    }
    QVERIFY(filled > 5 && filled < 100);  // some channels filled, some empty
    QCOMPARE(panel()->GridMemoire->topRow(), 1);
    QCOMPARE(panel()->StatusBarTovran->text(), QStringLiteral(" -> Kenwood TS-440 sur Com  1"));
    QCOMPARE(panel()->LabelFreq->text(), FrequencyText::display(radio.current().frequencyHz));
    QVERIFY(harness_->operatorCommands().isEmpty());
}

void ReceiveTest::twoMetreRadioShowsWholeFrequencies() {
    harness_ = std::make_unique<PanelHarness>(VirtualRadio::Model::TS711);
    harness_->radio.transceiver().setVfo(Transceiver::Vfo::A, {144'300'000, 4});
    harness_->radio.transceiver().setMemory(3, {145'500'000, 4});
    QVERIFY(harness_->start());
    QVERIFY(harness_->waitForPolling());
    QCOMPARE(panel()->StatusBarTovran->text(), QStringLiteral(" -> Kenwood TS-711 sur Com  1"));
    QCOMPARE(panel()->LabelFreq->text(), QStringLiteral("144,300,000"));
    QCOMPARE(panel()->LabelMode->text(), QStringLiteral("FM"));
    QCOMPARE(panel()->GridMemoire->textMatrix(4, 1), QStringLiteral("145,500,000"));
}

void ReceiveTest::verifyPollingWithOneRequestOutstanding() {
    // Past the fault and its time-out first: a repeated request is not a second one.
    QVERIFY(harness_->waitForReports(10));
    // With one request outstanding, the radio hears exactly one "IF;" between two replies the
    // panel takes, and never while a reply of its own is still on the line.
    int heard = -1;  // counting starts at the first reply taken
    int irregular = 0;
    int askedWhileReplying = 0;
    const auto onHeard = QObject::connect(&harness_->radio, &VirtualRadio::commandReceived,
                                          [&](const QByteArray& command) {
                                              if (command != "IF;")
                                                  return;
                                              if (heard >= 0)
                                                  ++heard;
                                              if (harness_->radio.isReplying())
                                                  ++askedWhileReplying;
                                          });
    const auto onTaken = QObject::connect(panel()->MSComm1, &SerialComm::onComm, [&] {
        if (heard >= 0 && heard != 1)
            ++irregular;
        heard = 0;
    });
    QVERIFY(harness_->waitForReports(40));
    QObject::disconnect(onHeard);
    QObject::disconnect(onTaken);
    QCOMPARE(irregular, 0);
    QCOMPARE(askedWhileReplying, 0);
    QVERIFY(harness_->operatorCommands().isEmpty());
    QVERIFY(panel()->LabelFreq->text().contains(QRegularExpression("^\\d")));
}

void ReceiveTest::radioSwitchedOnLateIsIdentified() {
    harness_->radio.setPoweredOn(false);
    QVERIFY(harness_->start());
    QTest::qWait(2500);
    QCOMPARE(panel()->StatusBarTovran->text(), QStringLiteral(" -> Non connecté."));
    harness_->radio.setPoweredOn(true);
    QVERIFY(harness_->waitForPolling());
    QCOMPARE(panel()->StatusBarTovran->text(), QStringLiteral(" -> Kenwood TS-440 sur Com  1"));
    verifyPollingWithOneRequestOutstanding();
}

void ReceiveTest::recoveryFromSpoiltReplies_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("reply");  // counted from the identification reply
    QTest::newRow("identification dropped") << "drop" << 1;
    QTest::newRow("memory reply dropped") << "drop" << 30;
    QTest::newRow("memory reply garbled") << "garble" << 60;
    QTest::newRow("memory reply truncated") << "truncate" << 80;
    QTest::newRow("status reply dropped") << "drop" << 106;
    QTest::newRow("status reply garbled") << "garble" << 107;
    QTest::newRow("status reply truncated") << "truncate" << 108;
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
    QVERIFY(harness_->start());
    QVERIFY(harness_->waitForPolling());
    if (fault == "stray")
        radio.sendStray("?;x");
    verifyPollingWithOneRequestOutstanding();
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
    // Every request was asked once: a repeat would show as the same MR twice.
    QCOMPARE(commands.count("MR0050;"), 1);
    QCOMPARE(commands.count("ID;"), 1);
    QCOMPARE(commands.mid(102, 3), (QList<QByteArray>{"IF;", "IF;", "IF;"}));
}

void ReceiveTest::lateReplyDoesNotForkTheChain() {
    QVERIFY(harness_->start());
    QVERIFY(harness_->waitForPolling());
    // At the line's own speed the late reply and the reply to the repeat arrive one after
    // the other, not in one piece: the second must answer nothing.
    harness_->radio.setPaced(true);
    harness_->radio.delayReply(2, std::chrono::milliseconds(1300));
    verifyPollingWithOneRequestOutstanding();
}

void ReceiveTest::radioSwitchedOffAndOnIsFollowedAgain() {
    QVERIFY(harness_->start());
    QVERIFY(harness_->waitForPolling());
    harness_->radio.setPoweredOn(false);
    QTest::qWait(2500);
    harness_->radio.transceiver().setVfo(Transceiver::Vfo::A, {7'050'000, 1});
    harness_->radio.setPoweredOn(true);
    QVERIFY(QTest::qWaitFor([&] { return panel()->LabelFreq->text() == "07,050,000"; }, 3000));
    QCOMPARE(panel()->LabelMode->text(), QStringLiteral("LSB"));
    verifyPollingWithOneRequestOutstanding();
}

QTEST_MAIN(ReceiveTest)
#include "tst_receive.moc"
