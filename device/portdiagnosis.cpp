#include "portdiagnosis.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace PortDiagnosis {

QString deviceFile(const QString &portName)
{
#ifdef Q_OS_UNIX
    if (!portName.startsWith(u'/'))
        return QStringLiteral("/dev/") + portName;
#endif
    return portName;
}

Cause openFailure(QSerialPort::SerialPortError error, const QString &deviceFile)
{
    if (error == QSerialPort::DeviceNotFoundError)
        return Cause::NotFound;
    if (error != QSerialPort::PermissionError)
        return Cause::Unknown;
#ifdef Q_OS_WIN
    Q_UNUSED(deviceFile);
#else
    // The port reports a refused device file and a port locked or held by
    // another program alike; the file's permissions tell them apart.
    const QFileInfo file(deviceFile);
    if (file.exists() && !(file.isReadable() && file.isWritable()))
        return Cause::PermissionDenied;
#endif
    return Cause::InUse;
}

bool adapterPluggedIn(const QString &sysfsRoot)
{
    if (sysfsRoot.isEmpty())
        return false;
    const QDir devices(sysfsRoot + QStringLiteral("/bus/usb/devices"));
    const auto idOf = [&devices](const QString &device, const char *name) {
        QFile file(devices.filePath(device + u'/' + QLatin1String(name)));
        return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed().toLower() : QByteArray();
    };
    const QStringList entries = devices.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &device : entries) {
        if (idOf(device, "idVendor") != "1a86")
            continue;
        const QByteArray product = idOf(device, "idProduct");
        if (product == "7523" || product == "5523")
            return true;
    }
    return false;
}

QString systemSysfsRoot()
{
#ifdef Q_OS_LINUX
    return QStringLiteral("/sys");
#else
    return QString();
#endif
}

QString advice(Cause cause, const QString &port)
{
    const auto tr = [](const char *text) { return QCoreApplication::translate("PortDiagnosis", text); };
#ifdef Q_OS_WIN
    const QString driver = tr("请确认设备已插好，并在“设备管理器”的“端口(COM和LPT)”中查看有没有"
                              "“USB-SERIAL CH340”；没有时请安装CH340驱动程序，再重新插拔设备。");
#endif
    switch (cause) {
    case Cause::Unknown:
#ifdef Q_OS_WIN
        return driver;
#else
        break;
#endif
    case Cause::PermissionDenied:
        return tr("没有打开串口%1的权限。请安装本软件的Debian软件包（它允许登录的用户使用CH340/CH341串口，"
                  "装好后重新插拔设备），或者把当前用户加入dialout组（sudo adduser 用户名 dialout）"
                  "后注销并重新登录。")
            .arg(port);
    case Cause::InUse:
        return tr("串口%1正被其他程序占用。请关闭使用该串口的程序后再连接设备。").arg(port);
    case Cause::NotFound:
#ifdef Q_OS_WIN
        return tr("找不到串口%1。").arg(port) + driver;
#else
        return tr("找不到串口%1，设备可能已拔出。请插好设备后再连接。").arg(port);
#endif
    case Cause::AdapterClaimed:
        return tr("已插入CH340/CH341 USB转串口，但系统没有为它建立串口，可能被其他服务"
                  "（如盲文服务brltty）占用。解决方法见README的“Linux故障排除”一节。");
    }
    return QString();
}

} // namespace PortDiagnosis
