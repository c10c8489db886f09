// Saves a picture of the main window with a data file open and one of its
// groups shown, for the README, and optionally that group's Word and Excel
// reports. Run it under a display with CJK fonts:
//
//   xvfb-run -a build/tools/screenshot samples/sample.dat 1 docs/window.png [a.doc b.xls]
//
// The group number counts from 1.

#include "mainwindow.h"
#include "device/wholefile.h"
#include "report/reportvalues.h"
#include "view/diagramfile.h"
#include "view/phasordiagram.h"

#include <QApplication>
#include <QListWidget>
#include <QMetaObject>
#include <QTimer>
#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc != 4 && argc != 6) {
        std::fprintf(stderr, "usage: screenshot <data file> <group number> <output.png> "
                             "[<report.doc> <report.xls>]\n");
        return 2;
    }
    const QString dataFile = QString::fromLocal8Bit(argv[1]);
    const int row = QString::fromLocal8Bit(argv[2]).toInt() - 1;
    const QString output = QString::fromLocal8Bit(argv[3]);

    MainWindow window;
    window.show();
    if (!window.openDataFile(dataFile))
        return 1;
    auto *list = window.findChild<QListWidget *>(QStringLiteral("listWidget"));
    if (!list || row < 0 || row >= list->count()) {
        std::fprintf(stderr, "no group %d in %s\n", row + 1, argv[1]);
        return 1;
    }
    list->setCurrentRow(row);
    QMetaObject::invokeMethod(&window, "on_listWidget_clicked",
                              Q_ARG(QModelIndex, list->model()->index(row, 0)));

    int status = 1;
    QTimer::singleShot(500, &window, [&] {
        status = window.grab().save(output) ? 0 : 1;
        if (argc == 6) {
            const QImage picture = PhasorDiagram::paintPhasors(
                QSize(600, 600), PhasorDiagram::backgroundColour(), QApplication::font(),
                window.shownValues(), {});
            const QByteArray png = DiagramFile::encodePng(picture);
            for (const auto &[kind, name] : { std::pair{ ReportKind::Word, argv[4] },
                                              std::pair{ ReportKind::Excel, argv[5] } }) {
                if (!saveWholeFile(QString::fromLocal8Bit(name),
                                   ReportValues::buildReport(kind, window.shownValues(), png)))
                    status = 1;
            }
        }
        app.quit();
    });
    app.exec();
    return status;
}
