#pragma once

#include "Line.h"

#include <QByteArray>
#include <QByteArrayView>

// What the panel's UART makes of the radio's characters when the two ends do not agree on the
// line: the radio set to another speed (the 1200-baud jumper), or its TTL levels reaching the
// adapter without an inverter. The characters are put on the wire bit by bit, 8N2, and read
// back the way a UART reads them: a start bit found at the first space, checked in its middle,
// then the data bits and the first stop bit sampled in theirs.
namespace Uart {

// The line as the radio drives it: its speed, and whether its levels are upside down.
struct Wire {
    int senderBaud = Line::kBaud;
    int receiverBaud = Line::kBaud;
    bool inverted = false;
};

// What the receiver reads of `sent`, the radio's line idle before and after it. A frame whose
// stop bit reads as space is passed on as read, as Linux does without parity checking; a frame
// of nothing but space is a break, read as a NUL byte, after which the receiver waits for the
// line to come back to mark. An inverted line idles at space: it shows one break after each
// burst. With both ends agreed and the levels right, `sent` comes through as it is.
QByteArray received(QByteArrayView sent, const Wire& wire);

}  // namespace Uart
