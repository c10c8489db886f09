#ifndef ARCHIVEQUERY_H
#define ARCHIVEQUERY_H

#include "archivetypes.h"

#include <QList>
#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <optional>

class ArchiveConnection;
class QSqlQuery;

// What the archive is asked: the search of the 档案 window, a meter's
// history, the meters known for completing what is typed, the reads of
// 历史读取, and the check of the chain of digests. Reads only.
class ArchiveQuery
{
public:
    explicit ArchiveQuery(ArchiveConnection &connection);

    struct Filter
    {
        QString text;       // any part of 户号, 户名, 表号, 安装地点 or the tester
        QDate from, to;     // 检测日期, both included; null: open
        bool wrongOnly = false;
        int limit = 200;    // the first screenful or so
    };
    // Newest first.
    QList<Archive::TestRow> search(const Filter &filter);
    // Every test of the meter, oldest first.
    QList<Archive::TestRow> history(const QString &meterUid);
    // The test of a group text as of its latest revision; none when the
    // archive does not hold it.
    std::optional<Archive::TestRow> test(const QString &readingUid);
    // Every revision of a test, oldest first, as "time, who: what".
    QStringList revisions(const QString &readingUid);

    // Known meters whose 户号 or 表号 begins with the text.
    QList<Archive::Meter> metersStartingWith(const QString &text, int limit = 20);

    // The reads, newest first, and the groups of one in their order.
    QList<Archive::ReadRow> reads(int limit = 1000);
    QStringList groupsOfRead(const QString &readUid);

    // Walks the chain of digests from the first reading.
    struct ChainCheck
    {
        bool intact = true;
        qint64 checked = 0;
        qint64 brokenAt = 0;   // the reading id where it broke
        QString brokenRead;    // when that reading arrived
    };
    std::optional<ChainCheck> checkChain();

    // The reports kept with a test, newest first.
    QList<Archive::KeptReport> reportsOf(const QString &readingUid);
    // A kept report's PDF as it was given; none, with error(), when its
    // digest no longer matches what was kept.
    std::optional<QByteArray> reportPdf(qint64 id);

    // A row of the test columns both archives select (the local one's and
    // the department server's), in their order, registers last.
    static Archive::TestRow testRow(const QSqlQuery &query);
    // The rows of a statement selecting those columns, forward only; on
    // failure none, and *failure says why.
    static QList<Archive::TestRow> testRows(const QSqlDatabase &db, const QString &sql, const QVariantList &values,
                                            QSqlError *failure);
    // A LIKE pattern that matches the text itself anywhere, whatever % or _
    // it holds, escaped with a backslash (SQLite's ESCAPE '\', PostgreSQL's
    // default).
    static QString containing(const QString &text);
    // The filter's date range and wrong wiring as conditions on the tests
    // (t.), with their values; wrongWiring: that test in the database's SQL.
    static void addDateAndWiring(const Filter &filter, const QString &wrongWiring, QStringList *conditions,
                                 QVariantList *values);

    // The reason of the last failure, in the tool's words.
    const QString &error() const { return m_error; }

private:
    qint64 scalar(const QString &sql);
    QList<Archive::TestRow> tests(const QString &where, const QString &order, const QVariantList &values);

    ArchiveConnection &m_connection;
    QString m_error;
};

#endif // ARCHIVEQUERY_H
