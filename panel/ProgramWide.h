#pragma once

#include <QByteArray>

// The two variables the panel's handlers share besides its captions. The port chosen is the
// port window's, handed to the panel when it opens.

// The command that selects the VFO the radio last reported: FN0; (A) or FN1; (B). The VFO
// button sends it to leave memory mode.
extern QByteArray VfoCommand;
// True between the first and the second press of M.IN: a store into memory is waiting for
// its channel, and the status reports leave the frequency and mode on display alone.
extern bool StorePending;
