#include "Uart.h"

#include <algorithm>
#include <vector>

namespace {

// The receiver samples sixteen times a bit, as a 16550 does.
constexpr int kTicksPerBit = 16;
constexpr int kDataBits = 8;
// 8N2: a start bit, eight data bits, two stop bits.
constexpr int kFrameBits = 1 + kDataBits + 2;
// Idle line before and after the characters: long enough for a break to show at either speed.
constexpr int kIdleFrames = 2;

using Levels = std::vector<bool>;  // true is mark, one level per tick

// The radio's frames on the wire, in ticks of the receiver's clock.
Levels drive(QByteArrayView sent, const Uart::Wire& wire) {
    const int bitTicks = std::max(1, kTicksPerBit * wire.receiverBaud / wire.senderBaud);
    const int idleTicks = kIdleFrames * kFrameBits * std::max(bitTicks, kTicksPerBit);
    Levels levels(idleTicks, true);
    for (char character : sent) {
        const auto byte = static_cast<unsigned char>(character);
        levels.insert(levels.end(), bitTicks, false);  // start bit
        for (int bit = 0; bit < kDataBits; ++bit)
            levels.insert(levels.end(), bitTicks, ((byte >> bit) & 1) != 0);
        levels.insert(levels.end(), 2 * bitTicks, true);  // stop bits
    }
    levels.insert(levels.end(), idleTicks, true);
    if (wire.inverted)
        levels.flip();
    return levels;
}

}  // namespace

namespace Uart {

QByteArray received(QByteArrayView sent, const Wire& wire) {
    if (!wire.inverted && wire.senderBaud == wire.receiverBaud)
        return sent.toByteArray();
    const Levels levels = drive(sent, wire);
    const auto at = [&](std::size_t tick) { return tick < levels.size() && levels[tick]; };
    const auto middleOf = [](std::size_t start, int bit) {
        return start + kTicksPerBit / 2 + std::size_t(bit) * kTicksPerBit;
    };
    QByteArray read;
    // An inverted line has idled at space since its last burst: that break was read then.
    bool markSeen = !wire.inverted;
    for (std::size_t tick = 0; middleOf(tick, kFrameBits - 2) < levels.size();) {
        if (!markSeen || at(tick)) {
            markSeen = markSeen || at(tick);
            ++tick;
            continue;
        }
        if (at(middleOf(tick, 0))) {  // too short for a start bit
            ++tick;
            continue;
        }
        unsigned char byte = 0;
        for (int bit = 0; bit < kDataBits; ++bit)
            byte |= static_cast<unsigned char>(at(middleOf(tick, 1 + bit)) ? 1 << bit : 0);
        const std::size_t stop = middleOf(tick, 1 + kDataBits);
        const bool isBreak = byte == 0 && !at(stop);
        read += static_cast<char>(byte);  // a break reads as NUL
        markSeen = !isBreak;
        tick = stop;
    }
    return read;
}

}  // namespace Uart
