#include "Radios.h"

#include <algorithm>
#include <array>

namespace Radios {

namespace {

template <std::size_t... Sizes>
constexpr auto join(const std::array<FrequencyRange, Sizes>&... lists) {
    std::array<FrequencyRange, (Sizes + ...)> joined{};
    auto end = joined.begin();
    ((end = std::ranges::copy(lists, end).out), ...);
    return joined;
}

// What the HF radios receive (Hamlib's record of them).
constexpr std::array kTs440Receive{FrequencyRange{100'000, 30'000'000}};
constexpr std::array kTs940Receive{FrequencyRange{500'000, 30'000'000}};
// Where the HF radios transmit: the amateur bands, as the American versions have them.
constexpr std::array kAmateurHf{
    FrequencyRange{1'800'000, 1'999'999},   FrequencyRange{3'500'000, 3'999'999},
    FrequencyRange{7'000'000, 7'300'000},   FrequencyRange{10'100'000, 10'150'000},
    FrequencyRange{14'000'000, 14'350'000}, FrequencyRange{18'068'000, 18'168'000},
    FrequencyRange{21'000'000, 21'450'000}, FrequencyRange{24'890'000, 24'990'000},
    FrequencyRange{28'000'000, 29'700'000},
};
// The VHF and UHF radios receive and transmit on their amateur band alone.
constexpr std::array kTwoMetres{FrequencyRange{144'000'000, 148'000'000}};
constexpr std::array kSeventyCentimetres{FrequencyRange{430'000'000, 450'000'000}};
constexpr std::array kEveryReceive = join(kTs440Receive, kTwoMetres, kSeventyCentimetres);
constexpr std::array kEveryTransmit = join(kAmateurHf, kTwoMetres, kSeventyCentimetres);

// The dial of the HF radios as the frequency box takes it: eight digits.
constexpr FrequencyRange kHfDial{30'000, 30'000'000};

constexpr Passband kTs440Passbands[] = {{"1236", 2200}, {"5", 6000}, {"4", 12000}};
constexpr Passband kTs940Passbands[] = {{"3", 500}, {"5", 6000}, {"12365", 2400}, {"4", 12000}};
constexpr Passband kVhfPassbands[] = {{"123", 2200}, {"4", 12000}};

// The TS-440 ends its status report with blanks where the others report the tone (programs
// trim them to find the last digits). The VHF and UHF radios have no AM and no FSK.
// clang-format off
constexpr Radio kRadios[] = {
    // ID       name      receive               transmit              typed entry              modes     passbands        IF tail step  polling disturbs keying
    {"ID004;", "TS-440", kTs440Receive,        kAmateurHf,           kHfDial,                 "123456", kTs440Passbands, "    ", 10,   false},
    {"ID001;", "TS-940", kTs940Receive,        kAmateurHf,           kHfDial,                 "123456", kTs940Passbands, "0000", 10,   true},
    {"ID002;", "TS-811", kSeventyCentimetres,  kSeventyCentimetres,  kSeventyCentimetres[0],  "1234",   kVhfPassbands,   "0000", 10,   false},
    {"ID003;", "TS-711", kTwoMetres,           kTwoMetres,           kTwoMetres[0],           "1234",   kVhfPassbands,   "0000", 10,   false},
};
constexpr Radio kUnidentified =
    {"",       "",       kEveryReceive,        kEveryTransmit,       kHfDial,                 "123456", kTs440Passbands, "0000", 10,   false};
// clang-format on

}  // namespace

bool Radio::receives(qint64 hz) const {
    return std::ranges::any_of(receive,
                               [hz](const FrequencyRange& range) { return range.contains(hz); });
}

bool Radio::hasMode(char digit) const {
    return modeDigits.contains(digit);
}

QString Radio::modelText() const {
    if (name.empty())
        return QStringLiteral(" -> Inconnu");
    return QStringLiteral(" -> Kenwood ") + QLatin1String(name);
}

std::span<const Radio> all() {
    return kRadios;
}

const Radio& identifiedBy(QByteArrayView reply) {
    const auto* found = std::ranges::find(kRadios, reply, &Radio::identification);
    return found == std::end(kRadios) ? kUnidentified : *found;
}

const Radio& unidentified() {
    return kUnidentified;
}

}  // namespace Radios
