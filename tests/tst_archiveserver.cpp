// The department's archive on a real PostgreSQL server (tools/pgserver.sh,
// started by tools/check.sh, which sets DM_PG_HOST, DM_PG_PORT, DM_PG_CA and
// DM_PG_CTL). Each run makes databases of its own; technicians log in over
// TCP with TLS and a password, the test's administrator over the socket.
// Rows and filters are written with only the fields that matter to them.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

#include "archiveconnection.h"
#include "archivedialog.h"
#include "archivelink.h"
#include "archivequery.h"
#include "archivestore.h"
#include "serverconnection.h"
#include "serverlink.h"
#include "serverquery.h"
#include "serversettings.h"
#include "serversync.h"
#include "toolsettings.h"
#include "windowdriver.h"

#include <QCheckBox>
#include <QComboBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QSpinBox>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>
#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

namespace {

const QString Tech = QStringLiteral("dm_test_tech");
const QString Password = QStringLiteral("secret");

// A group the instrument could have sent, told apart by its A voltage.
// A test's details, nothing voided (the store keeps every text as given, none null).
Archive::TestDetails test(const QString &meter, const QDate &date, const QString &tester = QStringLiteral(""))
{
    Archive::TestDetails details { meter, date, tester };
    details.voidReason = QStringLiteral("");
    return details;
}

QString group(int n)
{
    return QStringLiteral("50.00 1.5000 1.4800 1.5200 0.0300 %1 219.80 220.50 3.0 2.8 3.2 24.0 12.0 12.0 24.1 12.0 11.9 2 0")
        .arg(100.0 + n / 100.0, 0, 'f', 2);
}

} // namespace

class TestArchiveServer : public QObject
{
    Q_OBJECT

    QString m_host, m_port, m_ca;
    QStringList m_databases;
    QTemporaryDir m_dir;
    int m_archives = 0;

    QString admin(const QString &db) const
    {
        return QStringLiteral("host=%1 port=%2 user=postgres dbname=%3").arg(m_host, m_port, db);
    }
    QString tech(const QString &db, const QString &host = QStringLiteral("localhost"),
                 const QString &ssl = QStringLiteral("sslmode=require"), const QString &user = Tech) const
    {
        return QStringLiteral("host=%1 port=%2 user=%3 dbname=%4 %5").arg(host, m_port, user, db, ssl);
    }
    // One value of a statement run as the server's superuser.
    QVariant adminValue(const QString &db, const QString &sql)
    {
        ServerConnection server(admin(db));
        if (!server.open(false))
            return server.error();
        QSqlQuery query(server.db());
        if (!query.exec(sql))
            return query.lastError().text();
        return query.next() ? query.value(0) : QVariant();
    }
    QString freshDatabase()
    {
        const QString name = QStringLiteral("dm_test_%1_%2").arg(QCoreApplication::applicationPid()).arg(m_databases.size());
        adminValue(QStringLiteral("postgres"), QStringLiteral("CREATE DATABASE ") + name);
        m_databases << name;
        QProcess command; // as an administrator runs it
        command.start(QStringLiteral(DM_DATAMANAGER), { QStringLiteral("--init-archive-server"), admin(name) });
        if (!command.waitForFinished(60000) || command.exitCode() != 0)
            qWarning() << command.readAllStandardError();
        return name;
    }
    ArchiveConnection *archive()
    {
        auto *connection = new ArchiveConnection(m_dir.filePath(QStringLiteral("a%1.db").arg(m_archives++)));
        connection->open();
        return connection;
    }
    // One pass of a ServerSync of its own; the state it ended with.
    QString sync(ArchiveConnection *local, const QString &conninfo, bool *ok = nullptr)
    {
        ServerSync sync(local->path(), conninfo);
        QSignalSpy finished(&sync, &ServerSync::finished);
        QSignalSpy state(&sync, &ServerSync::stateChanged);
        if (!finished.wait(20000))
            return QStringLiteral("no pass");
        if (ok)
            *ok = finished.first().at(0).toBool();
        return state.last().at(0).toString();
    }
    qint64 count(const QString &db, const QString &table)
    {
        return adminValue(db, QStringLiteral("SELECT count(*) FROM archive.") + table).toLongLong();
    }

private slots:
    void initTestCase()
    {
        m_host = qEnvironmentVariable("DM_PG_HOST");
        m_port = qEnvironmentVariable("DM_PG_PORT");
        m_ca = qEnvironmentVariable("DM_PG_CA");
        if (m_host.isEmpty() || m_port.isEmpty())
            QSKIP("No PostgreSQL server: DM_PG_HOST/DM_PG_PORT unset (tools/check.sh starts one with tools/pgserver.sh)");
        QVERIFY(m_dir.isValid());
        if (qEnvironmentVariableIsSet("DM_PG_CONNINFO"))
            return; // sendFromWindows: the host made the server's side
        // The window's settings and archive of this test alone (other tests run beside it).
        qputenv("XDG_CONFIG_HOME", m_dir.filePath(QStringLiteral("config")).toUtf8());
        qputenv("XDG_DATA_HOME", m_dir.filePath(QStringLiteral("data")).toUtf8());
        freshDatabase(); // the roles exist from here on
        adminValue(QStringLiteral("postgres"), QStringLiteral("DO $$ BEGIN IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = '%1')"
                                                              " THEN CREATE ROLE %1 LOGIN PASSWORD '%2' IN ROLE dm_technician; END IF; END $$")
                                                   .arg(Tech, Password));
        ServerConnection::setSessionPassword(Password);
    }

    // The Windows round (tests/wine/tst_archiveserver.sh): a read sent twice
    // to the server and as the user DM_PG_CONNINFO names (the host counts
    // what it took). A name outside ASCII is refused, and said, where the
    // code page is not UTF-8.
    void sendFromWindows()
    {
        const QString conninfo = qEnvironmentVariable("DM_PG_CONNINFO");
        if (conninfo.isEmpty())
            QSKIP("Run by tests/wine/tst_archiveserver.sh, which sets DM_PG_CONNINFO");
        ServerConnection::setSessionPassword(qEnvironmentVariable("DM_PG_PASSWORD"));
        std::unique_ptr<ArchiveConnection> local(archive());
        QVERIFY(ArchiveStore(*local).storeArrival({ QStringLiteral("wine"), QDateTime::currentDateTime(), QStringLiteral("instrument"),
                                                    QStringLiteral("copy.txt"), 1, { group(1), group(2), group(3) } }));
        uint codePage = 65001;
#ifdef Q_OS_WIN
        codePage = GetACP();
#endif
        const bool refused = codePage != 65001 && conninfo.toUtf8() != conninfo.toLatin1();
        for (int pass = 0; pass < 2; ++pass) {
            bool ok = false;
            const QString state = sync(local.get(), conninfo, &ok);
            QVERIFY2(refused ? state.contains(QStringLiteral("系统代码页不是 UTF-8")) : ok && state == QStringLiteral("已同步"),
                     qPrintable(state));
        }
        qInfo("code page %u: %s", codePage, refused ? "refused" : "sent");
    }

    void cleanupTestCase()
    {
        for (const QString &db : std::as_const(m_databases))
            adminValue(QStringLiteral("postgres"), QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(db));
    }

    // The window: 档案库 set in its dialog, the password asked once, a read
    // sent as it ends, the 档案 window searching the server; with the
    // server away, the local archive, and what waits for the server told.
    void window()
    {
        const QString db = freshDatabase();
        ServerConnection::setSessionPassword(QString());
        const auto restore = qScopeGuard([] {
            ServerSettings().save();
            ServerConnection::setSessionPassword(Password);
        });
        WindowDriver driver;
        auto *state = driver.window().findChild<QLabel *>(QStringLiteral("serverState"));
        QCOMPARE(state->text(), QStringLiteral("档案库：仅本机"));
        driver.dialogs().answer(QStringLiteral("serverSettings"), [&](QDialog *dialog) {
            dialog->findChild<QCheckBox *>(QStringLiteral("serverEnabled"))->setChecked(true);
            dialog->findChild<QLineEdit *>(QStringLiteral("host"))->setText(QStringLiteral("localhost"));
            dialog->findChild<QSpinBox *>(QStringLiteral("port"))->setValue(m_port.toInt());
            dialog->findChild<QLineEdit *>(QStringLiteral("database"))->setText(db);
            dialog->findChild<QLineEdit *>(QStringLiteral("user"))->setText(Tech);
            auto *ssl = dialog->findChild<QComboBox *>(QStringLiteral("sslMode"));
            ssl->setCurrentIndex(ssl->findData(QStringLiteral("require")));
            dialog->accept();
        });
        QPointer<QInputDialog> asked;
        driver.dialogs().answer(QStringLiteral("serverPassword"), [&](QDialog *dialog) { asked = qobject_cast<QInputDialog *>(dialog); });
        driver.action("action_archive_server")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(asked, 20000);
        QVERIFY2(state->text().startsWith(QStringLiteral("无法连接：需要密码")), qPrintable(state->text()));
        QVERIFY(!ToolSettings().allKeys().join(u' ').contains(QLatin1String("assword")));
        asked->setTextValue(Password);
        asked->accept();
        QTRY_COMPARE_WITH_TIMEOUT(state->text(), QStringLiteral("已同步"), 20000);

        ArchiveLink *archive = driver.window().archive();
        const auto read = [archive](const QStringList &groups) {
            archive->readBegun();
            for (const QString &group : groups)
                archive->groupArrived(group);
            archive->readFinished(groups.first() + QStringLiteral(".dat")); // a copy's name of its own
        };
        read({ group(1), group(2) });
        QTRY_COMPARE_WITH_TIMEOUT(count(db, QStringLiteral("readings")), 2, 20000);
        QTRY_COMPARE(state->text(), QStringLiteral("已同步"));
        const auto search = [&driver](const QString &where, int rows) {
            driver.action("action_archive")->trigger();
            QPointer<ArchiveDialog> dialog = driver.window().findChild<ArchiveDialog *>();
            QVERIFY(dialog);
            const QString note = dialog->findChild<QLabel *>(QStringLiteral("note"))->text();
            QVERIFY2(note.startsWith(where), qPrintable(note));
            QCOMPARE(dialog->results()->rowCount(), rows);
            dialog->close();
            QTRY_VERIFY(!dialog);
        };
        search(QStringLiteral("部门服务器"), 2);

        ServerSettings away = ServerSettings::load();
        away.port = 1;
        driver.window().server()->apply(away);
        QTRY_VERIFY_WITH_TIMEOUT(state->text().startsWith(QStringLiteral("无法连接：服务器没有运行")), 20000);
        read({ group(3) });
        QTRY_VERIFY2_WITH_TIMEOUT(state->text().endsWith(QStringLiteral("；未同步 1 组")), qPrintable(state->text()), 20000);
        search(QStringLiteral("本机档案（服务器无法连接：服务器没有运行"), 3);
    }

    void send_data()
    {
        QTest::addColumn<int>("laptops");
        QTest::addColumn<int>("groups");     // per laptop, read 10 a read
        QTest::addColumn<bool>("sameGroups");
        QTest::addColumn<QString>("stop");   // how the server goes away during the second send
        QTest::addColumn<int>("sends");
        QTest::addColumn<QString>("customer");
        QTest::newRow("sent twice, taken once") << 1 << 30 << false << QString() << 3 << QStringLiteral("张三");
        QTest::newRow("one meter made on two laptops offline") << 2 << 10 << false << QString() << 1 << QStringLiteral("李四");
        QTest::newRow("the same groups read on two laptops") << 2 << 10 << true << QString() << 1 << QStringLiteral("李四");
        QTest::newRow("connection killed in a transaction") << 1 << 100 << false << QStringLiteral("terminate") << 1 << QStringLiteral("王五");
        QTest::newRow("server restarted in a transaction") << 1 << 100 << false << QStringLiteral("restart") << 1 << QStringLiteral("王五");
        QTest::newRow("quotes and SQL stored as typed") << 1 << 10 << false << QString() << 1
                                                        << QStringLiteral("O'Brien\"; DROP TABLE archive.readings; -- \\ %_");
    }

    void send()
    {
        QFETCH(int, laptops);
        QFETCH(int, groups);
        QFETCH(bool, sameGroups);
        QFETCH(QString, stop);
        QFETCH(int, sends);
        QFETCH(QString, customer);
        const QString db = freshDatabase();
        const QString meterNo = customer + QStringLiteral("-表'1");
        QString meterUid;
        for (int l = 0; l < laptops; ++l) {
            std::unique_ptr<ArchiveConnection> local(archive());
            ArchiveStore store(*local);
            QStringList uids;
            // Half of it sent before the interruption, the rest during it.
            const auto take = [&](int from, int to) {
                for (int g = from; g < to; g += 10) {
                    Archive::Arrival arrival { QStringLiteral("read-%1-%2").arg(l).arg(g), QDateTime::currentDateTime(), QStringLiteral("instrument"), QStringLiteral("") };
                    for (int i = g; i < std::min(g + 10, to); ++i) {
                        arrival.groups << group((sameGroups ? 0 : l * 1000) + i);
                        uids << ArchiveStore::readingUid(arrival.groups.last());
                    }
                    QVERIFY2(store.storeArrival(arrival), qPrintable(store.error()));
                }
                QVERIFY(store.reviseMeter(QString(), { QStringLiteral("3201"), customer + QString::number(l), QStringLiteral("城东"),
                                                       meterNo, QStringLiteral("100/5"), QStringLiteral("") }, &meterUid));
                QVERIFY2(store.reviseTests(uids, test(meterUid, QDate(2026, 3, 1), QStringLiteral("技术员%1").arg(l))), qPrintable(store.error()));
            };
            take(0, stop.isEmpty() ? groups : groups / 2);
            for (int s = 0; s < sends; ++s)
                QCOMPARE(sync(local.get(), tech(db)), QStringLiteral("已同步"));
            if (stop.isEmpty())
                continue;
            take(groups / 2, groups);
            // The server holds the second batch in the middle of its
            // transaction (a table locked), and goes away there.
            ServerConnection locker(admin(db));
            QVERIFY(locker.open(false));
            QVERIFY(locker.db().transaction());
            QSqlQuery(locker.db()).exec(QStringLiteral("LOCK TABLE archive.test_revisions"));
            ServerSync sync(local->path(), tech(db));
            sync.setBatchSize(20);
            QSignalSpy finished(&sync, &ServerSync::finished);
            QTRY_VERIFY_WITH_TIMEOUT(adminValue(db, QStringLiteral("SELECT count(*) FROM pg_stat_activity WHERE wait_event_type = 'Lock'"
                                                                   " AND usename = '%1'").arg(Tech)).toInt() == 1, 20000);
            if (stop == QLatin1String("restart"))
                QCOMPARE(QProcess::execute(QStringLiteral("sh"), { qEnvironmentVariable("DM_PG_CTL"), QStringLiteral("restart") }), 0);
            else
                adminValue(db, QStringLiteral("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE usename = '%1'").arg(Tech));
            locker.close();
            QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 20000);
            QCOMPARE(finished.first().at(0).toBool(), false);
            QCOMPARE(count(db, QStringLiteral("readings")), groups / 2);
            QCOMPARE(ServerSender::unsentGroups(*local, adminValue(db, QStringLiteral("SELECT server_uid FROM archive.schema_version")).toString()),
                     groups - groups / 2);
            sync.syncNow();
            QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 2, 20000);
            QVERIFY2(finished.last().at(0).toBool(), qPrintable(finished.last().at(1).toString()));
        }
        const int readings = sameGroups ? groups : laptops * groups;
        QCOMPARE(count(db, QStringLiteral("readings")), readings);
        QCOMPARE(count(db, QStringLiteral("read_items")), laptops * groups);
        QCOMPARE(count(db, QStringLiteral("reads")), laptops * ((groups + 9) / 10));
        QCOMPARE(count(db, QStringLiteral("meter_revisions")), laptops * (stop.isEmpty() ? 1 : 2));
        QCOMPARE(count(db, QStringLiteral("meters_now")), 1);
        QCOMPARE(count(db, QStringLiteral("test_revisions")), laptops * (stop.isEmpty() ? groups : groups + groups / 2));
        // The revision the server took last is the one shown, by whom it was sent.
        QCOMPARE(adminValue(db, QStringLiteral("SELECT customer || '|' || meter_no FROM archive.meters_now")).toString(),
                 customer + QString::number(laptops - 1) + u'|' + meterNo);
        QCOMPARE(adminValue(db, QStringLiteral("SELECT string_agg(DISTINCT sent_by, ',') FROM archive.meter_revisions")).toString(), Tech);
        ServerConnection server(tech(db));
        QVERIFY(server.open());
        QCOMPARE(ServerQuery(server).history(meterUid).size(), readings);
        QCOMPARE(ServerQuery(server).search({ customer.left(4) }).size(), std::min(readings, 200));
    }

    void refused_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("ssl");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("before"); // run as the superuser first, undone after
        QTest::addColumn<QString>("said");
        const QString localhost = QStringLiteral("localhost"), require = QStringLiteral("sslmode=require");
        const QString verify = QStringLiteral("sslmode=verify-full sslrootcert=") + qEnvironmentVariable("DM_PG_CA");
        QTest::newRow("wrong password") << localhost << require << Tech << "wrong" << QString() << "用户名或密码不对";
        QTest::newRow("unknown user") << localhost << require << "nobody_here" << Password << QString() << "用户名或密码不对";
        QTest::newRow("no password at all") << localhost << require << Tech << QString() << QString() << "需要密码";
        QTest::newRow("require, server without TLS") << localhost << require << Tech << Password << "ssl = off" << "不支持加密连接";
        QTest::newRow("verify-full, certificate for another name") << "127.0.0.1" << verify << Tech << Password << QString()
                                                                   << "证书与主机名不符";
        QTest::newRow("verify-full, the department's CA") << localhost << verify << Tech << Password << QString() << "已同步";
        QTest::newRow("server schema newer than the tool") << localhost << require << Tech << Password << "version = 2"
                                                           << "本软件只认识第1版";
    }

    void refused()
    {
        QFETCH(QString, host);
        QFETCH(QString, ssl);
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, before);
        QFETCH(QString, said);
        const QString db = freshDatabase();
        const auto restore = qScopeGuard([&] {
            ServerConnection::setSessionPassword(Password);
            adminValue(db, QStringLiteral("ALTER SYSTEM RESET ssl"));
            adminValue(db, QStringLiteral("SELECT pg_reload_conf()"));
        });
        if (before.startsWith(QLatin1String("ssl"))) {
            adminValue(db, QStringLiteral("ALTER SYSTEM SET ") + before);
            adminValue(db, QStringLiteral("SELECT pg_reload_conf()"));
            QTest::qWait(300);
        } else if (!before.isEmpty()) {
            adminValue(db, QStringLiteral("UPDATE archive.schema_version SET ") + before);
            QString report;
            QVERIFY(!initArchiveServer(admin(db), &report));
            QVERIFY2(report.contains(QStringLiteral("未作改动")), qPrintable(report));
        }
        ServerConnection::setSessionPassword(password);
        std::unique_ptr<ArchiveConnection> local(archive());
        QVERIFY(ArchiveStore(*local).storeArrival({ QStringLiteral("r"), QDateTime::currentDateTime(), QStringLiteral("instrument"),
                                                    QStringLiteral("copy.txt"), 1, { group(1) } }));
        bool ok = false;
        const QString state = sync(local.get(), tech(db, host, ssl, user), &ok);
        QVERIFY2(state.contains(said), qPrintable(state));
        QCOMPARE(ok, said == QStringLiteral("已同步"));
        QCOMPARE(count(db, QStringLiteral("readings")), ok ? 1 : 0);
    }

    void technicianCannot_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::newRow("change a reading") << "UPDATE readings SET verdict = '正常'";
        QTest::newRow("remove a reading") << "DELETE FROM readings";
        QTest::newRow("change a meter revision") << "UPDATE meter_revisions SET customer = 'x'";
        QTest::newRow("remove a test revision") << "DELETE FROM test_revisions";
        QTest::newRow("change what is shown") << "UPDATE meters_now SET customer = 'x'";
        QTest::newRow("empty the readings") << "TRUNCATE readings";
        QTest::newRow("say who sent it") << "INSERT INTO reads (uid, started_at, source, origin, complete, made_by, sent_by)"
                                            " VALUES ('x', '', 'file', '', false, '', 'postgres')";
        QTest::newRow("drop the readings") << "DROP TABLE readings";
    }

    void technicianCannot()
    {
        QFETCH(QString, statement);
        static QString db;
        if (db.isEmpty()) {
            db = freshDatabase();
            std::unique_ptr<ArchiveConnection> local(archive());
            QString meter;
            QVERIFY(ArchiveStore(*local).storeArrival({ QStringLiteral("r"), QDateTime::currentDateTime(), QStringLiteral("file"),
                                                        QStringLiteral("copy.txt"), 1, { group(1), group(2) } }));
            QVERIFY(ArchiveStore(*local).reviseMeter(QString(), { QStringLiteral("1"), QStringLiteral("户"), QStringLiteral(""), QStringLiteral("2"), QStringLiteral(""), QStringLiteral("") }, &meter));
            QVERIFY(ArchiveStore(*local).reviseTests({ ArchiveStore::readingUid(group(1)) }, test(meter, QDate(2026, 1, 2))));
            QCOMPARE(sync(local.get(), tech(db)), QStringLiteral("已同步"));
        }
        ServerConnection server(tech(db));
        QVERIFY2(server.open(), qPrintable(server.error()));
        QSqlQuery query(server.db());
        QVERIFY(!query.exec(statement));
        QVERIFY2(server.describe(query.lastError()).contains(QStringLiteral("没有权限")), qPrintable(query.lastError().text()));
        QCOMPARE(count(db, QStringLiteral("readings")) + count(db, QStringLiteral("meter_revisions"))
                     + count(db, QStringLiteral("test_revisions")) + count(db, QStringLiteral("reads")), 5);
        QCOMPARE(adminValue(db, QStringLiteral("SELECT customer FROM archive.meters_now")).toString(), QStringLiteral("户"));
    }

    void search_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QDate>("to");
        QTest::addColumn<bool>("wrongOnly");
        QTest::addColumn<int>("found");
        QTest::newRow("everything") << QString() << QDate() << QDate() << false << 5;
        QTest::newRow("part of 户名") << "电器" << QDate() << QDate() << false << 3;
        QTest::newRow("表号, other case") << "m-1" << QDate() << QDate() << false << 3;
        QTest::newRow("户号 of both") << "3201" << QDate() << QDate() << false << 5;
        QTest::newRow("安装地点") << "城西" << QDate() << QDate() << false << 2;
        QTest::newRow("% and _ as typed") << "50%_" << QDate() << QDate() << false << 2;
        QTest::newRow("% not a wildcard") << "5%p" << QDate() << QDate() << false << 0;
        QTest::newRow("tester") << "王工" << QDate() << QDate() << false << 2;
        QTest::newRow("dates") << QString() << QDate(2026, 3, 2) << QDate(2026, 4, 1) << false << 3;
        QTest::newRow("wrong wiring only") << QString() << QDate() << QDate() << true << -1;
        QTest::newRow("history of a meter") << "history" << QDate() << QDate() << false << 3;
        // Thousands of meters without tests share it: the tests are walked instead.
        QTest::newRow("in thousands of meters") << "电器厂" << QDate() << QDate() << false << 3;
    }

    void search()
    {
        QFETCH(QString, text);
        QFETCH(QDate, from);
        QFETCH(QDate, to);
        QFETCH(bool, wrongOnly);
        QFETCH(int, found);
        static std::unique_ptr<ArchiveConnection> local;
        static QString db, meterA;
        if (!local) {
            // The five groups of the sample file, on two meters, as the
            // local archive and the server hold them: both must answer alike.
            db = freshDatabase();
            local.reset(archive());
            QFile file(QFINDTESTDATA("../samples/sample.dat"));
            QVERIFY(file.open(QIODevice::ReadOnly));
            QStringList groups = QString::fromLatin1(file.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts).mid(1, 5);
            ArchiveStore store(*local);
            QVERIFY(store.storeArrival({ QStringLiteral("r"), QDateTime::currentDateTime(), QStringLiteral("file"), QStringLiteral("sample.dat"), 1, groups }));
            QString meterB;
            QVERIFY(store.reviseMeter(QString(), { QStringLiteral("3201001"), QStringLiteral("张三电器厂"), QStringLiteral("城东变"),
                                                   QStringLiteral("M-100"), QStringLiteral(""), QStringLiteral("") }, &meterA));
            QVERIFY(store.reviseMeter(QString(), { QStringLiteral("3201002"), QStringLiteral("O'Neil 50%_shop"), QStringLiteral("城西"),
                                                   QStringLiteral("M-200"), QStringLiteral(""), QStringLiteral("") }, &meterB));
            const QList<QDate> dates { QDate(2026, 3, 1), QDate(2026, 3, 5), QDate(2026, 4, 1), QDate(2026, 3, 5), QDate(2026, 5, 1) };
            for (int i = 0; i < 5; ++i)
                QVERIFY(store.reviseTests({ ArchiveStore::readingUid(groups[i]) },
                                          test(i < 3 ? meterA : meterB, dates[i], i < 3 ? QStringLiteral("李工") : QStringLiteral("王工"))));
            QCOMPARE(sync(local.get(), tech(db)), QStringLiteral("已同步"));
            const QString crowd = QStringLiteral(" INTO %1meter_revisions (uid, meter_uid, account_no, customer, site, meter_no,"
                                                 " ct_ratio, pt_ratio, made_at, made_by) SELECT 'u' || i, 'm' || i, '', '电器厂' || i,"
                                                 " '', '', '', '', '', '' FROM ");
            QSqlQuery here(local->db());
            QVERIFY(here.exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2100) INSERT")
                              + crowd.arg(QString()) + QStringLiteral("n")));
            adminValue(db, QStringLiteral("INSERT") + crowd.arg(QStringLiteral("archive.")) + QStringLiteral("generate_series(1, 2100) i"));
        }
        ServerConnection server(tech(db));
        QVERIFY2(server.open(), qPrintable(server.error()));
        ServerQuery remote(server);
        ArchiveQuery here(*local);
        const bool history = text == QLatin1String("history");
        const ArchiveQuery::Filter filter { text, from, to, wrongOnly };
        const QList<Archive::TestRow> rows = history ? remote.history(meterA) : remote.search(filter);
        const QList<Archive::TestRow> expected = history ? here.history(meterA) : here.search(filter);
        QVERIFY2(remote.error().isEmpty(), qPrintable(remote.error()));
        QCOMPARE(rows.size(), found < 0 ? expected.size() : found);
        QCOMPARE(rows.size(), expected.size());
        for (int i = 0; i < rows.size(); ++i) {
            QCOMPARE(rows[i].readingUid, expected[i].readingUid);
            QCOMPARE(rows[i].meter.details, expected[i].meter.details);
            QCOMPARE(rows[i].date, expected[i].date);
            QCOMPARE(rows[i].tester, expected[i].tester);
            QCOMPARE(rows[i].verdict, expected[i].verdict);
            QCOMPARE(rows[i].wrongWiring, expected[i].wrongWiring);
            QCOMPARE(rows[i].groupText, expected[i].groupText);
        }
    }
};

QTEST_MAIN(TestArchiveServer)
#include "tst_archiveserver.moc"
