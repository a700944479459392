#include "SerialLine.h"

#include "PseudoTerminal.h"

#include <QTimer>

#include <algorithm>

namespace {

using namespace std::chrono_literals;

// A QTimer counts whole milliseconds: a character due within half of one goes out now, so the
// rounding errs as often early as late and averages out over an exchange.
constexpr SerialLine::Time kTimerSlack = 500us;

}  // namespace

SerialLine::SerialLine(PseudoTerminal* terminal, QObject* parent)
    : QObject(parent), terminal_(terminal), timer_(new QTimer(this)) {
    timer_->setSingleShot(true);
    timer_->setTimerType(Qt::PreciseTimer);
    connect(timer_, &QTimer::timeout, this, &SerialLine::flush);
    clock_.start();
}

void SerialLine::setBaud(int baud) {
    baud_ = baud;
    characterTime_ = Line::characterTime(baud);
}

SerialLine::Time SerialLine::characterArrived() {
    if (!paced_)
        return now();
    receivedUntil_ = std::max(receivedUntil_, now()) + characterTime_;
    return receivedUntil_;
}

void SerialLine::send(const QByteArray& bytes, Time notBefore, const QByteArray& message,
                      qsizetype wireCharacters) {
    if (wireCharacters < 0)
        wireCharacters = bytes.size();
    if (wireCharacters == 0)
        return;
    const Time start = std::max(notBefore, busyUntil_);
    const Time onWire = paced_ ? Time(characterTime_ * wireCharacters) : Time{};
    if (paced_) {
        // Each byte read is due when the wire has carried its share of the characters.
        for (qsizetype i = 0; i < bytes.size(); ++i)
            queue_.push_back(
                {QByteArray(1, bytes[i]), start + onWire * (i + 1) / bytes.size(), {}});
    }
    if (!paced_ || bytes.isEmpty())
        queue_.push_back({bytes, start + onWire, {}});
    queue_.back().message = message;
    busyUntil_ = start + onWire;
    flush();
}

void SerialLine::discard() {
    queue_.clear();
    timer_->stop();
    busyUntil_ = now();
}

// Writes what is due and sets the timer for the next piece. A late timer makes the overdue
// pieces go out together; the times after them stay where they were.
void SerialLine::flush() {
    while (!queue_.empty() && queue_.front().due <= now() + kTimerSlack) {
        const Piece piece = std::move(queue_.front());
        queue_.pop_front();
        terminal_->write(piece.bytes);
        if (!piece.message.isEmpty())
            emit sent(piece.message);
    }
    if (queue_.empty())
        return;
    const auto wait = std::chrono::round<std::chrono::milliseconds>(queue_.front().due - now());
    timer_->start(std::max(wait, 0ms));
}
