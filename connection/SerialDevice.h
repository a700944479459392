#pragma once

#include <QString>

// The device behind port 1 or 2: COM1/COM2 on Windows, /dev/ttyS0 and /dev/ttyS1 elsewhere.
// TOVRAN_COM1 and TOVRAN_COM2 name another device instead (a USB adapter such as
// /dev/ttyUSB0, or the virtual transceiver's pseudo-terminal).
QString serialDeviceForPort(int port);
