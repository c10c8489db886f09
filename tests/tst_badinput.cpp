// Bad input where users meet it: broken, foreign, huge data files; random
// bytes, zero bytes and endless text on the serial line; saves and exports
// onto a full disk. No crash, no lost data, no half-written file, and a
// clear message where the user must act.

#include "mainwindow.h"
#include "device/datafile.h"
#include "windowdriver.h"

#include <QAction>
#include <QListWidget>
#include <QRandomGenerator>
#include <QtTest>
#include <fcntl.h>
#include <unistd.h>

namespace {

const QByteArray group = "50.00 1.5 1.48 1.52 0.03 220 219.8 220.5 3 2.8 3.2 24 12 12 24.1 12 11.9 2 0";

QByteArray randomBytes(qsizetype size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator random(seed);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char(random.bounded(256));
    return bytes;
}

// The far side of a serial line: a pseudo-terminal whose other end the
// window opens as the instrument's port.
class LinePeer
{
public:
    LinePeer()
    {
        m_master = posix_openpt(O_RDWR | O_NOCTTY);
        if (m_master >= 0 && grantpt(m_master) == 0 && unlockpt(m_master) == 0)
            m_slave = QString::fromLocal8Bit(ptsname(m_master));
    }
    ~LinePeer()
    {
        if (m_master >= 0)
            ::close(m_master);
    }
    QString port() const { return m_slave; }
    // Writes the bytes in pieces, letting the window read between them.
    void send(const QByteArray &bytes, int piece = 4096)
    {
        for (qsizetype at = 0; at < bytes.size(); at += piece) {
            const QByteArray chunk = bytes.mid(at, piece);
            qsizetype done = 0;
            while (done < chunk.size()) {
                const ssize_t n = ::write(m_master, chunk.constData() + done, size_t(chunk.size() - done));
                if (n > 0)
                    done += n;
                QCoreApplication::processEvents();
            }
        }
    }

private:
    int m_master = -1;
    QString m_slave;
};

bool mountSmallTmpfs(const QString &folder, QString *why)
{
    if (geteuid() != 0) {
        *why = QStringLiteral("mounting a small tmpfs needs root");
        return false;
    }
    QProcess mount;
    mount.setProcessChannelMode(QProcess::MergedChannels);
    mount.start(QStringLiteral("mount"), { QStringLiteral("-t"), QStringLiteral("tmpfs"),
                                           QStringLiteral("-o"), QStringLiteral("size=512k"),
                                           QStringLiteral("tmpfs"), folder });
    if (!mount.waitForFinished(10000) || mount.exitCode() != 0) {
        *why = QStringLiteral("cannot mount a tmpfs here: ") + QString::fromLocal8Bit(mount.readAll()).trimmed();
        return false;
    }
    return true;
}

void unmount(const QString &folder)
{
    QProcess::execute(QStringLiteral("umount"), { folder });
}

} // namespace

class BadInputTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void brokenDataFiles_data();
    void brokenDataFiles();
    void serialGarbage_data();
    void serialGarbage();
    void fullDisk();

private:
    QTemporaryDir *m_dir = nullptr;
    QString m_previousDir;
    QString path(const QString &name) const { return m_dir->filePath(name); }
};

void BadInputTest::init()
{
    m_previousDir = QDir::currentPath();
    m_dir = new QTemporaryDir;
    QVERIFY(QDir::setCurrent(m_dir->path()));
}

void BadInputTest::cleanup()
{
    QDir::setCurrent(m_previousDir);
    delete m_dir;
    m_dir = nullptr;
}

void BadInputTest::brokenDataFiles_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("groups"); // -1: refused

    QByteArray truncated = "3000\r\n" + group + "\r\n" + group.left(30);
    QTest::newRow("binary") << randomBytes(1 << 20, 1) << -1;
    QTest::newRow("binary after a good signature") << QByteArray("3000\r\n" + randomBytes(1 << 20, 2)) << -2;
    QTest::newRow("truncated in a line") << truncated << 2;
    QTest::newRow("truncated in a UTF-8 character")
        << QByteArray("3000\r\n" + group + "\r\n\xE7\xAC") << 2;
    QTest::newRow("GBK bytes in a group") << QByteArray("3000\r\n\xB2\xE2\xCA\xD4 1 2\r\n" + group + "\r\n") << 2;
    QTest::newRow("UTF-16 with byte-order mark")
        << QByteArray("\xFF\xFE" + QString::fromLatin1("3000\r\n" + group + "\r\n").toUtf8()) << -1;
    QTest::newRow("UTF-8 byte-order mark") << QByteArray("\xEF\xBB\xBF" "3000\r\n" + group + "\r\n") << 1;
    QTest::newRow("zero bytes in a group")
        << QByteArray("3000\r\n1 2\0 3\r\n", 14) + group + "\r\n" << 2;
    QByteArray longLine("3000\r\n");
    longLine.reserve(50 * 1024 * 1024 + 16);
    while (longLine.size() < 50 * 1024 * 1024)
        longLine += "1234567 ";
    longLine += "\r\n";
    QTest::newRow("one line of 50 MB") << longLine << 1;
    QByteArray million("3000\r\n");
    million.reserve(qsizetype(1000000) * (group.size() + 2) + 8);
    for (int i = 0; i < 1000000; ++i)
        million += group + "\r\n";
    QTest::newRow("a million groups") << million << 1000000;
}

void BadInputTest::brokenDataFiles()
{
    QFETCH(QByteArray, content);
    QFETCH(int, groups);
    writeFile(path("input.dat"), content);
    content.clear();

    WindowDriver driver;
    driver.open(path("input.dat"));
    if (groups == -1) {
        QCOMPARE(driver.dialogs().takeMessages(), QStringList{ "打开文件|文件解析失败！" });
        QCOMPARE(driver.list()->count(), 0);
        return;
    }
    QVERIFY(driver.dialogs().messages.isEmpty());
    if (groups >= 0)
        QCOMPARE(driver.list()->count(), groups);
    QCOMPARE(driver.window().loadedGroups().size(), driver.list()->count());
    if (driver.list()->count() == 0)
        return;

    // Whatever was read can be looked at, saved and read back unchanged.
    driver.clickEntry(0);
    driver.clickEntry(driver.list()->count() - 1);
    driver.save(path("again.dat"));
    QVERIFY(driver.dialogs().messages.isEmpty());
    QStringList reread;
    QVERIFY(DataFile::load(path("again.dat"), &reread));
    QCOMPARE(reread, driver.window().loadedGroups());
}

void BadInputTest::serialGarbage_data()
{
    QTest::addColumn<QByteArray>("garbage");
    QTest::newRow("random bytes") << randomBytes(256 * 1024, 3);
    QTest::newRow("zero bytes") << QByteArray(64 * 1024, '\0');
    QTest::newRow("zero bytes between lines")
        << QByteArray("OK\0garbage\r\n", 12) + group + QByteArray("\0tail\r\n", 7);
    QTest::newRow("endless text without line ends") << QByteArray(1024 * 1024, 'x');
    QTest::newRow("carriage returns only") << QByteArray(200 * 1024, '\r');
    QTest::newRow("line feeds only") << QByteArray(200 * 1024, '\n');
}

void BadInputTest::serialGarbage()
{
    QFETCH(QByteArray, garbage);
    LinePeer peer;
    QVERIFY(!peer.port().isEmpty());
    WindowDriver driver;
    const QString port = peer.port();
    driver.window().setPortEnumerator([port] {
        return QList<SerialPortRecord>{ { port, QStringLiteral("USB-SERIAL CH340"), false, 0, 0 } };
    });
    driver.action("action_connect_device")->trigger();
    QVERIFY(driver.window().isConnected());

    peer.send(garbage, 1000);
    QTRY_VERIFY(driver.window().pendingReplyText().size() <= 64 * 1024);
    // Whatever came before, a proper reply still comes through.
    peer.send("\r\n" + group + "\r\nend\r\n");
    QTRY_VERIFY(driver.action("action_save")->isEnabled());
    QVERIFY(!driver.window().loadedGroups().isEmpty());
    QCOMPARE(driver.window().loadedGroups().last(), QString::fromLatin1(group));
    QCOMPARE(driver.window().loadedGroups().size(), driver.list()->count());
    QVERIFY(driver.window().pendingReplyText().size() <= 64 * 1024);
    QVERIFY(driver.window().isConnected());
    driver.clickEntry(driver.list()->count() - 1);
    QCOMPARE(driver.cell(1, 1), QStringLiteral("220.00"));
}

void BadInputTest::fullDisk()
{
    const QString disk = path(QStringLiteral("disk"));
    QVERIFY(QDir().mkpath(disk));
    QString why;
    if (!mountSmallTmpfs(disk, &why))
        QSKIP(qPrintable(why));
    struct Unmount { QString folder; ~Unmount() { unmount(folder); } } unmountLater{ disk };

    // An earlier data file and report on the disk, then the disk filled up.
    const QString saved = disk + QStringLiteral("/groups.dat");
    const QString report = disk + QStringLiteral("/report.doc");
    writeFile(saved, "3000\r\n" + group + "\r\n");
    writeFile(report, "an earlier report");
    {
        QFile filler(disk + QStringLiteral("/filler"));
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray block(4096, 'f');
        while (filler.write(block) == block.size()) {
        }
        while (filler.write("f", 1) == 1) {
        }
    }
    const QStringList before = QDir(disk).entryList(QDir::Files | QDir::Hidden);

    QByteArray content("3000\r\n");
    for (int i = 0; i < 50; ++i)
        content += group + "\r\n";
    writeFile(path("many.dat"), content);
    WindowDriver driver;
    driver.open(path("many.dat"));
    driver.clickEntry(0);

    driver.save(saved);
    QCOMPARE(driver.dialogs().takeMessages(), QStringList{ "保存文件|文件保存失败！" });
    QCOMPARE(readFile(saved), QByteArray("3000\r\n" + group + "\r\n"));

    driver.dialogs().chooseFile(report);
    driver.action("action_word")->trigger();
    QCOMPARE(driver.dialogs().takeMessages(), QStringList{ QStringLiteral("测试报告|文档%1导出失败！").arg(report) });
    QCOMPARE(readFile(report), QByteArray("an earlier report"));

    // Nothing half-written is left behind.
    QCOMPARE(QDir(disk).entryList(QDir::Files | QDir::Hidden), before);
    // The groups are still there and can be saved elsewhere.
    driver.save(path("elsewhere.dat"));
    QCOMPARE(readFile(path("elsewhere.dat")), content);
}

QTEST_MAIN(BadInputTest)
#include "tst_badinput.moc"
