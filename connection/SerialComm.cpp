#include "SerialComm.h"

#include "Line.h"
#include "PortDiagnosis.h"
#include "SerialDevice.h"

#include <QFile>
#include <QLoggingCategory>
#include <QSignalBlocker>
#include <QTime>

#include <thread>

#if defined(Q_OS_UNIX)
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#elif defined(Q_OS_WIN)
#include <windows.h>
#endif

namespace {
// How often closing looks whether the driver's queue has emptied.
constexpr std::chrono::milliseconds kDrainLook{1};

// The line's trace: the first thing to ask for when a radio misbehaves. Off unless asked for.
Q_LOGGING_CATEGORY(lineTrace, "tovran.line", QtInfoMsg)

// Wall-clock time, to set the trace beside a client's own log.
QByteArray now() {
    return QTime::currentTime().toString(u"hh:mm:ss.zzz").toLatin1();
}

bool mayReadAndWrite(const QString& device) {
#if defined(Q_OS_UNIX)
    return ::access(QFile::encodeName(device).constData(), R_OK | W_OK) == 0;
#else
    Q_UNUSED(device);
    return true;  // Windows refuses a COM port only while another program holds it
#endif
}
}  // namespace

SerialComm::SerialComm(QObject* parent) : QObject(parent), port_(this), baud_(Line::kBaud) {
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
    device_ = serialDeviceForPort(commPort_);
    port_.setPortName(device_);
    port_.setBaudRate(baud_);
    port_.setDataBits(QSerialPort::Data8);
    port_.setParity(QSerialPort::NoParity);
    port_.setStopBits(QSerialPort::TwoStop);
    port_.setFlowControl(QSerialPort::NoFlowControl);
}

bool SerialComm::open() {
    configure();
    if (device_.isEmpty() || !port_.open(QIODevice::ReadWrite))
        return false;
    // Interfaces wired for hardware handshake only send while they see RTS up. Pseudo-
    // terminals have no modem lines; the failure to raise them there is harmless.
    port_.setDataTerminalReady(true);
    port_.setRequestToSend(true);
    port_.clearError();
    qCDebug(lineTrace).nospace().noquote() << now() << " == " << device_ << " open";
    return true;
}

QString SerialComm::openFailure() const {
    if (device_.isEmpty())
        return describeOpenFailure(PortProblem::NoDevice, commPort_, device_, {});
    const PortProblem problem = classifyOpenFailure(port_.error(), mayReadAndWrite(device_));
    return describeOpenFailure(problem, commPort_, device_, port_.errorString());
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
        const QDeadlineTimer deadline(std::chrono::ceil<std::chrono::milliseconds>(
                                          Line::characterTime(baud_) * port_.bytesToWrite()) +
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

bool SerialComm::drainWhenEmpty(const std::function<std::optional<qint64>()>& queued,
                                const std::function<void()>& drain, QDeadlineTimer deadline) {
    for (;;) {
        const std::optional<qint64> left = queued();
        if (!left)
            return false;
        if (*left == 0) {
            drain();
            return true;
        }
        if (deadline.hasExpired())
            return false;
        std::this_thread::sleep_for(kDrainLook);
    }
}

void SerialComm::drainLine(QDeadlineTimer deadline) {
#if defined(Q_OS_UNIX)
    const int fd = int(port_.handle());
    const auto queued = [fd]() -> std::optional<qint64> {
        int bytes = 0;
        if (ioctl(fd, TIOCOUTQ, &bytes) != 0)
            return std::nullopt;
        return bytes;
    };
    drainWhenEmpty(
        queued, [fd] { tcdrain(fd); }, deadline);
#elif defined(Q_OS_WIN)
    const HANDLE handle = port_.handle();
    const auto queued = [handle]() -> std::optional<qint64> {
        COMSTAT state{};
        DWORD errors = 0;
        if (!ClearCommError(handle, &errors, &state))
            return std::nullopt;
        return qint64(state.cbOutQue);
    };
    drainWhenEmpty(
        queued, [handle] { FlushFileBuffers(handle); }, deadline);
#else
    Q_UNUSED(deadline);
#endif
}

void SerialComm::output(const QByteArray& bytes) {
    if (!port_.isOpen())
        return;
    qCDebug(lineTrace).nospace() << now().constData() << " -> " << bytes;
    port_.write(bytes);
}

QByteArray SerialComm::input() {
    quietTimer_.stop();
    return std::exchange(buffer_, QByteArray());
}

void SerialComm::discardInput() {
    if (port_.isOpen())
        port_.clear(QSerialPort::Input);
    quietTimer_.stop();
    buffer_.clear();
}

void SerialComm::setBaud(int baud) {
    baud_ = baud;
    if (port_.isOpen())
        port_.setBaudRate(baud);
    discardInput();
    qCDebug(lineTrace).nospace().noquote() << now() << " == " << baud << " baud";
}

std::optional<bool> SerialComm::clearToSend() {
    const std::optional<QSerialPort::PinoutSignals> lines =
        pinoutReader_ ? pinoutReader_() : portPinout();
    if (!lines)
        return std::nullopt;
    return lines->testFlag(QSerialPort::ClearToSendSignal);
}

// A device without modem lines (a pseudo-terminal) makes the read fail: that tells nothing.
std::optional<QSerialPort::PinoutSignals> SerialComm::portPinout() {
    if (!port_.isOpen())
        return std::nullopt;
    const QSerialPort::PinoutSignals lines = port_.pinoutSignals();
    if (port_.error() == QSerialPort::NoError)
        return lines;
    port_.clearError();
    return std::nullopt;
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
    const QByteArray bytes = port_.readAll();
    qCDebug(lineTrace).nospace() << now().constData() << " <- " << bytes;
    deliver(bytes);
}

void SerialComm::lineWentQuiet() {
    if (!buffer_.isEmpty() && buffer_.size() >= threshold_)
        raise(Received);
}

void SerialComm::handleError(QSerialPort::SerialPortError error) {
    // A device that vanishes (an unplugged USB adapter, a closed pseudo-terminal) reports a
    // resource error, or read errors on every turn of the event loop. A write the system
    // refused leaves the radio without the command and the request chain waiting: the line is
    // no more to be trusted than a vanished one. Close it and look for it again until it opens.
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError &&
        error != QSerialPort::WriteError)
        return;
    if (!port_.isOpen())
        return;
    qCDebug(lineTrace).nospace().noquote()
        << now() << " == " << device_ << " lost: " << port_.errorString();
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
