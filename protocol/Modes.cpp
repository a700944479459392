#include "Modes.h"

namespace Modes {

QString nameOf(char digit) {
    for (const Mode& mode : kAll) {
        if (mode.digit == digit)
            return QString::fromLatin1(mode.name.data(), qsizetype(mode.name.size()));
    }
    return {};
}

std::optional<char> digitOf(const QString& name) {
    for (const Mode& mode : kAll) {
        if (name == QLatin1StringView(mode.name.data(), qsizetype(mode.name.size())))
            return mode.digit;
    }
    return std::nullopt;
}

}  // namespace Modes
