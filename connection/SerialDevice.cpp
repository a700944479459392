#include "SerialDevice.h"

#include <QDir>
#include <QFile>
#include <QSerialPortInfo>
#include <QSet>
#include <QtGlobal>

#include <algorithm>
#include <array>
#include <optional>

namespace {

constexpr int kPorts = 2;  // "Com 1" and "Com 2"

std::array<QString, kPorts> overrides;
std::optional<QStringList> numbered;  // the machine's devices, numbered at first need

using Kind = SerialCandidate::Kind;

// The place of each kind in the numbering; placeholders have none.
int rank(const SerialCandidate& candidate) {
    switch (candidate.kind) {
        case Kind::UsbAdapter:
            return candidate.stableName.isEmpty() ? 1 : 0;
        case Kind::Uart:
            return 2;
        case Kind::Other:
            return 3;
        case Kind::NoUart:
            break;
    }
    return -1;
}

QString shownName(const SerialCandidate& candidate) {
    return candidate.stableName.isEmpty() ? candidate.device : candidate.stableName;
}

// Names in order, a trailing number compared as a number: ttyS2 before ttyS10.
bool nameLess(const QString& a, const QString& b) {
    const auto split = [](const QString& name) {
        qsizetype digits = name.size();
        while (digits > 0 && name[digits - 1].isDigit()) --digits;
        return std::pair{QStringView(name).left(digits), name.mid(digits).toULongLong()};
    };
    const auto [textA, numberA] = split(a);
    const auto [textB, numberB] = split(b);
    if (textA != textB)
        return textA < textB;
    if (numberA != numberB)
        return numberA < numberB;
    return a < b;
}

}  // namespace

SerialCandidate windowsSerialCandidate(const QString& portName, bool usb,
                                       const QString& description) {
    if (usb)
        return {portName, {}, Kind::UsbAdapter};
    // "Standard Serial over Bluetooth link": a paired telephone or headset, not a radio's line.
    if (description.contains(QLatin1String("Bluetooth"), Qt::CaseInsensitive))
        return {portName, {}, Kind::Other};
    return {portName, {}, Kind::Uart};
}

QStringList numberSerialDevices(QList<SerialCandidate> candidates) {
    candidates.removeIf([](const SerialCandidate& c) { return rank(c) < 0; });
    std::sort(candidates.begin(), candidates.end(),
              [](const SerialCandidate& a, const SerialCandidate& b) {
                  if (rank(a) != rank(b))
                      return rank(a) < rank(b);
                  return nameLess(shownName(a), shownName(b));
              });
    QStringList names;
    for (const SerialCandidate& candidate : candidates) names << shownName(candidate);
    return names;
}

// udev names every USB serial device under /dev/serial/by-id after what it is (maker, model,
// serial number), whichever ttyUSB number it gets. The kernel registers ttyS0 to ttyS3 whether
// or not a UART answers at their addresses; the port's "type" in sysfs, readable by every user,
// is 0 for those without one. QSerialPortInfo tells neither: it does not know the by-id names,
// and it sorts out placeholders by opening each port (which needs the dialout group) and only
// where the port's driver is named as older kernels name it. It lists the rest: USB devices
// where udev left no link, and the boards' own serial ports. On Windows it tells all: a USB
// adapter's driver gives its vendor, and its COM name stays with the adapter.
QList<SerialCandidate> machineSerialDevices(const QString& root) {
    QList<SerialCandidate> found;
    QSet<QString> listed;
#ifdef Q_OS_LINUX
    const auto entries = QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot;
    const QDir byId(root + QStringLiteral("/dev/serial/by-id"));
    for (const QFileInfo& link : byId.entryInfoList(entries, QDir::Name)) {
        const QString device = link.canonicalFilePath();
        if (device.isEmpty())
            continue;  // a link left behind by an adapter just pulled out
        found << SerialCandidate{device, link.absoluteFilePath(), Kind::UsbAdapter};
        listed << device;
    }
    const QDir ttys(root + QStringLiteral("/sys/class/tty"), QStringLiteral("ttyS*"));
    for (const QString& name : ttys.entryList(entries)) {
        QFile type(ttys.filePath(name + QStringLiteral("/type")));
        const bool uart = type.open(QIODevice::ReadOnly) && type.readAll().trimmed() != "0";
        const QString device = root + QStringLiteral("/dev/") + name;
        found << SerialCandidate{device, {}, uart ? Kind::Uart : Kind::NoUart};
        listed << device;
    }
#else
    Q_UNUSED(root);
#endif
    for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts()) {
        const QString device = port.systemLocation();
        if (listed.contains(device) || listed.contains(QFileInfo(device).canonicalFilePath()))
            continue;
#ifdef Q_OS_LINUX
        const QString name = port.portName();
        if (name.startsWith(QLatin1String("ttyS")))
            continue;  // sorted out above
        const bool usb =
            name.startsWith(QLatin1String("ttyUSB")) || name.startsWith(QLatin1String("ttyACM"));
        found << SerialCandidate{device, {}, usb ? Kind::UsbAdapter : Kind::Other};
#elif defined(Q_OS_WIN)
        found << windowsSerialCandidate(port.portName(), port.hasVendorIdentifier(),
                                        port.description());
#else
        const bool usb = port.hasVendorIdentifier();
        found << SerialCandidate{device, {}, usb ? Kind::UsbAdapter : Kind::Other};
#endif
    }
    return found;
}

void numberPortsFrom(const QList<SerialCandidate>& candidates) {
    numbered = numberSerialDevices(candidates);
}

void setSerialDeviceOverride(int port, const QString& device) {
    if (port >= 1 && port <= kPorts)
        overrides[port - 1] = device;
}

namespace {

struct Choice {
    QString device;
    QString origin;  // who named it, when not the numbering
};

Choice choiceFor(int port) {
    if (port >= 1 && port <= kPorts && !overrides[port - 1].isEmpty())
        return {overrides[port - 1], QStringLiteral("ligne de commande")};
    const QByteArray variable = "TOVRAN_COM" + QByteArray::number(port);
    if (const QString chosen = qEnvironmentVariable(variable.constData()); !chosen.isEmpty())
        return {chosen, QString::fromLatin1(variable)};
    if (!numbered)
        numberPortsFrom(machineSerialDevices());
    return {numbered->value(port - 1), {}};
}

}  // namespace

QString serialDeviceForPort(int port) {
    return choiceFor(port).device;
}

QString portChoice(int port) {
    const Choice choice = choiceFor(port);
    QString line = QStringLiteral("Com %1: ").arg(port);
    line += choice.device.isEmpty() ? QStringLiteral("aucun port série") : choice.device;
    if (!choice.origin.isEmpty())
        line += QStringLiteral(" (%1)").arg(choice.origin);
    return line;
}

QStringList portChoices() {
    QStringList lines;
    for (int port = 1; port <= kPorts; ++port) lines << portChoice(port);
    return lines;
}
