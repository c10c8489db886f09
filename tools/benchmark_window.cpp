// Measures the window's own work on this machine and prints figures and
// ratios: start-up to the window shown, one click to a group shown, opening
// and saving a file of 100,000 groups, and peak memory with them listed.
//
//   benchmark_window [clicks]
//
// Run it on demand; nothing here is a pass/fail test. Without a display it
// uses the offscreen platform.

#include "benchmarkdata.h"
#include "mainwindow.h"
#include "datafile.h"
#include "wholefile.h"
#include "reportvalues.h"
#include "diagramfile.h"
#include "phasordiagram.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QProcess>
#include <QTemporaryDir>
#include <QTranslator>
#include <QWindow>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

constexpr int LargeGroupCount = 100000;

double monotonicMs()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

void writeLargeFile(const QString &path)
{
    QStringList groups;
    groups.reserve(LargeGroupCount);
    for (int i = 0; i < LargeGroupCount; ++i)
        groups << benchmarkGroup(i);
    if (!DataFile::save(path, groups))
        qFatal("cannot write %s", qPrintable(path));
}

// Child mode: start as the tool does and print the monotonic time at which
// the window is exposed.
int startupProbe(int argc, char *argv[])
{
    QTranslator translator;
    (void)translator.load(QStringLiteral(":/qt_zh_CN"));
    QApplication app(argc, argv);
    app.installTranslator(&translator);
    MainWindow window;
    window.show();
    window.windowHandle()->requestActivate();
    while (!window.windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    std::printf("%.3f\n", monotonicMs());
    return 0;
}

// Child mode: list the groups of a file and print the peak memory.
int memoryProbe(int argc, char *argv[], const QString &path)
{
    QApplication app(argc, argv);
    MainWindow window;
    window.show();
    if (!window.openDataFile(path))
        return 1;
    QCoreApplication::processEvents();
    std::printf("%ld %lld\n", procStatusKiB("VmHWM:"), static_cast<long long>(window.loadedGroups().size()));
    return 0;
}

QByteArray runChild(const QStringList &arguments)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), arguments);
    if (!child.waitForFinished(120000) || child.exitCode() != 0)
        qFatal("benchmark child %s failed", qPrintable(arguments.join(' ')));
    return child.readAllStandardOutput().trimmed();
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc >= 2 && qstrcmp(argv[1], "--startup-probe") == 0)
        return startupProbe(argc, argv);
    if (argc >= 3 && qstrcmp(argv[1], "--memory-probe") == 0)
        return memoryProbe(argc, argv, QString::fromLocal8Bit(argv[2]));

    QApplication app(argc, argv);
    const int clicks = argc >= 2 ? qMax(10, QString::fromLocal8Bit(argv[1]).toInt()) : 200;
    QTemporaryDir dir;
    QDir::setCurrent(dir.path()); // "buffer.png" goes here

    std::printf("platform: %s\n", qPrintable(QGuiApplication::platformName()));

    // Start-up: process start to the window exposed, median of 5 runs.
    std::vector<double> startups;
    for (int i = 0; i < 5; ++i) {
        const double before = monotonicMs();
        startups.push_back(runChild({ QStringLiteral("--startup-probe") }).toDouble() - before);
    }
    std::printf("start-up to window shown: %.1f ms median of 5 (target 300 ms)\n", median(startups));

    const QString largeFile = dir.filePath(QStringLiteral("large.dat"));
    writeLargeFile(largeFile);

    MainWindow window;
    window.show();
    QCoreApplication::processEvents();

    // Open and save 100,000 groups through the window.
    QElapsedTimer timer;
    timer.start();
    if (!window.openDataFile(largeFile))
        qFatal("open failed");
    QCoreApplication::processEvents(); // includes laying out the list
    const double openMs = timer.nsecsElapsed() / 1e6;
    timer.restart();
    if (!window.saveDataFile(dir.filePath(QStringLiteral("saved.dat"))))
        qFatal("save failed");
    const double saveMs = timer.nsecsElapsed() / 1e6;
    std::printf("open %d groups: %.0f ms (target 1500 ms)\n", LargeGroupCount, openMs);
    std::printf("save %d groups: %.0f ms (target 300 ms)\n", LargeGroupCount, saveMs);

    // One click to a group shown: parse, table, both diagrams, "buffer.png".
    auto *list = window.findChild<QListWidget *>(QStringLiteral("listWidget"));
    std::vector<double> clickTimes, encodeTimes;
    for (int i = 0; i < clicks; ++i) {
        const QModelIndex index = list->model()->index(i * 7 % LargeGroupCount, 0);
        timer.restart();
        QMetaObject::invokeMethod(&window, "on_listWidget_clicked", Q_ARG(QModelIndex, index));
        clickTimes.push_back(timer.nsecsElapsed() / 1e6);

        // The bare work the click cannot avoid: encoding one 600 x 600 PNG.
        const QImage picture = PhasorDiagram::drawPhasorDiagram(
            QSize(600, 600), PhasorDiagram::backgroundColour(), QApplication::font(),
            window.shownValues(), {});
        timer.restart();
        const QByteArray png = DiagramFile::encodePng(picture);
        encodeTimes.push_back(timer.nsecsElapsed() / 1e6);
        if (png.isEmpty())
            qFatal("PNG encoding failed");
    }
    const double click = median(clickTimes), encode = median(encodeTimes);
    std::printf("click to group shown: %.2f ms median of %d (target 25 ms)\n", click, clicks);
    std::printf("bare 600x600 PNG encode: %.2f ms median; click/encode ratio %.2f (target 3)\n",
                encode, click / encode);

    // One report export: the diagram painted and encoded, the template
    // filled and the file written (the success box left out).
    for (const ReportKind kind : { ReportKind::Word, ReportKind::Excel }) {
        std::vector<double> exportTimes;
        const QString reportPath = dir.filePath(QStringLiteral("report"));
        for (int i = 0; i < 50; ++i) {
            timer.restart();
            const QImage picture = PhasorDiagram::drawPhasorDiagram(
                QSize(600, 600), PhasorDiagram::backgroundColour(), QApplication::font(),
                window.shownValues(), {});
            const QByteArray report = ReportValues::buildReport(kind, window.shownValues(),
                                                                DiagramFile::encodePng(picture));
            if (!saveWholeFile(reportPath, report))
                qFatal("cannot write the report");
            exportTimes.push_back(timer.nsecsElapsed() / 1e6);
        }
        std::printf("one %s export: %.2f ms median of 50 (target 50 ms)\n",
                    kind == ReportKind::Word ? "Word" : "Excel", median(exportTimes));
    }

    // Peak memory of a fresh process with the 100,000 groups listed.
    const QList<QByteArray> memory = runChild({ QStringLiteral("--memory-probe"), largeFile }).split(' ');
    std::printf("peak memory with %s groups listed: %.1f MB (target 150 MB)\n",
                memory.value(1).constData(), memory.value(0).toLong() / 1024.0);
    return 0;
}
