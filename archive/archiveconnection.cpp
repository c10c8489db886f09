#include "archiveconnection.h"

#include "schemascripts.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QThread>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("ArchiveConnection", text);
}

// Another window or program writing: wait a little, never long.
constexpr int BusyTimeout = 2000;

// SQLite's primary result codes that a user can act on.
enum SqliteCode { Busy = 5, Locked = 6, ReadOnly = 8, IoError = 10, Corrupt = 11, Full = 13,
                  CannotOpen = 14, NotADatabase = 26 };

QString reasonOf(const QSqlError &error)
{
    switch (error.nativeErrorCode().toInt() & 0xff) {
    case Busy:
    case Locked:
        return tr("文件被其他程序占用");
    case ReadOnly:
        return tr("文件只读，不能写入");
    case Corrupt:
    case NotADatabase:
        return tr("文件已损坏或不是档案文件");
    case Full:
        return tr("磁盘已满");
    case CannotOpen:
        return tr("文件无法打开");
    case IoError: // a write refused for want of room comes as an I/O error
        return tr("读写出错（磁盘已满或设备故障）");
    default:
        return error.text().isEmpty() ? tr("未知错误") : error.text();
    }
}

} // namespace

int ArchiveConnection::schemaVersion()
{
    return int(std::size(SchemaScripts));
}

QString ArchiveConnection::tooNew(int version)
{
    return tr("档案版本为%1，本软件只能打开%2及以下版本，请使用新版软件").arg(version).arg(schemaVersion());
}

QString ArchiveConnection::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/archive.db");
}

ArchiveConnection::ArchiveConnection(const QString &path)
    : m_path(path)
{
    static QAtomicInt counter;
    m_name = QStringLiteral("archive-%1").arg(counter.fetchAndAddRelaxed(1));
}

ArchiveConnection::~ArchiveConnection()
{
    close();
}

void ArchiveConnection::close()
{
    if (!m_db.isValid())
        return;
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_name);
}

bool ArchiveConnection::fail(const QString &reason, QSqlQuery *inUse)
{
    m_error = tr("档案文件 %1：%2").arg(QDir::toNativeSeparators(m_path), reason);
    // A statement still open keeps SQLite from closing the file: the handle
    // would live on to the end of the program (and hang it there on Windows).
    if (inUse)
        inUse->clear();
    close();
    return false;
}

QString ArchiveConnection::describe(const QSqlError &error) const
{
    return tr("档案文件 %1：%2").arg(QDir::toNativeSeparators(m_path), reasonOf(error));
}

bool ArchiveConnection::open(int upToVersion)
{
    close();
    m_error.clear();
    m_backup.clear();
    if (!QDir().mkpath(QFileInfo(m_path).absolutePath()))
        return fail(tr("文件夹无法建立"));
    const bool existed = QFile::exists(m_path);
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    if (!m_db.isValid())
        return fail(tr("缺少 SQLite 驱动（Qt SQL 的 qsqlite 插件）"));
    m_db.setDatabaseName(m_path);
    m_db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(BusyTimeout));
    if (!m_db.open())
        return fail(reasonOf(m_db.lastError()));

    // Read before anything is written: a newer or foreign file is left as it
    // is. Version and tables in one statement, so one snapshot: another
    // writer making the schema meanwhile is not taken for a foreign file.
    QSqlQuery query(m_db);
    if (!query.exec(QStringLiteral("SELECT (SELECT user_version FROM pragma_user_version),"
                                   " (SELECT count(*) FROM sqlite_master)"))
        || !query.next())
        return fail(reasonOf(query.lastError()), &query);
    const int version = query.value(0).toInt();
    if (version > schemaVersion())
        return fail(tooNew(version), &query);
    if (version == 0 && existed && query.value(1).toInt() > 0)
        return fail(tr("不是本软件的档案文件"), &query);
    // Turning a new file to WAL needs it to itself, and SQLite does not wait
    // for that: another window making the same file at once is waited for here.
    QDeadlineTimer patience(BusyTimeout);
    while (!query.exec(QStringLiteral("PRAGMA journal_mode=WAL"))) {
        if ((query.lastError().nativeErrorCode().toInt() & 0xff) != Busy || patience.hasExpired())
            return fail(reasonOf(query.lastError()), &query);
        QThread::msleep(20);
    }
    for (const char *pragma : { "PRAGMA synchronous=NORMAL", "PRAGMA foreign_keys=ON" }) {
        if (!query.exec(QString::fromLatin1(pragma)))
            return fail(reasonOf(query.lastError()), &query);
    }
    if (version < upToVersion && !migrate(version, upToVersion))
        return false;
    return true;
}

bool ArchiveConnection::migrate(int from, int to)
{
    QSqlQuery query(m_db);
    if (from > 0) {
        // The copy of the file as it was: everything committed is in the
        // file itself once the log has been checkpointed.
        query.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
        QString backup = m_path + QStringLiteral(".v%1.bak").arg(from);
        if (QFile::exists(backup))
            backup = m_path + QStringLiteral(".v%1-%2.bak").arg(from).arg(
                QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")));
        if (!QFile::copy(m_path, backup))
            return fail(tr("升级前无法保存副本 %1").arg(QDir::toNativeSeparators(backup)), &query);
        m_backup = backup;
    }
    if (!query.exec(QStringLiteral("BEGIN IMMEDIATE")))
        return fail(reasonOf(query.lastError()), &query);
    // Under the write lock, read again: another writer may have migrated
    // the file since it was first read.
    if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next()) {
        const QString reason = reasonOf(query.lastError());
        QSqlQuery(m_db).exec(QStringLiteral("ROLLBACK"));
        return fail(reason, &query);
    }
    from = query.value(0).toInt();
    if (from >= to) {
        query.clear();
        QSqlQuery(m_db).exec(QStringLiteral("ROLLBACK"));
        if (from > schemaVersion())
            return fail(tooNew(from));
        return true;
    }
    for (int version = from + 1; version <= to; ++version) {
        if (!runScript(QString::fromUtf8(SchemaScripts[version - 1]))) {
            const QString reason = m_error;
            QSqlQuery(m_db).exec(QStringLiteral("ROLLBACK"));
            return fail(reason, &query);
        }
    }
    if (!query.exec(QStringLiteral("PRAGMA user_version=%1").arg(to)) || !query.exec(QStringLiteral("COMMIT"))) {
        const QString reason = reasonOf(query.lastError());
        QSqlQuery(m_db).exec(QStringLiteral("ROLLBACK"));
        return fail(reason, &query);
    }
    return true;
}

bool ArchiveConnection::runScript(const QString &script)
{
    // Statements end with ";" at the end of a line; a trigger's body runs
    // to its "END;".
    QString statement;
    bool inTrigger = false;
    const QStringList lines = script.split(u'\n');
    for (QString line : lines) {
        const qsizetype comment = line.indexOf(QStringLiteral("--"));
        if (comment >= 0)
            line.truncate(comment);
        line = line.trimmed();
        if (line.isEmpty())
            continue;
        if (statement.isEmpty())
            inTrigger = line.startsWith(QStringLiteral("CREATE TRIGGER"), Qt::CaseInsensitive);
        statement += line + u'\n';
        const bool ends = inTrigger ? line.endsWith(QStringLiteral("END;"), Qt::CaseInsensitive) : line.endsWith(u';');
        if (!ends)
            continue;
        QSqlQuery query(m_db);
        if (!query.exec(statement)) {
            m_error = reasonOf(query.lastError()); // fail() names the file
            return false;
        }
        statement.clear();
    }
    return true;
}
