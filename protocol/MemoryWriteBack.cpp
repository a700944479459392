#include "MemoryWriteBack.h"

namespace {

// An empty channel reads with a zero frequency, whatever its mode digit says.
bool holds(const Reply::Memory& memory, const MemoryFile::Channel& wanted) {
    const qint64 hz = memory.frequencyHz.value_or(-1);
    return wanted.isEmpty() ? hz == 0
                            : hz == wanted.frequencyHz && memory.modeDigit == wanted.modeDigit;
}

}  // namespace

MemoryWriteBack::MemoryWriteBack(const MemoryFile::Given& given) {
    for (int number = 0; number < MemoryFile::kChannels; ++number) {
        if (given[number])
            queue_.append({number, *given[number]});
    }
    total_ = int(queue_.size());
}

void MemoryWriteBack::reportTaken() {
    statusCharacters_ += kStatusCharacters;
}

std::optional<MemoryWriteBack::Turn> MemoryWriteBack::nextTurn() {
    if (inTurn_ || stopping_ || queue_.isEmpty())
        return std::nullopt;
    const int cost = queue_.first().read ? kWriteCharacters : kReadCharacters;
    if (kStatusShare * (channelCharacters_ + cost) > kChannelShare * statusCharacters_)
        return std::nullopt;
    channelCharacters_ += cost;
    inTurn_ = queue_.takeFirst();
    return Turn{inTurn_->number, inTurn_->read ? std::optional(inTurn_->wanted) : std::nullopt};
}

void MemoryWriteBack::channelRead(const Reply::Memory& memory) {
    if (!inTurn_ || memory.channel != inTurn_->number)
        return;
    Channel channel = *std::exchange(inTurn_, std::nullopt);
    const bool asWanted = holds(memory, channel.wanted);
    if (!channel.read) {
        channel.read = true;
        if (asWanted)
            ++alreadyHeld_;
        else
            queue_.prepend(channel);  // written at its next turn, before the others
    } else if (asWanted) {
        ++verified_;
    } else if (!triedOnce_.contains(channel.number)) {
        triedOnce_ << channel.number;
        queue_.prepend(channel);
    } else {
        notTaken_ << channel.number;
    }
}
