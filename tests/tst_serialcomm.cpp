// The serial component as the panel relies on it: one event per whole reply however the bytes
// come, reads that empty the buffer, commands written byte for byte, and the port mapping.

#include "SerialComm.h"
#include "SerialDevice.h"
#include "VirtualRadio.h"

#include <QSignalSpy>
#include <QTest>

class SerialCommTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void replyInTwoPiecesMakesOneEvent();
    void identificationByteByByteMakesOneEvent();
    void identificationWithoutSemicolonWaitsForAQuietLine();
    void writesExactlyTheCommandsBytes();
    void fullBufferKeepsItsSizeAndSaysSo();
    void missingDeviceDoesNotOpen();
    void portNumbersNameDevices();

private:
    std::unique_ptr<VirtualRadio> radio_;
    std::unique_ptr<SerialComm> comm_;
    std::unique_ptr<QSignalSpy> events_;
    QList<QByteArray> reads_;
};

void SerialCommTest::init() {
    radio_ = std::make_unique<VirtualRadio>();
    QVERIFY(radio_->open());
    radio_->setPoweredOn(false);  // the test speaks for the radio
    qputenv("TOVRAN_COM1", radio_->devicePath().toLocal8Bit());
    comm_ = std::make_unique<SerialComm>();
    comm_->setCommPort(1);
    QVERIFY(comm_->open());
    reads_.clear();
    // Like the panel's handler: on a receive event, read everything once.
    connect(comm_.get(), &SerialComm::onComm, this, [this] {
        if (comm_->commEvent() == SerialComm::Received)
            reads_ << comm_->input();
    });
}

void SerialCommTest::cleanup() {
    comm_.reset();
    radio_.reset();
    qunsetenv("TOVRAN_COM1");
    qunsetenv("TOVRAN_COM2");
}

void SerialCommTest::replyInTwoPiecesMakesOneEvent() {
    const QByteArray report = "IF00014195000000000000000005020000000;";
    comm_->setRThreshold(38);
    radio_->sendStray(report.left(20));
    QTest::qWait(100);
    QVERIFY(reads_.isEmpty());
    radio_->sendStray(report.mid(20));
    QVERIFY(QTest::qWaitFor([&] { return !reads_.isEmpty(); }, 3000));
    QTest::qWait(50);
    QCOMPARE(reads_, QList<QByteArray>{report});
    QVERIFY(comm_->input().isEmpty());
}

void SerialCommTest::identificationByteByByteMakesOneEvent() {
    comm_->setRThreshold(1);
    for (char c : QByteArray("ID004;")) comm_->deliver(QByteArray(1, c));
    QCOMPARE(reads_, QList<QByteArray>{"ID004;"});

    // And the same through the line, written a character at a time.
    reads_.clear();
    for (char c : QByteArray("ID001;")) radio_->sendStray(QByteArray(1, c));
    QVERIFY(QTest::qWaitFor([&] { return !reads_.isEmpty(); }, 3000));
    QTest::qWait(50);
    QCOMPARE(reads_.join(), QByteArray("ID001;"));
}

void SerialCommTest::identificationWithoutSemicolonWaitsForAQuietLine() {
    comm_->setRThreshold(1);
    comm_->deliver("ID0");
    QVERIFY(reads_.isEmpty());
    QVERIFY(QTest::qWaitFor([&] { return !reads_.isEmpty(); }, 1000));
    QCOMPARE(reads_, QList<QByteArray>{"ID0"});
}

void SerialCommTest::writesExactlyTheCommandsBytes() {
    radio_->setPoweredOn(true);
    comm_->output("IF;");
    QVERIFY(QTest::qWaitFor([&] { return radio_->receivedBytes().size() >= 3; }, 3000));
    QTest::qWait(50);
    QCOMPARE(radio_->receivedBytes(), QByteArray("IF;"));
}

void SerialCommTest::fullBufferKeepsItsSizeAndSaysSo() {
    comm_->setRThreshold(2000);  // nothing reads while the noise comes in
    QSignalSpy spy(comm_.get(), &SerialComm::onComm);
    comm_->deliver(QByteArray(SerialComm::kReceiveBufferSize + 100, 'x'));
    QCOMPARE(comm_->commEvent(), int(SerialComm::ReceiveOverflow));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(comm_->input().size(), SerialComm::kReceiveBufferSize);
}

void SerialCommTest::missingDeviceDoesNotOpen() {
    qputenv("TOVRAN_COM2", "/nonexistent/ttyUSB9");
    SerialComm comm;
    comm.setCommPort(2);
    QVERIFY(!comm.open());
    QVERIFY(!comm.isOpen());
    comm.output("IF;");  // ignored, and no harm done
}

void SerialCommTest::portNumbersNameDevices() {
    qunsetenv("TOVRAN_COM1");
    qunsetenv("TOVRAN_COM2");
    QCOMPARE(serialDeviceForPort(1), QStringLiteral("/dev/ttyS0"));
    QCOMPARE(serialDeviceForPort(2), QStringLiteral("/dev/ttyS1"));
    qputenv("TOVRAN_COM2", "/dev/ttyUSB0");
    QCOMPARE(serialDeviceForPort(2), QStringLiteral("/dev/ttyUSB0"));
    QCOMPARE(serialDeviceForPort(1), QStringLiteral("/dev/ttyS0"));
}

QTEST_GUILESS_MAIN(SerialCommTest)
#include "tst_serialcomm.moc"
