#ifndef SERVERQUERY_H
#define SERVERQUERY_H

#include "archivequery.h"
#include "archivetypes.h"

#include <QList>
#include <QString>

class ServerConnection;

// The 档案 window's search and a meter's history on the department's
// server (every technician's tests), as ArchiveQuery asks the local
// archive: the same filter, the same rows. readingId is the server's own
// number of the test. Reads only.
class ServerQuery
{
public:
    explicit ServerQuery(ServerConnection &connection);

    // Newest first.
    QList<Archive::TestRow> search(const ArchiveQuery::Filter &filter);
    // Every test of the meter, oldest first.
    QList<Archive::TestRow> history(const QString &meterUid);

    const QString &error() const { return m_error; }

private:
    QList<Archive::TestRow> tests(const QString &where, const QString &order, const QVariantList &values);

    ServerConnection &m_connection;
    QString m_error;
};

#endif // SERVERQUERY_H
