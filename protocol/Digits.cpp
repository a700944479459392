#include "Digits.h"

#include <algorithm>

namespace Digits {

QByteArray padded(qint64 value, int width) {
    return QByteArray::number(value).rightJustified(width, '0');
}

bool only(QByteArrayView text) {
    return std::ranges::all_of(text, [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace Digits
