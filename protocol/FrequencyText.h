#pragma once

#include <QString>

#include <optional>

// Frequencies on the panel are whole hertz with the digits grouped in threes by the
// user's digit-group separator (QLocale's default locale).
namespace FrequencyText {

// The frequency display: at least eight digits, so 7.05 MHz reads 07,050,000 and
// 144.3 MHz reads 144,300,000.
QString display(qint64 hz);

// A memory-table cell or the entry box: no leading zeros; zero is an empty text.
QString grouped(qint64 hz);

// Reads a text written by either format (or typed digits) back as hertz, ignoring the group
// separators. Nothing when the text is empty or is not wholly such a number.
std::optional<qint64> read(const QString& text);

// Reads a fixed-width decimal field of a reply. Nothing unless every character is a digit.
std::optional<qint64> readField(QByteArrayView digits);

}  // namespace FrequencyText
