// Recognising the instrument's adapter among the machine's serial ports.

#include <QSerialPortInfo>
#include <QtTest>

#include "device/serialports.h"

using Ports = QList<SerialPortRecord>;
Q_DECLARE_METATYPE(Ports)

namespace {

SerialPortRecord named(const QString &portName, const QString &description)
{
    SerialPortRecord port;
    port.portName = portName;
    port.description = description;
    return port;
}

SerialPortRecord withIds(const QString &portName, const QString &description, quint16 vendorId,
                         quint16 productId)
{
    SerialPortRecord port = named(portName, description);
    port.hasUsbIds = true;
    port.vendorId = vendorId;
    port.productId = productId;
    return port;
}

} // namespace

class TestSerialPorts : public QObject
{
    Q_OBJECT

private slots:
    void findInstrumentPort_data();
    void findInstrumentPort();
    void systemSerialPorts();
};

void TestSerialPorts::findInstrumentPort_data()
{
    QTest::addColumn<Ports>("ports");
    QTest::addColumn<QString>("found");

    const SerialPortRecord builtIn = named("ttyS0", "");
    const SerialPortRecord ftdi = withIds("ttyUSB3", "FT232R USB UART", 0x0403, 0x6001);

    QTest::newRow("empty list") << Ports{} << QString();
    QTest::newRow("no adapter") << Ports{ builtIn, ftdi } << QString();
    QTest::newRow("adapter by friendly name")
        << Ports{ builtIn, named("COM3", "USB-SERIAL CH340 (COM3)"), ftdi } << "COM3";
    QTest::newRow("two adapters: last listed wins")
        << Ports{ named("COM3", "USB-SERIAL CH340 (COM3)"), builtIn,
                  named("COM7", "USB-SERIAL CH340 (COM7)") }
        << "COM7";
    QTest::newRow("adapter before other ports")
        << Ports{ named("COM5", "USB-SERIAL CH340"), builtIn, ftdi } << "COM5";
    QTest::newRow("other letter case not recognised")
        << Ports{ named("COM3", "usb-serial ch340 (COM3)"), named("COM4", "USB-Serial CH340"),
                  named("COM6", "USB-SERIAL Ch340") }
        << QString();
    QTest::newRow("name must begin with the words")
        << Ports{ named("COM3", " USB-SERIAL CH340"), named("COM4", "Port USB-SERIAL CH340") }
        << QString();
    QTest::newRow("blanks removed from the port name")
        << Ports{ named(" COM 12 ", "USB-SERIAL CH340 (COM12)") } << "COM12";
    QTest::newRow("CH340 by USB ids, Linux description")
        << Ports{ builtIn, withIds("ttyUSB0", "USB Serial", 0x1A86, 0x7523) } << "ttyUSB0";
    QTest::newRow("CH341 by USB ids, Linux description")
        << Ports{ withIds("ttyUSB1", "USB2.0-Serial", 0x1A86, 0x5523), ftdi } << "ttyUSB1";
    QTest::newRow("name and ids mixed: last listed wins")
        << Ports{ withIds("ttyUSB0", "USB Serial", 0x1A86, 0x7523),
                  named("ttyUSB2", "USB-SERIAL CH340") }
        << "ttyUSB2";
    QTest::newRow("other vendor, same product")
        << Ports{ withIds("ttyUSB0", "USB Serial", 0x1A87, 0x7523) } << QString();
    QTest::newRow("same vendor, other product")
        << Ports{ withIds("ttyUSB0", "USB Serial", 0x1A86, 0x7522) } << QString();
    QTest::newRow("ids not reported")
        << Ports{ [] {
               SerialPortRecord port = withIds("ttyUSB0", "USB Serial", 0x1A86, 0x7523);
               port.hasUsbIds = false;
               return port;
           }() }
        << QString();
}

void TestSerialPorts::findInstrumentPort()
{
    QFETCH(Ports, ports);
    QFETCH(QString, found);
    QCOMPARE(::findInstrumentPort(ports), found);
}

// The records carry what the system's enumeration reports, port by port.
void TestSerialPorts::systemSerialPorts()
{
    const QList<QSerialPortInfo> infos = QSerialPortInfo::availablePorts();
    const Ports ports = ::systemSerialPorts();
    if (infos.isEmpty())
        QSKIP("this machine has no serial ports");
    QCOMPARE(ports.size(), infos.size());
    for (qsizetype i = 0; i < ports.size(); ++i) {
        QCOMPARE(ports[i].portName, infos[i].portName());
        QCOMPARE(ports[i].description, infos[i].description());
        QCOMPARE(ports[i].hasUsbIds,
                 infos[i].hasVendorIdentifier() && infos[i].hasProductIdentifier());
        if (ports[i].hasUsbIds) {
            QCOMPARE(ports[i].vendorId, infos[i].vendorIdentifier());
            QCOMPARE(ports[i].productId, infos[i].productIdentifier());
        }
    }
}

QTEST_GUILESS_MAIN(TestSerialPorts)
#include "tst_serialports.moc"
