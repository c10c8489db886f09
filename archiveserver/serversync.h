#ifndef SERVERSYNC_H
#define SERVERSYNC_H

#include "workerthread.h"

#include <QObject>
#include <QString>
#include <optional>

class ArchiveConnection;
class ServerConnection;

// Sends a department's server what the local archive holds beyond what it
// has taken: per table, the rows after the highest local id the server has
// committed (the local table "sent", per server identity), each row by its
// uid with ON CONFLICT DO NOTHING, so that sending twice adds once. Each
// batch is one transaction on the server; the cursors move only after its
// COMMIT, so a send cut short is taken up again where it stood.
class ServerSender
{
public:
    ServerSender(ArchiveConnection &local, ServerConnection &server);

    // Rows per table in one transaction.
    void setBatchSize(int rows) { m_batch = rows; }
    // Sends until nothing is left; false with error() on the first failure.
    bool send();
    // Rows the server was sent by this sender (taken or already there).
    qint64 rowsSent() const { return m_rowsSent; }
    const QString &error() const { return m_error; }

    // Groups (readings) of the local archive a server has not yet taken;
    // serverUid empty: not reached yet, the one that took the most before.
    static std::optional<qint64> unsentGroups(ArchiveConnection &local, const QString &serverUid);

private:
    struct Table;
    bool sendBatch(bool *more);
    bool failLocal(const class QSqlQuery &query);
    bool failServer(const class QSqlError &error);

    ArchiveConnection &m_local;
    ServerConnection &m_server;
    int m_batch = 2000;
    qint64 m_rowsSent = 0;
    QString m_error;
};

class ServerSyncWorker;

// Keeps a department's server up to date from a thread of its own, never
// the window's: at start, after each read (syncNow), and every few
// minutes. The local archive stays the first place of every read; a server
// that cannot be reached only waits (libpq's connect_timeout bounds each try).
class ServerSync : public QObject
{
    Q_OBJECT

public:
    // archivePath: the local archive; conninfo: ServerSettings::conninfo().
    ServerSync(const QString &archivePath, const QString &conninfo, QObject *parent = nullptr);
    ~ServerSync() override;

    // Minutes between passes of their own (default 5); 0: none.
    void setInterval(int minutes);
    void setBatchSize(int rows);

public slots:
    // A pass now (several asked while one runs make one more).
    void syncNow();

signals:
    // For the status bar: 已同步, 未同步 N 组, or 无法连接：<reason>.
    // unsent: groups the server has not taken (-1: not known).
    void stateChanged(const QString &text, qint64 unsent);
    // Each pass's end: ok when everything was sent.
    void finished(bool ok, const QString &error);
    // The server asks for a password that libpq's password file does not hold:
    // ask the user once (ServerConnection::setSessionPassword) and syncNow().
    void passwordNeeded();

private:
    WorkerThread m_thread;
    ServerSyncWorker *m_worker;
};

#endif // SERVERSYNC_H
