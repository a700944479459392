#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>

#include <array>
#include <functional>
#include <optional>

// The radio's 100 memory channels as a CSV file that a person can read and edit in a
// spreadsheet:
//   # Kenwood TS-440,2026-12-07
//   canal,frequence_hz,mode
//   00,14195000,USB
//   01,,
// The comment line names the radio the channels came from, so that they go back only into
// that kind of radio; an empty channel has empty fields.
namespace MemoryFile {

constexpr int kChannels = 100;
// A hundred lines of a few dozen characters: anything much larger is not a memory file.
constexpr qsizetype kLargestFile = 64 * 1024;

struct Channel {
    qint64 frequencyHz = 0;  // 0 for an empty channel
    char modeDigit = 0;      // '1' to '6'; 0 when the channel is empty or has no mode
    bool isEmpty() const { return frequencyHz == 0; }
    friend bool operator==(const Channel&, const Channel&) = default;
};
using Channels = std::array<Channel, kChannels>;
// What a file gives: nothing for a channel it does not name.
using Given = std::array<std::optional<Channel>, kChannels>;

// "Kenwood TS-440": the radio named as the panel names it, without the arrow.
QByteArray write(const QString& model, QDate date, const Channels& channels);

// The radio the channels are to go into: its name, its bands, its modes.
struct Radio {
    QString model;  // empty for a radio that did not name itself: nothing goes into it
    std::function<bool(qint64 hz)> covers;
    std::function<bool(char modeDigit)> hasMode;
};

struct Reading {
    Given channels;
    int faultLine = 0;  // the line at fault, from 1; 0 for the file as a whole
    QString fault;      // empty when the whole file is sound
    bool isSound() const { return fault.isEmpty(); }
};
// The whole text is checked before anything is taken from it: a file from another radio, or
// with one unsound line, gives no channels at all.
Reading read(QByteArrayView text, const Radio& radio);

}  // namespace MemoryFile
