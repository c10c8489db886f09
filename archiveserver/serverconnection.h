#ifndef SERVERCONNECTION_H
#define SERVERCONNECTION_H

#include <QSqlDatabase>
#include <QString>

class QSqlError;

// One connection to a department's archive on PostgreSQL (Qt SQL's QPSQL
// driver over libpq), for the thread that makes it. conninfo is libpq's
// "keyword=value ..." (ServerSettings::conninfo, or "service=metering");
// without a password libpq looks in its password file itself. Opening
// checks the server's schema: none, or one newer than this tool knows, is
// refused with a word why.
class ServerConnection
{
public:
    // The version serverschema.sql makes.
    static int schemaVersion();

    explicit ServerConnection(const QString &conninfo, const QString &password = QString());
    ~ServerConnection();
    ServerConnection(const ServerConnection &) = delete;
    ServerConnection &operator=(const ServerConnection &) = delete;

    enum class Failure { None, Unreachable, NeedsPassword, Refused, Schema };
    // checkSchema false: only connects (for making the schema).
    bool open(bool checkSchema = true);
    bool isOpen() const { return m_db.isOpen(); }
    void close();

    QSqlDatabase &db() { return m_db; }
    // The server's identity (made with its schema): what the local
    // archive's table "sent" is kept by.
    const QString &serverUid() const { return m_serverUid; }
    const QString &error() const { return m_error; }
    Failure failure() const { return m_failure; }

    // A failed statement or connection in the tool's words, with libpq's.
    QString describe(const QSqlError &error);
    // libpq's or the server's message said in the tool's words.
    static QString explain(const QString &message, Failure *kind = nullptr);

    // The password the user typed this session (never saved), for every
    // connection opened without one of its own.
    static void setSessionPassword(const QString &password);
    static QString sessionPassword();

private:
    bool fail(const QString &reason, Failure kind);

    QString m_conninfo;
    QString m_password;
    QString m_name;
    QSqlDatabase m_db;
    QString m_serverUid;
    QString m_error;
    Failure m_failure = Failure::None;
};

// Makes the department's archive (serverschema.sql) in the database that
// conninfo names, as a user that may make roles. A schema made already is
// left as it is; a newer one is refused. *report says what was done or why not.
bool initArchiveServer(const QString &conninfo, QString *report);
// "datamanager --init-archive-server CONNINFO": the same, said on the
// console; the exit status: 0 made or there already, 1 not, 2 misused.
int initArchiveServerCommand(int argc, char *argv[]);

#endif // SERVERCONNECTION_H
