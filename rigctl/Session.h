#pragma once

#include "Answers.h"
#include "Requests.h"
#include "SharedRadio.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <map>

// One client's conversation, without the socket: bytes in, answers out, in the order asked.
// A set is answered once it has gone out to the radio, or with the time-out error of a radio
// that does not answer if it will not go out. A read that follows a set waits for a status
// report requested after the set went out, so that the client reads what the radio now holds
// (WSJT-X sets a frequency and reads it back to learn the radio's resolution); so does a read
// while the reports are overdue.
class Session : public QObject {
    Q_OBJECT

public:
    // rigctld reads commands of at most 512 characters; a line twice as long is no client's.
    static constexpr qsizetype kLongestLine = 1024;
    // The report a read waits for comes two status round trips (0.2 s) after the set; a
    // repeated request (1 s) and the line's settling (0.3 s) fit too. Past that the radio is
    // not answering, and the read says so; a set that waited as long is dropped.
    static constexpr std::chrono::milliseconds kFreshReportWait{1500};
    // Answers are made this much at a time; the connection makes more once they are sent, so
    // that a client that asks without reading holds little (\dump_caps, the longest, is 3 KiB).
    static constexpr qsizetype kAnswersAtOnce = 16 * 1024;

    explicit Session(SharedRadio& radio, QObject* parent = nullptr);

    // Bytes from the client; the answers they call for now are ready with takeAnswers().
    void receive(QByteArrayView bytes);
    QByteArray takeAnswers();
    // Answers more of what was received, once the answers taken have been sent.
    void resume();
    // The client quit, or sent what no client sends (binary noise, an endless line).
    bool isClosing() const { return closing_; }
    // A read waits for a fresh report, or a set for its turn on the line: what follows waits.
    bool isWaiting() const { return readWaits_ || !held_.isEmpty(); }
    // Whole request lines received and not yet answered.
    bool hasUnanswered() const { return !requests_.isEmpty() || unread_.contains('\n'); }
    // The client has the transmitter keyed.
    bool hasKeyed() const { return radio_.isKeyedBy(client_); }

    // No fresh report in time, or the radio fell silent and its sets were dropped: what waits
    // is answered with an error, its sets are withdrawn, and the rest goes on.
    void stopWaiting();
    // The client is gone; a transmitter it keyed goes back to receive.
    void end();

signals:
    // Answers became ready without receive(): a report came, a set went out or was dropped,
    // a wait ended.
    void answersReady();

private:
    // The sets of a request still waiting for their turn on the line, by their numbers.
    using Unwritten = std::map<SharedRadio::SetKind, quint64>;
    using Sets = QList<std::pair<SharedRadio::SetKind, quint64>>;
    // An answer that waits for its sets to go out; ready once none is left.
    struct Held {
        QByteArray answer;
        QByteArray timedOut;
        Unwritten unwritten;
    };

    void setWritten(SharedRadio::SetKind kind, quint64 first, quint64 last, quint64 reportsBefore);
    void setDropped(SharedRadio::SetKind kind, quint64 first, quint64 last);
    void reported();
    // The request will not be carried out: it is answered with the error, and the sets it
    // still has waiting are to be withdrawn.
    void fail(Held& held, Sets& withdrawn);
    void withdraw(const Sets& sets);
    void settle();
    void run();
    bool takeLine();
    void release();
    Held answer(const Rigctl::Request& request);
    Rigctl::Outcome set(const Rigctl::Request& request, Held& held);
    Rigctl::Outcome local(const Rigctl::Request& request);
    bool mustWait() const;

    SharedRadio& radio_;
    const quint64 client_;
    QTimer wait_;
    QByteArray unread_;
    QList<Rigctl::Request> requests_;  // of the line being answered
    QList<Held> held_;
    QByteArray answers_;
    bool closing_ = false;
    bool readWaits_ = false;
    bool running_ = false;
    bool modeLocked_ = false;
    quint64 freshFrom_ = 0;  // reads wait for this many reports
};
