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

    using Write = std::function<void(const QByteArray&)>;
    using DiscardInput = std::function<void()>;

    RequestChain(Write write, DiscardInput discardInput, QObject* parent = nullptr);

    // Sends the next request of the chain (or holds it while the line settles).
    void request(const QByteArray& command);

    // A reply to a request of this mnemonic ("ID", "MR", "IF") has arrived. False when no such
    // request is outstanding: the text then answers nothing and is to be dropped.
    bool takeReplyTo(QByteArrayView mnemonic);

    QByteArray outstanding() const { return awaiting_ ? pending_ : QByteArray(); }

private:
    void send(const QByteArray& command);
    void repeat();
    void settled();

    Write write_;
    DiscardInput discardInput_;
    QTimer replyTimer_;
    QTimer settleTimer_;
    QByteArray pending_;
    bool awaiting_ = false;
    bool repeated_ = false;
};
