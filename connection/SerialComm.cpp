#include "SerialComm.h"

#include "SerialDevice.h"

#include <QSignalBlocker>

#include <thread>

#if defined(Q_OS_UNIX)
#include <sys/ioctl.h>
#include <termios.h>
#elif defined(Q_OS_WIN)
#include <windows.h>
#endif

namespace {
// How often closing looks whether the driver's queue has emptied.
constexpr std::chrono::milliseconds kDrainLook{1};
}  // namespace

SerialComm::SerialComm(QObject* parent) : QObject(parent), port_(this) {
    quietTimer_.setSingleShot(true);
    quietTimer_.setInterval(kQuietGap);
    quietTimer_.setTimerType(Qt::PreciseTimer);
    reopenTimer_.setInterval(kReopenInterval);

    connect(&port_, &QSerialPort::readyRead, this, &SerialComm::readLine);
    connect(&port_, &QSerialPort::errorOccurred, this, &SerialComm::handleError);
    connect(&quietTimer_, &QTimer::timeout, this, &SerialComm::lineWentQuiet);
    connect(&reopenTimer_, &QTimer::timeout, this, &SerialComm::tryReopen);
}

void SerialComm::configure() {
    port_.setPortName(serialDeviceForPort(commPort_));
    port_.setBaudRate(QSerialPort::Baud4800);
    port_.setDataBits(QSerialPort::Data8);
    port_.setParity(QSerialPort::NoParity);
    port_.setStopBits(QSerialPort::TwoStop);
    port_.setFlowControl(QSerialPort::NoFlowControl);
}

bool SerialComm::open() {
    configure();
    if (!port_.open(QIODevice::ReadWrite))
        return false;
    // Interfaces wired for hardware handshake only send while they see RTS up. Pseudo-
    // terminals have no modem lines; the failure to raise them there is harmless.
    port_.setDataTerminalReady(true);
    port_.setRequestToSend(true);
    port_.clearError();
    return true;
}

void SerialComm::close() {
    reopenTimer_.stop();
    quietTimer_.stop();
    if (port_.isOpen()) {
        // waitForBytesWritten() reads as it waits: a reply decoded now would put a new request
        // on the line behind the last command, so what comes in from here on is left unread.
        const QSignalBlocker unheard(port_);
        // A last command (the panel's "RX;" on its way out) must reach the radio before the
        // port is closed and its previous settings come back, which would garble it.
        const QDeadlineTimer deadline(
            std::chrono::ceil<std::chrono::milliseconds>(kCharacterTime * port_.bytesToWrite()) +
                kDrainMargin,
            Qt::PreciseTimer);
        while (port_.bytesToWrite() > 0 && !deadline.hasExpired()) {
            if (!port_.waitForBytesWritten(int(deadline.remainingTime())))
                break;
        }
        drainLine(deadline);
    }
    port_.close();
}

// tcdrain() and FlushFileBuffers() wait without a time-out, for ever on a wedged adapter:
// the driver's queue is watched up to the deadline, and they only see to the last characters
// in the chip once it has emptied.
void SerialComm::drainLine(QDeadlineTimer deadline) {
#if defined(Q_OS_UNIX)
    const int fd = int(port_.handle());
    int queued = 0;
    while (ioctl(fd, TIOCOUTQ, &queued) == 0 && queued > 0 && !deadline.hasExpired())
        std::this_thread::sleep_for(kDrainLook);
    if (queued == 0)
        tcdrain(fd);
#elif defined(Q_OS_WIN)
    const HANDLE handle = port_.handle();
    COMSTAT state{};
    DWORD errors = 0;
    while (ClearCommError(handle, &errors, &state) && state.cbOutQue > 0 && !deadline.hasExpired())
        std::this_thread::sleep_for(kDrainLook);
    if (state.cbOutQue == 0)
        FlushFileBuffers(handle);
#else
    Q_UNUSED(deadline);
#endif
}

void SerialComm::output(const QByteArray& bytes) {
    if (port_.isOpen())
        port_.write(bytes);
}

QByteArray SerialComm::input() {
    quietTimer_.stop();
    return std::exchange(buffer_, QByteArray());
}

void SerialComm::deliver(const QByteArray& bytes) {
    const qsizetype room = kReceiveBufferSize - buffer_.size();
    buffer_ += bytes.left(room);
    if (bytes.size() > room)
        raise(ReceiveOverflow);
    if (buffer_.size() < threshold_)
        return;
    // Waiting for the identification with a threshold of one character, the first byte
    // must not make an event of its own: wait for the ";" or for the line to go quiet.
    if (threshold_ > 1 || buffer_.contains(';')) {
        quietTimer_.stop();
        raise(Received);
    } else {
        quietTimer_.start();
    }
}

void SerialComm::readLine() {
    deliver(port_.readAll());
}

void SerialComm::lineWentQuiet() {
    if (!buffer_.isEmpty() && buffer_.size() >= threshold_)
        raise(Received);
}

void SerialComm::handleError(QSerialPort::SerialPortError error) {
    // A device that vanishes (an unplugged USB adapter, a closed pseudo-terminal) reports a
    // resource error, or read errors on every turn of the event loop. Close it and look for
    // it again until it comes back.
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError)
        return;
    if (!port_.isOpen())
        return;
    port_.close();
    quietTimer_.stop();
    reopenTimer_.start();
    emit linkLost();
}

void SerialComm::tryReopen() {
    if (!open())
        return;
    reopenTimer_.stop();
    emit linkRestored();
}

void SerialComm::raise(Event event) {
    event_ = event;
    emit onComm();
}
