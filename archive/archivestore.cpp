#include "archivestore.h"

#include "archiveconnection.h"

#include "datafile.h"
#include "groupvalues.h"
#include "groupverdict.h"
#include "readingarchive.h"
#include "wiringdiagnosis.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace {

// Name-based identities (RFC 4122 version 5) in namespaces of the tool's own.
const QUuid ReadingNamespace(QStringLiteral("{6f1c3d52-8a7e-4b0e-9d8a-2f5c1e7a9b31}"));
const QUuid MeterNamespace(QStringLiteral("{0c4e8b7d-3f2a-4e61-a5d9-7b8c2e1f4a60}"));

QString now()
{
    const QDateTime time = QDateTime::currentDateTime();
    return time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODateWithMs);
}

QString isoOf(const QDateTime &time)
{
    return time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODate);
}

QVariant dateOrNull(const QDate &date)
{
    return date.isValid() ? QVariant(date.toString(Qt::ISODate)) : QVariant(QMetaType::fromType<QString>());
}

// A text as typed; an empty one is stored empty, not as NULL (Qt's null
// string binds as NULL).
QVariant textOf(const QString &text)
{
    return text.isNull() ? QVariant(QStringLiteral("")) : QVariant(text);
}

QVariant numberOrNull(double value)
{
    return std::isnan(value) ? QVariant(QMetaType::fromType<double>()) : QVariant(value);
}

// What is stored of a group's diagnosis, so that a search by verdict needs
// no diagnosis.
struct StoredVerdict
{
    int wiringCode = 0;
    QString verdict;
    int severity = 0;
    bool wrongWiring = false;
    QString form;
    double k = std::nan("");
    double activePower = std::nan("");
};

StoredVerdict verdictFor(const QString &groupText)
{
    StoredVerdict stored;
    stored.form = QStringLiteral("");
    const std::optional<GroupValues> values = GroupValues::fromText(groupText);
    const Verdict verdict = verdictOf(values);
    stored.verdict = verdict.text;
    stored.severity = int(verdict.severity);
    if (!values)
        return stored;
    stored.wiringCode = int(values->wiringCode);
    stored.activePower = values->activePowerSum;
    const WiringDiagnosis::Diagnosis diagnosis = WiringDiagnosis::diagnose(*values);
    stored.form = diagnosis.form.isNull() ? QStringLiteral("") : diagnosis.form;
    stored.k = diagnosis.k;
    // Wrong: a form other than the correct one named, where the load does
    // not leave the correct one open; or a lost voltage or current.
    const bool correctOpen = diagnosis.correct || (diagnosis.atEdge && diagnosis.rival.correct);
    stored.wrongWiring = (diagnosis.status == WiringDiagnosis::Status::Identified && !correctOpen)
        || diagnosis.status == WiringDiagnosis::Status::Losses;
    return stored;
}

} // namespace

ArchiveStore::ArchiveStore(ArchiveConnection &connection)
    : m_connection(connection)
{
}

QString ArchiveStore::readingUid(const QString &groupText)
{
    return QUuid::createUuidV5(ReadingNamespace, groupText.trimmed()).toString(QUuid::WithoutBraces);
}

QString ArchiveStore::meterUid(const QString &accountNo, const QString &meterNo)
{
    return QUuid::createUuidV5(MeterNamespace, accountNo.trimmed() + u'\n' + meterNo.trimmed())
        .toString(QUuid::WithoutBraces);
}

QString ArchiveStore::userName()
{
    for (const char *name : { "USER", "USERNAME", "LOGNAME" }) {
        const QString user = qEnvironmentVariable(name);
        if (!user.isEmpty())
            return user;
    }
    return QStringLiteral("?");
}

QByteArray ArchiveStore::chainDigest(const QByteArray &previous, const QString &uid, const QString &group,
                                     const QString &arrivedAt)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const QString &part : { QString::fromLatin1(previous), uid, group, arrivedAt }) {
        hash.addData(part.toUtf8());
        hash.addData(QByteArrayView("\n"));
    }
    return hash.result().toHex();
}

bool ArchiveStore::begin()
{
    m_error.clear();
    if (!m_connection.isOpen()) {
        m_error = m_connection.error();
        return false;
    }
    QSqlQuery query(m_connection.db());
    // IMMEDIATE: the chain of digests reads the last reading and appends
    // to it, so no other writer may come between.
    if (!query.exec(QStringLiteral("BEGIN IMMEDIATE")))
        return fail(query);
    return true;
}

bool ArchiveStore::commit()
{
    QSqlQuery query(m_connection.db());
    if (query.exec(QStringLiteral("COMMIT")))
        return true;
    fail(query);
    return false;
}

bool ArchiveStore::fail(const QSqlQuery &query)
{
    if (m_error.isEmpty())
        m_error = m_connection.describe(query.lastError());
    if (m_connection.db().isOpen())
        QSqlQuery(m_connection.db()).exec(QStringLiteral("ROLLBACK"));
    return false;
}

qint64 ArchiveStore::readIdFor(const Archive::Arrival &arrival, bool *ok)
{
    QSqlQuery query(m_connection.db());
    // A read is found by its uid, or by the copy it was kept in: the groups
    // of a copy may reach the archive from the read and from the copy.
    query.prepare(QStringLiteral("SELECT id FROM reads WHERE uid = ? OR (origin <> '' AND origin = ? AND source <> 'file')"));
    const QString origin = arrival.origin.isNull() ? QStringLiteral("") : arrival.origin;
    query.addBindValue(arrival.readUid);
    query.addBindValue(origin);
    *ok = query.exec();
    if (!*ok) {
        fail(query);
        return 0;
    }
    if (query.next())
        return query.value(0).toLongLong();
    query.prepare(QStringLiteral("INSERT INTO reads (uid, started_at, source, origin, made_by) VALUES (?, ?, ?, ?, ?)"));
    query.addBindValue(arrival.readUid.isEmpty() ? QUuid::createUuid().toString(QUuid::WithoutBraces) : arrival.readUid);
    query.addBindValue(isoOf(arrival.readStart.isValid() ? arrival.readStart : QDateTime::currentDateTime()));
    query.addBindValue(arrival.source);
    query.addBindValue(origin);
    query.addBindValue(userName());
    *ok = query.exec();
    if (!*ok)
        fail(query);
    return query.lastInsertId().toLongLong();
}

bool ArchiveStore::storeArrival(const Archive::Arrival &arrival, QList<bool> *known)
{
    if (known)
        known->clear();
    if (!begin())
        return false;
    QSqlDatabase &db = m_connection.db();
    bool ok = false;
    const qint64 readId = readIdFor(arrival, &ok);
    if (!ok)
        return false;

    QSqlQuery last(db);
    if (!last.exec(QStringLiteral("SELECT chain FROM readings ORDER BY id DESC LIMIT 1")))
        return fail(last);
    QByteArray chain = last.next() ? last.value(0).toString().toLatin1() : QByteArray();

    QSqlQuery placed(db), find(db), item(db), reading(db);
    placed.prepare(QStringLiteral("SELECT 1 FROM read_items WHERE read_id = ? AND seq = ?"));
    find.prepare(QStringLiteral("SELECT id FROM readings WHERE uid = ?"));
    item.prepare(QStringLiteral("INSERT INTO read_items (read_id, seq, reading_id, known) VALUES (?, ?, ?, ?)"));
    reading.prepare(QStringLiteral(
        "INSERT INTO readings (uid, group_text, read_id, arrived_at, wiring_code, verdict, severity, wrong_wiring,"
        " form, k, p_total, load_window, diagnosis_version, chain) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    const QString arrivedAt = now();
    const QString window = WiringDiagnosis::loadWindowText(WiringDiagnosis::LoadWindow::Inductive0To60);
    for (int i = 0; i < arrival.groups.size(); ++i) {
        const QString &group = arrival.groups.at(i);
        const int seq = arrival.firstSeq + i;
        placed.addBindValue(readId);
        placed.addBindValue(seq);
        if (!placed.exec())
            return fail(placed);
        if (placed.next()) { // handed in before
            if (known)
                *known << false;
            continue;
        }
        const QString uid = readingUid(group);
        find.addBindValue(uid);
        if (!find.exec())
            return fail(find);
        qint64 readingId = 0;
        const bool isKnown = find.next();
        if (isKnown) {
            readingId = find.value(0).toLongLong();
        } else {
            const StoredVerdict stored = verdictFor(group);
            chain = chainDigest(chain, uid, group, arrivedAt);
            for (const QVariant &value : { QVariant(uid), QVariant(group), QVariant(readId), QVariant(arrivedAt),
                                           QVariant(stored.wiringCode), QVariant(stored.verdict),
                                           QVariant(stored.severity), QVariant(int(stored.wrongWiring)),
                                           QVariant(stored.form), numberOrNull(stored.k),
                                           numberOrNull(stored.activePower), QVariant(window),
                                           QVariant(DiagnosisVersion), QVariant(QString::fromLatin1(chain)) })
                reading.addBindValue(value);
            if (!reading.exec())
                return fail(reading);
            readingId = reading.lastInsertId().toLongLong();
        }
        item.addBindValue(readId);
        item.addBindValue(seq);
        item.addBindValue(readingId);
        item.addBindValue(int(isKnown));
        if (!item.exec())
            return fail(item);
        if (known)
            *known << isKnown;
    }
    return commit();
}

bool ArchiveStore::finishRead(const QString &readUid, const QString &origin)
{
    if (!begin())
        return false;
    QSqlQuery query(m_connection.db());
    query.prepare(QStringLiteral("UPDATE reads SET complete = 1 WHERE uid = ? OR (origin <> '' AND origin = ? AND source <> 'file')"));
    query.addBindValue(readUid);
    query.addBindValue(origin);
    if (!query.exec())
        return fail(query);
    return commit();
}

int ArchiveStore::takeInCopies(const QString &folder)
{
    m_error.clear();
    const QDir dir(folder);
    const QStringList files = dir.entryList({ QStringLiteral("*.dat") }, QDir::Files, QDir::Name);
    int taken = 0;
    for (const QString &file : files) {
        const QDateTime start = QDateTime::fromString(file.left(19), QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
        if (!start.isValid())
            continue;
        QStringList groups;
        if (!DataFile::load(dir.filePath(file), &groups) || groups.isEmpty())
            continue;
        // How much of it the archive has: a copy is appended to group by group.
        QSqlQuery query(m_connection.db());
        query.prepare(QStringLiteral("SELECT count(*), max(r.complete) FROM reads r JOIN read_items i ON i.read_id = r.id"
                                     " WHERE r.origin = ? AND r.source <> 'file'"));
        query.addBindValue(file);
        if (!query.exec() || !query.next()) {
            fail(query);
            return -1;
        }
        const int stored = query.value(0).toInt();
        if (stored >= groups.size())
            continue;
        Archive::Arrival arrival;
        arrival.readStart = start;
        arrival.source = QStringLiteral("copy");
        arrival.origin = file;
        arrival.firstSeq = stored + 1;
        arrival.groups = groups.mid(stored);
        if (!storeArrival(arrival))
            return -1;
        taken += int(arrival.groups.size());
        // A copy whose read the instrument ended carries no marker.
        if (!QFile::exists(ReadingArchive::markerOf(dir.filePath(file)))) {
            if (!finishRead(QString(), file))
                return -1;
        }
    }
    return taken;
}

bool ArchiveStore::importFile(const QString &path, const QStringList &groups, int *added, int *known)
{
    Archive::Arrival arrival;
    arrival.readUid = QUuid::createUuid().toString(QUuid::WithoutBraces);
    arrival.readStart = QDateTime::currentDateTime();
    arrival.source = QStringLiteral("file");
    arrival.origin = QFileInfo(path).absoluteFilePath();
    arrival.groups = groups;
    QList<bool> wasKnown;
    if (!storeArrival(arrival, &wasKnown) || !finishRead(arrival.readUid))
        return false;
    *known = int(wasKnown.count(true));
    *added = int(wasKnown.size()) - *known;
    return true;
}

bool ArchiveStore::reviseMeter(const QString &meterUid, const Archive::MeterDetails &details, QString *uid)
{
    if (!begin())
        return false;
    *uid = meterUid.isEmpty() ? ArchiveStore::meterUid(details.accountNo, details.meterNo) : meterUid;
    QSqlQuery query(m_connection.db());
    query.prepare(QStringLiteral("INSERT INTO meter_revisions (uid, meter_uid, account_no, customer, site, meter_no,"
                                 " ct_ratio, pt_ratio, made_at, made_by) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    for (const QString &value : { QUuid::createUuid().toString(QUuid::WithoutBraces), *uid, details.accountNo,
                                  details.customer, details.site, details.meterNo, details.ctRatio,
                                  details.ptRatio, now(), userName() })
        query.addBindValue(textOf(value));
    if (!query.exec())
        return fail(query);
    return commit();
}

bool ArchiveStore::reviseTests(const QStringList &readingUids, const Archive::TestDetails &details)
{
    if (!begin())
        return false;
    QSqlQuery query(m_connection.db());
    query.prepare(QStringLiteral(
        "INSERT INTO test_revisions (uid, reading_uid, meter_uid, test_date, tester, voided, void_reason, corrected_on,"
        " active_import, active_export, reactive_q1, reactive_q2, reactive_q3, reactive_q4, made_at, made_by)"
        " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    for (const QString &readingUid : readingUids) {
        query.addBindValue(QUuid::createUuid().toString(QUuid::WithoutBraces));
        query.addBindValue(readingUid);
        query.addBindValue(details.meterUid.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(details.meterUid));
        query.addBindValue(details.testDate.toString(Qt::ISODate));
        query.addBindValue(textOf(details.tester));
        query.addBindValue(int(details.voided));
        query.addBindValue(textOf(details.voidReason));
        query.addBindValue(dateOrNull(details.correctedOn));
        for (const std::optional<double> &value : details.registers)
            query.addBindValue(value ? QVariant(*value) : QVariant(QMetaType::fromType<double>()));
        query.addBindValue(now());
        query.addBindValue(userName());
        if (!query.exec())
            return fail(query);
    }
    return commit();
}

bool ArchiveStore::keepReport(const QString &fileName, const QByteArray &pdf, const QStringList &readingUids)
{
    if (!begin())
        return false;
    QSqlQuery query(m_connection.db());
    query.prepare(QStringLiteral("INSERT INTO reports (uid, made_at, made_by, file_name, sha256, pdf) VALUES (?, ?, ?, ?, ?, ?)"));
    query.addBindValue(QUuid::createUuid().toString(QUuid::WithoutBraces));
    query.addBindValue(now());
    query.addBindValue(userName());
    query.addBindValue(textOf(QFileInfo(fileName).fileName()));
    query.addBindValue(QString::fromLatin1(QCryptographicHash::hash(pdf, QCryptographicHash::Sha256).toHex()));
    query.addBindValue(pdf);
    if (!query.exec())
        return fail(query);
    const qint64 reportId = query.lastInsertId().toLongLong();
    query.prepare(QStringLiteral("INSERT INTO report_tests (report_id, reading_uid, page) VALUES (?, ?, ?)"));
    for (int page = 0; page < readingUids.size(); ++page) {
        query.addBindValue(reportId);
        query.addBindValue(readingUids.at(page));
        query.addBindValue(page + 1);
        if (!query.exec())
            return fail(query);
    }
    return commit();
}
