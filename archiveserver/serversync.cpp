#include "serversync.h"

#include "archiveconnection.h"
#include "serverconnection.h"

#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimer>
#include <QVariantList>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("ServerSync", text);
}

// Rows in one INSERT: fewer round trips, within the driver's limits.
constexpr int RowsPerStatement = 100;

enum class Kind { Text, Bool, Other };

} // namespace

// One table of the local archive and its columns on the server. The local
// query takes the cursor and the batch size; its first column is the
// cursor's value of the row (not sent).
struct ServerSender::Table
{
    const char *name;      // the cursor's name in "sent"
    const char *local;
    const char *server;    // "table (columns)"
    const char *conflict;
    QList<Kind> kinds;
};

ServerSender::ServerSender(ArchiveConnection &local, ServerConnection &server)
    : m_local(local)
    , m_server(server)
{
}

namespace {

using K = Kind;
const char ReadItemsLocal[] =
    "SELECT i.read_id * 1048576 + i.seq, d.uid, i.seq, g.uid, i.known FROM read_items i"
    " JOIN reads d ON d.id = i.read_id JOIN readings g ON g.id = i.reading_id"
    " WHERE i.read_id > ? OR (i.read_id = ? AND i.seq > ?) ORDER BY i.read_id, i.seq LIMIT ?";
// The cursor of read_items: the read's id and the group's place in it.
constexpr qint64 SeqsPerRead = 1048576;

} // namespace

bool ServerSender::failLocal(const QSqlQuery &query)
{
    m_error = m_local.describe(query.lastError());
    return false;
}

bool ServerSender::failServer(const QSqlError &error)
{
    m_error = m_server.describe(error);
    if (m_server.db().isOpen())
        m_server.db().rollback();
    return false;
}

std::optional<qint64> ServerSender::unsentGroups(ArchiveConnection &local, const QString &serverUid)
{
    QSqlQuery query(local.db());
    // Not reached yet this time: the server that took the most before.
    query.prepare(QStringLiteral("SELECT count(*) FROM readings WHERE id > coalesce("
                                 "(SELECT max(last_id) FROM sent WHERE (server = ? OR ? = '') AND table_name = 'readings'), 0)"));
    const QString server = serverUid.isEmpty() ? QStringLiteral("") : serverUid; // not NULL
    query.addBindValue(server);
    query.addBindValue(server);
    if (!query.exec() || !query.next())
        return std::nullopt;
    return query.value(0).toLongLong();
}

bool ServerSender::send()
{
    m_error.clear();
    if (m_server.serverUid().isEmpty()) {
        m_error = tr("服务器未连接");
        return false;
    }
    bool more = true;
    while (more) {
        if (!sendBatch(&more))
            return false;
    }
    return true;
}

bool ServerSender::sendBatch(bool *more)
{
    // In this order a test's reading comes before its revisions (the
    // server's triggers take either order too).
    static const Table tables[] = {
        { "reads", "SELECT id, uid, started_at, source, origin, complete, made_by FROM reads WHERE id > ? ORDER BY id LIMIT ?",
          "reads (uid, started_at, source, origin, complete, made_by)", "uid",
          { K::Text, K::Text, K::Text, K::Text, K::Bool, K::Text } },
        { "readings",
          "SELECT g.id, g.uid, g.group_text, d.uid, g.arrived_at, g.wiring_code, g.verdict, g.severity, g.wrong_wiring,"
          " g.form, g.k, g.p_total, g.load_window, g.diagnosis_version, g.chain FROM readings g"
          " JOIN reads d ON d.id = g.read_id WHERE g.id > ? ORDER BY g.id LIMIT ?",
          "readings (uid, group_text, read_uid, arrived_at, wiring_code, verdict, severity, wrong_wiring, form, k,"
          " p_total, load_window, diagnosis_version, chain)", "uid",
          { K::Text, K::Text, K::Text, K::Text, K::Other, K::Text, K::Other, K::Bool, K::Text, K::Other, K::Other,
            K::Text, K::Other, K::Text } },
        { "read_items", ReadItemsLocal, "read_items (read_uid, seq, reading_uid, known)", "read_uid, seq",
          { K::Text, K::Other, K::Text, K::Bool } },
        { "meter_revisions",
          "SELECT id, uid, meter_uid, account_no, customer, site, meter_no, ct_ratio, pt_ratio, made_at, made_by"
          " FROM meter_revisions WHERE id > ? ORDER BY id LIMIT ?",
          "meter_revisions (uid, meter_uid, account_no, customer, site, meter_no, ct_ratio, pt_ratio, made_at, made_by)",
          "uid", QList<Kind>(10, K::Text) },
        { "test_revisions",
          "SELECT id, uid, reading_uid, meter_uid, test_date, tester, voided, void_reason, corrected_on, active_import,"
          " active_export, reactive_q1, reactive_q2, reactive_q3, reactive_q4, made_at, made_by"
          " FROM test_revisions WHERE id > ? ORDER BY id LIMIT ?",
          "test_revisions (uid, reading_uid, meter_uid, test_date, tester, voided, void_reason, corrected_on,"
          " active_import, active_export, reactive_q1, reactive_q2, reactive_q3, reactive_q4, made_at, made_by)",
          "uid", { K::Text, K::Text, K::Text, K::Text, K::Text, K::Bool, K::Text, K::Text, K::Other, K::Other,
                   K::Other, K::Other, K::Other, K::Other, K::Text, K::Text } },
        // A report's pages come in the same batch as the report (few pages each).
        { "reports",
          "SELECT id, uid, made_at, made_by, file_name, sha256, pdf FROM reports WHERE id > ? ORDER BY id LIMIT ?",
          "reports (uid, made_at, made_by, file_name, sha256, pdf)", "uid",
          { K::Text, K::Text, K::Text, K::Text, K::Text, K::Other } },
    };
    const QString server = m_server.serverUid();
    QSqlQuery local(m_local.db());
    local.setForwardOnly(true);

    QList<qint64> cursors;
    QList<QList<QVariantList>> batches;
    QVariantList reportUids;
    *more = false;
    for (const Table &table : tables) {
        local.prepare(QStringLiteral("SELECT last_id FROM sent WHERE server = ? AND table_name = ?"));
        local.addBindValue(server);
        local.addBindValue(QLatin1String(table.name));
        if (!local.exec())
            return failLocal(local);
        qint64 cursor = local.next() ? local.value(0).toLongLong() : 0;
        local.prepare(QString::fromLatin1(table.local));
        if (table.local == ReadItemsLocal) {
            local.addBindValue(cursor / SeqsPerRead);
            local.addBindValue(cursor / SeqsPerRead);
            local.addBindValue(cursor % SeqsPerRead);
        } else {
            local.addBindValue(cursor);
        }
        local.addBindValue(m_batch);
        if (!local.exec())
            return failLocal(local);
        QList<QVariantList> rows;
        while (local.next()) {
            cursor = local.value(0).toLongLong();
            QVariantList row;
            for (int i = 0; i < table.kinds.size(); ++i) {
                const QVariant value = local.value(i + 1);
                row << (table.kinds[i] == K::Bool ? QVariant(value.toBool())
                        : table.kinds[i] == K::Text && !value.isNull() ? QVariant(value.toString())
                                                                      : value);
            }
            if (qstrcmp(table.name, "reports") == 0)
                reportUids << row.first();
            rows << row;
        }
        if (rows.size() >= m_batch)
            *more = true;
        cursors << cursor;
        batches << rows;
    }
    QList<QVariantList> pages;
    for (const QVariant &uid : reportUids) {
        local.prepare(QStringLiteral("SELECT t.page, t.reading_uid FROM report_tests t JOIN reports r ON r.id = t.report_id"
                                     " WHERE r.uid = ?"));
        local.addBindValue(uid);
        if (!local.exec())
            return failLocal(local);
        while (local.next())
            pages << QVariantList { uid, local.value(0), local.value(1).toString() };
    }
    local.finish();
    bool any = !pages.isEmpty();
    for (const auto &rows : batches)
        any = any || !rows.isEmpty();
    if (!any)
        return true;

    QSqlDatabase &db = m_server.db();
    if (!db.isOpen()) {
        m_error = tr("与服务器的连接中断");
        return false;
    }
    if (!db.transaction())
        return failServer(db.lastError());
    QSqlQuery insert(db);
    const auto insertRows = [&](const QString &into, const QString &conflict, const QList<QVariantList> &rows) {
        for (int first = 0; first < rows.size(); first += RowsPerStatement) {
            const int count = std::min<int>(RowsPerStatement, rows.size() - first);
            const QString one = u'(' + QStringLiteral("?, ").repeated(rows[first].size() - 1) + QStringLiteral("?)");
            QStringList values;
            for (int i = 0; i < count; ++i)
                values << one;
            insert.prepare(QStringLiteral("INSERT INTO %1 VALUES %2 ON CONFLICT (%3) DO NOTHING")
                               .arg(into, values.join(QStringLiteral(", ")), conflict));
            for (int i = first; i < first + count; ++i) {
                for (const QVariant &value : rows[i])
                    insert.addBindValue(value);
            }
            if (!insert.exec())
                return false;
            m_rowsSent += count;
        }
        return true;
    };
    for (int t = 0; t < int(std::size(tables)); ++t) {
        if (!insertRows(QString::fromLatin1(tables[t].server), QString::fromLatin1(tables[t].conflict), batches[t]))
            return failServer(insert.lastError());
    }
    if (!insertRows(QStringLiteral("report_tests (report_uid, page, reading_uid)"), QStringLiteral("report_uid, page"), pages))
        return failServer(insert.lastError());
    insert.finish();
    if (!db.commit())
        return failServer(db.lastError());

    // Committed on the server: now the cursors. Lost here, the next pass
    // sends the same rows again, and the server takes none of them twice.
    QSqlDatabase &archive = m_local.db();
    if (!archive.transaction())
        return failLocal(QSqlQuery(archive));
    for (int t = 0; t < int(std::size(tables)); ++t) {
        if (batches[t].isEmpty())
            continue;
        local.prepare(QStringLiteral("INSERT OR REPLACE INTO sent (server, table_name, last_id) VALUES (?, ?, ?)"));
        local.addBindValue(server);
        local.addBindValue(QLatin1String(tables[t].name));
        local.addBindValue(cursors[t]);
        if (!local.exec()) {
            archive.rollback();
            return failLocal(local);
        }
    }
    if (!archive.commit()) {
        m_error = m_local.describe(archive.lastError());
        return false;
    }
    return true;
}

// The thread's side of ServerSync: its own connections to both archives.
class ServerSyncWorker : public QObject
{
    Q_OBJECT

public:
    ServerSyncWorker(const QString &archivePath, const QString &conninfo, ServerSync *owner)
        : m_archivePath(archivePath)
        , m_conninfo(conninfo)
        , m_owner(owner)
    {
    }

    QTimer *timer = nullptr;
    int batch = 2000;
    bool queued = false;

    void start()
    {
        timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, &ServerSyncWorker::pass);
        timer->start(5 * 60 * 1000);
        pass();
    }

    void stop()
    {
        delete timer;
        timer = nullptr;
        m_server.reset();
        m_local.reset();
    }

    void pass()
    {
        queued = false;
        if (!m_local) {
            m_local = std::make_unique<ArchiveConnection>(m_archivePath);
            if (!m_local->open()) {
                const QString error = m_local->error();
                m_local.reset();
                emit m_owner->stateChanged(tr("无法同步：%1").arg(error), -1);
                emit m_owner->finished(false, error);
                return;
            }
        }
        if (!m_server)
            m_server = std::make_unique<ServerConnection>(m_conninfo);
        if (!m_server->isOpen() && !m_server->open()) {
            const QString error = m_server->error();
            const auto unsent = ServerSender::unsentGroups(*m_local, m_lastServer);
            emit m_owner->stateChanged(tr("无法连接：%1").arg(error), unsent.value_or(-1));
            if (m_server->failure() == ServerConnection::Failure::NeedsPassword)
                emit m_owner->passwordNeeded();
            emit m_owner->finished(false, error);
            return;
        }
        m_lastServer = m_server->serverUid();
        ServerSender sender(*m_local, *m_server);
        sender.setBatchSize(batch);
        const bool ok = sender.send();
        const auto unsent = ServerSender::unsentGroups(*m_local, m_lastServer);
        if (!ok) {
            // A lost connection is opened anew on the next pass.
            m_server->close();
            emit m_owner->stateChanged(tr("无法连接：%1").arg(sender.error()), unsent.value_or(-1));
        } else if (unsent.value_or(0) > 0) {
            emit m_owner->stateChanged(tr("未同步 %1 组").arg(*unsent), *unsent);
        } else {
            emit m_owner->stateChanged(tr("已同步"), 0);
        }
        emit m_owner->finished(ok, sender.error());
    }

private:
    QString m_archivePath;
    QString m_conninfo;
    ServerSync *m_owner;
    QString m_lastServer;
    std::unique_ptr<ArchiveConnection> m_local;
    std::unique_ptr<ServerConnection> m_server;
};

ServerSync::ServerSync(const QString &archivePath, const QString &conninfo, QObject *parent)
    : QObject(parent)
    , m_worker(new ServerSyncWorker(archivePath, conninfo, this))
{
    m_thread.setObjectName(QStringLiteral("archive-server"));
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread.start();
    // The first pass from this thread's next turn of its event loop: the
    // worker emits this object's signals from its own thread, so whoever
    // made this object must have connected to them first.
    QMetaObject::invokeMethod(this, [this] {
        QMetaObject::invokeMethod(m_worker, [w = m_worker] { w->start(); }, Qt::QueuedConnection);
    }, Qt::QueuedConnection);
}

ServerSync::~ServerSync()
{
    QMetaObject::invokeMethod(m_worker, [w = m_worker] { w->stop(); }, Qt::BlockingQueuedConnection);
    m_thread.end();
}

void ServerSync::setInterval(int minutes)
{
    QMetaObject::invokeMethod(m_worker, [w = m_worker, minutes] {
        if (!w->timer)
            return;
        if (minutes > 0)
            w->timer->start(minutes * 60 * 1000);
        else
            w->timer->stop();
    }, Qt::QueuedConnection);
}

void ServerSync::setBatchSize(int rows)
{
    QMetaObject::invokeMethod(m_worker, [w = m_worker, rows] { w->batch = rows; }, Qt::QueuedConnection);
}

void ServerSync::syncNow()
{
    QMetaObject::invokeMethod(m_worker, [w = m_worker] {
        if (w->queued)
            return;
        w->queued = true;
        QMetaObject::invokeMethod(w, [w] { w->pass(); }, Qt::QueuedConnection);
    }, Qt::QueuedConnection);
}

#include "serversync.moc"
