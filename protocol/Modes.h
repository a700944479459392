#pragma once

#include <QString>

#include <optional>

// The six modes of these radios. The same digit stands for a mode in the MD and MW commands
// and in the status and memory replies.
namespace Modes {

// The mode's caption ("LSB" ... "FSK") for a digit '1' to '6'; empty for any other character.
QString nameOf(char digit);

// The digit of a mode caption, or nothing when the caption names no mode ("* *").
std::optional<char> digitOf(const QString& name);

}  // namespace Modes
