// Measures the PDF export through the window on this machine and prints
// figures: one page (the group shown), every group of a list of 1,000 (and
// of 2,000, to show that memory does not grow with the pages), and the peak
// memory during those exports above the window's memory before them.
//
//   benchmark_pdf [runs]
//
// Run it on demand; nothing here is a pass/fail test. Linux only (it reads
// /proc). Without a display it uses the offscreen platform.

#include "benchmarkdata.h"
#include "mainwindow.h"
#include "datafile.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

QString writeGroups(const QTemporaryDir &dir, int count)
{
    QStringList groups;
    for (int i = 0; i < count; ++i)
        groups << benchmarkGroup(i);
    const QString path = dir.filePath(QStringLiteral("groups%1.dat").arg(count));
    if (!DataFile::save(path, groups))
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QList<int> allRows(const MainWindow &window)
{
    QList<int> rows;
    for (int row = 0; row < window.loadedGroups().size(); ++row)
        rows << row;
    return rows;
}

// Child mode: list the groups of a file, export them all and print the
// time, the memory before and the peak during the export.
int allGroupsProbe(int argc, char *argv[], const QString &dataFile, const QString &pdfFile)
{
    QApplication app(argc, argv);
    MainWindow window;
    window.show();
    if (!window.openDataFile(dataFile))
        return 1;
    QCoreApplication::processEvents();
    const long before = procStatusKiB("VmRSS:");
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    if (clearRefs.open(QIODevice::WriteOnly))
        clearRefs.write("5"); // the peak so far is forgotten
    QElapsedTimer timer;
    timer.start();
    if (window.writePdfReport(pdfFile, allRows(window)) != ReportFlow::Outcome::Written)
        return 1;
    std::printf("%.0f %ld %ld\n", timer.nsecsElapsed() / 1e6, before, procStatusKiB("VmHWM:"));
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc >= 4 && qstrcmp(argv[1], "--all-groups-probe") == 0)
        return allGroupsProbe(argc, argv, QString::fromLocal8Bit(argv[2]),
                              QString::fromLocal8Bit(argv[3]));

    QApplication app(argc, argv);
    const int runs = argc >= 2 ? qMax(5, QString::fromLocal8Bit(argv[1]).toInt()) : 50;
    QTemporaryDir dir;
    QDir::setCurrent(dir.path()); // "buffer.png" goes here
    std::printf("platform: %s\n", qPrintable(QGuiApplication::platformName()));

    // One page: the group shown, as the action writes it once named.
    {
        MainWindow window;
        window.show();
        if (!window.openDataFile(writeGroups(dir, 2)))
            qFatal("open failed");
        auto *list = window.findChild<QListWidget *>(QStringLiteral("listWidget"));
        QMetaObject::invokeMethod(&window, "on_listWidget_clicked",
                                  Q_ARG(QModelIndex, list->model()->index(1, 0)));
        std::vector<double> times;
        QElapsedTimer timer;
        for (int i = 0; i < runs; ++i) {
            timer.restart();
            if (window.writePdfReport(dir.filePath(QStringLiteral("one.pdf")), { 1 })
                != ReportFlow::Outcome::Written)
                qFatal("export failed");
            times.push_back(timer.nsecsElapsed() / 1e6);
        }
        std::sort(times.begin(), times.end());
        std::printf("one-page PDF export: %.2f ms median of %d (target 50 ms), %lld bytes\n",
                    times[times.size() / 2], runs,
                    static_cast<long long>(QFile(dir.filePath(QStringLiteral("one.pdf"))).size()));
    }

    // Every group, each in a fresh process so that its memory is its own.
    for (const int count : { 1000, 2000 }) {
        const QString pdf = dir.filePath(QStringLiteral("all%1.pdf").arg(count));
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(),
                    { QStringLiteral("--all-groups-probe"), writeGroups(dir, count), pdf });
        if (!child.waitForFinished(600000) || child.exitCode() != 0)
            qFatal("export of %d groups failed", count);
        const QList<QByteArray> figures = child.readAllStandardOutput().trimmed().split(' ');
        std::printf("%d groups to PDF: %s ms (target 20000 ms for 1000), %.1f MB file; "
                    "peak memory %.1f MB above the %.1f MB before (target 50 MB)\n",
                    count, figures.value(0).constData(), QFile(pdf).size() / 1048576.0,
                    (figures.value(2).toLong() - figures.value(1).toLong()) / 1024.0,
                    figures.value(1).toLong() / 1024.0);
    }
    return 0;
}
