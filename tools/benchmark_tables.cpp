// Measures the work on every group at once, with 10,000 groups listed:
// the overview opened (made, shown and painted), sorting it by a column,
// and the table of all groups written as an Excel workbook and as CSV.
//
//   benchmark_tables [groups] [folder to keep the files in]
//
// Run it on demand; nothing here is a pass/fail test. Without a display it
// uses the offscreen platform.

#include "benchmarkdata.h"
#include "mainwindow.h"
#include "overviewdialog.h"
#include "datafile.h"
#include "grouptable.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTableView>
#include <QTemporaryDir>
#include <QWindow>
#include <cstdio>

namespace {

void waitExposed(QWidget *widget)
{
    QElapsedTimer limit;
    limit.start();
    while (!(widget->windowHandle() && widget->windowHandle()->isExposed()) && limit.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    widget->repaint(); // painted once, as the user first sees it
}

void row(const char *what, double ms, double targetMs)
{
    std::printf("%-44s %9.1f ms   target < %5.0f ms   %s (%.0f%% of target)\n", what, ms, targetMs,
                ms < targetMs ? "met" : "MISSED", 100.0 * ms / targetMs);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int count = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 10000;
    QTemporaryDir scratch;
    const QDir keep(argc > 2 ? QString::fromLocal8Bit(argv[2]) : scratch.path());

    QStringList groups;
    for (int i = 0; i < count; ++i)
        groups << benchmarkGroup(i);
    const QString data = keep.filePath(QStringLiteral("groups.dat"));
    if (!DataFile::save(data, groups))
        qFatal("cannot write %s", qPrintable(data));

    MainWindow window;
    window.show();
    waitExposed(&window);
    window.openDataFile(data);
    std::printf("%d groups listed\n", int(window.loadedGroups().size()));

    QElapsedTimer timer;
    timer.start();
    window.findChild<QAction *>(QStringLiteral("action_overview"))->trigger();
    auto *overview = window.findChild<OverviewDialog *>();
    waitExposed(overview);
    row("overview opened (made, shown, painted)", timer.nsecsElapsed() / 1e6, 1000);

    timer.restart();
    overview->table()->sortByColumn(8, Qt::DescendingOrder);
    overview->table()->repaint();
    row("overview sorted by a column and painted", timer.nsecsElapsed() / 1e6, 1000);

    const QString xlsx = keep.filePath(QStringLiteral("groups.xlsx"));
    timer.restart();
    if (!GroupTable::saveXlsx(xlsx, window.loadedGroups()))
        qFatal("cannot write %s", qPrintable(xlsx));
    row("Excel workbook written", timer.nsecsElapsed() / 1e6, 5000);

    const QString csv = keep.filePath(QStringLiteral("groups.csv"));
    timer.restart();
    if (!GroupTable::saveCsv(csv, window.loadedGroups()))
        qFatal("cannot write %s", qPrintable(csv));
    row("CSV file written", timer.nsecsElapsed() / 1e6, 5000);
    std::printf("sizes: workbook %lld KiB, CSV %lld KiB; peak memory %ld KiB\n",
                QFileInfo(xlsx).size() / 1024, QFileInfo(csv).size() / 1024, procStatusKiB("VmHWM:"));
    return 0;
}
