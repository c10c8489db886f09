#include "serverquery.h"

#include "serverconnection.h"

#include <QSqlError>
#include <QSqlQuery>

namespace {

const char TestColumns[] =
    "SELECT t.id, t.reading_uid, r.group_text, t.test_date, m.meter_uid, m.account_no, m.customer, m.site,"
    " m.meter_no, m.ct_ratio, m.pt_ratio, t.tester, r.wiring_code, r.verdict, r.severity, r.wrong_wiring, r.k,"
    " r.p_total, t.voided, v.void_reason, v.corrected_on, r.diagnosis_version,"
    " v.active_import, v.active_export, v.reactive_q1, v.reactive_q2, v.reactive_q3, v.reactive_q4"
    " FROM tests_now t JOIN readings r ON r.uid = t.reading_uid"
    " LEFT JOIN meters_now m ON m.meter_uid = t.meter_uid"
    " LEFT JOIN test_revisions v ON v.id = t.revision_id ";

} // namespace

ServerQuery::ServerQuery(ServerConnection &connection)
    : m_connection(connection)
{
}

QList<Archive::TestRow> ServerQuery::tests(const QString &where, const QString &order, const QVariantList &values)
{
    QSqlError failure;
    const QString sql = QString::fromLatin1(TestColumns) + where + order;
    const QList<Archive::TestRow> rows = ArchiveQuery::testRows(m_connection.db(), sql, values, &failure);
    if (failure.isValid())
        m_error = m_connection.describe(failure);
    return rows;
}

QList<Archive::TestRow> ServerQuery::search(const ArchiveQuery::Filter &filter)
{
    m_error.clear();
    QStringList conditions;
    QVariantList values;
    ArchiveQuery::addDateAndWiring(filter, QStringLiteral("t.wrong_wiring"), &conditions, &values);
    const QString text = filter.text.trimmed();
    if (!text.isEmpty()) {
        // Few meters and tests match: theirs by the trigram indexes, then
        // sorted. Many: the newest tests walked by date until enough match,
        // with a list of the meters that match when it is short, else each
        // walked test's meter (joined already) looked at as it comes.
        const auto matching = [this, &text](const char *sql) {
            QSqlQuery count(m_connection.db());
            count.prepare(QString::fromLatin1(sql));
            count.addBindValue(ArchiveQuery::containing(text));
            if (!count.exec() || !count.next()) {
                m_error = m_connection.describe(count.lastError());
                return -1;
            }
            return count.value(0).toInt();
        };
        const int meters = matching("SELECT count(*) FROM (SELECT 1 FROM meters_now WHERE haystack ILIKE ? LIMIT 2001) m");
        const int tests = meters < 0 || meters > 2000
            ? 0 : matching("SELECT count(*) FROM (SELECT 1 FROM tests_now WHERE tester ILIKE ? LIMIT 2001) t");
        if (meters < 0 || tests < 0)
            return {};
        const QString listed = QStringLiteral("meter_uid IN (SELECT meter_uid FROM meters_now WHERE haystack ILIKE ?)");
        conditions << (meters > 2000 ? QStringLiteral("(m.haystack ILIKE ? OR t.tester ILIKE ?)")
                       : meters + tests > 2000 ? QStringLiteral("(t.%1 OR t.tester ILIKE ?)").arg(listed)
                       : QStringLiteral("t.id IN (SELECT id FROM tests_now WHERE %1 UNION ALL SELECT id FROM tests_now"
                                        " WHERE tester ILIKE ?)").arg(listed));
        values << ArchiveQuery::containing(text) << ArchiveQuery::containing(text);
    }
    const QString where = conditions.isEmpty() ? QString() : QStringLiteral("WHERE ") + conditions.join(QStringLiteral(" AND "));
    values << filter.limit;
    return tests(where, QStringLiteral(" ORDER BY t.test_date DESC, t.id DESC LIMIT ?"), values);
}

QList<Archive::TestRow> ServerQuery::history(const QString &meterUid)
{
    m_error.clear();
    return tests(QStringLiteral("WHERE t.meter_uid = ?"), QStringLiteral(" ORDER BY t.test_date, t.id"), { meterUid });
}
