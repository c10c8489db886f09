#ifndef ARCHIVECONNECTION_H
#define ARCHIVECONNECTION_H

#include <QSqlDatabase>
#include <QString>

class QSqlQuery;

// One connection to the archive's SQLite file, for the thread that makes it
// (Qt SQL's connections belong to their thread). Opening makes the file on
// first use and brings an older schema up to date, in one transaction,
// after a copy of the file has been kept beside it. A file of a newer
// schema, or one that is no archive, is refused and left untouched.
// Write-ahead log with synchronous=NORMAL: a transaction survives the tool
// being killed; a power cut may lose the last one.
class ArchiveConnection
{
public:
    // The version the schema scripts bring a file to.
    static int schemaVersion();
    // "archive.db" in the user's data folder, beside the readings folder.
    static QString defaultPath();

    explicit ArchiveConnection(const QString &path);
    ~ArchiveConnection();
    ArchiveConnection(const ArchiveConnection &) = delete;
    ArchiveConnection &operator=(const ArchiveConnection &) = delete;

    // Opens the file; upToVersion is for tests that make an older archive.
    // On failure, error() says why in the tool's words, naming the file.
    bool open(int upToVersion = schemaVersion());
    bool isOpen() const { return m_db.isOpen(); }
    void close();

    QSqlDatabase &db() { return m_db; }
    const QString &path() const { return m_path; }
    const QString &error() const { return m_error; }
    // The copy kept before the last migration; empty when none was made.
    const QString &backupPath() const { return m_backup; }

    // "档案文件 …：<reason>" of a failed statement, in the tool's words.
    QString describe(const class QSqlError &error) const;
    // Runs a script of several statements, triggers included.
    bool runScript(const QString &script);

private:
    // The refusal of a file made by a newer version of the tool.
    static QString tooNew(int version);
    bool fail(const QString &reason, QSqlQuery *inUse = nullptr);
    bool migrate(int from, int to);

    QString m_path;
    QString m_name;
    QSqlDatabase m_db;
    QString m_error;
    QString m_backup;
};

#endif // ARCHIVECONNECTION_H
