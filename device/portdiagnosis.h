#ifndef PORTDIAGNOSIS_H
#define PORTDIAGNOSIS_H

#include <QSerialPort>
#include <QString>

// Why the instrument's port could not be used, as far as the system tells,
// and what the user can do about it: the second paragraph of the box
// "连接设备失败，检查驱动是否安装！".
namespace PortDiagnosis {

enum class Cause {
    Unknown,
    PermissionDenied, // the user may not open the device file
    InUse,            // another program holds the port
    NotFound,         // no such port (unplugged, or no driver made it)
    AdapterClaimed    // a CH340/CH341 is plugged in but has no serial port
};

// The device file of a port name ("ttyUSB0" is /dev/ttyUSB0 on Unix; a
// path stays as it is).
QString deviceFile(const QString &portName);

// The cause of a failed open, from the port's error and the device file.
// Windows has no file permissions on a port: its "access denied" means that
// another program holds it.
Cause openFailure(QSerialPort::SerialPortError error, const QString &deviceFile);

// Whether a CH340/CH341 adapter is plugged in, by the USB ids under
// sysfsRoot/bus/usb/devices (Linux). False when that folder does not exist.
bool adapterPluggedIn(const QString &sysfsRoot);

// The sysfs root of this system: "/sys" on Linux, empty elsewhere.
QString systemSysfsRoot();

// The advice for the cause, naming the port when given, in the words of the
// system the tool runs on (Linux: permissions, brltty; Windows: the CH340
// driver and the Device Manager); empty for Unknown except on Windows.
QString advice(Cause cause, const QString &port = QString());

} // namespace PortDiagnosis

#endif // PORTDIAGNOSIS_H
