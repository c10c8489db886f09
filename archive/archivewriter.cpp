#include "archivewriter.h"

#include "archiveconnection.h"
#include "archivestore.h"

#include <QTimer>
#include <QUuid>
#include <deque>
#include <memory>

// Lives in the writer's thread: the connection, the queue of what is to be
// written and the retry while the archive cannot be written.
class ArchiveWorker : public QObject
{
public:
    ArchiveWorker(ArchiveWriter *writer, const QString &path, const QString &copies)
        : m_writer(writer)
        , m_path(path)
        , m_copies(copies)
    {
    }

    struct Job
    {
        Archive::Arrival arrival; // empty groups: the read is finished
        bool finish = false;
    };

    void start()
    {
        m_retry = new QTimer(this);
        m_retry->setInterval(RetryInterval);
        connect(m_retry, &QTimer::timeout, this, [this] { drain(true); });
        drain(true);
    }

    void enqueue(const Job &job)
    {
        m_queue.push_back(job);
        // While the archive cannot be written, the retry takes the queue in
        // whole: trying each arrival would wait out the lock once per arrival.
        if (m_retry->isActive())
            report(m_told);
        else
            drain(false);
    }

    void takeInCopies() { drain(true); }

    void stop()
    {
        drain(false);
        m_connection.reset();
        delete m_retry; // a timer is stopped in its own thread
        m_retry = nullptr;
    }

private:
    static constexpr int RetryInterval = 3000;

    bool ensureOpen()
    {
        if (m_connection && m_connection->isOpen())
            return true;
        m_connection = std::make_unique<ArchiveConnection>(m_path);
        if (m_connection->open())
            return true;
        m_problem = m_connection->error();
        m_connection.reset();
        return false;
    }

    // Writes what is queued, in order; with copies, first takes in what
    // the copies of readings hold beyond the archive.
    void drain(bool copies)
    {
        m_copiesDue = m_copiesDue || copies;
        QString problem;
        if (!ensureOpen()) {
            problem = m_problem;
        } else {
            ArchiveStore store(*m_connection);
            while (!m_queue.empty()) {
                const Job &job = m_queue.front();
                QList<bool> known;
                const bool written = job.finish ? store.finishRead(job.arrival.readUid, job.arrival.origin)
                                                : store.storeArrival(job.arrival, &known);
                if (!written) {
                    problem = store.error();
                    break;
                }
                if (job.finish) {
                    QMetaObject::invokeMethod(m_writer, [writer = m_writer, uid = job.arrival.readUid] {
                        emit writer->readStored(uid);
                    }, Qt::QueuedConnection);
                } else {
                    const QString uid = job.arrival.readUid;
                    const int first = job.arrival.firstSeq;
                    QMetaObject::invokeMethod(m_writer, [writer = m_writer, uid, first, known] {
                        emit writer->stored(uid, first, known);
                    }, Qt::QueuedConnection);
                }
                m_queue.pop_front();
            }
            if (problem.isEmpty() && m_copiesDue) {
                if (store.takeInCopies(m_copies) < 0)
                    problem = store.error();
                else
                    m_copiesDue = false;
            }
            if (!problem.isEmpty())
                m_connection.reset(); // opened afresh next time: the file may be replaced or repaired
        }
        if (problem.isEmpty())
            m_retry->stop();
        else if (!m_retry->isActive())
            m_retry->start();
        report(problem);
    }

    // Tells the window what stands in the way and how many groups wait.
    void report(const QString &problem)
    {
        int waiting = 0;
        for (const Job &job : m_queue)
            waiting += int(job.arrival.groups.size());
        if (problem != m_told || waiting != m_toldWaiting) {
            m_told = problem;
            m_toldWaiting = waiting;
            QMetaObject::invokeMethod(m_writer, [writer = m_writer, problem, waiting] {
                emit writer->stateChanged(problem, waiting);
            }, Qt::QueuedConnection);
        }
    }

    ArchiveWriter *m_writer;
    QString m_path;
    QString m_copies;
    std::unique_ptr<ArchiveConnection> m_connection;
    std::deque<Job> m_queue;
    QTimer *m_retry = nullptr;
    bool m_copiesDue = false;
    QString m_problem;
    QString m_told;
    int m_toldWaiting = 0;
};

ArchiveWriter::ArchiveWriter(const QString &path, const QString &copies, QObject *parent)
    : QObject(parent)
    , m_path(path)
    , m_worker(new ArchiveWorker(this, path, copies))
{
    m_thread.setObjectName(QStringLiteral("archive"));
    m_worker->moveToThread(&m_thread);
    m_thread.start();
    QMetaObject::invokeMethod(m_worker, [worker = m_worker] { worker->start(); }, Qt::QueuedConnection);
}

ArchiveWriter::~ArchiveWriter()
{
    QMetaObject::invokeMethod(m_worker, [worker = m_worker] { worker->stop(); }, Qt::BlockingQueuedConnection);
    m_thread.end();
    delete m_worker;
}

void ArchiveWriter::beginRead()
{
    m_readUid = QUuid::createUuid().toString(QUuid::WithoutBraces);
    m_readStart = QDateTime::currentDateTime();
    m_nextSeq = 1;
    m_arrived.clear();
}

void ArchiveWriter::add(const QString &group)
{
    if (m_readUid.isEmpty())
        beginRead();
    m_arrived << group;
}

void ArchiveWriter::arrivalHandled(const QString &copyName)
{
    if (m_arrived.isEmpty())
        return;
    ArchiveWorker::Job job;
    job.arrival.readUid = m_readUid;
    job.arrival.readStart = m_readStart;
    job.arrival.origin = copyName;
    job.arrival.firstSeq = m_nextSeq;
    job.arrival.groups = m_arrived;
    m_nextSeq += int(m_arrived.size());
    m_arrived.clear();
    QMetaObject::invokeMethod(m_worker, [worker = m_worker, job] { worker->enqueue(job); }, Qt::QueuedConnection);
}

void ArchiveWriter::finishRead(const QString &copyName)
{
    if (m_readUid.isEmpty())
        return;
    ArchiveWorker::Job job;
    job.arrival.readUid = m_readUid;
    job.arrival.origin = copyName;
    job.finish = true;
    QMetaObject::invokeMethod(m_worker, [worker = m_worker, job] { worker->enqueue(job); }, Qt::QueuedConnection);
}

void ArchiveWriter::takeInCopies()
{
    QMetaObject::invokeMethod(m_worker, [worker = m_worker] { worker->takeInCopies(); }, Qt::QueuedConnection);
}

void ArchiveWriter::waitForWrites()
{
    QMetaObject::invokeMethod(m_worker, [] {}, Qt::BlockingQueuedConnection);
}
