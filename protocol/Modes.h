#pragma once

#include <QString>

#include <array>
#include <optional>
#include <string_view>

// The six modes of these radios. The same digit stands for a mode in the MD and MW commands
// and in the status and memory replies; this table is the one place that pairs them, and the
// panel, the rigctld server and the virtual transceiver all read it.
namespace Modes {

enum Digit : char { Lsb = '1', Usb, Cw, Fm, Am, Fsk };

struct Mode {
    Digit digit;
    std::string_view name;  // the panel's caption
};

inline constexpr std::array<Mode, 6> kAll{{
    {Lsb, "LSB"},
    {Usb, "USB"},
    {Cw, "CW"},
    {Fm, "FM"},
    {Am, "AM"},
    {Fsk, "FSK"},
}};

// The mode's caption ("LSB" ... "FSK") for a digit '1' to '6'; empty for any other character.
QString nameOf(char digit);

// The digit of a mode caption, or nothing when the caption names no mode ("* *").
std::optional<char> digitOf(const QString& name);

}  // namespace Modes
