#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QObject>
#include <QSerialPort>
#include <QTimer>

#include "Line.h"

#include <chrono>
#include <functional>
#include <optional>

// The panel's serial component. It buffers what the radio sends and raises onComm() when the
// buffer holds at least the receive threshold, so that one event carries one whole reply
// however the bytes were cut up on their way. Nothing here blocks: QSerialPort reports on the
// event loop. The component never shows anything; the window decides what the operator sees.
// With QT_LOGGING_RULES="tovran.line=true" it traces every command and reply, timestamped.
class SerialComm : public QObject {
    Q_OBJECT

public:
    // Event codes, numbered as the radio-control programs of old numbered them.
    enum Event : int {
        NoEvent = 0,
        Received = 2,            // the receive buffer holds at least the threshold
        ReceiveOverflow = 1008,  // the buffer was full and characters were lost
    };

    // A reply is 38 characters at most; this leaves room for noise without growing forever.
    static constexpr qsizetype kReceiveBufferSize = 1024;
    // While identifying, an answer without its ";" has ended when the line has been quiet this
    // long: longer than the gaps a USB adapter leaves between its packets (its latency timer,
    // 16 ms by default, much more on a loaded machine), shorter than a reply time-out.
    static constexpr std::chrono::milliseconds kQuietGap{150};
    // What closing allows beyond the characters still to go: the last "RX;" must leave before
    // the port's old settings come back.
    static constexpr std::chrono::milliseconds kDrainMargin{100};
    // A USB adapter that vanished is looked for again this often.
    static constexpr std::chrono::milliseconds kReopenInterval{1000};

    explicit SerialComm(QObject* parent = nullptr);

    void setCommPort(int port) { commPort_ = port; }

    // Opens the device of the current port at the line's speed, 8N2, and raises DTR and RTS.
    // False when it cannot be opened (missing, busy, no permission); openFailure() says why.
    bool open();
    // The speed, 4800 baud unless set; kept when the line is opened again. A change forgets
    // what was received at the other speed.
    void setBaud(int baud);
    int baud() const { return baud_; }
    // Why the last open() failed, for the operator: the port, the device, what to do about it.
    QString openFailure() const;
    // Waits, for no longer than the bytes' line time and a margin, until what was written has
    // left the port, then closes it.
    void close();
    bool isOpen() const { return port_.isOpen(); }

    // Sends the bytes as they are. Ignored while the line is down; a write the system reports
    // as failed loses the link.
    void output(const QByteArray& bytes);
    // Everything received and not yet read; empties the receive buffer.
    QByteArray input();
    // Forgets what the line holds: the receive buffer and what the system has not handed over
    // yet (an adapter keeps the tail of a reply made to a program that has gone).
    void discardInput();
    int commEvent() const { return event_; }
    void setRThreshold(int characters) { threshold_ = characters; }
    int rThreshold() const { return threshold_; }

    // Bytes as they come off the line: into the receive buffer, raising onComm() as due.
    void deliver(const QByteArray& bytes);

    // Whether the radio's side holds CTS up; nothing when the device has no modem lines to
    // read (a pseudo-terminal). The pinout signals come from the port unless a reader is set:
    // tests hand in the virtual radio's lines.
    using PinoutReader = std::function<std::optional<QSerialPort::PinoutSignals>()>;
    void setPinoutReader(PinoutReader reader) { pinoutReader_ = std::move(reader); }
    std::optional<bool> clearToSend();

    // Looks at the driver's output queue until it is empty, then has it drain the last
    // characters out of the chip (tcdrain, FlushFileBuffers: they wait without a time-out, for
    // ever on a wedged adapter). A look that fails, or the deadline, ends the wait without a
    // drain. True when it drained.
    static bool drainWhenEmpty(const std::function<std::optional<qint64>()>& queued,
                               const std::function<void()>& drain, QDeadlineTimer deadline);

signals:
    void onComm();
    void linkLost();
    void linkRestored();

protected:
    // Waits until the operating system has sent what it holds for the port, or the deadline.
    virtual void drainLine(QDeadlineTimer deadline);

private:
    void configure();
    void readLine();
    void handleError(QSerialPort::SerialPortError error);
    void lineWentQuiet();
    void tryReopen();
    void raise(Event event);
    std::optional<QSerialPort::PinoutSignals> portPinout();

    QSerialPort port_;
    QTimer quietTimer_;
    QTimer reopenTimer_;
    QByteArray buffer_;
    QString device_;  // the device behind commPort_ when it was last opened
    PinoutReader pinoutReader_;
    int commPort_ = 1;
    int baud_;
    int threshold_ = 1;
    int event_ = NoEvent;
};
