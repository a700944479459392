#pragma once

#include "Line.h"
#include "MemoryFile.h"
#include "Replies.h"

#include <QList>

#include <optional>

// Puts channels into the radio one at a time, between the status reports of the panel's
// polling. Each channel is read first: one that already holds what is wanted is left alone;
// another is written, then read back to see that it took. A read-back that differs is written
// once more at the channel's next turn; then the channel is given up and reported. This
// decides only what comes next; the panel sends it.
class MemoryWriteBack {
public:
    struct Turn {
        int channel;
        std::optional<MemoryFile::Channel> store;  // written just before the channel is read
    };

    // A channel's write adds the 24-character store command to its read.
    static constexpr int kStatusCharacters = Line::kStatusRoundTrip;
    static constexpr int kReadCharacters = Line::kMemoryRoundTrip;
    static constexpr int kWriteCharacters = 24 + kReadCharacters;
    // The channels take at most one character of the line for two of the polling's: the status
    // reports keep well over half the line, at the radio's speed as on a fast line.
    static constexpr int kChannelShare = 1;
    static constexpr int kStatusShare = 2;

    explicit MemoryWriteBack(const MemoryFile::Given& given);

    // A status report has been taken; the line time it used is what the channels may match.
    void reportTaken();
    // The channel's turn, if it has come: none while a read is awaited, while the polling has
    // not yet had its share of the line, or once all is done.
    std::optional<Turn> nextTurn();
    // The radio's answer to the read request of the channel in turn.
    void channelRead(const Reply::Memory& memory);

    // Nothing more is started; the channel in turn is still read.
    void stop() { stopping_ = true; }
    bool isStopped() const { return stopping_; }
    bool isFinished() const { return !inTurn_ && (stopping_ || queue_.isEmpty()); }

    int total() const { return total_; }
    int verified() const { return verified_; }  // written and read back as wanted
    int alreadyHeld() const { return alreadyHeld_; }
    // The place of the channel in turn among all those given, from 1.
    int position() const { return total_ - int(queue_.size()); }
    QList<int> notTaken() const { return notTaken_; }

private:
    struct Channel {
        int number;
        MemoryFile::Channel wanted;
        bool read = false;  // read once and found otherwise: its turn writes it
    };

    QList<Channel> queue_;
    std::optional<Channel> inTurn_;
    QList<int> triedOnce_;
    QList<int> notTaken_;
    qint64 statusCharacters_ = 0;
    qint64 channelCharacters_ = 0;
    int total_ = 0;
    int verified_ = 0;
    int alreadyHeld_ = 0;
    bool stopping_ = false;
};
