#pragma once

#include <QByteArray>
#include <QByteArrayView>

// The decimal fields of the radio's commands and replies: fixed width, zero-padded, nothing but
// the digits 0 to 9.
namespace Digits {

// 42 in four digits is "0042"; a value wider than `width` keeps all its digits.
QByteArray padded(qint64 value, int width);

// Whether every character is one of '0' to '9'; an empty text has none other.
bool only(QByteArrayView text);

}  // namespace Digits
