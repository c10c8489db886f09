// Data files on disk: the bytes written, what reading accepts and refuses,
// and that a failed save never damages the file already there.

#include "device/datafile.h"

#include <QtTest>
#include <unistd.h>

class DataFileTest : public QObject
{
    Q_OBJECT

private slots:
    void encodeWritesSignatureAndCrLf_data();
    void encodeWritesSignatureAndCrLf();
    void decode_data();
    void decode();
    void roundTripKeepsEveryGroup();
    void saveAndLoadRealFiles();
    void failedSaveKeepsTheOldFile_data();
    void failedSaveKeepsTheOldFile();
    void unreadableFileIsRefused();
};

void DataFileTest::encodeWritesSignatureAndCrLf_data()
{
    QTest::addColumn<QStringList>("groups");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("no groups: six bytes") << QStringList() << QByteArray("3000\r\n");
    QTest::newRow("two groups")
        << QStringList{ QStringLiteral("1 2 3"), QStringLiteral("4 5") }
        << QByteArray("3000\r\n1 2 3\r\n4 5\r\n");
    QTest::newRow("empty group text") << QStringList{ QString() } << QByteArray("3000\r\n\r\n");
    // Groups from the instrument hold one character per byte; bytes above
    // 127 are written as UTF-8, without byte-order mark.
    QTest::newRow("latin-1 characters as UTF-8")
        << QStringList{ QString(QChar(0xE9)) } << QByteArray("3000\r\n\xC3\xA9\r\n");
}

void DataFileTest::encodeWritesSignatureAndCrLf()
{
    QFETCH(QStringList, groups);
    QFETCH(QByteArray, bytes);
    QCOMPARE(DataFile::encode(groups), bytes);
}

void DataFileTest::decode_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QStringList>("groups");

    const QStringList three{ QStringLiteral("a 1"), QStringLiteral("b 2"), QStringLiteral("c 3") };
    QTest::newRow("CR LF") << QByteArray("3000\r\na 1\r\nb 2\r\nc 3\r\n") << true << three;
    QTest::newRow("LF only") << QByteArray("3000\na 1\nb 2\nc 3\n") << true << three;
    QTest::newRow("mixed line ends") << QByteArray("3000\na 1\r\nb 2\nc 3\r\n") << true << three;
    QTest::newRow("no line end after the last group")
        << QByteArray("3000\r\na 1\r\nb 2\r\nc 3") << true << three;
    QTest::newRow("signature only") << QByteArray("3000\r\n") << true << QStringList();
    QTest::newRow("signature without line end") << QByteArray("3000") << true << QStringList();
    // An empty line no longer ends the list: the groups after it are kept.
    QTest::newRow("empty line in the middle")
        << QByteArray("3000\r\na 1\r\nb 2\r\n\r\nc 3\r\n") << true << three;
    QTest::newRow("empty lines everywhere")
        << QByteArray("3000\n\n\na 1\n\nb 2\n\n\nc 3\n\n") << true << three;
    QTest::newRow("byte-order mark tolerated")
        << QByteArray("\xEF\xBB\xBF" "3000\r\na 1\r\n") << true << QStringList{ QStringLiteral("a 1") };
    QTest::newRow("a lone CR stays in its line")
        << QByteArray("3000\r\na\rb\r\n") << true << QStringList{ QStringLiteral("a\rb") };
    QTest::newRow("UTF-8 text")
        << QByteArray("3000\r\n\xE7\xAC\xAC 1\r\n") << true << QStringList{ QStringLiteral("第 1") };
    // Only the file's first line may start with a byte-order mark; in a group
    // line U+FEFF is text, and a line of it alone is not an empty group.
    QTest::newRow("U+FEFF starting group lines")
        << QByteArray("3000\r\n\xEF\xBB\xBF" "a 1\r\n\xEF\xBB\xBF\r\n") << true
        << QStringList{ QChar(0xFEFF) + QStringLiteral("a 1"), QString(QChar(0xFEFF)) };

    QTest::newRow("empty file") << QByteArray() << false << QStringList();
    QTest::newRow("blank after signature") << QByteArray("3000 \r\na 1\r\n") << false << QStringList();
    QTest::newRow("blank before signature") << QByteArray(" 3000\r\na 1\r\n") << false << QStringList();
    QTest::newRow("other number") << QByteArray("3001\r\na 1\r\n") << false << QStringList();
    QTest::newRow("empty first line") << QByteArray("\r\n3000\r\na 1\r\n") << false << QStringList();
    QTest::newRow("binary") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0", 11) << false << QStringList();
    QTest::newRow("UTF-16 signature") << QByteArray("\xFF\xFE" "3\0" "0\0" "0\0" "0\0", 10) << false
                                      << QStringList();
}

void DataFileTest::decode()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, accepted);
    QFETCH(QStringList, groups);
    QStringList read{ QStringLiteral("left over") };
    QCOMPARE(DataFile::decode(bytes, &read), accepted);
    if (accepted)
        QCOMPARE(read, groups);
}

void DataFileTest::roundTripKeepsEveryGroup()
{
    QStringList groups;
    for (int i = 0; i < 300; ++i) {
        QString group;
        for (int c = 0; c < i % 23; ++c)
            group += QChar(ushort(1 + (i * 31 + c * 7) % 255)); // any Latin-1 text but LF
        group.remove(QLatin1Char('\n'));
        if (!group.isEmpty())
            groups << group;
    }
    QStringList read;
    QVERIFY(DataFile::decode(DataFile::encode(groups), &read));
    QCOMPARE(read, groups);
}

void DataFileTest::saveAndLoadRealFiles()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("groups.dat"));
    const QStringList groups{ QStringLiteral("1 2 3"), QStringLiteral("4 5 6") };
    QVERIFY(DataFile::save(path, groups));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("3000\r\n1 2 3\r\n4 5 6\r\n"));
    file.close();

    QStringList read;
    QVERIFY(DataFile::load(path, &read));
    QCOMPARE(read, groups);

    // Saving again replaces the content entirely.
    QVERIFY(DataFile::save(path, QStringList()));
    QCOMPARE(QFileInfo(path).size(), 6);
    // Nothing else is left in the folder (no temporary files).
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{ "groups.dat" });
}

void DataFileTest::failedSaveKeepsTheOldFile_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("folder is a file") << "file-as-folder";
    QTest::newRow("folder missing") << "missing-folder";
    QTest::newRow("read-only folder") << "read-only";
}

void DataFileTest::failedSaveKeepsTheOldFile()
{
    QFETCH(QString, how);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QString target;
    if (how == QLatin1String("file-as-folder")) {
        QFile blocker(dir.filePath(QStringLiteral("blocker")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        target = dir.filePath(QStringLiteral("blocker/groups.dat"));
    } else if (how == QLatin1String("missing-folder")) {
        target = dir.filePath(QStringLiteral("gone/groups.dat"));
    } else {
        if (geteuid() == 0)
            QSKIP("root writes into read-only folders; the other rows cover the failure");
        target = dir.filePath(QStringLiteral("groups.dat"));
        QVERIFY(DataFile::save(target, { QStringLiteral("old") }));
        QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
    }
    QString error;
    QVERIFY(!DataFile::save(target, { QStringLiteral("new") }, &error));
    QVERIFY(!error.isEmpty());
    if (how == QLatin1String("read-only")) {
        QStringList read;
        QVERIFY(DataFile::load(target, &read));
        QCOMPARE(read, QStringList{ QStringLiteral("old") });
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
}

void DataFileTest::unreadableFileIsRefused()
{
    QTemporaryDir dir;
    QStringList read{ QStringLiteral("x") };
    QVERIFY(!DataFile::load(dir.filePath(QStringLiteral("missing.dat")), &read));
    QVERIFY(read.isEmpty());
    QVERIFY(!DataFile::load(dir.path(), &read)); // a folder
}

QTEST_APPLESS_MAIN(DataFileTest)
#include "tst_datafile.moc"
