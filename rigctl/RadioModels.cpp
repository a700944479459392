#include "RadioModels.h"

#include "Modes.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace Rigctl {

namespace {

// Hamlib's mode bits.
constexpr quint64 kAm = 0x1;
constexpr quint64 kCw = 0x2;
constexpr quint64 kUsb = 0x4;
constexpr quint64 kLsb = 0x8;
constexpr quint64 kRtty = 0x10;
constexpr quint64 kFm = 0x20;

// The radio's modes (their digits from the table of modes) under Hamlib's names.
constexpr std::array<Mode, 6> kModes{{
    {Modes::Lsb, "LSB", kLsb},
    {Modes::Usb, "USB", kUsb},
    {Modes::Cw, "CW", kCw},
    {Modes::Fm, "FM", kFm},
    {Modes::Am, "AM", kAm},
    {Modes::Fsk, "RTTY", kRtty},
}};

// Data modes go out on the sideband they ride on; the passband a client asks for is the
// radio's own business.
struct Alias {
    const char* name;
    char digit;
};
constexpr Alias kAliases[] = {{"PKTUSB", Modes::Usb}, {"PKTLSB", Modes::Lsb}};

// The rest of Hamlib's mode names: modes, but none of these radios'.
constexpr std::string_view kOtherHamlibModes[] = {
    "AM-D",  "FM-D",  "WFM",    "CWR",     "CW-R",    "RTTYR", "RTTY-R",  "AMS",    "LSB-D",
    "USB-D", "PKTFM", "PKTFMN", "ECSSUSB", "ECSSLSB", "FAX",   "SAM",     "SAL",    "SAH",
    "DSB",   "FMN",   "PKTAM",  "P25",     "D-STAR",  "DPMR",  "NXDN-VN", "NXDN-N", "DCR",
    "AMN",   "PSK",   "PSKR",   "C4FM",    "SPEC",    "CWN",   "IQ",      "ISBUSB", "ISBLSB",
};

}  // namespace

const RadioModel& modelIdentifiedBy(QByteArrayView reply) {
    // clang-format off
    static const RadioModel kModels[] = {
        // radio                           Hamlib  name       power (mW)       RIT   XIT
        {Radios::identifiedBy("ID004;"),   2002,   "TS-440S", 5'000, 200'000,  1270, 1270},
        {Radios::identifiedBy("ID001;"),   2011,   "TS-940S", 5'000, 250'000,  9990, 9990},
        {Radios::identifiedBy("ID002;"),   2008,   "TS-811",  5'000, 25'000,   9900, 0},
        {Radios::identifiedBy("ID003;"),   2006,   "TS-711",  5'000, 25'000,   9900, 0},
        {Radios::unidentified(),           2,      "Kenwood", 5'000, 250'000,  9990, 9990},
    };
    // clang-format on
    const Radios::Radio& radio = Radios::identifiedBy(reply);
    return *std::ranges::find(kModels, &radio,
                              [](const RadioModel& model) { return &model.radio; });
}

const RadioModel& unidentifiedModel() {
    return modelIdentifiedBy({});
}

const Mode* modeOfDigit(char digit) {
    const auto* found = std::ranges::find(kModes, digit, &Mode::digit);
    return found == kModes.end() ? nullptr : found;
}

quint64 modeBits(QByteArrayView modeDigits) {
    quint64 bits = 0;
    for (char digit : modeDigits) bits |= modeOfDigit(digit)->bit;
    return bits;
}

std::optional<char> digitOfMode(const RadioModel& model, QByteArrayView name) {
    const std::string_view wanted(name.data(), name.size());
    for (const Mode& mode : kModes) {
        if (wanted == mode.name && model.radio.hasMode(mode.digit))
            return mode.digit;
    }
    for (const Alias& alias : kAliases) {
        if (wanted == alias.name)
            return alias.digit;
    }
    return std::nullopt;
}

bool isHamlibMode(QByteArrayView name) {
    const std::string_view wanted(name.data(), name.size());
    return std::ranges::any_of(kModes, [&](const Mode& mode) { return wanted == mode.name; }) ||
           std::ranges::any_of(kAliases,
                               [&](const Alias& alias) { return wanted == alias.name; }) ||
           std::ranges::find(kOtherHamlibModes, wanted) != std::end(kOtherHamlibModes);
}

int passbandHz(const RadioModel& model, const Mode& mode) {
    const std::span<const Radios::Passband> passbands = model.radio.passbands;
    const auto passband = std::ranges::find_if(passbands, [&](const Radios::Passband& candidate) {
        return candidate.modeDigits.contains(mode.digit);
    });
    return passband == passbands.end() ? 0 : passband->widthHz;
}

}  // namespace Rigctl
