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
    : QObject(parent), m_terminal(terminal), m_timer(new QTimer(this)) {
    m_timer->setSingleShot(true);
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, &SerialLine::flush);
    m_clock.start();
}

SerialLine::Time SerialLine::characterArrived() {
    if (!m_paced)
        return now();
    m_receivedUntil = std::max(m_receivedUntil, now()) + kCharacterTime;
    return m_receivedUntil;
}

void SerialLine::send(const QByteArray& bytes, Time notBefore, const QByteArray& message) {
    if (bytes.isEmpty())
        return;
    Time due = std::max(notBefore, m_busyUntil);
    if (m_paced) {
        for (char character : bytes) {
            due += kCharacterTime;
            m_queue.push_back({QByteArray(1, character), due, {}});
        }
    } else {
        m_queue.push_back({bytes, due, {}});
    }
    m_queue.back().message = message;
    m_busyUntil = due;
    flush();
}

void SerialLine::discard() {
    m_queue.clear();
    m_timer->stop();
    m_busyUntil = now();
}

// Writes what is due and sets the timer for the next piece. A late timer makes the overdue
// pieces go out together; the times after them stay where they were.
void SerialLine::flush() {
    while (!m_queue.empty() && m_queue.front().due <= now() + kTimerSlack) {
        const Piece piece = std::move(m_queue.front());
        m_queue.pop_front();
        m_terminal->write(piece.bytes);
        if (!piece.message.isEmpty())
            emit sent(piece.message);
    }
    if (m_queue.empty())
        return;
    const auto wait = std::chrono::round<std::chrono::milliseconds>(m_queue.front().due - now());
    m_timer->start(std::max(wait, 0ms));
}
