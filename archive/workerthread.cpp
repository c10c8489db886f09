#include "workerthread.h"

#include <QMutexLocker>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

#if defined(Q_OS_WIN) && defined(Q_CC_MINGW)
// With MinGW, a thread's thread_local objects are destroyed after their
// storage has been freed. Qt keeps the stack of PCRE2's JIT in such an
// object, made in every thread that matches a regular expression with the
// JIT (Qt SQL's drivers and QDir's name filters do, in the archive's
// threads): destroyed from freed memory, it can crash the thread's exit in
// the middle of winpthreads' clean-up, which keeps a lock of winpthreads
// taken, and the program's exit then waits for that lock for ever. Without
// the JIT, Qt never makes that object; the expressions here are small.
static void leaveRegularExpressionsUncompiled()
{
    if (!qEnvironmentVariableIsSet("QT_ENABLE_REGEXP_JIT"))
        qputenv("QT_ENABLE_REGEXP_JIT", "0");
}
Q_CONSTRUCTOR_FUNCTION(leaveRegularExpressionsUncompiled)
#endif

WorkerThread::~WorkerThread()
{
    end();
}

void WorkerThread::run()
{
#ifdef Q_OS_WIN
    HANDLE self = nullptr;
    if (DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &self, SYNCHRONIZE, FALSE, 0)) {
        QMutexLocker lock(&m_mutex);
        m_handle = self;
    }
#endif
    exec();
}

void WorkerThread::end()
{
    quit();
    wait();
    QMutexLocker lock(&m_mutex);
#ifdef Q_OS_WIN
    if (m_handle) {
        WaitForSingleObject(m_handle, INFINITE);
        CloseHandle(m_handle);
    }
#endif
    m_handle = nullptr;
}
