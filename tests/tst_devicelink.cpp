// The real main window on a real serial port: a pseudo-terminal with the
// instrument program on the other side. Connect, read, click, delete,
// disconnect, reconnect, a pulled cable, and replies that arrive while a
// message box is open.

#include "device/grouplist.h"
#include "instrumentprocess.h"
#include "mainwindow.h"
#include "windowdriver.h"

#include <QAction>
#include <QListWidget>
#include <QSerialPort>
#include <QtTest>

namespace {

const QString ch340 = QStringLiteral("USB-SERIAL CH340 (COM3)");

QStringList expectedGroups(const QStringList &instrumentArguments)
{
    QStringList groups;
    for (const QString &line : InstrumentProcess::storedGroups(instrumentArguments))
        groups << GroupList::groupFromReplyLine(line);
    return groups;
}

} // namespace

class DeviceLinkTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void connectReadClickDeleteDisconnect();
    void readInEveryDelivery_data();
    void readInEveryDelivery();
    void guardsWhileDisconnected();
    void adapterNotFoundOrNotOpened();
    void linkEndsInTheMiddleOfALine_data();
    void linkEndsInTheMiddleOfALine();
    void repliesWhileMessageBoxIsOpen();
    void cablePulledUnderABox();

private:
    // Starts the instrument and a window whose port list names it.
    bool startInstrument(const QStringList &arguments = {});
    void connectWindow(WindowDriver &driver,
                       const QStringList &messages = { "通信成功|已连接上设备！" });

    std::unique_ptr<InstrumentProcess> m_instrument;
    QTemporaryDir *m_dir = nullptr;
    QString m_previousDir;
};

void DeviceLinkTest::initTestCase()
{
    if (InstrumentProcess::programPath().isEmpty())
        QFAIL("the build has no instrument program");
}

void DeviceLinkTest::init()
{
    m_previousDir = QDir::currentPath();
    m_dir = new QTemporaryDir;
    QVERIFY(QDir::setCurrent(m_dir->path()));
}

void DeviceLinkTest::cleanup()
{
    m_instrument.reset();
    QDir::setCurrent(m_previousDir);
    delete m_dir;
    m_dir = nullptr;
}

bool DeviceLinkTest::startInstrument(const QStringList &arguments)
{
    m_instrument = std::make_unique<InstrumentProcess>();
    if (!m_instrument->start(arguments)) {
        qWarning("%s", qPrintable(m_instrument->errorText()));
        return false;
    }
    return true;
}

void DeviceLinkTest::connectWindow(WindowDriver &driver, const QStringList &messages)
{
    const QString port = m_instrument->portPath();
    driver.window().setPortEnumerator([port] {
        return QList<SerialPortRecord>{ { QStringLiteral("ttyS0"), QStringLiteral("Serial port"), false, 0, 0 },
                                        { port, ch340, false, 0, 0 } };
    });
    driver.action("action_connect_device")->trigger();
    QVERIFY(driver.window().isConnected());
    QVERIFY(driver.dialogs().waitForMessages(messages.size()));
    QCOMPARE(driver.dialogs().takeMessages(), messages);
}

void DeviceLinkTest::connectReadClickDeleteDisconnect()
{
    QVERIFY(startInstrument());
    const QStringList groups = expectedGroups({});
    QVERIFY(groups.size() >= 2);
    WindowDriver driver;
    QAction *connectAction = driver.action("action_connect_device");

    connectWindow(driver);
    QCOMPARE(connectAction->text(), QStringLiteral("断开连接"));
    QCOMPARE(driver.enabledControls(),
             QStringList({ "connect_device", "read_device", "delete_device", "open" }));
    QCOMPARE(m_instrument->receivedCommands(1), QList<QByteArray>{ ":Connect\r\n" });

    driver.action("action_read_device")->trigger();
    QTRY_VERIFY(driver.action("action_save")->isEnabled());
    QCOMPARE(driver.window().loadedGroups(), groups);
    QCOMPARE(driver.list()->count(), groups.size());
    QCOMPARE(driver.list()->item(0)->text(), QStringLiteral("第1组"));
    QVERIFY(!driver.list()->item(0)->icon().isNull());
    QCOMPARE(driver.enabledControls(),
             QStringList({ "connect_device", "read_device", "delete_device", "word", "excel",
                           "save", "open" }));

    driver.clickEntry(1);
    QCOMPARE(driver.enabledControls(),
             QStringList({ "connect_device", "read_device", "delete_device", "word", "excel",
                           "save", "open", "S", "N", "L", "D" }));
    QVERIFY(driver.cell(1, 1) != QStringLiteral("0.00"));

    // Reading again resets the view before the answer comes.
    driver.action("action_read_device")->trigger();
    QCOMPARE(driver.enabledControls(),
             QStringList({ "connect_device", "read_device", "delete_device", "save", "open" }));
    QTRY_COMPARE(driver.window().loadedGroups().size(), groups.size());

    driver.action("action_delete_device")->trigger();
    QVERIFY(driver.dialogs().waitForMessages());
    QCOMPARE(driver.dialogs().takeMessages(), QStringList{ "通信成功|数据已删除！" });
    QCOMPARE(driver.window().loadedGroups(), groups); // the list stays
    driver.action("action_read_device")->trigger();
    QTRY_VERIFY(driver.action("action_word")->isEnabled());
    QVERIFY(driver.window().loadedGroups().isEmpty());

    const QList<QByteArray> commands = m_instrument->receivedCommands(5);
    QCOMPARE(commands, QList<QByteArray>({ ":Connect\r\n", ":Read\r\n", ":Read\r\n", ":Del\r\n",
                                           ":Read\r\n" }));

    // Disconnect: nothing is sent, the view and the list are reset.
    connectAction->trigger();
    QVERIFY(!driver.window().isConnected());
    QCOMPARE(connectAction->text(), QStringLiteral("连接设备"));
    QCOMPARE(driver.enabledControls(), QStringList({ "connect_device", "open" }));
    QTest::qWait(200);
    QCOMPARE(m_instrument->receivedCommands().size(), 5);

    // Reconnect to the same instrument.
    connectAction->trigger();
    QVERIFY(driver.dialogs().waitForMessages());
    QCOMPARE(driver.dialogs().takeMessages(), QStringList{ "通信成功|已连接上设备！" });
    QCOMPARE(m_instrument->receivedCommands(6).size(), 6);
    QVERIFY(driver.dialogs().messages.isEmpty());
}

void DeviceLinkTest::readInEveryDelivery_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("whole") << QStringList{ "--whole" };
    QTest::newRow("byte by byte") << QStringList{ "--bytes" };
    QTest::newRow("32-byte packets") << QStringList{ "--packets", "32" };
    QTest::newRow("64-byte packets, LF CR") << QStringList{ "--packets", "64", "--lf-cr" };
    QTest::newRow("random pieces with colons") << QStringList{ "--random", "7", "--colon" };
    QTest::newRow("random pieces, LF CR, slow") << QStringList{ "--random", "11", "--lf-cr", "--delay", "2" };
}

void DeviceLinkTest::readInEveryDelivery()
{
    QFETCH(QStringList, arguments);
    QVERIFY(startInstrument(arguments));
    const QStringList groups = expectedGroups(arguments);
    WindowDriver driver;
    connectWindow(driver);
    driver.action("action_read_device")->trigger();
    QTRY_VERIFY(driver.action("action_excel")->isEnabled());
    QCOMPARE(driver.window().loadedGroups(), groups);
    QVERIFY(driver.dialogs().messages.isEmpty());
}

void DeviceLinkTest::guardsWhileDisconnected()
{
    WindowDriver driver;
    // The actions are disabled; the slots themselves refuse as well.
    QVERIFY(!driver.action("action_read_device")->isEnabled());
    driver.action("action_read_device")->trigger();
    QVERIFY(driver.dialogs().messages.isEmpty());
    QMetaObject::invokeMethod(&driver.window(), "on_action_read_device_triggered");
    QMetaObject::invokeMethod(&driver.window(), "on_action_delete_device_triggered");
    QCOMPARE(driver.dialogs().takeMessages(),
             QStringList({ "通信失败|读取数据失败，检查是否已连接上设备！",
                           "通信失败|删除数据失败，检查是否已连接上设备！" }));
    QCOMPARE(driver.enabledControls(), QStringList({ "connect_device", "open" }));
}

void DeviceLinkTest::adapterNotFoundOrNotOpened()
{
    WindowDriver driver;
    QList<SerialPortRecord> ports{ { QStringLiteral("ttyS0"), QStringLiteral("usb-serial ch340"), false, 0, 0 } };
    driver.window().setPortEnumerator([&ports] { return ports; });
    driver.action("action_connect_device")->trigger();
    QVERIFY(!driver.window().isConnected());
    QVERIFY(driver.dialogs().messages.isEmpty()); // no adapter: silent

    ports = { { QStringLiteral("/nonexistent/tty CH"), ch340, false, 0, 0 } };
    driver.action("action_connect_device")->trigger();
    QVERIFY(!driver.window().isConnected());
    QCOMPARE(driver.dialogs().takeMessages(), QStringList{ "通信失败|连接设备失败，检查驱动是否安装！" });
    QCOMPARE(driver.enabledControls(), QStringList({ "connect_device", "open" }));
    QCOMPARE(driver.action("action_connect_device")->text(), QStringLiteral("连接设备"));

    // The failed name is forgotten: with no adapter listed, nothing happens.
    ports.clear();
    driver.action("action_connect_device")->trigger();
    QVERIFY(driver.dialogs().messages.isEmpty());
}

void DeviceLinkTest::linkEndsInTheMiddleOfALine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("pulled");
    QTest::newRow("cable pulled")
        << QStringList{ "--hangup-after", "2", "--packets", "16", "--delay", "5" } << true;
    QTest::newRow("disconnected") << QStringList{ "--bytes", "--delay", "20" } << false;
}

// The half line of an ended connection is no part of the next one's replies.
void DeviceLinkTest::linkEndsInTheMiddleOfALine()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, pulled);
    QVERIFY(startInstrument(arguments));
    const QStringList groups = expectedGroups(arguments);
    WindowDriver driver;
    connectWindow(driver);
    driver.action("action_read_device")->trigger();
    if (pulled) {
        QVERIFY(driver.dialogs().waitForMessages());
        QCOMPARE(driver.dialogs().takeMessages(), QStringList{ "通信失败|设备连接已断开！" });
        // The groups that came through before the line went down stay listed.
        QCOMPARE(driver.window().loadedGroups(), groups.mid(0, 2));
        // Told once, not again for every failed read.
        QTest::qWait(300);
        QVERIFY(driver.dialogs().messages.isEmpty());
    } else {
        QTRY_VERIFY(driver.window().pendingReplyText().size() >= 4);
        driver.action("action_connect_device")->trigger();
    }
    QVERIFY(!driver.window().isConnected());
    QCOMPARE(driver.action("action_connect_device")->text(), QStringLiteral("连接设备"));
    QCOMPARE(driver.enabledControls(), QStringList({ "connect_device", "open" }));

    QVERIFY(startInstrument());
    connectWindow(driver);
    QCOMPARE(driver.list()->count(), 0); // no bogus group made of the old half line
}

void DeviceLinkTest::repliesWhileMessageBoxIsOpen()
{
    QVERIFY(startInstrument({ "--packets", "8" }));
    const QStringList groups = expectedGroups({ "--packets", "8" });
    WindowDriver driver;
    // While the box "已连接上设备！" is open, ask for the groups and let the
    // whole answer arrive before the box is closed.
    bool asked = false;
    driver.dialogs().whileMessageOpen([&](QMessageBox *) {
        if (asked)
            return;
        asked = true;
        driver.window().sendCom(QStringLiteral(":Read\r\n"));
        QTest::qWait(600);
    });
    connectWindow(driver);
    QVERIFY(asked);
    // Handled without any further byte from the instrument.
    QTRY_VERIFY(driver.action("action_save")->isEnabled());
    QCOMPARE(driver.window().loadedGroups(), groups);
    QVERIFY(driver.dialogs().messages.isEmpty());
}

// The cable is pulled while the box "已连接上设备！" is open and a whole
// read's answer waits under it.
void DeviceLinkTest::cablePulledUnderABox()
{
    QVERIFY(startInstrument({ "--packets", "8" }));
    WindowDriver driver;
    QPointer<QSerialPort> port;
    bool pulled = false;
    driver.dialogs().whileMessageOpen([&](QMessageBox *) {
        if (std::exchange(pulled, true))
            return;
        port = driver.window().findChild<QSerialPort *>();
        driver.window().sendCom(QStringLiteral(":Read\r\n"));
        QTest::qWait(600);
        m_instrument->stop();
        QTRY_VERIFY(!driver.window().isConnected());
        QTest::qWait(50);
        // The box was opened while handling the port's reply: the port lives on.
        QVERIFY2(port, "port destroyed under its own reply handling");
    });
    connectWindow(driver, { "通信成功|已连接上设备！", "通信失败|设备连接已断开！" });
    // The queued replies of the ended connection are not handled.
    QCOMPARE(driver.enabledControls(), QStringList({ "connect_device", "open" }));
    QVERIFY(driver.window().loadedGroups().isEmpty());
    QTRY_VERIFY(!port);
}

QTEST_MAIN(DeviceLinkTest)
#include "tst_devicelink.moc"
