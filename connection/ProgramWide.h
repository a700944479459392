#pragma once

#include <QByteArray>

// The three variables the whole program shares.

// The serial port chosen in the port window: 1 or 2.
extern int PortNumber;
// The command that selects the VFO the radio last reported: FN0; (A) or FN1; (B). The VFO
// button sends it to leave memory mode.
extern QByteArray VfoCommand;
// True between the first and the second press of M.IN: a store into memory is waiting for
// its channel, and the status reports leave the frequency and mode on display alone.
extern bool StorePending;
