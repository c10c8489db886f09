// The tool on a Linux desktop, through the real window and the instrument
// stand-in: the port named in DATAMANAGER_PORT, the copy of every reading
// in the data folder, and why connecting failed. File permissions bind no
// root, so started as root the program runs itself again as nobody.

#include "instrumentprocess.h"
#include "windowdriver.h"

#include <QApplication>
#include <QSerialPort>
#include <QtTest>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

class LinuxDesktopTest : public QObject
{
    Q_OBJECT
    QTemporaryDir *m_dir = nullptr;

private slots:
    void init()
    {
        m_dir = new QTemporaryDir;
        QVERIFY(QDir::setCurrent(m_dir->path()));
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir->filePath("data")));
    }
    void cleanup()
    {
        qunsetenv("DATAMANAGER_PORT");
        delete m_dir;
    }

    void readThroughChosenPort_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("writable");
        QTest::addColumn<int>("arrived");
        QTest::newRow("whole read") << QStringList{ "--packets", "16" } << true << 4;
        QTest::newRow("cut short") << QStringList{ "--hangup-after", "2", "--packets", "16" } << true << 2;
        QTest::newRow("data folder unwritable") << QStringList{ "--random", "3" } << false << 4;
    }
    void readThroughChosenPort();

    void failureExplained_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QStringList>("usbIds");   // of the fake sysfs device
        QTest::addColumn<QStringList>("mentions"); // in the second paragraph; none: no box
        QTest::newRow("no permission") << "forbidden" << QStringList() << QStringList{ "<port>", "dialout" };
        QTest::newRow("in use") << "held" << QStringList() << QStringList{ "<port>", "其他程序占用" };
        QTest::newRow("CH340 without port") << "sysfs" << QStringList{ "1a86", "7523" } << QStringList{ "brltty", "README" };
        QTest::newRow("CH341 without port") << "sysfs" << QStringList{ "1A86", "5523" } << QStringList{ "brltty" };
        QTest::newRow("other USB device") << "sysfs" << QStringList{ "046d", "c52b" } << QStringList();
    }
    void failureExplained();
};

void LinuxDesktopTest::readThroughChosenPort()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, writable);
    QFETCH(int, arrived);
    if (!writable) { // no folder can be made under a file
        writeFile(m_dir->filePath("data"), "a file");
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^reading copies: .* cannot be made"));
    }
    const QStringList groups = InstrumentProcess::Groups.mid(0, arrived);

    InstrumentProcess instrument;
    QVERIFY(instrument.start(arguments));
    qputenv("DATAMANAGER_PORT", QFile::encodeName(instrument.portPath()));
    WindowDriver driver;
    driver.window().setPortEnumerator([] { return QList<SerialPortRecord>{}; });
    driver.action("action_connect_device")->trigger();
    QVERIFY(driver.dialogs().waitForMessages());
    QCOMPARE(driver.dialogs().takeMessages(), QStringList{ "通信成功|已连接上设备！" });
    driver.action("action_read_device")->trigger();
    if (arrived < 4) {
        QVERIFY(driver.dialogs().waitForMessages());
        QCOMPARE(driver.dialogs().takeMessages(), QStringList{ "通信失败|设备连接已断开！" });
    } else {
        QTRY_VERIFY(driver.action("action_save")->isEnabled());
    }
    QCOMPARE(driver.window().loadedGroups(), groups);
    if (driver.window().isConnected())
        driver.action("action_connect_device")->trigger();

    const QDir readings(m_dir->filePath("data/datamanager/readings"));
    const QStringList copies = readings.entryList(QDir::Files);
    QCOMPARE(copies.size(), writable ? 1 : 0);
    if (writable) {
        QVERIFY2(QRegularExpression("^\\d{4}-\\d\\d-\\d\\d_\\d\\d-\\d\\d-\\d\\d\\.dat$")
                     .match(copies.first()).hasMatch(), qPrintable(copies.first()));
        driver.open(readings.filePath(copies.first()));
        QCOMPARE(driver.window().loadedGroups(), groups);
    }
    QVERIFY(driver.dialogs().messages.isEmpty());
}

void LinuxDesktopTest::failureExplained()
{
    QFETCH(QString, setup);
    QFETCH(QStringList, usbIds);
    QFETCH(QStringList, mentions);
    InstrumentProcess instrument;
    QVERIFY(instrument.start());
    const QString port = instrument.portPath();
    QSerialPort holder(port);
    if (setup == "forbidden") {
        QVERIFY(QFile::setPermissions(port, {}));
        if (QFile(port).open(QIODevice::ReadWrite))
            QSKIP("this user opens files without permission (root with CAP_DAC_OVERRIDE, no setpriv)");
    }
    QVERIFY(setup != "held" || holder.open(QIODevice::ReadWrite));
    WindowDriver driver;
    driver.window().setPortEnumerator([] { return QList<SerialPortRecord>{ { "ttyS0", "Serial port", false, 0, 0 } }; });
    if (setup == "sysfs") {
        writeFile(m_dir->filePath("sys/bus/usb/devices/1-1/idVendor"), usbIds[0].toLatin1() + '\n');
        writeFile(m_dir->filePath("sys/bus/usb/devices/1-1/idProduct"), usbIds[1].toLatin1() + '\n');
        driver.window().setSysfsRoot(m_dir->filePath("sys"));
    } else {
        qputenv("DATAMANAGER_PORT", QFile::encodeName(port));
    }
    QString informative;
    driver.dialogs().whileMessageOpen([&](QMessageBox *box) { informative = box->informativeText(); });
    driver.action("action_connect_device")->trigger();
    QVERIFY(!driver.window().isConnected());
    QCOMPARE(driver.dialogs().takeMessages(),
             mentions.isEmpty() ? QStringList() : QStringList{ "通信失败|连接设备失败，检查驱动是否安装！" });
    for (const QString &mention : mentions)
        QVERIFY2(informative.contains(QString(mention).replace("<port>", port)), qPrintable(informative));
}

int main(int argc, char *argv[])
{
    if (geteuid() == 0 && qEnvironmentVariableIsEmpty("DM_TEST_AS_NOBODY")
        && std::system("setpriv --reuid=nobody --regid=nogroup --clear-groups true 2>/dev/null") == 0) {
        qputenv("DM_TEST_AS_NOBODY", "1");
        std::error_code error;
        const std::string self = std::filesystem::read_symlink("/proc/self/exe", error).string();
        std::vector<const char *> args{ "setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups",
                                        "--inh-caps=-all", self.empty() ? argv[0] : self.c_str() };
        args.insert(args.end(), argv + 1, argv + argc + 1); // with the closing null
        execvp("setpriv", const_cast<char **>(args.data()));
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("datamanager"));
    LinuxDesktopTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_linuxdesktop.moc"
