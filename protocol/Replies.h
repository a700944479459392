#pragma once

#include <QByteArray>

#include <optional>

// The three replies the panel asks the radio for, read at fixed positions (counted from 1 in
// the rulers below). A reply is never searched or re-synchronised: a text of the wrong shape
// is simply not one of them.
namespace Reply {

constexpr qsizetype kIdentificationLength = 6;  // ID...;
constexpr qsizetype kMemoryLength = 24;         // MR...;
constexpr qsizetype kStatusLength = 38;         // IF...;

enum class Shape { Memory, Status, Neither };

// A memory reply has ";" as its 24th character; a status report, failing that, as its 38th.
Shape shapeOf(QByteArrayView text);

// IDnnn;  "ID", the model's three digits and ";", and nothing else: the tail of an earlier
// reply, or garbage, is no identification.
bool isIdentification(QByteArrayView text);

// IFfffffffffffsssssrrrrrRXbccTMVSPtnn.;
// 12345678901234567890123456789012345678
struct Status {
    std::optional<qint64> frequencyHz;  // f: nothing when the field is not all digits
    std::optional<int> offsetHz;        // r: RIT/XIT offset, a sign and four digits
    bool ritOn = false;                 // R: '1' only
    bool xitOn = false;                 // X: '1' only
    QByteArray memoryChannel;           // cc, as received
    bool transmitting = false;          // T: anything but '0'
    char modeDigit = 0;                 // M
    char vfo = 0;                       // V: '0' VFO A, '1' VFO B, '2' memory
    bool scanning = false;              // S: '1' only
    bool split = false;                 // P: '1' only
};
Status readStatus(QByteArrayView text);  // text is at least kStatusLength long

// MRs-ccfffffffffffml----;
// 123456789012345678901234
struct Memory {
    QByteArray channelText;             // cc, as received
    int channel = 0;                    // its leading number; 0 when it has none
    std::optional<qint64> frequencyHz;  // f: nothing when the field is not all digits
    char modeDigit = 0;                 // m

    // Two digits of channel and eleven of frequency. Any other text is spoilt, not a channel:
    // "4x" would be filed as channel 04 and a garbled frequency as an empty channel.
    bool isClean() const;
};
Memory readMemory(QByteArrayView text);  // text is at least kMemoryLength long

}  // namespace Reply
