#pragma once

#include "MemoryFile.h"
#include "Replies.h"

#include <QList>

#include <optional>

// Writes channels into the radio one at a time, each read back to see that it took, between
// the status reports of the panel's polling. Each channel whose read-back differs is written
// once more at its next turn; then it is given up and reported. It decides only what comes
// next; the panel sends it.
class MemoryWriteBack {
public:
    struct Write {
        int channel;
        MemoryFile::Channel wanted;
    };

    // A status round trip is "IF;" and its 38-character reply; a channel's turn is the store
    // command (24), its read request (7) and the memory reply (24).
    static constexpr int kStatusCharacters = 3 + 38;
    static constexpr int kWriteCharacters = 24 + 7 + 24;
    // The writes take at most 4 characters of the line for 5 of the polling's: the status
    // reports keep well over half the line, at the radio's speed as on a fast line.
    static constexpr int kWriteShare = 4;
    static constexpr int kStatusShare = 5;

    explicit MemoryWriteBack(QList<Write> writes);

    // A status report has been taken; the line time it used is what the writes may match.
    void reportTaken();
    // The channel to write now, if its turn has come: none while its read-back is awaited,
    // while the polling has not yet had its share of the line, or once all is done.
    std::optional<Write> nextTurn();
    // The radio's answer to the read request of the channel just written. True when it holds
    // what was wanted.
    bool readBack(const Reply::Memory& memory);
    bool awaitsReadBack() const { return inFlight_.has_value(); }

    // Nothing more is started; the channel in flight is still read back.
    void stop() { stopping_ = true; }
    bool isStopped() const { return stopping_; }
    bool isFinished() const { return !inFlight_ && (stopping_ || queue_.isEmpty()); }

    int total() const { return total_; }
    int verified() const { return verified_; }
    // The place of the channel in flight among all those to write, from 1.
    int position() const { return total_ - int(queue_.size()); }
    QList<int> notTaken() const { return notTaken_; }

private:
    QList<Write> queue_;
    std::optional<Write> inFlight_;
    QList<int> triedOnce_;
    QList<int> notTaken_;
    qint64 statusCharacters_ = 0;
    qint64 writeCharacters_ = 0;
    int total_ = 0;
    int verified_ = 0;
    bool stopping_ = false;
};
