// The archive on a real SQLite file: faults that must lose nothing, readings
// that cannot be changed, the migration, a tool killed during a read, two
// writers at once, and what is typed found again exactly.
#include "archiveconnection.h"
#include "archivequery.h"
#include "archivestore.h"
#include "archivewriter.h"
#include "readingarchive.h"

#include <QProcess>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#ifdef Q_OS_UNIX
#include "filesizelimit.h"
#endif

namespace {

QString group(int n)
{
    return QStringLiteral("50.00 1.500 1.500 1.500 0.000 220.0 220.0 220.0 2.5 2.5 2.5 24.0 12.0 12.0 24.0 12.0 %1 2 0")
        .arg(12.0 + n / 1000.0, 0, 'f', 3);
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

qint64 count(ArchiveConnection &archive, const QString &sql)
{
    QSqlQuery query(archive.db());
    return query.exec(sql) && query.next() ? query.value(0).toLongLong() : -1;
}

// Stores groups as a read of the instrument, one arrival each.
void storeRead(ArchiveWriter &writer, int first, int groups)
{
    writer.beginRead();
    for (int n = first; n < first + groups; ++n) {
        writer.add(group(n));
        writer.arrivalHandled(QString());
    }
    writer.finishRead(QString());
}

} // namespace

class ArchiveTest : public QObject
{
    Q_OBJECT

private slots:
    void faults_data();
    void faults();
    void readingsNeverChange();
    void migration();
    void killedDuringRead();
    void twoWritersAtOnce();
    void foundAsTyped_data();
    void foundAsTyped();

private:
    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }
};

void ArchiveTest::faults_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::newRow("corrupt") << "corrupt" << "文件已损坏或不是档案文件";
    QTest::newRow("another program's database") << "foreign" << "不是本软件的档案文件";
    QTest::newRow("a newer version") << "newer" << "请使用新版软件";
    QTest::newRow("locked by another program") << "locked" << "文件被其他程序占用";
#ifdef Q_OS_UNIX
    QTest::newRow("full disk") << "full" << "磁盘已满";
#endif
}

// A file the tool cannot write is named with the reason, never replaced;
// the read goes on and its groups wait, and once the file can be written
// they are taken in by themselves.
void ArchiveTest::faults()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    const QString file = path(kind + ".db");
    ArchiveConnection holder(file);
    std::unique_ptr<QSqlQuery> lock;
    if (kind == "corrupt") {
        QFile garbage(file);
        QVERIFY(garbage.open(QIODevice::WriteOnly) && garbage.write(QByteArray(8192, '\x5a')) == 8192);
    } else {
        QVERIFY(holder.open());
        lock = std::make_unique<QSqlQuery>(holder.db());
        if (kind == "foreign")
            QVERIFY(lock->exec("PRAGMA user_version=0") && lock->exec("CREATE TABLE other (x)"));
        else if (kind == "newer")
            QVERIFY(lock->exec("PRAGMA user_version=99"));
        else if (kind == "locked")
            QVERIFY(lock->exec("BEGIN EXCLUSIVE") && lock->exec("INSERT INTO testers VALUES ('held')"));
        else
            QVERIFY(lock->exec("PRAGMA wal_checkpoint(TRUNCATE)"));
    }
    const QByteArray before = fileBytes(file);

    std::unique_ptr<ArchiveWriter> writer = std::make_unique<ArchiveWriter>(file, path(kind + "-copies"));
    QSignalSpy state(writer.get(), &ArchiveWriter::stateChanged);
    {
#ifdef Q_OS_UNIX
        std::unique_ptr<FileSizeLimit> full;
        if (kind == "full")
            full = std::make_unique<FileSizeLimit>(QFileInfo(file).size());
#endif
        writer->waitForWrites();
        storeRead(*writer, 0, 40);
        writer->waitForWrites();
        QTRY_VERIFY(!state.isEmpty());
    }
    const QString problem = state.last().at(0).toString();
    QVERIFY2(problem.contains(QDir::toNativeSeparators(file)) && problem.contains(reason), qPrintable(problem));
    QVERIFY(state.last().at(1).toInt() > 0); // they wait
    if (kind != "full" && kind != "locked") {
        QCOMPARE(fileBytes(file), before); // never overwritten
        return;
    }
    // The lock released, the disk freed: taken in without being asked.
    if (lock)
        lock->exec("ROLLBACK");
    lock.reset();
    holder.close();
    QTRY_COMPARE_WITH_TIMEOUT(state.last().at(0).toString(), QString(), 10000);
    writer.reset();
    ArchiveConnection archive(file);
    QVERIFY(archive.open());
    QCOMPARE(count(archive, "SELECT count(*) FROM readings"), 40);
    QCOMPARE(count(archive, "SELECT complete FROM reads"), 1);
}

// What came from the instrument is never changed: refused by the file
// itself, and where a determined hand removed the guard, the chain of
// digests shows where.
void ArchiveTest::readingsNeverChange()
{
    const QString file = path("kept.db");
    {
        ArchiveWriter writer(file, path("kept-copies"));
        storeRead(writer, 0, 5);
    }
    ArchiveConnection archive(file);
    QVERIFY(archive.open());
    ArchiveStore store(archive);
    QString meter;
    QVERIFY(store.reviseMeter(QString(), { "3301", "用户", "地点", "0042", "200/5", "" }, &meter));
#ifdef Q_OS_UNIX
    const auto sqlite = [&](const QString &sql) {
        QProcess shell;
        shell.start("sqlite3", { file, sql });
        shell.waitForFinished();
        return QString::fromUtf8(shell.readAllStandardError());
    };
    for (const char *change : { "UPDATE readings SET group_text = 'x' WHERE id = 2", "DELETE FROM readings WHERE id = 2",
                                "UPDATE meter_revisions SET customer = 'x'", "DELETE FROM read_items",
                                "UPDATE reads SET origin = 'x'" })
        QVERIFY2(sqlite(change).contains("never"), change);
    QCOMPARE(ArchiveQuery(archive).checkChain()->checked, 5);
    QVERIFY(sqlite("DROP TRIGGER readings_kept; UPDATE readings SET group_text = group_text || ' ' WHERE id = 3").isEmpty());
    const std::optional<ArchiveQuery::ChainCheck> check = ArchiveQuery(archive).checkChain();
    QVERIFY(check && !check->intact);
    QCOMPARE(check->brokenAt, 3);
    QCOMPARE(check->checked, 2);
#endif
}

// An archive of the first version is brought up to date in one
// transaction, after a copy of it was kept; nothing in it is lost.
void ArchiveTest::migration()
{
    const QString file = path("old.db");
    {
        ArchiveConnection old(file);
        QVERIFY(old.open(1));
        int added = 0, known = 0;
        QVERIFY(ArchiveStore(old).importFile("a.dat", { group(1), group(2) }, &added, &known));
    }
    const QByteArray before = fileBytes(file);
    ArchiveConnection archive(file);
    QVERIFY(archive.open());
    QCOMPARE(count(archive, "PRAGMA user_version"), ArchiveConnection::schemaVersion());
    QCOMPARE(count(archive, "SELECT count(*) FROM readings"), 2);
    QCOMPARE(count(archive, "SELECT count(*) FROM reports"), 0);
    QCOMPARE(archive.backupPath(), file + ".v1.bak");
    QCOMPARE(fileBytes(archive.backupPath()), before);
}

// The tool killed (kill -9) in the middle of a read: after a restart every
// group that had arrived is in the archive, the read marked as cut short.
void ArchiveTest::killedDuringRead()
{
#ifdef Q_OS_UNIX
    QProcess tool;
    tool.setProgram(QCoreApplication::applicationFilePath());
    tool.setProcessEnvironment([this] {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_DATA_HOME", path("killed"));
        env.insert("DM_ARCHIVE_READ", "1");
        return env;
    }());
    tool.start();
    QVERIFY(tool.waitForStarted());
    for (int n = 0; n < 30; ++n)
        tool.write((group(n) + '\n').toUtf8());
    QByteArray said;
    QTRY_VERIFY((said += tool.readAllStandardOutput()).contains("30\n") || tool.state() == QProcess::NotRunning);
    tool.kill();
    tool.waitForFinished();

    qputenv("XDG_DATA_HOME", path("killed").toUtf8());
    const QString file = ArchiveConnection::defaultPath();
    { ArchiveWriter restarted(file, ReadingArchive::folder()); restarted.waitForWrites(); }
    ArchiveConnection archive(file);
    QVERIFY(archive.open());
    QCOMPARE(count(archive, "SELECT count(*) FROM readings"), 30);
    QCOMPARE(count(archive, "SELECT count(*) FROM reads WHERE complete = 0"), 1);
#endif
}

// Two windows on one archive, both starting on a file not yet made (so
// both race to make its schema), then writing in turn.
void ArchiveTest::twoWritersAtOnce()
{
    for (int round = 0; round < 8; ++round) {
        const QString file = path(QStringLiteral("shared%1.db").arg(round));
        {
            ArchiveWriter first(file, path("first")), second(file, path("second"));
            QStringList problems; // neither window may be told the file is unusable
            for (ArchiveWriter *writer : { &first, &second })
                connect(writer, &ArchiveWriter::stateChanged, [&](const QString &problem) { problems << problem; });
            for (int n = 0; n < 50; n += 2) {
                first.add(group(n));
                first.arrivalHandled(QString());
                second.add(group(n + 1));
                second.arrivalHandled(QString());
            }
            first.waitForWrites();
            second.waitForWrites();
            QCoreApplication::processEvents();
            QCOMPARE(problems.join(QString()), QString());
        }
        ArchiveConnection archive(file);
        QVERIFY(archive.open());
        QCOMPARE(count(archive, "SELECT count(*) FROM readings"), 50);
        QVERIFY(ArchiveQuery(archive).checkChain()->intact);
    }
}

void ArchiveTest::foundAsTyped_data()
{
    QTest::addColumn<QString>("customer");
    QTest::addColumn<QString>("search");
    QTest::addColumn<int>("others"); // meters without tests whose 户名 holds the text too
    QTest::newRow("quotes") << "O'Brien \"电器\"" << "'Brien \"" << 0;
    QTest::newRow("semicolon and SQL") << "x'); DROP TABLE readings; --" << "DROP TABLE readings;" << 0;
    QTest::newRow("percent and underscore") << "100%_满载" << "%_" << 0;
    QTest::newRow("two Chinese characters") << "杭州市西湖区配电所" << "西湖" << 0;
    QTest::newRow("200 Chinese characters") << QString(200, QChar(0x7535)) << QString(3, QChar(0x7535)) << 0;
    // So many meters that the tests are walked newest first instead.
    QTest::newRow("in thousands of meters") << "城西配电所" << "配电" << 2100;
}

// Typed as it came, stored and found exactly; a meter's history oldest
// first; a group read again is known, not stored twice.
void ArchiveTest::foundAsTyped()
{
    QFETCH(QString, customer);
    QFETCH(QString, search);
    QFETCH(int, others);
    ArchiveConnection archive(path(QTest::currentDataTag()) + ".db");
    QVERIFY(archive.open());
    ArchiveStore store(archive);
    int added = 0, known = 0;
    QVERIFY(store.importFile("one.dat", { group(1), group(2), group(3) }, &added, &known));
    QVERIFY(store.importFile("again.dat", { group(3), group(4) }, &added, &known));
    QCOMPARE(qMakePair(added, known), qMakePair(1, 1));
    QString meter;
    QVERIFY(store.reviseMeter(QString(), { "A-1", customer, "地点", "M-1", "", "" }, &meter));
    QString other;
    QVERIFY(store.reviseMeter(QString(), { "A-2", "另一户", "别处", "M-2", "", "" }, &other));
    QSqlQuery many(archive.db());
    many.prepare("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < ?)"
                 " INSERT INTO meter_revisions (uid, meter_uid, account_no, customer, site, meter_no, ct_ratio,"
                 " pt_ratio, made_at, made_by) SELECT 'u' || i, 'm' || i, '', ? || i, '', '', '', '', '', '' FROM n");
    many.addBindValue(others);
    many.addBindValue(search);
    QVERIFY(others == 0 || many.exec());
    Archive::TestDetails test;
    test.meterUid = meter;
    test.tester = "检测员";
    test.testDate = QDate(2026, 3, 1);
    QVERIFY2(store.reviseTests({ ArchiveStore::readingUid(group(2)) }, test), qPrintable(store.error()));
    test.testDate = QDate(2025, 3, 1);
    QVERIFY(store.reviseTests({ ArchiveStore::readingUid(group(1)) }, test));

    ArchiveQuery query(archive);
    const QList<Archive::TestRow> found = query.search({ search, {}, {}, false, 200 });
    QCOMPARE(found.size(), 2);
    QCOMPARE(found.first().meter.details.customer, customer);
    QCOMPARE(found.first().date, QDate(2026, 3, 1)); // newest first
    QCOMPARE(query.search({ search, QDate(2026, 1, 1), {}, false, 200 }).size(), 1);
    const QList<Archive::TestRow> history = query.history(meter);
    QCOMPARE(history.size(), 2);
    QCOMPARE(history.first().groupText, group(1));
    QCOMPARE(query.metersStartingWith("M-").size(), 2);
    // Wrong wiring as stored: phase A's current reversed, and a voltage lost.
    QVERIFY(store.importFile("faults.dat", { "50 1 1 1 0 100 100 100 20 2 2 24 12 12 24 12 12 2 0",
                                             "50 1.5 1.48 1.52 0.03 220 219.8 5 3 2.8 3.2 24 12 12 24.05 12.15 11.8 2 0" },
                             &added, &known));
    QCOMPARE(query.search({ {}, {}, {}, true, 200 }).size(), 2);
}

// The child of killedDuringRead: a read whose groups come on standard
// input, copied and archived as the window does, until it is killed.
static int readUntilKilled()
{
    ReadingArchive copy;
    ArchiveWriter writer(ArchiveConnection::defaultPath(), ReadingArchive::folder());
    copy.beginRead();
    writer.beginRead();
    QFile input;
    input.open(stdin, QIODevice::ReadOnly);
    for (int n = 1;; ++n) {
        const QByteArray line = input.readLine().trimmed();
        if (line.isEmpty())
            return 0;
        copy.append(QString::fromUtf8(line));
        writer.add(QString::fromUtf8(line));
        if (n % 7 == 0) // some arrivals wait for more bytes
            writer.arrivalHandled(QFileInfo(copy.fileName()).fileName());
        printf("%d\n", n);
        fflush(stdout);
    }
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsSet("DM_ARCHIVE_READ"))
        return readUntilKilled();
    ArchiveTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_archive.moc"
