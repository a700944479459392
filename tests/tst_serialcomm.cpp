// The serial component as the panel relies on it: the radio's line settings, a bounded receive
// buffer, every byte out before the port closes, a failed write noticed, the trace of the line.
// Its cutting into replies: tst_receive.

#include "SerialComm.h"
#include "SerialDevice.h"
#include "VirtualRadio.h"

#include <QLoggingCategory>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {
QStringList traced;  // what the line's trace said

void keepTrace(QtMsgType, const QMessageLogContext& context, const QString& message) {
    if (QByteArrayView(context.category) == "tovran.line")
        traced << message;
}

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

    void drainOnlyAfterAnEmptyQueue_data() {
        QTest::addColumn<QList<int>>("looks");  // bytes queued at each look; -1: the look fails
        QTest::addColumn<bool>("drained");
        QTest::newRow("empty at once") << QList<int>{0} << true;
        QTest::newRow("emptied while watched") << QList<int>{12, 3, 0} << true;
        QTest::newRow("first look fails") << QList<int>{-1} << false;
        QTest::newRow("a later look fails") << QList<int>{12, -1} << false;
        QTest::newRow("never empties before the deadline") << QList<int>{5} << false;
    }
    void drainOnlyAfterAnEmptyQueue() {
        QFETCH(QList<int>, looks);
        int drains = 0;
        const auto queued = [&]() -> std::optional<qint64> {
            const int bytes = looks.size() > 1 ? looks.takeFirst() : looks.first();
            return bytes < 0 ? std::nullopt : std::optional<qint64>(bytes);
        };
        QFETCH(bool, drained);
        QCOMPARE(SerialComm::drainWhenEmpty(
                     queued, [&] { ++drains; }, QDeadlineTimer(50)),
                 drained);
        QCOMPARE(drains, drained ? 1 : 0);
    }

    // A failed write is a lost link, looked for again; errors the line survives are not.
    void failedWriteLosesTheLink_data() {
        QTest::addColumn<QSerialPort::SerialPortError>("error");
        QTest::addColumn<bool>("lost");
        QTest::newRow("write failed") << QSerialPort::WriteError << true;
        QTest::newRow("modem lines not settable")
            << QSerialPort::UnsupportedOperationError << false;
    }
    void failedWriteLosesTheLink() {
        QSignalSpy losses(comm_.get(), &SerialComm::linkLost);
        QSignalSpy restored(comm_.get(), &SerialComm::linkRestored);
        QFETCH(QSerialPort::SerialPortError, error);
        emit comm_->findChild<QSerialPort*>()->errorOccurred(error);
        QFETCH(bool, lost);
        QCOMPARE(losses.size(), lost ? 1 : 0);
        QCOMPARE(comm_->isOpen(), !lost);
        comm_->output("IF;");
        if (lost)
            QTest::qWait(100);  // a lost line sends nothing, now or later
        else
            QVERIFY(QTest::qWaitFor([&] { return !radio_->receivedBytes().isEmpty(); }, 5000));
        QCOMPARE(radio_->receivedBytes(), lost ? "" : "IF;");
        QVERIFY(!lost || restored.wait(3 * SerialComm::kReopenInterval.count()));
        QVERIFY(comm_->isOpen());
    }

    // Off unless asked for; then every command and reply, timestamped.
    void lineTrace() {
        traced.clear();
        const QtMessageHandler previous = qInstallMessageHandler(keepTrace);
        comm_->setRThreshold(6);
        const auto identify = [&] {
            QSignalSpy received(comm_.get(), &SerialComm::onComm);
            comm_->output("ID;");
            QVERIFY(received.wait());
            QCOMPARE(comm_->input(), "ID004;");
        };
        identify();
        QCOMPARE(traced, QStringList());
        QLoggingCategory::setFilterRules("tovran.line=true");
        identify();
        QLoggingCategory::setFilterRules({});
        qInstallMessageHandler(previous);
        const QRegularExpression line(R"re(^\d\d:\d\d:\d\d\.\d\d\d (->|<-) "(.*)"$)re");
        QStringList said;
        for (const QString& message : traced) {
            const QRegularExpressionMatch match = line.match(message);
            QVERIFY2(match.hasMatch(), qPrintable(message));
            said << match.captured(1) + match.captured(2);
        }
        QCOMPARE(said.value(0), "->ID;");
        QCOMPARE(said.mid(1).join(QString()).remove("<-"), "ID004;");
    }
};

QTEST_GUILESS_MAIN(SerialCommTest)
#include "tst_serialcomm.moc"
