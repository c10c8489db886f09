#ifndef ARCHIVEWRITER_H
#define ARCHIVEWRITER_H

#include "archivetypes.h"
#include "workerthread.h"

#include <QObject>
#include <QString>
#include <QStringList>

class ArchiveWorker;

// Writes the groups of the instrument's reads into the archive from a
// thread of its own, so that the window never waits for the file: one
// transaction for the groups of each arrival of bytes. What cannot be
// written (the file locked, read-only, corrupt, on a full disk) waits here
// and in the copies of readings, and is taken in by itself once the archive
// can be written again; the copies are also taken in at start, so a tool
// killed during a read loses nothing that arrived.
class ArchiveWriter : public QObject
{
    Q_OBJECT

public:
    // path: the archive file; copies: the folder of the copies of readings.
    ArchiveWriter(const QString &path, const QString &copies, QObject *parent = nullptr);
    // Waits for what is queued to be written (or to fail) and closes.
    ~ArchiveWriter() override;

    const QString &path() const { return m_path; }

    // A read begins: the groups from now on are its own.
    void beginRead();
    const QString &readUid() const { return m_readUid; }
    // A group has arrived; it goes with the others of its arrival.
    void add(const QString &group);
    // The bytes that arrived are handled: their groups go to the archive.
    // copyName: the file of the read's copy, which identifies the read too.
    void arrivalHandled(const QString &copyName);
    // The instrument ended the read.
    void finishRead(const QString &copyName);
    // Looks again at the copies of readings (done at start by itself).
    void takeInCopies();

    // Blocks until everything handed in so far has been tried: for tests
    // and for closing.
    void waitForWrites();

signals:
    // Groups of the read are in the archive: known[i] is whether group
    // firstSeq + i was in it before this read.
    void stored(const QString &readUid, int firstSeq, const QList<bool> &known);
    // The read has ended and everything of it is in the archive.
    void readStored(const QString &readUid);
    // Where the archive stands: problem empty when it can be written;
    // waiting: groups not in it yet.
    void stateChanged(const QString &problem, int waiting);

private:
    QString m_path;
    WorkerThread m_thread;
    ArchiveWorker *m_worker;
    QString m_readUid;
    QDateTime m_readStart;
    int m_nextSeq = 1;
    QStringList m_arrived;
};

#endif // ARCHIVEWRITER_H
