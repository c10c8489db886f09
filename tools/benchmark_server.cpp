// Figures of the department's archive on PostgreSQL (run on demand, on a
// server of its own: eval "$(tools/pgserver.sh start)"; then
// build/tools/benchmark_server; tools/pgserver.sh stop):
//  - 10,000 tests (1,000 reads of 10 groups) sent from one local archive;
//  - 8 tools at once, each with its own local archive of 1,000 reads of 10
//    groups, sending to one server that is restarted in the middle: what
//    the server holds, lost and duplicated;
//  - the 档案 window's search on a server holding 1,000,000 tests.
// Rows and filters are written with only the fields that matter to them.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

#include "archiveconnection.h"
#include "archivestore.h"
#include "serverconnection.h"
#include "serverquery.h"
#include "serversync.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

QString pgHost, pgPort;
const QString Tech = QStringLiteral("dm_bench_tech"), Password = QStringLiteral("bench");

QString admin(const QString &db)
{
    return QStringLiteral("host=%1 port=%2 user=postgres dbname=%3").arg(pgHost, pgPort, db);
}
QString tech(const QString &db)
{
    return QStringLiteral("host=localhost port=%1 user=%2 dbname=%3 sslmode=require").arg(pgPort, Tech, db);
}

QVariant adminValue(const QString &db, const QString &sql)
{
    ServerConnection server(admin(db));
    if (!server.open(false)) {
        std::fprintf(stderr, "%s\n", qPrintable(server.error()));
        std::exit(1);
    }
    QSqlQuery query(server.db());
    if (!query.exec(sql)) {
        std::fprintf(stderr, "%s\n%s\n", qPrintable(sql.left(200)), qPrintable(query.lastError().text()));
        std::exit(1);
    }
    return query.next() ? query.value(0) : QVariant();
}

QString database(const QString &name)
{
    adminValue(QStringLiteral("postgres"), QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name));
    adminValue(QStringLiteral("postgres"), QStringLiteral("CREATE DATABASE ") + name);
    QString report;
    if (!initArchiveServer(admin(name), &report)) {
        std::fprintf(stderr, "%s\n", qPrintable(report));
        std::exit(1);
    }
    return name;
}

// A local archive of reads of 10 groups, each test tied to a meter of its own.
void fill(const QString &path, int tool, int reads)
{
    ArchiveConnection local(path);
    local.open();
    ArchiveStore store(local);
    for (int r = 0; r < reads; ++r) {
        Archive::Arrival arrival { QStringLiteral("t%1-r%2").arg(tool).arg(r), QDateTime::currentDateTime(),
                                   QStringLiteral("instrument"), QStringLiteral("") };
        for (int g = 0; g < 10; ++g)
            arrival.groups << QStringLiteral("50.00 1.5000 1.4800 1.5200 0.0300 %1.%2 219.80 220.50 3.0 2.8 3.2 24.0 12.0 12.0 24.1 12.0 11.9 2 0")
                                  .arg(100 + tool).arg(r * 10 + g, 5, 10, QLatin1Char('0'));
        store.storeArrival(arrival);
        QString meter;
        store.reviseMeter(QString(), { QStringLiteral("32%1").arg(tool * 100000 + r), QStringLiteral("用户%1").arg(r),
                                       QStringLiteral("站%1").arg(r % 50), QStringLiteral("M%1").arg(r), QStringLiteral("100/5"),
                                       QStringLiteral("") }, &meter);
        QStringList uids;
        for (const QString &group : std::as_const(arrival.groups))
            uids << ArchiveStore::readingUid(group);
        Archive::TestDetails details { meter, QDate::currentDate(), QStringLiteral("技术员%1").arg(tool) };
        details.voidReason = QStringLiteral("");
        store.reviseTests(uids, details);
    }
}

void sendOnce(const QString &path, const QString &db)
{
    ArchiveConnection local(path);
    local.open();
    ServerConnection server(tech(db));
    if (!server.open()) {
        std::printf("  cannot connect: %s\n", qPrintable(server.error()));
        return;
    }
    ServerSender sender(local, server);
    QElapsedTimer timer;
    timer.start();
    const bool ok = sender.send();
    std::printf("  10,000 tests (1,000 reads, 10,000 groups, their places and revisions, %lld rows): %s in %.2f s (target 5 s)\n",
                sender.rowsSent(), ok ? "sent" : qPrintable(sender.error()), timer.elapsed() / 1000.0);
}

void eightTools(const QString &dir, const QString &db)
{
    constexpr int Tools = 8;
    QElapsedTimer timer;
    timer.start();
    std::vector<std::thread> fills;
    for (int t = 0; t < Tools; ++t)
        fills.emplace_back(fill, QStringLiteral("%1/tool%2.db").arg(dir).arg(t), t, 1000);
    for (auto &f : fills)
        f.join();
    std::printf("  8 local archives of 1,000 reads of 10 groups made in %.1f s\n", timer.elapsed() / 1000.0);

    std::atomic<int> failures { 0 }, done { 0 };
    timer.restart();
    std::vector<std::thread> tools;
    for (int t = 0; t < Tools; ++t) {
        tools.emplace_back([&, t] {
            ArchiveConnection local(QStringLiteral("%1/tool%2.db").arg(dir).arg(t));
            local.open();
            for (;;) {
                ServerConnection server(tech(db));
                if (server.open()) {
                    ServerSender sender(local, server);
                    sender.setBatchSize(500);
                    if (sender.send())
                        break;
                }
                ++failures;
                QThread::msleep(200);
            }
            ++done;
        });
    }
    // The server goes away (immediately, as at a power cut) while they send.
    QThread::msleep(1500);
    const int before = done;
    const qint64 held = adminValue(db, QStringLiteral("SELECT count(*) FROM archive.readings")).toLongLong();
    QProcess::execute(QStringLiteral("sh"), { qEnvironmentVariable("DM_PG_CTL"), QStringLiteral("restart") });
    std::printf("  server restarted after %.1f s, holding %lld groups, %d of 8 tools done\n", timer.elapsed() / 1000.0, held, before);
    for (auto &t : tools)
        t.join();
    const double seconds = timer.elapsed() / 1000.0;
    const qint64 readings = adminValue(db, QStringLiteral("SELECT count(*) FROM archive.readings")).toLongLong();
    const qint64 distinct = adminValue(db, QStringLiteral("SELECT count(DISTINCT group_text) FROM archive.readings")).toLongLong();
    const qint64 items = adminValue(db, QStringLiteral("SELECT count(*) FROM archive.read_items")).toLongLong();
    const qint64 tests = adminValue(db, QStringLiteral("SELECT count(*) FROM archive.tests_now WHERE revision_id IS NOT NULL")).toLongLong();
    std::printf("  all sent in %.1f s with %d failed tries: the server holds %lld groups (%lld distinct texts), %lld places, %lld tests\n"
                "  of 80,000 each: lost %lld, duplicated %lld\n",
                seconds, int(failures), readings, distinct, items, tests, 80000 - distinct, readings - distinct);
}

void millionTests(const QString &db)
{
    QElapsedTimer timer;
    timer.start();
    // Made on the server in bulk (the triggers' work done set-wise): 100,000
    // meters of 10 tests each over three years, 30 testers.
    adminValue(db, QStringLiteral(
        "SET session_replication_role = replica;"
        "SET search_path = archive, public;"
        "INSERT INTO readings (uid, group_text, read_uid, arrived_at, wiring_code, verdict, severity, wrong_wiring, form,"
        " k, p_total, load_window, diagnosis_version, chain)"
        " SELECT 'g' || i, 'group ' || i, 'r' || (i / 10), to_char(date '2024-01-01' + (i % 1095), 'YYYY-MM-DD') || 'T09:00:00',"
        " 1, '正常', 0, i % 97 = 0, '', 1.0, 1000.0, '', 1, '' FROM generate_series(1, 1000000) i;"
        "INSERT INTO meter_revisions (uid, meter_uid, account_no, customer, site, meter_no, ct_ratio, pt_ratio, made_at, made_by)"
        " SELECT 'mr' || m, 'm' || m, '32' || lpad(m::text, 8, '0'),"
        " (ARRAY['张','王','李','赵','刘','陈','杨','黄'])[m % 8 + 1] || (ARRAY['明','华','强','伟','芳','军'])[m % 6 + 1] || m || '号',"
        " (ARRAY['城东','城西','开发区','北郊','南湖'])[m % 5 + 1] || '变电站' || (m % 300), 'M' || lpad(m::text, 9, '0'),"
        " '100/5', '', '', '' FROM generate_series(1, 100000) m;"
        "INSERT INTO test_revisions (uid, reading_uid, meter_uid, test_date, tester, voided, void_reason, made_at, made_by)"
        " SELECT 't' || i, 'g' || i, 'm' || (i % 100000 + 1), to_char(date '2024-01-01' + (i % 1095), 'YYYY-MM-DD'),"
        " '技术员' || (i % 30), false, '', '', '' FROM generate_series(1, 1000000) i;"
        "INSERT INTO meters_now SELECT meter_uid, id, account_no, customer, site, meter_no, ct_ratio, pt_ratio,"
        " account_no || E'\\n' || customer || E'\\n' || site || E'\\n' || meter_no FROM meter_revisions;"
        "INSERT INTO tests_now (reading_uid, revision_id, meter_uid, test_date, tester, voided, wrong_wiring)"
        " SELECT v.reading_uid, v.id, v.meter_uid, v.test_date, v.tester, v.voided, r.wrong_wiring"
        " FROM test_revisions v JOIN readings r ON r.uid = v.reading_uid ORDER BY r.id;"
        "ANALYZE"));
    std::printf("  1,000,000 tests of 100,000 meters made on the server in %.0f s\n", timer.elapsed() / 1000.0);

    ServerConnection server(tech(db));
    if (!server.open()) {
        std::printf("  cannot connect: %s\n", qPrintable(server.error()));
        return;
    }
    ServerQuery query(server);
    struct Case { const char *what; ArchiveQuery::Filter filter; };
    const Case cases[] = {
        { "the newest, no text", { QString() } },
        { "户号 of one meter", { QStringLiteral("3200012345") } },
        { "part of a 表号", { QStringLiteral("000123") } },
        { "part of 户名 (one meter)", { QStringLiteral("明6号") } },
        { "common part of 户名 (1 in 8 meters)", { QStringLiteral("张") } },
        { "安装地点, 1 in 5 meters", { QStringLiteral("开发区") } },
        { "a tester", { QStringLiteral("技术员17") } },
        { "nothing matches", { QStringLiteral("无此用户") } },
        { "a month", { QString(), QDate(2025, 3, 1), QDate(2025, 3, 31) } },
        { "wrong wiring only", { QString(), QDate(), QDate(), true } },
    };
    for (const Case &c : cases) {
        QList<qint64> times;
        int found = 0;
        for (int run = 0; run < 6; ++run) {
            QElapsedTimer t;
            t.start();
            found = query.search(c.filter).size();
            if (run > 0)
                times << t.nsecsElapsed() / 1000;
        }
        std::sort(times.begin(), times.end());
        std::printf("  search %-36s %4d rows: median %6.1f ms, worst %6.1f ms%s\n", c.what, found, times[2] / 1000.0,
                    times.last() / 1000.0, query.error().isEmpty() ? "" : qPrintable(u' ' + query.error()));
    }
    QElapsedTimer t;
    t.start();
    const int history = query.history(QStringLiteral("m4242")).size();
    std::printf("  history of one meter: %d tests in %.1f ms (target for searches: 100 ms)\n", history, t.nsecsElapsed() / 1e6);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    pgHost = qEnvironmentVariable("DM_PG_HOST");
    pgPort = qEnvironmentVariable("DM_PG_PORT");
    if (pgHost.isEmpty() || pgPort.isEmpty()) {
        std::fprintf(stderr, "No server: run eval \"$(tools/pgserver.sh start)\" first (sets DM_PG_HOST, DM_PG_PORT, DM_PG_CTL).\n");
        return 2;
    }
    const QStringList parts = app.arguments().mid(1);
    const auto wanted = [&](const char *part) { return parts.isEmpty() || parts.contains(QLatin1String(part)); };
    QTemporaryDir dir;
    const QString first = database(QStringLiteral("dm_bench_send"));
    adminValue(first, QStringLiteral("DO $$ BEGIN IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = '%1')"
                                     " THEN CREATE ROLE %1 LOGIN PASSWORD '%2' IN ROLE dm_technician; END IF; END $$").arg(Tech, Password));
    ServerConnection::setSessionPassword(Password);
    if (wanted("send")) {
        std::printf("Sending 10,000 tests on localhost (TLS):\n");
        const QString path = dir.filePath(QStringLiteral("one.db"));
        QElapsedTimer timer;
        timer.start();
        fill(path, 0, 1000);
        std::printf("  local archive made in %.1f s\n", timer.elapsed() / 1000.0);
        sendOnce(path, first);
        std::fflush(stdout);
    }
    if (wanted("eight")) {
        std::printf("8 tools at once, the server restarted in the middle:\n");
        eightTools(dir.path(), database(QStringLiteral("dm_bench_eight")));
        std::fflush(stdout);
    }
    if (wanted("search")) {
        std::printf("Search on a server holding 1,000,000 tests:\n");
        millionTests(database(QStringLiteral("dm_bench_search")));
    }
    return 0;
}
