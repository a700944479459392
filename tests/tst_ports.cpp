// Which device "Com 1" and "Com 2" mean on a machine nobody configured, and what the operator
// is told when the port will not open.

#include "PortDiagnosis.h"
#include "SerialDevice.h"

#include <QTemporaryDir>
#include <QTest>

class PortsTest : public QObject {
    Q_OBJECT

    // "usb /dev/ttyUSB0 /dev/serial/by-id/usb-FTDI..." or "uart /dev/ttyS0", "none", "other".
    static QList<SerialCandidate> described(const QStringList& lines) {
        const QHash<QString, SerialCandidate::Kind> kinds = {
            {"usb", SerialCandidate::Kind::UsbAdapter},
            {"uart", SerialCandidate::Kind::Uart},
            {"none", SerialCandidate::Kind::NoUart},
            {"other", SerialCandidate::Kind::Other}};
        QList<SerialCandidate> candidates;
        for (const QString& line : lines) {
            const QStringList words = line.split(' ');
            candidates << SerialCandidate{words.value(1), words.value(2), kinds.value(words[0])};
        }
        return candidates;
    }

private slots:
    void numbering_data() {
        QTest::addColumn<QStringList>("machine");
        QTest::addColumn<QStringList>("ports");  // Com 1, Com 2...
        const QString ftdi = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
        const QString prolific = "/dev/serial/by-id/usb-Prolific_Technology_Inc._USB-Serial-port0";
        QTest::newRow("a lone adapter beside the four placeholders")
            << QStringList{"none /dev/ttyS0", "none /dev/ttyS1", "usb /dev/ttyUSB0 " + ftdi,
                           "none /dev/ttyS2", "none /dev/ttyS3"}
            << QStringList{ftdi};
        QTest::newRow("adapters by stable name whatever their numbers, then the UARTs")
            << QStringList{"uart /dev/ttyS1", "usb /dev/ttyUSB0 " + prolific, "uart /dev/ttyS0",
                           "usb /dev/ttyUSB1 " + ftdi}
            << QStringList{ftdi, prolific, "/dev/ttyS0", "/dev/ttyS1"};
        QTest::newRow("an adapter without a stable name after those with one")
            << QStringList{"uart /dev/ttyS0", "usb /dev/ttyACM0", "usb /dev/ttyUSB3 " + ftdi}
            << QStringList{ftdi, "/dev/ttyACM0", "/dev/ttyS0"};
        QTest::newRow("numbers in number order")
            << QStringList{"usb /dev/ttyUSB10", "usb /dev/ttyUSB2", "uart /dev/ttyS10",
                           "uart /dev/ttyS9"}
            << QStringList{"/dev/ttyUSB2", "/dev/ttyUSB10", "/dev/ttyS9", "/dev/ttyS10"};
        QTest::newRow("a board's own port after the UARTs")
            << QStringList{"other /dev/ttyAMA0", "none /dev/ttyS0", "uart /dev/ttyS4"}
            << QStringList{"/dev/ttyS4", "/dev/ttyAMA0"};
        QTest::newRow("nothing but placeholders")
            << QStringList{"none /dev/ttyS0", "none /dev/ttyS1"} << QStringList{};
    }
    void numbering() {
        QFETCH(QStringList, machine);
        QTEST(numberSerialDevices(described(machine)), "ports");
        numberPortsFrom(described(machine));
        QFETCH(QStringList, ports);
        qunsetenv("TOVRAN_COM2");
        qputenv("TOVRAN_COM1", "/dev/ttyRADIO");  // the variable still wins
        QCOMPARE(portChoices(), QStringList({"Com 1: /dev/ttyRADIO (TOVRAN_COM1)",
                                             "Com 2: " + ports.value(1, "aucun port série")}));
        setSerialDeviceOverride(1, "/dev/ttyCLI");  // and the command line over it
        QCOMPARE(serialDeviceForPort(1), "/dev/ttyCLI");
        setSerialDeviceOverride(1, {});
        qunsetenv("TOVRAN_COM1");
        QCOMPARE(serialDeviceForPort(1), ports.value(0));
    }

    // Windows lists every port with its COM name; a USB adapter's driver gives its vendor.
    void windowsNumbering_data() {
        QTest::addColumn<QStringList>("machine");  // "COM3 usb", "COM1 Communications Port"
        QTest::addColumn<QStringList>("ports");
        QTest::newRow("a lone adapter on a PC with no COM port of its own")
            << QStringList{"COM7 usb"} << QStringList{"COM7"};
        QTest::newRow("the adapter before the machine's COM1")
            << QStringList{"COM1 Communications Port", "COM3 usb"} << QStringList{"COM3", "COM1"};
        QTest::newRow("adapters in number order")
            << QStringList{"COM10 usb", "COM2 Communications Port", "COM9 usb"}
            << QStringList{"COM9", "COM10", "COM2"};
        QTest::newRow("Bluetooth links last, whatever their numbers")
            << QStringList{"COM3 Standard Serial over Bluetooth link", "COM6 Communications Port",
                           "COM5 usb"}
            << QStringList{"COM5", "COM6", "COM3"};
    }
    void windowsNumbering() {
        QFETCH(QStringList, machine);
        QList<SerialCandidate> candidates;
        for (const QString& port : machine) {
            const QString name = port.section(' ', 0, 0);
            const QString description = port.section(' ', 1);
            candidates << windowsSerialCandidate(name, description == "usb", description);
        }
        QTEST(numberSerialDevices(candidates), "ports");
    }

    // The machine as udev and the kernel describe it: by-id links, the UARTs' "type".
    void machineIsReadFromDevicesAndSysfs() {
        QTemporaryDir root;
        const QString adapter = root.filePath("dev/ttyUSB0");
        const QString link = root.filePath("dev/serial/by-id/usb-FTDI_FT232R-if00-port0");
        QVERIFY(QDir(root.path()).mkpath("dev/serial/by-id"));
        QVERIFY(QFile(adapter).open(QIODevice::WriteOnly) && QFile::link(adapter, link));
        QVERIFY(QFile::link(root.filePath("dev/ttyUSB9"),
                            root.filePath("dev/serial/by-id/usb-pulled-out-port0")));
        for (const auto& [name, type] : {std::pair{"ttyS0", "4\n"}, {"ttyS1", "0\n"}}) {
            QVERIFY(QDir(root.path()).mkpath(QString("sys/class/tty/") + name));
            QFile file(root.filePath(QString("sys/class/tty/%1/type").arg(name)));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(type) > 0);
        }
        QVERIFY(QDir(root.path()).mkpath("sys/class/tty/ttyS2"));  // no type said: no UART
        QStringList found;
        for (const SerialCandidate& c : machineSerialDevices(root.path())) {
            if (c.device.startsWith(root.path()) || c.stableName.startsWith(root.path()))
                found << QString::number(int(c.kind)) + ' ' + c.device + ' ' + c.stableName;
        }
        found.sort();
        const QString dev = root.filePath("dev/");
        QCOMPARE(found, QStringList({"0 " + adapter + ' ' + link, "1 " + dev + "ttyS0 ",
                                     "2 " + dev + "ttyS1 ", "2 " + dev + "ttyS2 "}));
    }

    void openFailure_data() {
        QTest::addColumn<QSerialPort::SerialPortError>("error");
        QTest::addColumn<bool>("mayReadAndWrite");
        QTest::addColumn<PortProblem>("problem");
        QTest::addColumn<QString>("advice");  // words the operator acts on
        QTest::newRow("missing") << QSerialPort::DeviceNotFoundError << false
                                 << PortProblem::Missing << "n'existe pas";
        QTest::newRow("no permission: not in dialout")
            << QSerialPort::PermissionError << false << PortProblem::NoPermission << "dialout";
        QTest::newRow("in use by another program")
            << QSerialPort::PermissionError << true << PortProblem::InUse << "autre programme";
        QTest::newRow("no serial port") << QSerialPort::UnsupportedOperationError << true
                                        << PortProblem::NotSerial << "n'est pas un port série";
        QTest::newRow("anything else")
            << QSerialPort::ResourceError << true << PortProblem::Refused << "ne s'ouvre pas";
    }
    void openFailure() {
        QFETCH(QSerialPort::SerialPortError, error);
        QFETCH(bool, mayReadAndWrite);
        QFETCH(PortProblem, problem);
        QCOMPARE(classifyOpenFailure(error, mayReadAndWrite), problem);
        const QString text = describeOpenFailure(problem, 2, "/dev/ttyUSB0", "System says");
        QFETCH(QString, advice);
        QVERIFY2(text.startsWith("Com 2 : ") && text.contains("/dev/ttyUSB0") &&
                     text.contains(advice) && text.endsWith("\n(System says)"),
                 qPrintable(text));
    }
};

QTEST_GUILESS_MAIN(PortsTest)
#include "tst_ports.moc"
