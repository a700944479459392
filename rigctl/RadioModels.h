#pragma once

#include "Radios.h"

#include <QByteArrayView>

#include <optional>

// What a Hamlib client is told of each radio: the radio's own bands, modes, passbands and step
// from its row in the table of radios, and what only Hamlib has of it: its model number and
// name in Hamlib, its power and its RIT and XIT limits. Before the radio has named itself, the
// table's stand-in, which covers all four, is Hamlib's model 2 (NET rigctl).
namespace Rigctl {

using Radios::FrequencyRange;

struct RadioModel {
    const Radios::Radio& radio;
    int hamlibModel;
    const char* name;  // Hamlib's: "TS-440S"
    int lowPowerMw;
    int highPowerMw;
    int maxRitHz;
    int maxXitHz;
};

const RadioModel& modelIdentifiedBy(QByteArrayView reply);
const RadioModel& unidentifiedModel();

// The modes of these radios under Hamlib's names (FSK is Hamlib's RTTY).
struct Mode {
    char digit;  // as in MD and in the status report
    const char* name;
    quint64 bit;
};
const Mode* modeOfDigit(char digit);

// Hamlib's mode bits for the mode digits "1236".
quint64 modeBits(QByteArrayView modeDigits);

// The radio's digit for a mode a client names, when the radio has that mode.
std::optional<char> digitOfMode(const RadioModel& model, QByteArrayView name);
// Whether Hamlib knows the name as a mode: a mode the radio lacks is not a mistake of the
// client's (RPRT -11), a name that is no mode is (RPRT -1).
bool isHamlibMode(QByteArrayView name);

int passbandHz(const RadioModel& model, const Mode& mode);

}  // namespace Rigctl
