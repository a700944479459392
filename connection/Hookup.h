#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

// What the line shows while the radio does not name itself, and what the operator is told about
// it. Owners' trouble is mostly in the hookup: the IC-10 interface not fitted, TTL levels
// without an inverter, the 1200-baud jumper, a radio that waits for the handshake.
namespace Hookup {

enum class Trouble {
    NoAnswer,     // nothing but, at most, stray replies of the protocol
    NotProtocol,  // bytes no radio of this protocol sends: framing errors, wrong levels or speed
    CtsLow,       // the radio or its interface does not let the panel's line know it may send
};

// The characters of the radios' replies: capitals, digits, ";", the "+", "-" and blanks of the
// status report, the "?" of a refusal, and the line ends some interfaces add. Anything else is
// what a UART reads of a line at the wrong speed or levels.
bool isProtocol(QByteArrayView text);

// The case the line shows: bytes outside the protocol first, then CTS low (when the port can
// tell), else no answer.
Trouble troubleOf(bool heardNotProtocol, std::optional<bool> clearToSend);

// The operator's line for each case, in French.
QString advice(Trouble trouble);

// "La radio répond à 1200 bauds."
QString answeredAt(int baud);

// The speed "ID;" is asked at next, when it is asked again: 1200 baud after a try at 4800 that
// heard bytes outside the protocol, 4800 again after any try at 1200.
int nextSpeed(int baud, bool heardNotProtocol);

}  // namespace Hookup
