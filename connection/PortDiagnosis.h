#pragma once

#include <QSerialPort>
#include <QString>

// Why a port would not open, as the operator can act on it.
enum class PortProblem {
    NoDevice,      // nothing on this machine stands behind the choice
    Missing,       // the device named is not there (an adapter unplugged, a mistyped name)
    InUse,         // another program holds it
    NoPermission,  // the user may not open it (on Linux: not in the dialout group)
    NotSerial,     // it is there but it is no serial port
    Refused,       // anything else the system says
};

// What QSerialPort's error after a failed open means. It reports a device in use and one the
// user may not open alike (EBUSY, a lock file held, EACCES); whether the user may read and write
// the device tells them apart.
PortProblem classifyOpenFailure(QSerialPort::SerialPortError error, bool mayReadAndWrite);

// The explanation beside "Port indisponible !", on standard error and in the message box:
// which port, which device, what to do, and the system's own words.
QString describeOpenFailure(PortProblem problem, int port, const QString& device,
                            const QString& systemText);
