#pragma once

#include "Line.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>

#include <chrono>
#include <deque>

class PseudoTerminal;
class QTimer;

// The serial cable between panel and radio. Unpaced, bytes go through at once. Paced, it runs
// at the radio's real speed: every character takes its time on the wire, both ways, on a clock
// of absolute times so that a long exchange does not drift.
class SerialLine : public QObject {
    Q_OBJECT

public:
    using Time = std::chrono::nanoseconds;  // since the line was made

    SerialLine(PseudoTerminal* terminal, QObject* parent = nullptr);

    void setPaced(bool paced) { paced_ = paced; }
    // The radio's speed: what a character of it takes on the wire.
    void setBaud(int baud);
    int baud() const { return baud_; }
    // The time on the clock of the line.
    Time now() const { return Time(clock_.nsecsElapsed()); }

    // When the character just read has fully arrived: one character time after the one before
    // it, or after it was read if the line was idle.
    Time characterArrived();
    // Puts `bytes` on the line once it is free and no earlier than `notBefore`. When the last
    // of them is out, `sent(message)` is emitted, unless `message` is empty. The radio's
    // characters may reach the panel as other bytes, more or fewer (a line whose two ends
    // disagree): `wireCharacters` is how many the radio sent, and sets the time they take.
    void send(const QByteArray& bytes, Time notBefore, const QByteArray& message = {},
              qsizetype wireCharacters = -1);
    // When the last character queued so far will be out.
    Time busyUntil() const { return busyUntil_; }
    // Something is still waiting to go out.
    bool isBusy() const { return !queue_.empty(); }
    // Forgets everything not yet sent.
    void discard();

signals:
    void sent(const QByteArray& message);

private:
    struct Piece {
        QByteArray bytes;
        Time due;
        QByteArray message;
    };

    void flush();

    PseudoTerminal* terminal_;
    QTimer* timer_;
    QElapsedTimer clock_;
    bool paced_ = false;
    int baud_ = Line::kBaud;
    Time characterTime_ = Line::characterTime();
    Time receivedUntil_{};
    Time busyUntil_{};
    std::deque<Piece> queue_;
};
