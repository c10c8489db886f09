#include "archivequery.h"

#include "archiveconnection.h"
#include "archivestore.h"

#include <QCryptographicHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

const char TestColumns[] =
    "SELECT t.reading_id, r.uid, r.group_text, t.test_date, m.meter_uid, m.account_no, m.customer, m.site,"
    " m.meter_no, m.ct_ratio, m.pt_ratio, t.tester, r.wiring_code, r.verdict, r.severity, r.wrong_wiring, r.k,"
    " r.p_total, t.voided, v.void_reason, v.corrected_on, r.diagnosis_version,"
    " v.active_import, v.active_export, v.reactive_q1, v.reactive_q2, v.reactive_q3, v.reactive_q4"
    " FROM tests_now t JOIN readings r ON r.id = t.reading_id"
    " LEFT JOIN meters_now m ON m.meter_uid = t.meter_uid"
    " LEFT JOIN test_revisions v ON v.id = t.revision_id ";

// More meters matching than are taken by their index.
constexpr int ManyMeters = 2000;

} // namespace

ArchiveQuery::ArchiveQuery(ArchiveConnection &connection)
    : m_connection(connection)
{
}

qint64 ArchiveQuery::scalar(const QString &sql)
{
    QSqlQuery query(m_connection.db());
    return query.exec(sql) && query.next() ? query.value(0).toLongLong() : 0;
}

Archive::TestRow ArchiveQuery::testRow(const QSqlQuery &query)
{
    Archive::TestRow row;
    row.readingId = query.value(0).toLongLong();
    row.readingUid = query.value(1).toString();
    row.groupText = query.value(2).toString();
    row.date = QDate::fromString(query.value(3).toString(), Qt::ISODate);
    row.meter.uid = query.value(4).toString();
    row.meter.details = { query.value(5).toString(), query.value(6).toString(), query.value(7).toString(),
                          query.value(8).toString(), query.value(9).toString(), query.value(10).toString() };
    row.tester = query.value(11).toString();
    row.wiringCode = query.value(12).toInt();
    row.verdict = query.value(13).toString();
    row.severity = query.value(14).toInt();
    row.wrongWiring = query.value(15).toBool();
    if (!query.isNull(16))
        row.k = query.value(16).toDouble();
    if (!query.isNull(17))
        row.activePower = query.value(17).toDouble();
    row.voided = query.value(18).toBool();
    row.voidReason = query.value(19).toString();
    row.correctedOn = QDate::fromString(query.value(20).toString(), Qt::ISODate);
    row.diagnosisVersion = query.value(21).toInt();
    for (int reg = 0; reg < int(row.registers.size()); ++reg)
        if (!query.isNull(22 + reg))
            row.registers[size_t(reg)] = query.value(22 + reg).toDouble();
    return row;
}

QString ArchiveQuery::containing(const QString &text)
{
    QString escaped = text;
    escaped.replace(u'\\', QStringLiteral("\\\\")).replace(u'%', QStringLiteral("\\%")).replace(u'_', QStringLiteral("\\_"));
    return u'%' + escaped + u'%';
}

void ArchiveQuery::addDateAndWiring(const Filter &filter, const QString &wrongWiring, QStringList *conditions,
                                    QVariantList *values)
{
    if (filter.from.isValid()) {
        *conditions << QStringLiteral("t.test_date >= ?");
        *values << filter.from.toString(Qt::ISODate);
    }
    if (filter.to.isValid()) {
        *conditions << QStringLiteral("t.test_date <= ?");
        *values << filter.to.toString(Qt::ISODate);
    }
    if (filter.wrongOnly)
        *conditions << wrongWiring;
}

QList<Archive::TestRow> ArchiveQuery::testRows(const QSqlDatabase &db, const QString &sql, const QVariantList &values,
                                               QSqlError *failure)
{
    QList<Archive::TestRow> rows;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(sql);
    for (const QVariant &value : values)
        query.addBindValue(value);
    if (!query.exec()) {
        *failure = query.lastError();
        return rows;
    }
    while (query.next())
        rows << testRow(query);
    return rows;
}

QList<Archive::TestRow> ArchiveQuery::tests(const QString &where, const QString &order, const QVariantList &values)
{
    QSqlError failure;
    const QString sql = QString::fromLatin1(TestColumns) + where + order;
    const QList<Archive::TestRow> rows = testRows(m_connection.db(), sql, values, &failure);
    if (failure.isValid())
        m_error = m_connection.describe(failure);
    return rows;
}

QList<Archive::TestRow> ArchiveQuery::search(const Filter &filter)
{
    m_error.clear();
    QStringList conditions;
    QVariantList values;
    addDateAndWiring(filter, QStringLiteral("t.wrong_wiring = 1"), &conditions, &values);
    const QString text = filter.text.trimmed();
    if (!text.isEmpty()) {
        // The meters and testers that match, once, into temporary tables.
        QSqlQuery query(m_connection.db());
        const QString pattern = containing(text);
        const bool made = query.exec(QStringLiteral("CREATE TEMP TABLE IF NOT EXISTS found_meters (meter_uid TEXT PRIMARY KEY)"))
            && query.exec(QStringLiteral("CREATE TEMP TABLE IF NOT EXISTS found_testers (tester TEXT PRIMARY KEY)"))
            && query.exec(QStringLiteral("DELETE FROM temp.found_meters"))
            && query.exec(QStringLiteral("DELETE FROM temp.found_testers"));
        if (!made) {
            m_error = m_connection.describe(query.lastError());
            return {};
        }
        // Up to so many meters: more, and the tests are walked newest first
        // with the text looked for in each test's meter as it comes.
        query.prepare(QStringLiteral("INSERT INTO temp.found_meters SELECT meter_uid FROM meters_now"
                                     " WHERE haystack LIKE ? ESCAPE '\\' LIMIT ?"));
        query.addBindValue(pattern);
        query.addBindValue(ManyMeters);
        if (!query.exec()) {
            m_error = m_connection.describe(query.lastError());
            return {};
        }
        const qint64 meters = query.numRowsAffected();
        query.prepare(QStringLiteral("INSERT INTO temp.found_testers SELECT name FROM testers WHERE name LIKE ? ESCAPE '\\'"));
        query.addBindValue(pattern);
        if (!query.exec()) {
            m_error = m_connection.describe(query.lastError());
            return {};
        }
        // How many tests match, roughly, against how far a walk through all
        // tests newest first goes before the screen is full (a step of the
        // walk costs about as much as four tests taken by an index).
        const qint64 testerTests = query.numRowsAffected() > 0
            ? scalar(QStringLiteral("SELECT count(*) FROM tests_now WHERE tester IN temp.found_testers")) : 0;
        const qint64 allMeters = qMax<qint64>(1, scalar(QStringLiteral("SELECT max(rowid) FROM meters_now")));
        const qint64 allTests = qMax<qint64>(1, scalar(QStringLiteral("SELECT max(reading_id) FROM tests_now")));
        const double matching = double(meters) * allTests / allMeters + testerTests;
        const double walked = double(filter.limit) * allTests / qMax(1.0, matching);
        if (meters >= ManyMeters || matching > 4 * walked) {
            // "+" keeps the planner on the date index.
            conditions << QStringLiteral("(m.haystack LIKE ? ESCAPE '\\' OR +t.tester IN temp.found_testers)");
            values << pattern;
        } else {
            // The newest of each meter's and each tester's tests, by their indexes.
            const QString rest = conditions.isEmpty() ? QString() : QStringLiteral(" AND ") + conditions.join(QStringLiteral(" AND "));
            const QString newest = QStringLiteral(" ORDER BY t.test_date DESC, t.reading_id DESC LIMIT ?");
            const QVariantList restValues = values;
            conditions = QStringList{ QStringLiteral(
                "t.reading_id IN (SELECT reading_id FROM (SELECT t.reading_id FROM tests_now t INDEXED BY tests_now_meter"
                " WHERE t.meter_uid IN temp.found_meters%1%2)"
                " UNION SELECT reading_id FROM (SELECT t.reading_id FROM tests_now t INDEXED BY tests_now_tester"
                " WHERE t.tester IN temp.found_testers%1%2))")
                .arg(rest, newest) };
            values = restValues + QVariantList{ filter.limit } + restValues + QVariantList{ filter.limit };
        }
    }
    const QString where = conditions.isEmpty() ? QString() : QStringLiteral("WHERE ") + conditions.join(QStringLiteral(" AND "));
    values << filter.limit;
    return tests(where, QStringLiteral(" ORDER BY t.test_date DESC, t.reading_id DESC LIMIT ?"), values);
}

QList<Archive::TestRow> ArchiveQuery::history(const QString &meterUid)
{
    m_error.clear();
    return tests(QStringLiteral("WHERE t.meter_uid = ?"), QStringLiteral(" ORDER BY t.test_date, t.reading_id"), { meterUid });
}

std::optional<Archive::TestRow> ArchiveQuery::test(const QString &readingUid)
{
    m_error.clear();
    const QList<Archive::TestRow> rows = tests(QStringLiteral("WHERE r.uid = ?"), QString(), { readingUid });
    return rows.isEmpty() ? std::nullopt : std::optional<Archive::TestRow>(rows.first());
}

QStringList ArchiveQuery::revisions(const QString &readingUid)
{
    QStringList lines;
    QSqlQuery query(m_connection.db());
    query.prepare(QStringLiteral(
        "SELECT v.made_at, v.made_by, v.test_date, m.account_no, m.meter_no, v.voided, v.void_reason, v.corrected_on"
        " FROM test_revisions v LEFT JOIN meters_now m ON m.meter_uid = v.meter_uid"
        " WHERE v.reading_uid = ? ORDER BY v.id"));
    query.addBindValue(readingUid);
    if (!query.exec()) {
        m_error = m_connection.describe(query.lastError());
        return lines;
    }
    while (query.next()) {
        QString line = QObject::tr("%1 %2：检测日期%3").arg(query.value(0).toString().left(19).replace(u'T', u' '),
                                                              query.value(1).toString(), query.value(2).toString());
        if (!query.value(3).toString().isEmpty() || !query.value(4).toString().isEmpty())
            line += QObject::tr("，户号%1，表号%2").arg(query.value(3).toString(), query.value(4).toString());
        if (query.value(5).toBool())
            line += QObject::tr("，作废（%1）").arg(query.value(6).toString());
        if (!query.isNull(7))
            line += QObject::tr("，接线已更正（%1）").arg(query.value(7).toString());
        lines << line;
    }
    return lines;
}

QList<Archive::Meter> ArchiveQuery::metersStartingWith(const QString &text, int limit)
{
    QList<Archive::Meter> meters;
    QString escaped = text.trimmed();
    if (escaped.isEmpty())
        return meters;
    escaped.replace(u'\\', QStringLiteral("\\\\")).replace(u'%', QStringLiteral("\\%")).replace(u'_', QStringLiteral("\\_"));
    QSqlQuery query(m_connection.db());
    query.prepare(QStringLiteral("SELECT meter_uid, account_no, customer, site, meter_no, ct_ratio, pt_ratio FROM meters_now"
                                 " WHERE account_no LIKE ? ESCAPE '\\' OR meter_no LIKE ? ESCAPE '\\'"
                                 " ORDER BY account_no, meter_no LIMIT ?"));
    query.addBindValue(escaped + u'%');
    query.addBindValue(escaped + u'%');
    query.addBindValue(limit);
    if (!query.exec()) {
        m_error = m_connection.describe(query.lastError());
        return meters;
    }
    while (query.next())
        meters << Archive::Meter{ query.value(0).toString(),
                                  { query.value(1).toString(), query.value(2).toString(), query.value(3).toString(),
                                    query.value(4).toString(), query.value(5).toString(), query.value(6).toString() } };
    return meters;
}

QList<Archive::ReadRow> ArchiveQuery::reads(int limit)
{
    QList<Archive::ReadRow> rows;
    QSqlQuery query(m_connection.db());
    query.prepare(QStringLiteral("SELECT r.uid, r.started_at, r.source, r.origin, r.complete, count(i.seq), total(i.known)"
                                 " FROM reads r LEFT JOIN read_items i ON i.read_id = r.id"
                                 " GROUP BY r.id ORDER BY r.started_at DESC, r.id DESC LIMIT ?"));
    query.addBindValue(limit);
    if (!query.exec()) {
        m_error = m_connection.describe(query.lastError());
        return rows;
    }
    while (query.next()) {
        Archive::ReadRow row;
        row.uid = query.value(0).toString();
        row.startedAt = QDateTime::fromString(query.value(1).toString(), Qt::ISODate).toLocalTime();
        row.source = query.value(2).toString();
        row.origin = query.value(3).toString();
        row.complete = query.value(4).toBool();
        row.groups = query.value(5).toInt();
        row.known = int(query.value(6).toDouble());
        rows << row;
    }
    return rows;
}

QStringList ArchiveQuery::groupsOfRead(const QString &readUid)
{
    QStringList groups;
    QSqlQuery query(m_connection.db());
    query.prepare(QStringLiteral("SELECT g.group_text FROM reads r JOIN read_items i ON i.read_id = r.id"
                                 " JOIN readings g ON g.id = i.reading_id WHERE r.uid = ? ORDER BY i.seq"));
    query.addBindValue(readUid);
    if (!query.exec()) {
        m_error = m_connection.describe(query.lastError());
        return groups;
    }
    while (query.next())
        groups << query.value(0).toString();
    return groups;
}

QList<Archive::KeptReport> ArchiveQuery::reportsOf(const QString &readingUid)
{
    m_error.clear();
    QList<Archive::KeptReport> kept;
    QSqlQuery query(m_connection.db());
    query.prepare(QStringLiteral("SELECT DISTINCT p.id, p.made_at, p.made_by, p.file_name FROM reports p"
                                 " JOIN report_tests t ON t.report_id = p.id WHERE t.reading_uid = ? ORDER BY p.id DESC"));
    query.addBindValue(readingUid);
    if (!query.exec()) {
        m_error = m_connection.describe(query.lastError());
        return kept;
    }
    while (query.next())
        kept << Archive::KeptReport{ query.value(0).toLongLong(),
                                     QDateTime::fromString(query.value(1).toString(), Qt::ISODate).toLocalTime(),
                                     query.value(2).toString(), query.value(3).toString() };
    return kept;
}

std::optional<QByteArray> ArchiveQuery::reportPdf(qint64 id)
{
    m_error.clear();
    QSqlQuery query(m_connection.db());
    query.prepare(QStringLiteral("SELECT pdf, sha256 FROM reports WHERE id = ?"));
    query.addBindValue(id);
    if (!query.exec() || !query.next()) {
        m_error = m_connection.describe(query.lastError());
        return std::nullopt;
    }
    const QByteArray pdf = query.value(0).toByteArray();
    if (QCryptographicHash::hash(pdf, QCryptographicHash::Sha256).toHex() != query.value(1).toByteArray()) {
        m_error = QObject::tr("存档的报告与其SHA-256摘要不符：已被改动。");
        return std::nullopt;
    }
    return pdf;
}

std::optional<ArchiveQuery::ChainCheck> ArchiveQuery::checkChain()
{
    QSqlQuery query(m_connection.db());
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT id, uid, group_text, arrived_at, chain FROM readings ORDER BY id"))) {
        m_error = m_connection.describe(query.lastError());
        return std::nullopt;
    }
    ChainCheck check;
    QByteArray previous;
    while (query.next()) {
        const QString uid = query.value(1).toString();
        const QString group = query.value(2).toString();
        const QString arrivedAt = query.value(3).toString();
        const QByteArray expected = ArchiveStore::chainDigest(previous, uid, group, arrivedAt);
        // The stored digest must follow from the row, and the uid from the text.
        if (expected != query.value(4).toString().toLatin1() || uid != ArchiveStore::readingUid(group)) {
            check.intact = false;
            check.brokenAt = query.value(0).toLongLong();
            check.brokenRead = arrivedAt;
            return check;
        }
        previous = expected;
        ++check.checked;
    }
    return check;
}
