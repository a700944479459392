#include "VfoNames.h"

#include <algorithm>
#include <string_view>

namespace Rigctl {

namespace {

struct VfoName {
    const char* name;
    char digit;
};
// The names follow Hamlib's TS-440 driver; the first of each digit is the one answers use.
constexpr VfoName kVfoNames[] = {
    {"VFOA", '0'},
    {"VFOB", '1'},
    {"MEM", '2'},
    {"Main", '0'},
    {"Sub", '1'},
    {"VFO", '0'},
    {"currVFO", kCurrentVfo},
    {"VFOC", kNotOnTheseRadios},
    {"TX", kNotOnTheseRadios},
    {"RX", kNotOnTheseRadios},
    {"MainA", kNotOnTheseRadios},
    {"MainB", kNotOnTheseRadios},
    {"MainC", kNotOnTheseRadios},
    {"SubA", kNotOnTheseRadios},
    {"SubB", kNotOnTheseRadios},
    {"SubC", kNotOnTheseRadios},
    {"otherVFO", kNotOnTheseRadios},
    {"AllVFOs", kNotOnTheseRadios},
};
constexpr char kRadioVfos[] = {'0', '1', '2'};

}  // namespace

std::optional<char> vfoDigit(QByteArrayView name) {
    const std::string_view wanted(name.data(), name.size());
    const auto* found =
        std::ranges::find_if(kVfoNames, [&](const VfoName& vfo) { return wanted == vfo.name; });
    return found == std::end(kVfoNames) ? std::nullopt : std::optional(found->digit);
}

QByteArray vfoName(char digit) {
    if (std::ranges::find(kRadioVfos, digit) == std::end(kRadioVfos))
        return {};
    return std::ranges::find(kVfoNames, digit, &VfoName::digit)->name;
}

QByteArray vfoNames() {
    QByteArray names;
    for (const char digit : kRadioVfos) names += vfoName(digit) + ' ';
    return names;
}

}  // namespace Rigctl
