#include "Modes.h"

#include <array>

namespace {

struct Mode {
    char digit;
    const char* name;
};

constexpr std::array<Mode, 6> kModes{{
    {'1', "LSB"},
    {'2', "USB"},
    {'3', "CW"},
    {'4', "FM"},
    {'5', "AM"},
    {'6', "FSK"},
}};

}  // namespace

namespace Modes {

QString nameOf(char digit) {
    for (const Mode& mode : kModes) {
        if (mode.digit == digit)
            return QString::fromLatin1(mode.name);
    }
    return {};
}

std::optional<char> digitOf(const QString& name) {
    for (const Mode& mode : kModes) {
        if (name == QLatin1String(mode.name))
            return mode.digit;
    }
    return std::nullopt;
}

}  // namespace Modes
