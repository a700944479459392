#include "RadioModels.h"

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
constexpr quint64 kHfModes = kAm | kCw | kUsb | kLsb | kRtty | kFm;
constexpr quint64 kVhfModes = kCw | kUsb | kLsb | kFm;  // no AM, no FSK on the TS-711 and TS-811

constexpr std::array<Mode, 6> kModes{{
    {'1', "LSB", kLsb},
    {'2', "USB", kUsb},
    {'3', "CW", kCw},
    {'4', "FM", kFm},
    {'5', "AM", kAm},
    {'6', "RTTY", kRtty},
}};

// Data modes go out on the sideband they ride on; the passband a client asks for is the
// radio's own business.
struct Alias {
    const char* name;
    char digit;
};
constexpr Alias kAliases[] = {{"PKTUSB", '2'}, {"PKTLSB", '1'}};

// The rest of Hamlib's mode names: modes, but none of these radios'.
constexpr std::string_view kOtherHamlibModes[] = {
    "AM-D",  "FM-D",  "WFM",    "CWR",     "CW-R",    "RTTYR", "RTTY-R",  "AMS",    "LSB-D",
    "USB-D", "PKTFM", "PKTFMN", "ECSSUSB", "ECSSLSB", "FAX",   "SAM",     "SAL",    "SAH",
    "DSB",   "FMN",   "PKTAM",  "P25",     "D-STAR",  "DPMR",  "NXDN-VN", "NXDN-N", "DCR",
    "AMN",   "PSK",   "PSKR",   "C4FM",    "SPEC",    "CWN",   "IQ",      "ISBUSB", "ISBLSB",
};

// The amateur bands of the HF radios' transmitters (Hamlib's region 2 list for them).
constexpr FrequencyRange kHfBands[] = {
    {1'800'000, 1'999'999},   {3'500'000, 3'999'999},   {7'000'000, 7'300'000},
    {10'100'000, 10'150'000}, {14'000'000, 14'350'000}, {18'068'000, 18'168'000},
    {21'000'000, 21'450'000}, {24'890'000, 24'990'000}, {28'000'000, 29'700'000},
};
constexpr FrequencyRange kTs440Receive[] = {{100'000, 30'000'000}};
constexpr FrequencyRange kTs940Receive[] = {{150'000, 30'000'000}};
constexpr FrequencyRange kTwoMetres[] = {{144'000'000, 146'000'000}};
constexpr FrequencyRange kSeventyCentimetres[] = {{430'000'000, 440'000'000}};
constexpr FrequencyRange kAllReceive[] = {
    {100'000, 30'000'000}, {144'000'000, 146'000'000}, {430'000'000, 440'000'000}};
constexpr FrequencyRange kAllTransmit[] = {
    {1'800'000, 1'999'999},     {3'500'000, 3'999'999},     {7'000'000, 7'300'000},
    {10'100'000, 10'150'000},   {14'000'000, 14'350'000},   {18'068'000, 18'168'000},
    {21'000'000, 21'450'000},   {24'890'000, 24'990'000},   {28'000'000, 29'700'000},
    {144'000'000, 146'000'000}, {430'000'000, 440'000'000},
};

constexpr Filter kTs440Filters[] = {{kUsb | kLsb | kCw | kRtty, 2200}, {kAm, 6000}, {kFm, 12000}};
constexpr Filter kTs940Filters[] = {
    {kCw, 500}, {kAm, 6000}, {kUsb | kLsb | kCw | kRtty | kAm, 2400}, {kFm, 12000}};
constexpr Filter kVhfFilters[] = {{kUsb | kLsb | kCw, 2200}, {kFm, 12000}};

// clang-format off
constexpr RadioModel kModels[] = {
    // ID        Hamlib  name       modes      receive              transmit             filters        power (mW)       RIT   XIT   step
    {"ID004;",   2002,   "TS-440S", kHfModes,  kTs440Receive,       kHfBands,            kTs440Filters, 5'000, 200'000,  1270, 1270, 10},
    {"ID001;",   2011,   "TS-940S", kHfModes,  kTs940Receive,       kHfBands,            kTs940Filters, 5'000, 250'000,  9990, 9990, 10},
    {"ID003;",   2006,   "TS-711",  kVhfModes, kTwoMetres,          kTwoMetres,          kVhfFilters,   5'000, 25'000,   9900, 0,    10},
    {"ID002;",   2008,   "TS-811",  kVhfModes, kSeventyCentimetres, kSeventyCentimetres, kVhfFilters,   5'000, 25'000,   9900, 0,    10},
};
constexpr RadioModel kUnidentified =
    {"",         2,      "Kenwood", kHfModes,  kAllReceive,         kAllTransmit,        kTs440Filters, 5'000, 250'000,  9990, 9990, 10};
// clang-format on

}  // namespace

const RadioModel& modelIdentifiedBy(QByteArrayView reply) {
    const auto* found = std::ranges::find_if(
        kModels, [&](const RadioModel& model) { return reply == model.identification; });
    return found == std::end(kModels) ? kUnidentified : *found;
}

const RadioModel& unidentifiedModel() {
    return kUnidentified;
}

bool receives(const RadioModel& model, qint64 hz) {
    return std::ranges::any_of(model.receive, [hz](const FrequencyRange& range) {
        return hz >= range.lowHz && hz <= range.highHz;
    });
}

const Mode* modeOfDigit(char digit) {
    const auto* found = std::ranges::find(kModes, digit, &Mode::digit);
    return found == kModes.end() ? nullptr : found;
}

std::optional<char> digitOfMode(const RadioModel& model, QByteArrayView name) {
    const std::string_view wanted(name.data(), name.size());
    for (const Mode& mode : kModes) {
        if (wanted == mode.name && (model.modes & mode.bit))
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
    const auto filter = std::ranges::find_if(
        model.filters, [&](const Filter& candidate) { return candidate.modes & mode.bit; });
    return filter == model.filters.end() ? 0 : filter->widthHz;
}

}  // namespace Rigctl
