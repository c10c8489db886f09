// Data files: the bytes written, what reading accepts and refuses, and that
// a failed save, a full disk included, never damages the file already there.

#include "datafile.h"
#include "windowdriver.h"
#ifdef Q_OS_UNIX
#include "filesizelimit.h"
#endif

#include <QtTest>

class DataFileTest : public QObject
{
    Q_OBJECT

private slots:
    void bytes_data();
    void bytes();
    void saveOverAnOldFile_data();
    void saveOverAnOldFile();
};

void DataFileTest::bytes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QStringList>("groups");
    QTest::addColumn<bool>("writtenSo"); // encoding the groups gives exactly these bytes

    const QStringList three{ "a 1", "b 2", "c 3" };
    QTest::newRow("CR LF") << QByteArray("3000\r\na 1\r\nb 2\r\nc 3\r\n") << true << three << true;
    QTest::newRow("Latin-1 characters as UTF-8, no byte-order mark")
        << QByteArray("3000\r\n\xC3\xA9 \xE7\xAC\xAC\r\n") << true << QStringList{ "é 第" } << true;
    QTest::newRow("LF only, no line end at the end")
        << QByteArray("3000\na 1\r\nb 2\nc 3") << true << three << false;
    QTest::newRow("signature without line end") << QByteArray("3000") << true << QStringList() << false;
    QTest::newRow("empty lines are skipped, later groups kept")
        << QByteArray("3000\n\na 1\r\n\r\nb 2\n\n\nc 3\n\n") << true << three << false;
    QTest::newRow("byte-order mark before the signature")
        << QByteArray("\xEF\xBB\xBF" "3000\r\na 1\r\n") << true << QStringList{ "a 1" } << false;
    QTest::newRow("U+FEFF starting a group line is text")
        << QByteArray("3000\r\n\xEF\xBB\xBF" "a\r\n\xEF\xBB\xBF\r\n") << true
        << QStringList{ QChar(0xFEFF) + QStringLiteral("a"), QString(QChar(0xFEFF)) } << true;
    QTest::newRow("a lone CR stays in its line") << QByteArray("3000\r\na\rb\r\n") << true
                                                 << QStringList{ "a\rb" } << true;
    QTest::newRow("empty file") << QByteArray() << false << QStringList() << false;
    QTest::newRow("blank after signature") << QByteArray("3000 \r\na 1\r\n") << false << QStringList() << false;
    QTest::newRow("blank before signature") << QByteArray(" 3000\r\na 1\r\n") << false << QStringList() << false;
    QTest::newRow("empty first line") << QByteArray("\r\n3000\r\n") << false << QStringList() << false;
    QTest::newRow("UTF-16") << QByteArray("\xFF\xFE" "3\0" "0\0" "0\0" "0\0", 10) << false << QStringList() << false;
}

// Through real files: what is read, and what saving the groups writes.
void DataFileTest::bytes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, accepted);
    QFETCH(QStringList, groups);
    QFETCH(bool, writtenSo);

    QTemporaryDir dir;
    const QString path = dir.filePath("groups.dat");
    writeFile(path, bytes);
    QStringList read{ "left over" };
    QCOMPARE(DataFile::load(path, &read), accepted);
    QCOMPARE(read, groups);
    if (!accepted)
        return;
    QVERIFY(DataFile::save(path, read));
    const QByteArray saved = readFile(path);
    QCOMPARE(saved == bytes, writtenSo);
    QVERIFY(DataFile::decode(saved, &read));
    QCOMPARE(read, groups);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{ "groups.dat" });
}

void DataFileTest::saveOverAnOldFile_data()
{
    QTest::addColumn<QString>("target");
    QTest::newRow("folder missing") << "gone/new.dat";
    QTest::newRow("the name of a folder") << "folder";
    QTest::newRow("full disk") << "disk/old.dat";
}

void DataFileTest::saveOverAnOldFile()
{
    QFETCH(QString, target);
    QTemporaryDir dir;
    const QString folder = target.section('/', 0, 0);
    const QString old = dir.filePath(folder == "disk" ? "disk/old.dat" : "old.dat");
    QVERIFY(QDir(dir.path()).mkpath("folder") && QDir(dir.path()).mkpath(QFileInfo(old).path()));
    const QStringList groups(100, "50.00 1.5 1.48 1.52 0.03 220 219.8 220.5 3 2.8 3.2 24 12 12 24.1 12 11.9 2 0");
    QVERIFY(DataFile::save(old, { "old" }));
    const QStringList before = QDir(QFileInfo(old).path()).entryList(QDir::AllEntries | QDir::Hidden);

    QString error;
#ifdef Q_OS_UNIX
    const FileSizeLimit full(folder == "disk" ? 1000 : RLIM_INFINITY);
#else
    if (folder == "disk")
        QSKIP("a full disk is made with POSIX file size limits");
#endif
    QVERIFY(!DataFile::save(dir.filePath(target), groups, &error) && !error.isEmpty());
    QStringList read;
    QVERIFY(DataFile::load(old, &read));
    QCOMPARE(read, QStringList{ "old" });
    QCOMPARE(QDir(QFileInfo(old).path()).entryList(QDir::AllEntries | QDir::Hidden), before);
    QVERIFY(!DataFile::load(dir.filePath("missing.dat"), &read) && read.isEmpty());
    QVERIFY(!DataFile::load(dir.filePath("folder"), &read));
}

QTEST_APPLESS_MAIN(DataFileTest)
#include "tst_datafile.moc"
