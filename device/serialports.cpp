#include "serialports.h"

#include <QSerialPortInfo>

namespace {
const QString AdapterName = QStringLiteral("USB-SERIAL CH340");
constexpr quint16 AdapterVendorId = 0x1A86;
constexpr quint16 Ch340ProductId = 0x7523;
constexpr quint16 Ch341ProductId = 0x5523;

bool isInstrumentPort(const SerialPortRecord &port)
{
    if (port.description.startsWith(AdapterName, Qt::CaseSensitive))
        return true;
    return port.hasUsbIds && port.vendorId == AdapterVendorId
        && (port.productId == Ch340ProductId || port.productId == Ch341ProductId);
}
} // namespace

QList<SerialPortRecord> systemSerialPorts()
{
    QList<SerialPortRecord> ports;
    const QList<QSerialPortInfo> infos = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : infos) {
        SerialPortRecord port;
        port.portName = info.portName();
        port.description = info.description();
        port.hasUsbIds = info.hasVendorIdentifier() && info.hasProductIdentifier();
        if (port.hasUsbIds) {
            port.vendorId = info.vendorIdentifier();
            port.productId = info.productIdentifier();
        }
        ports.append(port);
    }
    return ports;
}

QString findInstrumentPort(const QList<SerialPortRecord> &ports)
{
    QString name;
    for (const SerialPortRecord &port : ports) {
        if (isInstrumentPort(port))
            name = port.portName;
    }
    name.remove(u' ');
    return name;
}

QString chosenPort()
{
    return qEnvironmentVariable(PortVariable).trimmed();
}
