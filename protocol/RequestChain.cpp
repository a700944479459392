#include "RequestChain.h"

RequestChain::RequestChain(Write write, DiscardInput discardInput, QObject* parent)
    : QObject(parent), write_(std::move(write)), discardInput_(std::move(discardInput)) {
    replyTimer_.setSingleShot(true);
    replyTimer_.setInterval(kReplyTimeout);
    settleTimer_.setSingleShot(true);
    settleTimer_.setInterval(kSettleAfterRepeat);
    silenceTimer_.setSingleShot(true);
    silenceTimer_.setInterval(kSilenceTimeout);
    connect(&replyTimer_, &QTimer::timeout, this, &RequestChain::repeat);
    connect(&settleTimer_, &QTimer::timeout, this, &RequestChain::settled);
    connect(&silenceTimer_, &QTimer::timeout, this, &RequestChain::fellSilent);
}

void RequestChain::request(const QByteArray& command) {
    pending_ = command;
    if (settleTimer_.isActive())
        return;  // settled() sends it
    send(command);
}

bool RequestChain::takeReplyTo(QByteArrayView request) {
    if (!awaiting_ || !pending_.startsWith(request))
        return false;
    awaiting_ = false;
    replyTimer_.stop();
    silenceTimer_.start();
    setAnswering(true);
    if (repeated_) {
        repeated_ = false;
        pending_.clear();
        settleTimer_.start();
    }
    return true;
}

void RequestChain::send(const QByteArray& command) {
    pending_ = command;
    awaiting_ = true;
    write_(command);
    replyTimer_.start();
    if (!silenceTimer_.isActive())
        silenceTimer_.start();
}

void RequestChain::repeat() {
    discardInput_();
    repeated_ = true;
    emit repeating();
    write_(pending_);
    replyTimer_.start();
}

void RequestChain::settled() {
    discardInput_();
    if (!pending_.isEmpty())
        send(pending_);
}

void RequestChain::fellSilent() {
    setAnswering(false);
}

void RequestChain::setAnswering(bool answering) {
    if (answering == answering_)
        return;
    answering_ = answering;
    emit answeringChanged(answering);
}
