#pragma once

#include <QByteArrayView>

#include <optional>
#include <span>

// What a Hamlib client is told of each radio: its model number in Hamlib, its ranges, modes
// and filters, one row per radio, chosen by the radio's identification reply. Before the radio
// has named itself, a row that covers all four stands in.
namespace Rigctl {

struct FrequencyRange {
    qint64 lowHz;
    qint64 highHz;
};

struct Filter {
    quint64 modes;  // Hamlib's mode bits
    int widthHz;
};

struct RadioModel {
    const char* identification;  // the ID reply, "ID004;"
    int hamlibModel;
    const char* name;
    quint64 modes;  // Hamlib's mode bits
    std::span<const FrequencyRange> receive;
    std::span<const FrequencyRange> transmit;
    std::span<const Filter> filters;  // the first filter of a mode is its normal passband
    int lowPowerMw;
    int highPowerMw;
    int maxRitHz;
    int maxXitHz;
    int stepHz;
};

const RadioModel& modelIdentifiedBy(QByteArrayView reply);
const RadioModel& unidentifiedModel();

bool receives(const RadioModel& model, qint64 hz);

// The modes of these radios under Hamlib's names (FSK is Hamlib's RTTY).
struct Mode {
    char digit;  // as in MD and in the status report
    const char* name;
    quint64 bit;
};
const Mode* modeOfDigit(char digit);

// The radio's digit for a mode a client names, when the radio has that mode.
std::optional<char> digitOfMode(const RadioModel& model, QByteArrayView name);
// Whether Hamlib knows the name as a mode: a mode the radio lacks is not a mistake of the
// client's (RPRT -11), a name that is no mode is (RPRT -1).
bool isHamlibMode(QByteArrayView name);

int passbandHz(const RadioModel& model, const Mode& mode);

}  // namespace Rigctl
