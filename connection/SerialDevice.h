#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// One serial device of the machine, as the numbering of "Com 1" and "Com 2" sees it.
struct SerialCandidate {
    enum class Kind {
        UsbAdapter,  // a USB-serial adapter or interface (ttyUSB, ttyACM)
        Uart,        // a /dev/ttyS* with a UART behind it
        NoUart,      // a /dev/ttyS* the kernel registers with nothing behind it
        Other,       // any other serial device: a board's own UART (ttyAMA), Bluetooth (rfcomm)
    };
    QString device;      // the device node, /dev/ttyUSB0
    QString stableName;  // its link under /dev/serial/by-id, the same after a re-plug; may be empty
    Kind kind = Kind::Other;
};

// The devices in the order of Com 1, Com 2...: USB adapters first, by their stable names (those
// without one after them, by device name), then the UARTs, then the other devices, by name with
// a trailing number compared as a number (ttyS2 before ttyS10). The ttyS placeholders are left
// out. A device with a stable name comes by that name.
QStringList numberSerialDevices(QList<SerialCandidate> candidates);

// A port as Windows lists it (COM7; whether its driver names a USB vendor; Device Manager's
// description) as the numbering sees it: USB adapters, then the machine's own ports, then the
// Bluetooth links that Windows lists as serial ports.
SerialCandidate windowsSerialCandidate(const QString& portName, bool usb,
                                       const QString& description);

// The machine's serial devices, found under `root` (the file system's root but in tests).
QList<SerialCandidate> machineSerialDevices(const QString& root = {});

// From now on "Com 1" and "Com 2" mean these devices, numbered, instead of the machine's.
void numberPortsFrom(const QList<SerialCandidate>& candidates);

// A device named on the command line for port 1 or 2; it wins over TOVRAN_COM1/TOVRAN_COM2.
// An empty name takes it back.
void setSerialDeviceOverride(int port, const QString& device);

// The device behind port 1 or 2: the one named on the command line, else in TOVRAN_COM1 or
// TOVRAN_COM2 (a USB adapter such as /dev/ttyUSB0 or COM7, or the virtual transceiver's
// pseudo-terminal), else the machine's devices in numbering order, numbered once, so that an
// adapter pulled out keeps its place until it is back.
// Empty when there is no such device.
QString serialDeviceForPort(int port);

// "Com 1: /dev/serial/by-id/usb-FTDI_..." or "Com 1: COM7 (TOVRAN_COM1)": what port 1 or 2
// means.
QString portChoice(int port);

// portChoice() for each port, said once at start.
QStringList portChoices();
