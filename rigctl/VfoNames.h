#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

// Hamlib's VFO names and what they are to these radios: the digit of FN and of the status
// report ('0' VFO A, '1' VFO B, '2' memory), the VFO in use, or a VFO they do not have.
namespace Rigctl {

constexpr char kCurrentVfo = 'c';
constexpr char kNotOnTheseRadios = 'x';

// What a name a client sends stands for; nothing for a name Hamlib does not have.
std::optional<char> vfoDigit(QByteArrayView name);
// "VFOA", "VFOB", "MEM"; empty for any other digit.
QByteArray vfoName(char digit);
// The radio's three, in that order, each followed by a blank as Hamlib lists them.
QByteArray vfoNames();

}  // namespace Rigctl
