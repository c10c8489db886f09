#ifndef WORKERTHREAD_H
#define WORKERTHREAD_H

#include <QMutex>
#include <QThread>

// The thread of a worker object with an event loop, ended whole.
//
// On Windows, QThread::wait() returns once Qt's part of the thread is done,
// while the system may still be running the thread's exit: the DLLs' detach
// code, which in a MinGW build frees the thread's thread_local data under a
// lock of winpthreads. A program that ends in that moment kills the thread
// holding that lock, and its own exit then waits for the lock for ever.
// end() waits for the system's thread as well.
class WorkerThread : public QThread
{
public:
    using QThread::QThread;
    ~WorkerThread() override;

    // Stops the event loop and returns once the thread no longer runs.
    void end();

protected:
    void run() override;

private:
    QMutex m_mutex;
    void *m_handle = nullptr; // the system's thread, on Windows
};

#endif // WORKERTHREAD_H
