#include "MemoryWriteBack.h"

MemoryWriteBack::MemoryWriteBack(QList<Write> writes)
    : queue_(std::move(writes)), total_(int(queue_.size())) {}

void MemoryWriteBack::reportTaken() {
    statusCharacters_ += kStatusCharacters;
}

std::optional<MemoryWriteBack::Write> MemoryWriteBack::nextTurn() {
    if (inFlight_ || stopping_ || queue_.isEmpty())
        return std::nullopt;
    if (kStatusShare * (writeCharacters_ + kWriteCharacters) > kWriteShare * statusCharacters_)
        return std::nullopt;
    writeCharacters_ += kWriteCharacters;
    inFlight_ = queue_.takeFirst();
    return inFlight_;
}

// An empty channel reads back with a zero frequency, whatever its mode digit says.
bool MemoryWriteBack::readBack(const Reply::Memory& memory) {
    if (!inFlight_ || memory.channel != inFlight_->channel)
        return false;
    const Write written = *std::exchange(inFlight_, std::nullopt);
    const MemoryFile::Channel& wanted = written.wanted;
    const qint64 hz = memory.frequencyHz.value_or(-1);
    const bool took = wanted.isEmpty()
                          ? hz == 0
                          : hz == wanted.frequencyHz && memory.modeDigit == wanted.modeDigit;
    if (took) {
        ++verified_;
    } else if (!triedOnce_.contains(written.channel)) {
        triedOnce_ << written.channel;
        queue_.prepend(written);  // tried again at its next turn, before the others
    } else {
        notTaken_ << written.channel;
    }
    return took;
}
