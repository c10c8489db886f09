// Measures how fast group lines from the serial line reach the group list:
// 100,000 and then 200,000 lines are written in random pieces to a
// pseudo-terminal whose other side the real main window has opened as the
// instrument's port, through readCom and the framing into the list.
//
//   benchmark_readcom [groups]
//
// Run it on demand; it prints figures and ratios, it does not pass or fail.

#include "archivelink.h"
#include "archivewriter.h"
#include "grouplist.h"
#include "readingarchive.h"
#include "instrumentsession.h"
#include "mainwindow.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace {

QByteArray groupLines(int count)
{
    QByteArray bytes;
    bytes.reserve(qsizetype(count) * 96);
    for (int i = 0; i < count; ++i) {
        bytes += QByteArray::number(49.9 + (i % 20) / 100.0, 'f', 2);
        bytes += " 1.5000 1.4800 1.5200 0.0300 ";
        bytes += QByteArray::number(220 + (i % 13) / 10.0, 'f', 2);
        bytes += " 219.80 220.50 3.0 2.8 3.2 24.0 12.0 12.0 24.1 12.0 11.9 ";
        bytes += i % 3 == 0 ? "1 0\r\n" : "2 0\r\n";
    }
    bytes += "end\r\n";
    return bytes;
}

// Writes the bytes to the terminal in pieces of 1 to 512 bytes.
void writeInPieces(int master, const QByteArray &bytes, quint32 seed)
{
    QRandomGenerator random(seed);
    qsizetype at = 0;
    while (at < bytes.size()) {
        const qsizetype piece = qMin<qsizetype>(1 + random.bounded(512), bytes.size() - at);
        const ssize_t written = ::write(master, bytes.constData() + at, size_t(piece));
        if (written > 0)
            at += written;
        else if (written < 0 && errno != EINTR)
            return;
    }
}

// When the last feed's groups were all in the archive, in seconds.
double archivedAfter = 0;

// Feeds count groups and returns the seconds from the first byte written to
// the "end" line handled, or a negative value on failure.
double feed(int count)
{
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
        return -1;
    const QString slave = QString::fromLocal8Bit(ptsname(master));

    MainWindow window;
    window.instrumentSession()->setPortEnumerator([slave] {
        return QList<SerialPortRecord>{ { slave, QStringLiteral("USB-SERIAL CH340"), false, 0, 0 } };
    });
    window.findChild<QAction *>(QStringLiteral("action_connect_device"))->trigger();
    if (!window.isConnected()) {
        ::close(master);
        return -1;
    }
    auto *save = window.findChild<QAction *>(QStringLiteral("action_save"));

    const QByteArray bytes = groupLines(count);
    // Drain what the window sends (":Connect"), so the terminal never blocks.
    std::atomic<bool> done{ false };
    std::thread drain([&] {
        char buffer[256];
        pollfd watch{ master, POLLIN, 0 };
        while (!done) {
            if (::poll(&watch, 1, 20) > 0 && (watch.revents & POLLIN))
                (void)::read(master, buffer, sizeof buffer);
        }
    });

    QElapsedTimer timer;
    timer.start();
    std::thread writer(writeInPieces, master, bytes, quint32(count));
    while (!save->isEnabled() && timer.elapsed() < 120000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    const double seconds = timer.nsecsElapsed() / 1e9;
    window.archive()->writer()->waitForWrites(); // the archive's thread catching up
    archivedAfter = timer.nsecsElapsed() / 1e9;
    writer.join();
    done = true;
    drain.join();
    ::close(master);
    if (window.loadedGroups().size() != count) {
        std::fprintf(stderr, "listed %lld of %d groups\n",
                     static_cast<long long>(window.loadedGroups().size()), count);
        return -1;
    }
    return seconds;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_LOGGING_RULES", "default.debug=false"); // no trace line per reply
    QApplication app(argc, argv);
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    // The copies of the readings go to the scratch folder, not the user's.
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.path()));
    const int count = argc >= 2 ? qMax(1000, std::atoi(argv[1])) : 100000;

    feed(1000); // warm-up: fonts, icons and the first window
    const double once = feed(count);
    const double twice = feed(2 * count);
    if (once <= 0 || twice <= 0) {
        std::fprintf(stderr, "feeding failed\n");
        return 1;
    }
    std::printf("%d groups through readCom: %.2f s, %.0f groups/s (target 50000)\n", count, once,
                count / once);
    std::printf("%d groups: %.2f s, %.0f groups/s; all in the archive after %.2f s, %.0f groups/s\n", 2 * count, twice,
                2 * count / twice, archivedAfter, 2 * count / archivedAfter);
    std::printf("twice the input took %.2f times as long (target at most 2.2)\n", twice / once);
    std::printf("a 9600-baud line delivers about %.0f groups/s of this length\n", 960.0 / 96);

    // The copy of a reading: one group appended and handed to the system.
    {
        const QList<QByteArray> lines = groupLines(count).split('\n');
        ReadingArchive archive;
        archive.beginRead();
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < count; ++i)
            archive.append(QString::fromLatin1(lines.at(i).chopped(1)));
        archive.endRead();
        std::printf("copy of a reading: %.2f us per group appended and flushed (a 9600-baud "
                    "line brings one every %.0f ms)\n", timer.nsecsElapsed() / 1e3 / count, 1000 * 96 / 960.0);
    }

    // A hostile line, e...e end nd...nd: every removal of "end" joins a new one.
    const auto nestedEnds = [](int depth) {
        return QString(depth, u'e') + QStringLiteral("end") + QStringLiteral("nd").repeated(depth);
    };
    const auto msToClean = [](const QString &line) {
        QElapsedTimer timer;
        timer.start();
        const bool clean = GroupList::groupFromReplyLine(line).isEmpty();
        return clean ? timer.nsecsElapsed() / 1e6 : -1.0;
    };
    const double small = msToClean(nestedEnds(21845)); // a 64 KiB line
    const double large = msToClean(nestedEnds(2 * 21845));
    std::printf("\"end\" removed from a 64 KiB line of nested ends: %.2f ms; twice the line: "
                "%.2f times as long\n", small, large / small);
    return 0;
}
