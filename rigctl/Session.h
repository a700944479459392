#pragma once

#include "Answers.h"
#include "Requests.h"
#include "SharedRadio.h"

#include <QByteArray>
#include <QList>

#include <chrono>
#include <map>

// One client's conversation, without the socket: bytes in, answers out, in the order asked.
// A read that follows a set waits for a status report requested after the set went out, so
// that the client reads what the radio now holds (WSJT-X sets a frequency and reads it back to
// learn the radio's resolution).
class Session {
public:
    // rigctld reads commands of at most 512 characters; a line twice as long is no client's.
    static constexpr qsizetype kLongestLine = 1024;
    // The report a read waits for comes two status round trips (0.2 s) after the set; a
    // repeated request (1 s) and the line's settling (0.3 s) fit too. Past that the radio is
    // not answering, and the read says so.
    static constexpr std::chrono::milliseconds kFreshReportWait{1500};

    explicit Session(SharedRadio& radio);

    // Bytes from the client; the answers they call for now are ready with takeAnswers().
    void receive(QByteArrayView bytes);
    QByteArray takeAnswers();
    // The client quit, or sent what no client sends (binary noise, an endless line).
    bool isClosing() const { return closing_; }
    // A read is waiting for a fresh report.
    bool isWaiting() const { return waiting_; }

    // From the shared radio.
    void setWritten(SharedRadio::SetKind kind, quint64 first, quint64 last, quint64 reportsBefore);
    void reported();
    // No fresh report in time, or the radio fell silent and its sets were dropped: the
    // waiting read answers an error and the rest goes on.
    void stopWaiting();
    // The client is gone; a transmitter it keyed goes back to receive.
    void end();

private:
    void run();
    QByteArray answer(const Rigctl::Request& request);
    Rigctl::Outcome set(const Rigctl::Request& request);
    Rigctl::Outcome local(const Rigctl::Request& request);
    bool mustWait() const;

    SharedRadio& radio_;
    QByteArray unread_;
    QList<Rigctl::Request> requests_;
    QByteArray answers_;
    bool closing_ = false;
    bool waiting_ = false;
    bool keyed_ = false;
    bool modeLocked_ = false;
    // The last set of each kind this client asked for and that has not gone out yet.
    std::map<SharedRadio::SetKind, quint64> unwritten_;
    quint64 freshFrom_ = 0;  // reads wait for this many reports
};
