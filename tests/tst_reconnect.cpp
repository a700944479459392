// A radio behind a USB adapter that is pulled out and put back: the virtual transceiver's
// pseudo-terminal reached through a link named by TOVRAN_COM1. Closing the terminal makes the
// device vanish; a new terminal linked under the same name is the adapter plugged back in.

#include "DisplayLabel.h"
#include "PanelHarness.h"
#include "SerialComm.h"

#include <QFileInfo>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QString kIdentified = QStringLiteral(" -> Kenwood TS-440 sur Com  1");
const QString kNotConnected = QStringLiteral(" -> Non connecté.");
const QString kLinkLost = QStringLiteral(" - liaison perdue");
// Several attempts to open the missing device, once a second, and a silence long enough to be
// shown if the lost link did not already say it.
constexpr int kUnpluggedMs = 3500;
constexpr int kPatienceMs = 15000;
}  // namespace

class ReconnectTest : public QObject {
    Q_OBJECT

    QString status() const { return harness_->panel()->StatusBarTovran->text(); }
    bool waitForStatus(const QString& text) {
        return PanelHarness::waitUntil([&] { return status() == text; }, kPatienceMs);
    }

    QTemporaryDir dir_;
    std::unique_ptr<PanelHarness> harness_;

private slots:
    void cleanup() { harness_.reset(); }

    void adapterPulledOutAndBack_data() {
        QTest::addColumn<bool>("identified");
        QTest::addColumn<bool>("glitch");  // back before the panel's next attempt to open it
        QTest::newRow("while polling") << true << false;
        QTest::newRow("before identification") << false << false;
        QTest::newRow("short glitch with a reply half read") << true << true;
    }
    void adapterPulledOutAndBack() {
        QFETCH(bool, identified);
        QFETCH(bool, glitch);
        const QString adapter = dir_.filePath(QStringLiteral("ttyUSB0"));
        harness_ = std::make_unique<PanelHarness>();
        VirtualRadio& radio = harness_->radio;
        radio.setPoweredOn(identified);
        QVERIFY(harness_->start(1, adapter));
        // Once identification has run, the status line never goes back to "not connected".
        bool notConnectedAgain = false;
        connect(harness_->panel()->MSComm1, &SerialComm::onComm, this, [&] {
            notConnectedAgain = notConnectedAgain || (identified && status() == kNotConnected);
        });
        QVERIFY(identified ? harness_->waitForReports(3) : (QTest::qWait(1500), true));
        const QString before = status();
        QCOMPARE(before, identified ? kIdentified : kNotConnected);
        if (glitch) {
            radio.splitReply(1, 20, std::chrono::milliseconds(500));
            QVERIFY(harness_->waitForReports(1));
            QTest::qWait(100);  // half a status report is in the panel's buffer
        }
        radio.close();
        QVERIFY(!QFileInfo::exists(adapter));
        if (!glitch) {
            QVERIFY(waitForStatus(before + kLinkLost));
            QTest::qWait(kUnpluggedMs);
            QCOMPARE(status(), before + kLinkLost);
            QVERIFY(!harness_->panel()->MSComm1->isOpen());  // nothing goes to a vanished device
            radio.setPoweredOn(true);
            radio.transceiver().setVfo(Transceiver::Vfo::A, {7'050'000, 1});  // retuned meanwhile
        }
        harness_->clearLog();
        QVERIFY(radio.open() && radio.linkAs(adapter));
        QVERIFY(glitch ? waitForStatus(kIdentified + kLinkLost) : true);
        QVERIFY(waitForStatus(kIdentified));
        QVERIFY(PanelHarness::waitUntil(
            [&] { return harness_->panel()->LabelFreq->text().startsWith("07,050,000") || glitch; },
            kPatienceMs));
        QVERIFY(harness_->pollsOneAtATime(30));
        // The radio may have been switched off and on meanwhile: "AI0;" before anything else.
        const QList<QByteArray> commands = radio.receivedCommands();
        QCOMPARE(commands.value(0), QByteArray("AI0;"));
        QCOMPARE(commands.count("MR0000;"), identified ? 0 : 1);  // one read-out in all
        QCOMPARE(commands.count("ID;") > 0, !identified);
        QVERIFY(!notConnectedAgain);
    }
};

QTEST_MAIN(ReconnectTest)
#include "tst_reconnect.moc"
