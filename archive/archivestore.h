#ifndef ARCHIVESTORE_H
#define ARCHIVESTORE_H

#include "archivetypes.h"

#include <QByteArray>
#include <QList>
#include <QString>

class ArchiveConnection;

// Everything written to the archive, each call one transaction: groups as
// they arrive, the copies of readings and data files taken in, revisions of
// meters and tests, reports kept. Nothing here changes or removes a row.
// On failure error() says why in the tool's words, naming the file.
class ArchiveStore
{
public:
    explicit ArchiveStore(ArchiveConnection &connection);

    // A reading's identity: the same group text is the same reading,
    // whichever computer or read it came from.
    static QString readingUid(const QString &groupText);
    // A meter's identity, from 户号 and 表号 when it is first made.
    static QString meterUid(const QString &accountNo, const QString &meterNo);
    // Who makes a revision: the user logged in.
    static QString userName();
    // A reading's link in the chain of digests: the SHA-256 (hex) of the
    // previous link and this reading's uid, text and arrival.
    static QByteArray chainDigest(const QByteArray &previous, const QString &uid, const QString &group,
                                  const QString &arrivedAt);
    // The version of the wiring diagnosis whose verdicts are stored.
    static constexpr int DiagnosisVersion = 1;

    // Stores groups that arrived together. The read is made with the first
    // of them; a group whose place in the read is stored already is not
    // stored again, so an arrival may be handed in more than once. known:
    // for each group, whether the archive held it before this read.
    bool storeArrival(const Archive::Arrival &arrival, QList<bool> *known = nullptr);
    // The instrument ended the read with "end" (the read found as
    // storeArrival finds it: by uid or by its copy's name).
    bool finishRead(const QString &readUid, const QString &origin = QString());

    // Takes in what the copies of readings in folder hold beyond what the
    // archive has of them (all of a copy never taken in). A copy whose read
    // was cut short stays marked so. Returns the groups taken in, -1 on failure.
    int takeInCopies(const QString &folder);
    // A data file's groups, as a read of its own: on request, never silently.
    bool importFile(const QString &path, const QStringList &groups, int *added, int *known);

    // A new revision of a meter: meterUid empty makes the meter. Its uid in *uid.
    bool reviseMeter(const QString &meterUid, const Archive::MeterDetails &details, QString *uid);
    // A new revision of each test.
    bool reviseTests(const QStringList &readingUids, const Archive::TestDetails &details);
    // A report written from the archive, kept with the tests of its pages.
    bool keepReport(const QString &fileName, const QByteArray &pdf, const QStringList &readingUids);

    const QString &error() const { return m_error; }

private:
    bool begin();
    bool commit();
    bool fail(const class QSqlQuery &query);
    qint64 readIdFor(const Archive::Arrival &arrival, bool *ok);

    ArchiveConnection &m_connection;
    QString m_error;
};

#endif // ARCHIVESTORE_H
