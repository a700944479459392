#pragma once

#include <QByteArray>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>

// The conversation with the radio is a chain of single requests (ID;, MR00nn;, IF;), each
// sent by the handling of the previous reply. The chain keeps exactly one request outstanding
// and repeats it when its reply does not come, so a radio switched on late, switched off and
// on, or a garbled reply costs a time-out instead of the rest of the session.
class RequestChain : public QObject {
    Q_OBJECT

public:
    // A status reply takes under 0.1 s on the line; a second is plainly a lost request.
    static constexpr std::chrono::milliseconds kReplyTimeout{1000};
    // After a repeat, the reply to the first request may still come in behind the one we took;
    // the line is left to go quiet this long before the next request.
    static constexpr std::chrono::milliseconds kSettleAfterRepeat{300};
    // Three repeats gone unanswered: the radio is off or its line is down, not merely slow.
    static constexpr std::chrono::milliseconds kSilenceTimeout{3000};

    using Write = std::function<void(const QByteArray&)>;
    using DiscardInput = std::function<void()>;

    RequestChain(Write write, DiscardInput discardInput, QObject* parent = nullptr);

    // Sends the next request of the chain (or holds it while the line settles).
    void request(const QByteArray& command);

    // A reply to the request outstanding has arrived, if that request begins with `request`
    // ("ID", "IF", "MR0042;"). False otherwise: the text then answers nothing and is dropped.
    bool takeReplyTo(QByteArrayView request);

    QByteArray outstanding() const { return awaiting_ ? pending_ : QByteArray(); }

    // A reply has been taken within the last kSilenceTimeout.
    bool radioAnswers() const { return answering_; }

signals:
    // The request outstanding is about to go out again: what the radio needs to hear before it
    // is asked once more goes out now.
    void repeating();
    void answeringChanged(bool answering);

private:
    void send(const QByteArray& command);
    void repeat();
    void settled();
    void fellSilent();
    void setAnswering(bool answering);

    Write write_;
    DiscardInput discardInput_;
    QTimer replyTimer_;
    QTimer settleTimer_;
    QTimer silenceTimer_;
    QByteArray pending_;
    bool awaiting_ = false;
    bool repeated_ = false;
    bool answering_ = false;
};
