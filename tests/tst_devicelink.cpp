// The real main window on a real serial port: a pseudo-terminal with the
// instrument stand-in on the other side, named in DATAMANAGER_PORT. Finding
// the adapter, connect, read, delete, disconnect, pulled cables, replies that
// arrive under a message box, the copy of every reading, and why connecting
// failed. File permissions bind no root that may override them, so started
// as root the program runs itself again without those capabilities.

#include "archiveconnection.h"
#include "archivelink.h"
#include "archivequery.h"
#include "archivewriter.h"
#include "serialports.h"
#include "instrumentprocess.h"
#include "windowdriver.h"

#include "readingarchive.h"
#include "wiringcheckdialog.h"

#include <QLabel>
#include <QPushButton>
#include <QSerialPort>
#include <QtTest>
#include <cstdlib>
#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

using Ports = QList<SerialPortRecord>;

namespace {

const QString ch340 = QStringLiteral("USB-SERIAL CH340 (COM3)");

} // namespace

class DeviceLinkTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir::setCurrent(m_dir->path()));
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir->filePath("data")));
        QDir(ReadingArchive::folder()).removeRecursively(); // the user's own under Wine
        qunsetenv("DATAMANAGER_PORT");
    }
    void cleanup() { m_instrument.reset(); }
    void findAdapter_data();
    void findAdapter();
    void connectReadDeleteDisconnect_data();
    void connectReadDeleteDisconnect();
    void linkEndsInTheMiddleOfALine_data();
    void linkEndsInTheMiddleOfALine();
    void repliesUnderABox_data();
    void repliesUnderABox();
    void failureExplained_data();
    void failureExplained();

private:
    bool startInstrument(const QStringList &arguments = {})
    {
        m_instrument = std::make_unique<InstrumentProcess>();
        return m_instrument->start(arguments);
    }
    void connectWindow(WindowDriver &driver, const QString &port,
                       const QStringList &messages = { "通信成功|已连接上设备！" });
    // The groups of the copies of readings, one list per copy, oldest first;
    // "cut short" after those of a copy marked so.
    QList<QStringList> copies(WindowDriver &driver);
    std::unique_ptr<InstrumentProcess> m_instrument;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void DeviceLinkTest::connectWindow(WindowDriver &driver, const QString &port, const QStringList &messages)
{
    driver.window().instrumentSession()->setPortEnumerator([] { return Ports{ { "nonexistent", ch340, false, 0, 0 } }; });
    qputenv("DATAMANAGER_PORT", QFile::encodeName(port)); // instead of the search
    driver.action("action_connect_device")->trigger();
    QVERIFY(driver.window().isConnected());
    QCOMPARE(driver.action("action_connect_device")->text(), QStringLiteral("断开连接"));
    QVERIFY(driver.dialogs().waitForMessages(messages.size()));
    QCOMPARE(driver.dialogs().takeMessages(), messages);
}

QList<QStringList> DeviceLinkTest::copies(WindowDriver &driver)
{
    QList<QStringList> groups;
    const QDir folder(ReadingArchive::folder());
    for (const QString &name : folder.entryList(QDir::Files, QDir::Name)) {
        if (name.endsWith(".dat.incomplete") && !groups.isEmpty()) { // follows the name of its copy
            groups.last() << "cut short";
            continue;
        }
        if (!QRegularExpression("^\\d{4}-\\d\\d-\\d\\d_\\d\\d-\\d\\d-\\d\\d(_\\d)?\\.dat$").match(name).hasMatch())
            return { { "misnamed " + name } };
        driver.open(folder.filePath(name)); // "打开文件" opens it
        groups << driver.window().loadedGroups();
    }
    return groups;
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
    driver.window().instrumentSession()->setPortEnumerator([&ports] { return ports; });
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
}

void DeviceLinkTest::connectReadDeleteDisconnect_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("copied"); // the data folder can be written
    QTest::newRow("byte by byte") << QStringList{ "--bytes" } << true;
    QTest::newRow("random pieces with colons, no data folder") << QStringList{ "--random", "7", "--colon" } << false;
    QTest::newRow("random pieces, LF CR, slow") << QStringList{ "--random", "11", "--lf-cr", "--delay", "2" } << true;
    // The case tests/wine/tst_devicelink.sh runs under Wine, with these arguments.
    QTest::newRow("200 groups in random pieces") << QStringList{ "--count", "200", "--random", "7" } << true;
}

void DeviceLinkTest::connectReadDeleteDisconnect()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, copied);
    if (!copied) { // no folder can be made under a file: the reads go on
        writeFile(m_dir->filePath("data"), "a file");
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("cannot be made"));
    }
    QVERIFY(startInstrument(arguments));
    const QStringList groups = InstrumentProcess::groupsFor(arguments);
    WindowDriver driver;
    connectWindow(driver, m_instrument->portPath());
    QCOMPARE(driver.enabledControls(), QStringList({ "connect_device", "read_device", "delete_device", "open" }));
    driver.action("action_read_device")->trigger();
    QTRY_VERIFY(driver.action("action_save")->isEnabled());
    QCOMPARE(driver.window().loadedGroups(), groups);
    QVERIFY(!driver.list()->item(0)->icon().isNull());
    // The read is in the archive too, in its order (under Wine in the
    // prefix's AppData, where the earlier rows' reads are also).
    driver.window().archive()->writer()->waitForWrites();
    if (copied) {
        ArchiveConnection archive(ArchiveConnection::defaultPath());
        QVERIFY(archive.open());
        ArchiveQuery query(archive);
        QCOMPARE(query.groupsOfRead(query.reads().value(0).uid), groups);
    }
    QCOMPARE(driver.enabledControls(), QStringList({ "connect_device", "read_device", "delete_device",
                                                     "word", "excel", "pdf", "save", "open" }));
    // Before a click the reports take the entry selected, else the first
    // (group 1 is four-wire, group 2 three-wire); the view stays empty.
    const auto report = [&](const char *action, const QString &name) {
        driver.dialogs().chooseFile(m_dir->filePath(name));
        driver.action(action)->trigger();
        return readFile(m_dir->filePath(name));
    };
    const QByteArray first = report("action_word", "first.doc");
    QVERIFY(first.contains("NextPart_01CE9D94.13007200") && first.contains("220.10V")); // four-wire
    driver.list()->setCurrentRow(1);
    QVERIFY(report("action_excel", "second.xls").contains("100.20V"));
    QCOMPARE(driver.dialogs().takeMessages().size(), 2);
    // Saved and reported whole, in folders with Chinese names (under Wine
    // where tst_devicelink.sh reads them back).
    const QString out = qEnvironmentVariable("DM_OUTPUT", m_dir->path());
    QVERIFY(QDir(out).mkpath("数据") && QDir(out).mkpath("报告"));
    driver.dialogs().chooseFile(out + "/数据/读取.dat");
    driver.action("action_save")->trigger();
    QList<QByteArray> lines;
    for (const QString &group : groups)
        lines << group.toUtf8();
    QCOMPARE(readFile(out + "/数据/读取.dat"), dataFile(lines));
    driver.dialogs().pressButton("全部组");
    driver.dialogs().fillReportInfo({ { "customer", "城东供电所" } }); // kept in the registry on Windows
    for (const QString name : { "/报告/全部组.pdf", "/报告/全部组.xlsx" }) {
        driver.dialogs().chooseFile(out + name);
        driver.action(name.endsWith("pdf") ? "action_pdf" : "action_export_table")->trigger();
        QCOMPARE(driver.dialogs().takeMessages().last(), (name.endsWith("pdf") ? "测试报告" : "导出表格") + QString("|文档") + out + name + "导出成功！");
    }
    QCOMPARE(ReportInfo::load().customer, "城东供电所");
    QCOMPARE(driver.cell(1, 1), QStringLiteral("0.00"));
    driver.clickEntry(1);
    QCOMPARE(driver.cell(1, 1), QStringLiteral("100.20"));
    // The stand-in reads like the instrument: its correct installations (its
    // first two groups) check out, and every group fits a wiring form.
    for (int row = 0; row < 5; ++row) {
        driver.clickEntry(row);
        driver.action("action_wiring_check")->trigger();
        WiringCheckDialog *check = nullptr;
        QTRY_VERIFY((check = driver.window().findChild<WiringCheckDialog *>()));
        QCOMPARE(check->findingsTable()->item(0, 1)->text() == "未发现接线异常", row < 2);
        QVERIFY2(!check->diagnosisLabel()->text().contains("都不符"), qPrintable(groups.at(row)));
        delete check;
    }

    // Reading again resets the view before the answer comes, and forgets
    // the values shown: a report then holds group 1 again.
    driver.action("action_read_device")->trigger();
    QCOMPARE(driver.enabledControls(), QStringList({ "connect_device", "read_device", "delete_device", "save", "open" }));
    QCOMPARE(driver.list()->count(), 0);
    QTRY_COMPARE(driver.window().loadedGroups(), groups);
    QTRY_VERIFY(driver.action("action_word")->isEnabled());
    // The same groups again: the archive had them, and says so in the list.
    QTRY_COMPARE(!copied || driver.list()->item(groups.size() - 1)->toolTip().contains("此组已在档案中"), true);
    QVERIFY(report("action_word", "again.doc").contains("220.10V"));
    driver.dialogs().takeMessages();
    // Delete asks first: 取消, the default and escape button, sends nothing.
    QStringList defaults;
    driver.dialogs().whileMessageOpen([&](QMessageBox *box) {
        if (box->windowTitle() == "删除数据")
            defaults << box->defaultButton()->text() + '/' + box->escapeButton()->text();
    });
    driver.action("action_delete_device")->trigger();
    driver.dialogs().pressButton("删除");
    driver.action("action_delete_device")->trigger();
    QVERIFY(driver.dialogs().waitForMessages(3));
    const QString question = "删除数据|确定删除设备中的全部数据？删除后无法恢复。";
    QCOMPARE(driver.dialogs().takeMessages(), QStringList({ question, question, "通信成功|数据已删除！" }));
    QCOMPARE(defaults, QStringList({ "取消/取消", "取消/取消" }));
    QCOMPARE(driver.window().loadedGroups(), groups);
    driver.action("action_read_device")->trigger();
    QTRY_VERIFY(driver.action("action_word")->isEnabled());
    QVERIFY(driver.window().loadedGroups().isEmpty());
    driver.action("action_wiring_check")->trigger(); // nothing listed to check
    QCOMPARE(driver.dialogs().takeMessages(), QStringList({ "通信成功|设备中没有数据！", "接线检查|列表中没有数据！" }));

    // Disconnect: nothing is sent; reconnecting works.
    driver.action("action_connect_device")->trigger();
    QVERIFY(!driver.window().isConnected());
    QCOMPARE(driver.action("action_connect_device")->text(), QStringLiteral("连接设备"));
    QCOMPARE(driver.enabledControls(), QStringList({ "connect_device", "open" }));
    QTRY_VERIFY(!driver.window().findChild<QSerialPort *>()); // the port is released
    connectWindow(driver, m_instrument->portPath());
    QCOMPARE(m_instrument->receivedCommands(6),
             QList<QByteArray>({ ":Connect\r\n", ":Read\r\n", ":Read\r\n", ":Del\r\n", ":Read\r\n", ":Connect\r\n" }));
    // A copy of each read that brought groups.
    const QList<QStringList> copiesExpected = copied ? QList<QStringList>{ groups, groups } : QList<QStringList>();
    QCOMPARE(copies(driver), copiesExpected);
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
    QString informative;
    driver.dialogs().whileMessageOpen([&](QMessageBox *box) { informative = box->informativeText(); });
    driver.action("action_read_device")->trigger();
    if (pulled) {
        QVERIFY(driver.dialogs().waitForMessages());
        QCOMPARE(driver.dialogs().takeMessages(), QStringList{ "通信失败|设备连接已断开！" });
        QCOMPARE(informative, QStringLiteral("读取未完成，已收到2组。"));
        // The groups that came through before the line went down stay listed.
        QCOMPARE(driver.window().loadedGroups().size(), 2);
        QTest::qWait(300); // told once, not for every failed read
        QVERIFY(driver.dialogs().messages.isEmpty());
        driver.clickEntry(1);
        QVERIFY(driver.action("action_save")->isEnabled());
        QCOMPARE(copies(driver), QList<QStringList>({ InstrumentProcess::groupsFor().mid(0, 2) << "cut short" }));
    } else {
        QTRY_VERIFY(driver.window().instrumentSession()->pendingReplyText().size() >= 4);
        driver.action("action_connect_device")->trigger();
    }
    QVERIFY(!driver.window().isConnected());
    QVERIFY(startInstrument());
    connectWindow(driver, m_instrument->portPath());
    QCOMPARE(driver.list()->count(), 0); // no bogus group made of the old half line
    m_instrument->stop(); // a loss on the new connection is told as well
    QVERIFY(driver.dialogs().waitForMessages());
    QCOMPARE(driver.dialogs().takeMessages(), QStringList{ "通信失败|设备连接已断开！" });
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
        QVERIFY2(!QObject::disconnect(port, nullptr, nullptr, nullptr), "the closed port still reaches someone");
    });
    const QStringList messages = pulled ? QStringList{ "通信成功|已连接上设备！", "通信失败|设备连接已断开！" }
                                        : QStringList{ "通信成功|已连接上设备！", "通信成功|数据已删除！" };
    connectWindow(driver, m_instrument->portPath(), messages);
    if (pulled) {
        // The queued replies of the ended connection are not handled.
        QCOMPARE(driver.enabledControls(), QStringList({ "connect_device", "open" }));
        QVERIFY(driver.window().loadedGroups().isEmpty());
        QTRY_VERIFY(!port);
        QVERIFY(startInstrument()); // a new connection, with nothing left of the old port
        connectWindow(driver, m_instrument->portPath());
        driver.action("action_read_device")->trigger();
    }
    QTRY_VERIFY(driver.action("action_save")->isEnabled());
    QCOMPARE(driver.window().loadedGroups(), InstrumentProcess::groupsFor());
}

void DeviceLinkTest::failureExplained_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QStringList>("usbIds");   // of the fake sysfs device
    QTest::addColumn<QStringList>("mentions"); // in the second paragraph; none: no box
#ifdef Q_OS_WIN // what a Windows user can do: the driver, the Device Manager
    const QStringList gone{ "COM9", "找不到串口", "设备管理器", "CH340驱动程序" };
#else
    const QStringList gone{ "<port>", "找不到串口", "设备可能已拔出" };
    // A COM port has no file permissions; Wine does not refuse a second
    // open of one as Windows does.
    QTest::newRow("no permission") << "forbidden" << QStringList() << QStringList{ "<port>", "dialout" };
    QTest::newRow("in use") << "held" << QStringList() << QStringList{ "<port>", "其他程序占用" };
#endif
    QTest::newRow("port gone") << "gone" << QStringList() << gone;
    QTest::newRow("CH340 without port") << "sysfs" << QStringList{ "1a86", "7523" } << QStringList{ "brltty", "README" };
    QTest::newRow("CH341 without port") << "sysfs" << QStringList{ "1A86", "5523" } << QStringList{ "brltty" };
    QTest::newRow("other USB device") << "sysfs" << QStringList{ "046d", "c52b" } << QStringList();
}

// Why connecting failed: the box's second paragraph.
void DeviceLinkTest::failureExplained()
{
    QFETCH(QString, setup);
    QFETCH(QStringList, usbIds);
    QFETCH(QStringList, mentions);
    InstrumentProcess instrument;
    QVERIFY(instrument.start());
#ifdef Q_OS_WIN
    const QString gonePort = "COM9";
#else
    const QString gonePort = m_dir->filePath("ttyUSB9");
#endif
    const QString port = setup == "gone" ? gonePort : instrument.portPath();
    QSerialPort holder(port);
    if (setup == "forbidden") {
        QVERIFY(QFile::setPermissions(port, {}));
        if (QFile(port).open(QIODevice::ReadWrite))
            QSKIP("this user opens files without permission (root with CAP_DAC_OVERRIDE, no setpriv)");
    }
    QVERIFY(setup != "held" || holder.open(QIODevice::ReadWrite));
    WindowDriver driver;
    driver.window().instrumentSession()->setPortEnumerator([] { return QList<SerialPortRecord>{ { "ttyS0", "Serial port", false, 0, 0 } }; });
    if (setup == "sysfs") {
        writeFile(m_dir->filePath("sys/bus/usb/devices/1-1/idVendor"), usbIds[0].toLatin1() + '\n');
        writeFile(m_dir->filePath("sys/bus/usb/devices/1-1/idProduct"), usbIds[1].toLatin1() + '\n');
        driver.window().instrumentSession()->setSysfsRoot(m_dir->filePath("sys"));
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
#ifdef Q_OS_UNIX
    // Root stays root (a clone under a home folder of mode 700 stays in
    // reach), without the capabilities that let it ignore file modes.
    const char drop[] = "--bounding-set=-dac_override,-dac_read_search";
    if (geteuid() == 0 && !qEnvironmentVariableIsSet("DM_FILE_MODES_BIND")
        && std::system((std::string("setpriv ") + drop + " true 2>/dev/null").c_str()) == 0) {
        qputenv("DM_FILE_MODES_BIND", "1");
        const QByteArray self = QFile::symLinkTarget("/proc/self/exe").toLocal8Bit();
        std::vector<const char *> args{ "setpriv", drop, self.constData() };
        args.insert(args.end(), argv + 1, argv + argc + 1); // with the closing null
        execvp("setpriv", const_cast<char **>(args.data()));
    }
#endif
    QApplication app(argc, argv);
    DeviceLinkTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_devicelink.moc"
