#ifndef SERIALPORTS_H
#define SERIALPORTS_H

#include <QList>
#include <QString>
#include <QtGlobal>

// One serial port of the machine as the system's port enumeration reports it.
struct SerialPortRecord
{
    QString portName;    // name for opening the port
    QString description; // friendly name given by the driver
    bool hasUsbIds = false;
    quint16 vendorId = 0;
    quint16 productId = 0;
};

// The machine's serial ports, in the enumeration's order.
QList<SerialPortRecord> systemSerialPorts();

// The name of the instrument's port among the ports: the port whose friendly
// name begins with "USB-SERIAL CH340" (case-sensitive), or whose USB ids are
// those of the CH340/CH341 adapter chips (vendor 1A86, product 7523 or 5523),
// since drivers other than the vendor's give it other friendly names. Of
// several such ports the last one listed wins. The name is returned with
// every blank removed; empty when no port matches.
QString findInstrumentPort(const QList<SerialPortRecord> &ports);

// The port the user names in the environment variable DATAMANAGER_PORT, a
// device path ("/dev/pts/4") or a port name ("ttyUSB1", "COM5"), to be used
// instead of the search for the adapter; empty when the variable is unset.
inline constexpr char PortVariable[] = "DATAMANAGER_PORT";
QString chosenPort();

#endif // SERIALPORTS_H
