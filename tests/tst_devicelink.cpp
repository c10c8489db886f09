// The real main window on a real serial port: a pseudo-terminal with the
// instrument stand-in, or a bare one written by the test, on the other side.
// Finding the adapter, connect, read, delete, disconnect, pulled cables,
// garbage on the line and replies that arrive under a message box.

#include "device/serialports.h"
#include "instrumentprocess.h"
#include "windowdriver.h"

#include <QSerialPort>
#include <QtTest>
#include <fcntl.h>
#include <unistd.h>

using Ports = QList<SerialPortRecord>;

namespace {

const QString ch340 = QStringLiteral("USB-SERIAL CH340 (COM3)");
const QByteArray group = "50.00 1.5 1.48 1.52 0.03 220 219.8 220.5 3 2.8 3.2 24 12 12 24.1 12 11.9 2 0";

} // namespace

class DeviceLinkTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_dir.isValid() && QDir::setCurrent(m_dir.path())); }
    void cleanup() { m_instrument.reset(); }
    void findAdapter_data();
    void findAdapter();
    void connectReadDeleteDisconnect_data();
    void connectReadDeleteDisconnect();
    void linkEndsInTheMiddleOfALine_data();
    void linkEndsInTheMiddleOfALine();
    void repliesUnderABox_data();
    void repliesUnderABox();
    void garbageOnTheLine_data();
    void garbageOnTheLine();

private:
    bool startInstrument(const QStringList &arguments = {});
    void connectWindow(WindowDriver &driver, const QString &port,
                       const QStringList &messages = { "通信成功|已连接上设备！" });
    std::unique_ptr<InstrumentProcess> m_instrument;
    QTemporaryDir m_dir;
};

bool DeviceLinkTest::startInstrument(const QStringList &arguments)
{
    m_instrument = std::make_unique<InstrumentProcess>();
    return m_instrument->start(arguments);
}

void DeviceLinkTest::connectWindow(WindowDriver &driver, const QString &port, const QStringList &messages)
{
    driver.window().setPortEnumerator([port] {
        return Ports{ { "ttyS0", "Serial port", false, 0, 0 }, { port, ch340, false, 0, 0 } };
    });
    driver.action("action_connect_device")->trigger();
    QVERIFY(driver.window().isConnected());
    QCOMPARE(driver.action("action_connect_device")->text(), QStringLiteral("断开连接"));
    QVERIFY(driver.dialogs().waitForMessages(messages.size()));
    QCOMPARE(driver.dialogs().takeMessages(), messages);
}

void DeviceLinkTest::findAdapter_data()
{
    QTest::addColumn<Ports>("ports");
    QTest::addColumn<QString>("found");
    const SerialPortRecord builtIn{ "ttyS0", "", false, 0, 0 };
    const SerialPortRecord ftdi{ "ttyUSB3", "FT232R USB UART", true, 0x0403, 0x6001 };
    QTest::newRow("no adapter") << Ports{ builtIn, ftdi } << "";
    QTest::newRow("by name, last listed wins")
        << Ports{ { "COM3", ch340, false, 0, 0 }, builtIn, { "COM 7", "USB-SERIAL CH340", false, 0, 0 }, ftdi } << "COM7";
    QTest::newRow("name is case-sensitive") << Ports{ { "COM3", "usb-serial ch340", false, 0, 0 } } << "";
    QTest::newRow("CH340 by USB ids") << Ports{ builtIn, { "ttyUSB0", "USB Serial", true, 0x1A86, 0x7523 } } << "ttyUSB0";
    QTest::newRow("CH341 by USB ids") << Ports{ { "ttyUSB1", "", true, 0x1A86, 0x5523 } } << "ttyUSB1";
    QTest::newRow("other product of the vendor") << Ports{ { "ttyUSB1", "", true, 0x1A86, 0x7522 } } << "";
    QTest::newRow("ids without the flag") << Ports{ { "ttyUSB1", "", false, 0x1A86, 0x7523 } } << "";
}

void DeviceLinkTest::findAdapter()
{
    QFETCH(Ports, ports);
    QFETCH(QString, found);
    QCOMPARE(findInstrumentPort(ports), found);
    // The window: silent without an adapter; a port that does not open is
    // told and forgotten.
    WindowDriver driver;
    driver.window().setPortEnumerator([&ports] { return ports; });
    driver.action("action_connect_device")->trigger();
    if (!found.isEmpty()) // an information box with OK alone
        QCOMPARE(driver.dialogs().messages.value(0).buttons, QMessageBox::Ok);
    QCOMPARE(driver.dialogs().takeMessages(),
             found.isEmpty() ? QStringList() : QStringList{ "通信失败|连接设备失败，检查驱动是否安装！" });
    ports.clear();
    driver.action("action_connect_device")->trigger();
    QVERIFY(driver.dialogs().messages.isEmpty());
    QVERIFY(!driver.window().isConnected());
    QCOMPARE(driver.enabledControls(), QStringList({ "connect_device", "open" }));
    // The guards of read and delete, whose actions are disabled anyway.
    QMetaObject::invokeMethod(&driver.window(), "on_action_read_device_triggered");
    QMetaObject::invokeMethod(&driver.window(), "on_action_delete_device_triggered");
    QCOMPARE(driver.dialogs().takeMessages(),
             QStringList({ "通信失败|读取数据失败，检查是否已连接上设备！",
                           "通信失败|删除数据失败，检查是否已连接上设备！" }));
}

void DeviceLinkTest::connectReadDeleteDisconnect_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("whole") << QStringList{ "--whole" };
    QTest::newRow("byte by byte") << QStringList{ "--bytes" };
    QTest::newRow("64-byte packets, LF CR") << QStringList{ "--packets", "64", "--lf-cr" };
    QTest::newRow("random pieces with colons") << QStringList{ "--random", "7", "--colon" };
    QTest::newRow("random pieces, LF CR, slow") << QStringList{ "--random", "11", "--lf-cr", "--delay", "2" };
}

void DeviceLinkTest::connectReadDeleteDisconnect()
{
    QFETCH(QStringList, arguments);
    QVERIFY(startInstrument(arguments));
    const QStringList groups = InstrumentProcess::Groups;
    WindowDriver driver;
    connectWindow(driver, m_instrument->portPath());
    QCOMPARE(driver.enabledControls(), QStringList({ "connect_device", "read_device", "delete_device", "open" }));
    driver.action("action_read_device")->trigger();
    QTRY_VERIFY(driver.action("action_save")->isEnabled());
    QCOMPARE(driver.window().loadedGroups(), groups);
    QCOMPARE(driver.list()->item(3)->text(), QStringLiteral("第4组"));
    QVERIFY(!driver.list()->item(0)->icon().isNull());
    QCOMPARE(driver.enabledControls(), QStringList({ "connect_device", "read_device", "delete_device",
                                                     "word", "excel", "pdf", "save", "open" }));
    driver.clickEntry(1);
    QCOMPARE(driver.cell(1, 1), QStringLiteral("100.20"));

    // Reading again resets the view before the answer comes.
    driver.action("action_read_device")->trigger();
    QCOMPARE(driver.enabledControls(), QStringList({ "connect_device", "read_device", "delete_device", "save", "open" }));
    QCOMPARE(driver.list()->count(), 0);
    QTRY_COMPARE(driver.window().loadedGroups(), groups);
    // Delete sends at once; the list shown stays; the store is empty after.
    driver.action("action_delete_device")->trigger();
    QVERIFY(driver.dialogs().waitForMessages());
    QCOMPARE(driver.dialogs().takeMessages(), QStringList{ "通信成功|数据已删除！" });
    QCOMPARE(driver.window().loadedGroups(), groups);
    driver.action("action_read_device")->trigger();
    QTRY_VERIFY(driver.action("action_word")->isEnabled());
    QVERIFY(driver.window().loadedGroups().isEmpty());

    // Disconnect: nothing is sent; reconnecting works.
    driver.action("action_connect_device")->trigger();
    QVERIFY(!driver.window().isConnected());
    QCOMPARE(driver.action("action_connect_device")->text(), QStringLiteral("连接设备"));
    QCOMPARE(driver.enabledControls(), QStringList({ "connect_device", "open" }));
    QTRY_VERIFY(!driver.window().findChild<QSerialPort *>()); // the port is released
    connectWindow(driver, m_instrument->portPath());
    QCOMPARE(m_instrument->receivedCommands(6),
             QList<QByteArray>({ ":Connect\r\n", ":Read\r\n", ":Read\r\n", ":Del\r\n", ":Read\r\n", ":Connect\r\n" }));
}

void DeviceLinkTest::linkEndsInTheMiddleOfALine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("pulled");
    QTest::newRow("cable pulled") << QStringList{ "--hangup-after", "2", "--packets", "16", "--delay", "5" } << true;
    QTest::newRow("disconnected") << QStringList{ "--bytes", "--delay", "20" } << false;
}

// The half line of an ended connection is no part of the next one's replies.
void DeviceLinkTest::linkEndsInTheMiddleOfALine()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, pulled);
    QVERIFY(startInstrument(arguments));
    WindowDriver driver;
    connectWindow(driver, m_instrument->portPath());
    driver.action("action_read_device")->trigger();
    if (pulled) {
        QVERIFY(driver.dialogs().waitForMessages());
        QCOMPARE(driver.dialogs().takeMessages(), QStringList{ "通信失败|设备连接已断开！" });
        // The groups that came through before the line went down stay listed.
        QCOMPARE(driver.window().loadedGroups().size(), 2);
        QTest::qWait(300); // told once, not for every failed read
        QVERIFY(driver.dialogs().messages.isEmpty());
        driver.clickEntry(1);
        QVERIFY(driver.action("action_save")->isEnabled());
    } else {
        QTRY_VERIFY(driver.window().pendingReplyText().size() >= 4);
        driver.action("action_connect_device")->trigger();
    }
    QVERIFY(!driver.window().isConnected());
    QCOMPARE(driver.action("action_connect_device")->text(), QStringLiteral("连接设备"));
    QVERIFY(startInstrument());
    connectWindow(driver, m_instrument->portPath());
    QCOMPARE(driver.list()->count(), 0); // no bogus group made of the old half line
}

void DeviceLinkTest::repliesUnderABox_data()
{
    QTest::addColumn<bool>("pulled");
    QTest::newRow("a whole read and a delete arrive") << false;
    QTest::newRow("then the cable is pulled") << true;
}

// While the box "已连接上设备！" is open, a read's answer and "DELOK" arrive.
void DeviceLinkTest::repliesUnderABox()
{
    QFETCH(bool, pulled);
    QVERIFY(startInstrument({ "--packets", "8" }));
    WindowDriver driver;
    QPointer<QSerialPort> port;
    int opened = 0;
    driver.dialogs().whileMessageOpen([&](QMessageBox *) {
        if (!pulled) // one box at a time: replies that come meanwhile wait
            QCOMPARE(driver.window().findChildren<QMessageBox *>().size(), 1);
        if (opened++)
            return;
        port = driver.window().findChild<QSerialPort *>();
        driver.window().sendCom(QStringLiteral(":Read\r\n:Del\r\n"));
        QTest::qWait(600);
        if (!pulled)
            return;
        m_instrument->stop();
        QTRY_VERIFY(!driver.window().isConnected());
        QTest::qWait(50);
        // The box was opened while handling the port's reply: the port lives on.
        QVERIFY2(port, "port destroyed under its own reply handling");
    });
    const QStringList messages = pulled ? QStringList{ "通信成功|已连接上设备！", "通信失败|设备连接已断开！" }
                                        : QStringList{ "通信成功|已连接上设备！", "通信成功|数据已删除！" };
    connectWindow(driver, m_instrument->portPath(), messages);
    if (pulled) {
        // The queued replies of the ended connection are not handled.
        QCOMPARE(driver.enabledControls(), QStringList({ "connect_device", "open" }));
        QVERIFY(driver.window().loadedGroups().isEmpty());
        QTRY_VERIFY(!port);
    } else {
        QTRY_VERIFY(driver.action("action_save")->isEnabled());
        QCOMPARE(driver.window().loadedGroups().size(), 4);
    }
}

void DeviceLinkTest::garbageOnTheLine_data()
{
    QTest::addColumn<QByteArray>("garbage");
    QByteArray random(256 * 1024, Qt::Uninitialized);
    QRandomGenerator generator(3);
    for (char &c : random)
        c = char(generator.bounded(256));
    QTest::newRow("random bytes") << random;
    QTest::newRow("zero bytes between lines") << QByteArray("OK\0garbage\r\n", 12) + group + QByteArray("\0tail\r\n", 7);
    QTest::newRow("endless text without line ends") << QByteArray(1024 * 1024, 'x');
    QTest::newRow("carriage returns only") << QByteArray(200 * 1024, '\r');
}

// A bare pseudo-terminal: whatever came before, a proper reply comes through.
void DeviceLinkTest::garbageOnTheLine()
{
    QFETCH(QByteArray, garbage);
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    QVERIFY(master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0);
    fcntl(master, F_SETFL, O_NONBLOCK); // a full line waits for the window, not the test
    struct Close { int fd; ~Close() { ::close(fd); } } closeLater{ master };
    WindowDriver driver;
    driver.window().setPortEnumerator([&] { return Ports{ { ptsname(master), ch340, false, 0, 0 } }; });
    driver.action("action_connect_device")->trigger();
    QVERIFY(driver.window().isConnected());
    for (const QByteArray &bytes : { garbage, "\r\n" + group + "\r\nend\r\n" }) {
        for (qsizetype at = 0; at < bytes.size(); QCoreApplication::processEvents())
            at += qMax<ssize_t>(0, ::write(master, bytes.constData() + at, size_t(qMin<qsizetype>(1000, bytes.size() - at))));
        QTest::qWait(50);
    }
    QTRY_VERIFY(driver.action("action_save")->isEnabled());
    QCOMPARE(driver.window().loadedGroups().last(), QString::fromLatin1(group));
    QCOMPARE(driver.window().loadedGroups().size(), driver.list()->count());
    QVERIFY(driver.window().pendingReplyText().size() <= 64 * 1024);
    driver.clickEntry(driver.list()->count() - 1);
    QCOMPARE(driver.cell(1, 1), QStringLiteral("220.00"));
}

QTEST_MAIN(DeviceLinkTest)
#include "tst_devicelink.moc"
