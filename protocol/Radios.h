#pragma once

#include <QByteArrayView>
#include <QString>

#include <span>

// The four radios, one row each, found by the whole reply they give to "ID;". Everything that
// differs between them is here and nowhere else: what the panel shows and lets the operator type,
// what the rigctld server tells its clients, what the virtual transceiver simulates.
//
// The bands are those of the American versions (TS-711A, TS-811A: 144-148 and 430-450 MHz),
// the widest these radios were sold with. A European TS-711E or TS-811E (144-146, 430-440 MHz)
// answers the same "ID;" and ignores a frequency it does not cover, as any of them does.
namespace Radios {

struct FrequencyRange {
    qint64 lowHz;
    qint64 highHz;  // included
    constexpr bool contains(qint64 hz) const { return hz >= lowHz && hz <= highHz; }
};

// One of the radio's filters and the modes (as mode digits) it serves. The first passband that
// serves a mode is the one the radio selects for it.
struct Passband {
    QByteArrayView modeDigits;
    int widthHz;
};

struct Radio {
    QByteArrayView identification;  // "ID004;"; empty for a radio not identified
    QByteArrayView name;            // "TS-440"; empty for a radio not identified
    std::span<const FrequencyRange> receive;
    std::span<const FrequencyRange> transmit;
    // What the frequency box takes: the HF radios' whole dial, 30 kHz to 30 MHz, below which a
    // TS-440 or TS-940 simply stays where it is; the VHF and UHF radios' band.
    FrequencyRange typedEntry;
    QByteArrayView modeDigits;  // the modes it has: "123456" (LSB USB CW FM AM FSK)
    std::span<const Passband> passbands;
    QByteArrayView statusTail;  // characters 34-37 of its status report
    int stepHz;                 // how far UP and DN move the VFO
    // Asked for its status while it transmits CW with RIT or XIT on, it sends part of each
    // character about 300 Hz off (the TS-940, as contest operators report): while it
    // transmits, it is asked seldom.
    bool pollingDisturbsKeying;

    bool receives(qint64 hz) const;
    bool hasMode(char digit) const;
    // " -> Kenwood TS-440", as the status line shows it; " -> Inconnu" for a radio not identified.
    QString modelText() const;
};

// The four, in the order the identification compares them.
std::span<const Radio> all();

// The radio whose identification is exactly `reply`, or unidentified().
const Radio& identifiedBy(QByteArrayView reply);

// Stands in before identification and for a reply that names none of the four: it covers all
// four's bands and modes, and typed entry takes what it takes on the HF radios.
const Radio& unidentified();

}  // namespace Radios
