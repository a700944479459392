#include "SerialDevice.h"

#include <QtGlobal>

QString serialDeviceForPort(int port) {
    const QByteArray variable = "TOVRAN_COM" + QByteArray::number(port);
    const QString chosen = qEnvironmentVariable(variable.constData());
    if (!chosen.isEmpty())
        return chosen;
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(port);
#else
    return QStringLiteral("/dev/ttyS%1").arg(port - 1);
#endif
}
