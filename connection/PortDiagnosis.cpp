#include "PortDiagnosis.h"

PortProblem classifyOpenFailure(QSerialPort::SerialPortError error, bool mayReadAndWrite) {
    switch (error) {
        case QSerialPort::DeviceNotFoundError:
            return PortProblem::Missing;
        case QSerialPort::PermissionError:
            return mayReadAndWrite ? PortProblem::InUse : PortProblem::NoPermission;
        case QSerialPort::UnsupportedOperationError:
            return PortProblem::NotSerial;  // the terminal settings cannot be read (ENOTTY)
        default:
            return PortProblem::Refused;
    }
}

QString describeOpenFailure(PortProblem problem, int port, const QString& device,
                            const QString& systemText) {
    const QString com = QStringLiteral("Com %1").arg(port);
    switch (problem) {
        case PortProblem::NoDevice:
            return QStringLiteral(
                       "%1 : aucun port série n'a été trouvé sur cette machine. "
                       "L'adaptateur USB est-il branché ?")
                .arg(com);
        case PortProblem::Missing:
            return QStringLiteral("%1 : %2 n'existe pas. L'adaptateur est-il branché ?\n(%3)")
                .arg(com, device, systemText);
        case PortProblem::InUse:
            return QStringLiteral(
                       "%1 : %2 est déjà ouvert par un autre programme (rigctld, "
                       "WSJT-X, fldigi...). Fermez-le, ou partagez la radio avec "
                       "tovran --rigctld.\n(%3)")
                .arg(com, device, systemText);
        case PortProblem::NoPermission:
            return QStringLiteral(
                       "%1 : accès refusé à %2. Les ports série appartiennent au "
                       "groupe dialout : sudo usermod -aG dialout $USER, puis ouvrez "
                       "une nouvelle session.\n(%3)")
                .arg(com, device, systemText);
        case PortProblem::NotSerial:
            return QStringLiteral("%1 : %2 n'est pas un port série.\n(%3)")
                .arg(com, device, systemText);
        case PortProblem::Refused:
            break;
    }
    return QStringLiteral("%1 : %2 ne s'ouvre pas.\n(%3)").arg(com, device, systemText);
}
