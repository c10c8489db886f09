// Figures of the archive at the size of years of work: 100,000 meters and
// 1,000,000 tests (ten visits to each meter, ten meters to a read). The
// readings go in through the store as the instrument's reads do; the meters
// and the ties are written in one transaction, as many revisions as the
// dialog would make. The archive is made once in FOLDER and kept there.
//
//   benchmark_archive [FOLDER] [METERS]
//
// Run it on demand; it prints figures, it does not pass or fail.

#include "archiveconnection.h"
#include "archivedialog.h"
#include "archivequery.h"
#include "archivestore.h"
#include "archivewriter.h"
#include "mainwindow.h"
#include "archivelink.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QTableWidget>
#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

const QStringList givenNames{ "华", "明", "建国", "丽", "伟", "海燕", "志强", "秀英", "德胜", "春花" };
const QStringList families{ "王", "李", "张", "刘", "陈", "杨", "赵", "黄", "周", "吴" };
const QStringList trades{ "纺织有限公司", "机械厂", "食品加工厂", "塑料制品厂", "物业管理处", "水泥厂", "印染厂", "电器有限公司" };
const QStringList streets{ "解放路", "人民路", "中山路", "建设路", "滨江大道", "工业园区", "开发区", "新华路" };

QString group(qint64 test)
{
    // Four-wire groups, currents 30° behind (the angles in tens of degrees);
    // about one in a hundred with phase A's current reversed.
    const bool reversed = test % 97 == 0;
    return QStringLiteral("%1 1.500 1.480 1.520 0.030 %2 219.8 220.5 %3 2.8 3.2 24.0 12.0 12.0 24.1 12.0 11.9 2 0")
        .arg(49.5 + (test % 100) / 100.0, 0, 'f', 2)
        .arg(200 + (test / 100) % 100000 / 1000.0, 0, 'f', 3)
        .arg(reversed ? 21.0 : 3.0, 0, 'f', 1);
}

Archive::MeterDetails meterDetails(int meter)
{
    Archive::MeterDetails details;
    details.accountNo = QStringLiteral("33%1").arg(meter * 7919 % 100000000, 8, 10, QLatin1Char('0'));
    details.customer = families.at(meter % 10) + givenNames.at(meter / 10 % 10) + QStringLiteral("第%1").arg(meter / 100)
        + trades.at(meter % 8);
    details.site = streets.at(meter / 8 % 8) + QStringLiteral("%1号配电房").arg(meter % 997 + 1);
    details.meterNo = QStringLiteral("3301-%1").arg(meter, 6, 10, QLatin1Char('0'));
    details.ctRatio = QStringLiteral("200/5");
    details.ptRatio = QStringLiteral("10kV/100V");
    return details;
}

bool exec(QSqlQuery &query)
{
    if (query.exec())
        return true;
    std::fprintf(stderr, "%s\n", qPrintable(query.lastError().text()));
    return false;
}

// Makes the archive: reads of ten groups through the store, then every
// meter and every test tied to one, visits a month or so apart.
bool generate(const QString &path, int meters)
{
    ArchiveConnection archive(path);
    if (!archive.open()) {
        std::fprintf(stderr, "%s\n", qPrintable(archive.error()));
        return false;
    }
    QSqlQuery pragma(archive.db());
    pragma.exec(QStringLiteral("PRAGMA synchronous=OFF")); // made once; a crash here costs a rerun
    const qint64 tests = qint64(meters) * 10;
    ArchiveStore store(archive);
    QElapsedTimer timer;
    timer.start();
    for (qint64 first = 0; first < tests; first += 10) {
        Archive::Arrival arrival;
        arrival.readUid = QStringLiteral("bench-%1").arg(first / 10);
        arrival.readStart = QDateTime::currentDateTime();
        for (qint64 test = first; test < first + 10; ++test)
            arrival.groups << group(test);
        if (!store.storeArrival(arrival)) {
            std::fprintf(stderr, "%s\n", qPrintable(store.error()));
            return false;
        }
        if (first % 100000 == 0)
            std::fprintf(stderr, "\r%lld of %lld readings stored", first, tests);
    }
    std::fprintf(stderr, "\rreadings stored in %.0f s\n", timer.elapsed() / 1000.0);

    archive.db().transaction();
    QSqlQuery meter(archive.db());
    meter.prepare(QStringLiteral("INSERT INTO meter_revisions (uid, meter_uid, account_no, customer, site, meter_no,"
                                 " ct_ratio, pt_ratio, made_at, made_by) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    QSqlQuery tie(archive.db());
    tie.prepare(QStringLiteral("INSERT INTO test_revisions (uid, reading_uid, meter_uid, test_date, tester, made_at,"
                               " made_by) VALUES (?, ?, ?, ?, ?, ?, ?)"));
    const QString madeAt = QDateTime::currentDateTime().toString(Qt::ISODate);
    const QDate start(2020, 1, 6);
    for (int m = 0; m < meters; ++m) {
        const Archive::MeterDetails details = meterDetails(m);
        const QString meterUid = ArchiveStore::meterUid(details.accountNo, details.meterNo);
        for (const QVariant &value : { QVariant(meterUid + "-1"), QVariant(meterUid), QVariant(details.accountNo),
                                       QVariant(details.customer), QVariant(details.site), QVariant(details.meterNo),
                                       QVariant(details.ctRatio), QVariant(details.ptRatio), QVariant(madeAt),
                                       QVariant(QStringLiteral("bench")) })
            meter.addBindValue(value);
        if (!exec(meter))
            return false;
        // Visit v of meter m is test v * meters + m: ten reads of a trip hold
        // ten neighbouring meters.
        for (int visit = 0; visit < 10; ++visit) {
            const qint64 test = qint64(visit) * meters + m;
            const QDate date = start.addDays(visit * 180 + m % 150);
            for (const QVariant &value : { QVariant(QStringLiteral("t%1").arg(test)),
                                           QVariant(ArchiveStore::readingUid(group(test))), QVariant(meterUid),
                                           QVariant(date.toString(Qt::ISODate)),
                                           QVariant(families.at(m / 1000 % 10) + givenNames.at(visit)),
                                           QVariant(madeAt), QVariant(QStringLiteral("bench")) })
                tie.addBindValue(value);
            if (!exec(tie))
                return false;
        }
    }
    if (!archive.db().commit())
        return false;
    pragma.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
    pragma.exec(QStringLiteral("ANALYZE"));
    std::fprintf(stderr, "meters and ties written, %.0f s in all\n", timer.elapsed() / 1000.0);
    return true;
}

// The median and the largest of runs of what, in milliseconds.
std::pair<double, double> timed(int runs, const std::function<void(int)> &what)
{
    QList<double> ms;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        what(run);
        ms << timer.nsecsElapsed() / 1e6;
    }
    std::sort(ms.begin(), ms.end());
    return { ms.at(ms.size() / 2), ms.last() };
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const QString folder = QDir(argc >= 2 ? QString::fromLocal8Bit(argv[1]) : QDir::tempPath() + "/dm-archive-bench")
                               .absolutePath();
    const int meters = argc >= 3 ? qMax(100, std::atoi(argv[2])) : 100000;
    // The tool's data folder is FOLDER: the archive sits where the tool looks.
    qputenv("XDG_DATA_HOME", QFile::encodeName(folder));
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("datamanager"));
    QDir().mkpath(folder + "/datamanager");
    const QString path = folder + "/datamanager/archive.db";
    {
        ArchiveConnection probe(path);
        QSqlQuery count(probe.open() ? probe.db() : QSqlDatabase());
        const qint64 have = count.exec(QStringLiteral("SELECT count(*) FROM tests_now WHERE revision_id IS NOT NULL"))
                && count.next() ? count.value(0).toLongLong() : 0;
        probe.close();
        if (have != qint64(meters) * 10) {
            QFile::remove(path);
            if (!generate(path, meters))
                return 1;
        }
    }
    const qint64 tests = qint64(meters) * 10;
    std::printf("archive of %d meters and %lld tests: %.0f MB, %.0f bytes per test (%s)\n", meters, tests,
                QFileInfo(path).size() / 1e6, double(QFileInfo(path).size()) / tests, qPrintable(path));

    ArchiveConnection archive(path);
    if (!archive.open())
        return 1;
    ArchiveQuery query(archive);
    // Parts of each field, common and rare, Chinese of two characters among them.
    const QList<std::pair<const char *, QStringList>> searches{
        { "户号", { "3312", "0007", "99", "331234" } },
        { "表号", { "3301-0042", "04217", "-99" } },
        { "户名", { "王华", "王", "纺织", "第123", "物业" } },
        { "安装地点", { "解放路", "配电房", "人民路99号" } },
        { "检测人", { "张建国", "张" } },
        { "nothing found", { "无此用户" } },
    };
    for (const auto &[field, texts] : searches) {
        double median = 0, worst = 0;
        QString slowest;
        for (const QString &text : texts) {
            ArchiveQuery::Filter filter;
            filter.text = text;
            int found = 0;
            const auto [m, w] = timed(9, [&](int) { found = int(query.search(filter).size()); });
            if (m >= median)
                slowest = QStringLiteral("\"%1\", %2 found").arg(text).arg(found);
            median = qMax(median, m);
            worst = qMax(worst, w);
        }
        std::printf("first screenful by %s, the slowest of %lld terms (%s): median %.1f ms, slowest run %.1f ms (target 50)\n",
                    field, static_cast<long long>(texts.size()), qPrintable(slowest), median, worst);
    }
    {
        ArchiveQuery::Filter filter;
        filter.wrongOnly = true;
        filter.from = QDate(2021, 1, 1);
        filter.to = QDate(2022, 12, 31);
        int found = 0;
        const auto [m, w] = timed(9, [&](int) { found = int(query.search(filter).size()); });
        std::printf("wrong wiring in two years (%d shown): median %.1f ms, slowest %.1f ms\n", found, m, w);
    }
    {
        int visits = 0;
        const auto [m, w] = timed(51, [&](int run) {
            const Archive::MeterDetails details = meterDetails(run * 1931 % meters);
            visits = int(query.history(ArchiveStore::meterUid(details.accountNo, details.meterNo)).size());
        });
        std::printf("a meter's history (%d visits): median %.2f ms, slowest %.2f ms (target 20)\n", visits, m, w);
    }
    {
        QWidget parent;
        const auto [m, w] = timed(9, [&](int) {
            ArchiveDialog dialog(archive, &parent);
            dialog.show();
            dialog.grab(); // laid out and painted with its first results
        });
        std::printf("档案 window opened with its first results: median %.1f ms, slowest %.1f ms (target 200)\n", m, w);
    }
    archive.close();
    {
        QElapsedTimer timer;
        timer.start();
        MainWindow window;
        window.show();
        window.grab();
        const double shown = timer.nsecsElapsed() / 1e6;
        window.archive()->writer()->waitForWrites();
        std::printf("start-up with this archive: window shown in %.1f ms (target 300); the archive opened and "
                    "the copies checked beside it in %.1f ms\n", shown, timer.nsecsElapsed() / 1e6);
    }
    return 0;
}
