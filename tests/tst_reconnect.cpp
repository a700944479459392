// A radio behind a USB adapter that is pulled out and put back. The adapter is the virtual
// transceiver's pseudo-terminal reached through a symbolic link named by TOVRAN_COM1: closing
// the terminal makes the device vanish, and a new terminal linked under the same name is the
// adapter plugged back in.

#include "DisplayLabel.h"
#include "FormControlTOVRAN.h"
#include "ProgramWide.h"
#include "SerialComm.h"
#include "VirtualRadio.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

// Polling starts in well under a second; the margin is for loaded machines.
constexpr int kPatienceMs = 15000;
// Long enough for several attempts to open the missing device, once a second.
constexpr int kUnpluggedMs = 3500;

const QString kIdentified = QStringLiteral(" -> Kenwood TS-440 sur Com  1");
const QString kNotConnected = QStringLiteral(" -> Non connecté.");
const QString kLinkLost = QStringLiteral(" - liaison perdue");

// Runs the event loop until the condition holds. QTest::qWaitFor sleeps between two turns of
// the loop, which makes each of the hundred exchanges of a read-out last that long; this
// checks the condition on a timer instead and lets the line run at its own pace.
template <typename Condition>
bool waitUntil(Condition condition, int patienceMs = kPatienceMs) {
    if (condition())
        return true;
    QEventLoop loop;
    QTimer check;
    QElapsedTimer elapsed;
    elapsed.start();
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (condition() || elapsed.hasExpired(patienceMs))
            loop.quit();
    });
    check.start(std::chrono::milliseconds(1));
    loop.exec();
    return condition();
}

}  // namespace

class ReconnectTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void adapterPulledOutWhilePolling();
    void adapterPulledOutBeforeIdentification();
    void adapterBackAfterAShortGlitch();

private:
    void plugIn();
    void pullOut();
    QString status() const { return panel_->StatusBarTovran->text(); }
    bool waitForStatus(const QString& text) {
        return waitUntil([&] { return status() == text; });
    }
    bool waitForReports(int n);
    // The status line says the link is lost, and still names the radio (or its absence).
    void verifyLinkLostShown(const QString& before);
    void verifyPollingWithOneRequestOutstanding();

    QTemporaryDir dir_;
    QString adapter_;
    std::unique_ptr<VirtualRadio> radio_;
    std::unique_ptr<FormControlTOVRAN> panel_;
    int statusRequests_ = 0;
    // Once identification has run, the status line must never go back to "not connected".
    bool identified_ = false;
    bool notConnectedAgain_ = false;
};

void ReconnectTest::init() {
    QVERIFY(dir_.isValid());
    adapter_ = dir_.filePath(QStringLiteral("ttyUSB0"));
    radio_ = std::make_unique<VirtualRadio>();
    statusRequests_ = 0;
    identified_ = false;
    notConnectedAgain_ = false;
    connect(radio_.get(), &VirtualRadio::commandReceived, this, [this](const QByteArray& command) {
        if (command == "IF;")
            ++statusRequests_;
    });
    plugIn();
    qputenv("TOVRAN_COM1", adapter_.toLocal8Bit());
    PortNumber = 1;
    panel_ = std::make_unique<FormControlTOVRAN>();
    // The status line is checked after every handler that may change it, not only when the
    // test happens to look.
    const auto watchStatus = [this] {
        const bool notConnected = status().startsWith(kNotConnected);
        notConnectedAgain_ = notConnectedAgain_ || (identified_ && notConnected);
        identified_ = identified_ || !notConnected;
    };
    connect(panel_->MSComm1, &SerialComm::onComm, this, watchStatus);
    connect(panel_->MSComm1, &SerialComm::linkLost, this, watchStatus);
    connect(panel_->MSComm1, &SerialComm::linkRestored, this, watchStatus);
    QVERIFY(panel_->Form_Load());
    panel_->show();
    QVERIFY(QTest::qWaitForWindowExposed(panel_.get()));
}

void ReconnectTest::cleanup() {
    QVERIFY2(!notConnectedAgain_, "the status line went back to \"Non connecté\"");
    panel_.reset();
    radio_.reset();
    qunsetenv("TOVRAN_COM1");
}

void ReconnectTest::plugIn() {
    QVERIFY(radio_->open());
    QVERIFY(radio_->linkAs(adapter_));
}

void ReconnectTest::pullOut() {
    radio_->close();
    QVERIFY(!QFileInfo::exists(adapter_));
}

bool ReconnectTest::waitForReports(int n) {
    const int target = statusRequests_ + n;
    return waitUntil([&] { return statusRequests_ >= target; });
}

void ReconnectTest::verifyLinkLostShown(const QString& before) {
    QVERIFY(waitUntil([&] { return status() == before + kLinkLost; }));
    QVERIFY(!panel_->MSComm1->isOpen());  // nothing goes to the vanished device
    QTest::qWait(kUnpluggedMs);
    QCOMPARE(status(), before + kLinkLost);
    QVERIFY(!panel_->MSComm1->isOpen());
}

// With one request outstanding the radio hears exactly one "IF;" between two replies the panel
// takes; a chain forked by the outage would show as two.
void ReconnectTest::verifyPollingWithOneRequestOutstanding() {
    int heard = -1;  // counting starts at the first reply taken
    int irregular = 0;
    const auto onHeard =
        connect(radio_.get(), &VirtualRadio::commandReceived, [&](const QByteArray& command) {
            if (command == "IF;" && heard >= 0)
                ++heard;
        });
    const auto onTaken = connect(panel_->MSComm1, &SerialComm::onComm, [&] {
        if (heard >= 0 && heard != 1)
            ++irregular;
        heard = 0;
    });
    QVERIFY(waitForReports(30));
    disconnect(onHeard);
    disconnect(onTaken);
    QCOMPARE(irregular, 0);
}

void ReconnectTest::adapterPulledOutWhilePolling() {
    QVERIFY(waitForReports(3));
    QCOMPARE(status(), kIdentified);

    pullOut();
    verifyLinkLostShown(kIdentified);
    // The radio is retuned while the panel cannot see it.
    radio_->transceiver().setVfo(Transceiver::Vfo::A, {7'050'000, 1});
    plugIn();

    QVERIFY(waitForStatus(kIdentified));
    QVERIFY(waitUntil([&] { return panel_->LabelFreq->text() == "07,050,000"; }));
    QCOMPARE(panel_->LabelMode->text(), QStringLiteral("LSB"));
    verifyPollingWithOneRequestOutstanding();
    // Polling goes on where it was: no second identification, no second read-out.
    for (const QByteArray& command : radio_->receivedCommands())
        QVERIFY2(
            command == "IF;" || command.startsWith("MR") || command == "AI0;" || command == "ID;",
            command.constData());
    QCOMPARE(radio_->receivedCommands().count("ID;"), 1);
    QCOMPARE(radio_->receivedCommands().count("MR0000;"), 1);
}

void ReconnectTest::adapterPulledOutBeforeIdentification() {
    radio_->setPoweredOn(false);  // the panel waits for its "ID;" to be answered
    QTest::qWait(1500);
    QCOMPARE(status(), kNotConnected);

    pullOut();
    verifyLinkLostShown(kNotConnected);
    radio_->setPoweredOn(true);
    plugIn();

    QVERIFY(waitForStatus(kIdentified));
    QVERIFY(waitForReports(3));
    QCOMPARE(radio_->receivedCommands().count("MR0099;"), 1);
    verifyPollingWithOneRequestOutstanding();
}

// A device back before the next attempt to open it: the panel still sees the link go and
// come back, and nothing of the half-read line is taken for a reply.
void ReconnectTest::adapterBackAfterAShortGlitch() {
    QVERIFY(waitForReports(3));
    radio_->splitReply(1, 20, std::chrono::milliseconds(500));
    QVERIFY(waitForReports(1));
    QTest::qWait(100);  // half a status report is in the panel's buffer
    pullOut();
    plugIn();
    QVERIFY(waitUntil([&] { return status() == kIdentified + kLinkLost; }));
    QVERIFY(waitForStatus(kIdentified));
    verifyPollingWithOneRequestOutstanding();
}

QTEST_MAIN(ReconnectTest)
#include "tst_reconnect.moc"
