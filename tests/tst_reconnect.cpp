// A radio that goes away and comes back: switched off and on, or behind a USB adapter pulled
// out and put back, the virtual transceiver's pseudo-terminal closed and a new one linked under
// the name TOVRAN_COM1 gives.

#include "DisplayLabel.h"
#include "PanelHarness.h"
#include "RadioConversation.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QString kIdentified = QStringLiteral(" -> Kenwood TS-440 sur Com  1");
const QString kNotConnected = QStringLiteral(" -> Non connecté.");
const QString kLinkLost = QStringLiteral(" - liaison perdue");
const QString kNoReply = QStringLiteral(" - pas de réponse");
constexpr int kPatienceMs = 15000;
// The last reply the panel took came at most this long before the outage began; and the
// silence timer, a coarse one, may fire up to 5 % early.
constexpr int kLastReplyMs = 100;
}  // namespace

class ReconnectTest : public QObject {
    Q_OBJECT

    QString status() const { return harness_->panel()->StatusBarTovran->text(); }
    bool waitForStatus(const QString& text, int patienceMs = kPatienceMs) {
        return PanelHarness::waitUntil([&] { return status() == text; }, patienceMs);
    }

    QTemporaryDir dir_;
    std::unique_ptr<PanelHarness> harness_;

private slots:
    void goneAndBack_data() {
        QTest::addColumn<QString>("outage");
        QTest::addColumn<bool>("identified");
        QTest::newRow("radio switched off while polling") << "off" << true;
        QTest::newRow("adapter pulled out while polling") << "unplugged" << true;
        QTest::newRow("adapter pulled out before identification") << "unplugged" << false;
        QTest::newRow("adapter back at once, a reply half read") << "glitch" << true;
    }
    void goneAndBack() {
        QFETCH(QString, outage);
        QFETCH(bool, identified);
        const QString adapter = dir_.filePath(QStringLiteral("ttyUSB0"));
        harness_ = std::make_unique<PanelHarness>();
        VirtualRadio& radio = harness_->radio;
        radio.setPoweredOn(identified);
        QVERIFY(harness_->start(1, adapter));
        FormControlTOVRAN* panel = harness_->panel();
        QVERIFY(identified ? harness_->waitForReports(3) : (QTest::qWait(1500), true));
        const QString before = identified ? kIdentified : kNotConnected;
        QCOMPARE(status(), before);
        if (outage == "glitch") {
            radio.splitReply(1, 20, std::chrono::milliseconds(500));
            QVERIFY(harness_->waitForReports(1));
            QTest::qWait(100);  // half a status report is in the panel's buffer
        }
        harness_->clearLog();
        QElapsedTimer outageTime;
        outageTime.start();
        bool silent = false;
        QObject local;
        connect(panel->conversation(), &RadioConversation::answeringChanged, &local,
                [&](bool answering) { silent = !answering; });
        outage == "off" ? radio.setPoweredOn(false) : radio.close();
        if (outage != "glitch") {
            // Silence is shown three seconds after the last reply, and only when no lost link
            // says it all; a radio never heard gives no verdict.
            const QString shown = before + (outage == "off" ? kNoReply : kLinkLost);
            if (outage == "off")
                QCOMPARE(status(), before);
            else
                QVERIFY(waitForStatus(shown));
            if (identified) {
                QVERIFY(PanelHarness::waitUntil([&] { return silent; }, kPatienceMs));
                QVERIFY(outageTime.elapsed() >=
                        RequestChain::kSilenceTimeout.count() * 95 / 100 - kLastReplyMs);
            } else {
                QTest::qWait(RequestChain::kSilenceTimeout.count() + kLastReplyMs);
            }
            QCOMPARE(status(), shown);
            const qsizetype repeats = radio.receivedCommands().count("AI0;");  // a second apart
            QVERIFY(outage == "off" ? repeats == 2 || repeats == 3 : repeats == 0);
            QTest::qWait(1000);
            QCOMPARE(status(), shown);
            QVERIFY(!panel->conversation()->radioAnswers());
            QCOMPARE(panel->conversation()->line().isOpen(),
                     outage == "off");  // nothing to a vanished device
            radio.setPoweredOn(true);
            radio.transceiver().setVfo(Transceiver::Vfo::A, {7'050'000, 1});  // retuned meanwhile
        }
        QVERIFY(outage == "off" || (radio.open() && radio.linkAs(adapter)));
        QVERIFY(outage != "glitch" || waitForStatus(kIdentified + kLinkLost));
        QVERIFY(waitForStatus(kIdentified) && harness_->waitForReports(3));
        QVERIFY(harness_->pollsOneAtATime(30));
        QVERIFY(panel->conversation()->radioAnswers() &&
                (outage == "glitch" || panel->LabelFreq->text() == "07,050,000"));
        // "AI0;" when the link is back and before each repeat; identified once, read out once.
        QList<QByteArray> commands = radio.receivedCommands();
        commands.removeAll("IF;");
        QCOMPARE(commands.mid(0, 2), (QList<QByteArray>{"AI0;", "AI0;"}));  // the link, a repeat
        QCOMPARE(commands.count("MR0000;"), identified ? 0 : 1);
        QCOMPARE(commands.count("ID;") > 0, !identified);
    }
};

QTEST_MAIN(ReconnectTest)
#include "tst_reconnect.moc"
