// The serial component as the panel relies on it: the radio's line settings, a bounded receive
// buffer, every byte out before the port closes. Its cutting into replies: tst_receive.

#include "SerialComm.h"
#include "SerialDevice.h"
#include "VirtualRadio.h"

#include <QTest>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {
// Closing, seen from inside: the line is drained while the port is still open, in time.
class WatchedComm : public SerialComm {
public:
    QList<bool> drainedWhileOpen;
    qint64 drainBudgetMs = -1;

protected:
    void drainLine(QDeadlineTimer deadline) override {
        drainedWhileOpen << isOpen();
        drainBudgetMs = deadline.remainingTime();
        SerialComm::drainLine(deadline);
    }
};
}  // namespace

class SerialCommTest : public QObject {
    Q_OBJECT

    std::unique_ptr<VirtualRadio> radio_;
    std::unique_ptr<WatchedComm> comm_;

private slots:
    void init() {
        comm_.reset();
        radio_ = std::make_unique<VirtualRadio>();
        QVERIFY(radio_->open());
        qputenv("TOVRAN_COM1", radio_->devicePath().toLocal8Bit());
        comm_ = std::make_unique<WatchedComm>();
        QVERIFY(comm_->open());
    }
    // Read back from the terminal the port is open on, as a real port would be set.
    void lineIs4800Baud8N2WithoutFlowControl() {
        const int fd = ::open(radio_->devicePath().toLocal8Bit().constData(), O_RDONLY | O_NOCTTY);
        termios line{};
        QVERIFY(fd >= 0 && tcgetattr(fd, &line) == 0);
        ::close(fd);
        QCOMPARE(cfgetospeed(&line), speed_t(B4800));
        QCOMPARE(cfgetispeed(&line), speed_t(B4800));
        QCOMPARE(line.c_cflag & CSIZE, tcflag_t(CS8));
        QCOMPARE(line.c_cflag & (PARENB | CSTOPB | CRTSCTS), tcflag_t(CSTOPB));
        QCOMPARE(line.c_iflag & (IXON | IXOFF), tcflag_t(0));
    }
    // The last "RX;" must leave before the port's old settings come back at the close.
    void closingSendsEverythingFirst() {
        comm_->output("IF;");
        comm_->output("RX;");
        comm_->close();
        QCOMPARE(comm_->drainedWhileOpen, QList<bool>{true});
        // Six characters take 14 ms on the line; closing waits no longer than a margin more.
        QVERIFY(comm_->drainBudgetMs > 100 && comm_->drainBudgetMs < 150);
        QVERIFY(QTest::qWaitFor([&] { return radio_->receivedBytes().size() >= 6; }, 3000));
        QTest::qWait(50);
        QCOMPARE(radio_->receivedBytes(), QByteArray("IF;RX;"));
    }
    void fullBufferKeepsItsSizeAndSaysSo() {
        comm_->setRThreshold(2000);  // nothing reads while the noise comes in
        comm_->deliver(QByteArray(SerialComm::kReceiveBufferSize + 100, 'x'));
        QCOMPARE(comm_->commEvent(), int(SerialComm::ReceiveOverflow));
        QCOMPARE(comm_->input().size(), SerialComm::kReceiveBufferSize);
    }
    void portsNameDevices() {
        qunsetenv("TOVRAN_COM1");
        QCOMPARE(serialDeviceForPort(1) + serialDeviceForPort(2), "/dev/ttyS0/dev/ttyS1");
    }
};

QTEST_GUILESS_MAIN(SerialCommTest)
#include "tst_serialcomm.moc"
