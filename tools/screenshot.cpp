// Saves a picture of the main window with a data file open and one of its
// groups shown, for the README, and optionally that group's Word, Excel and
// PDF reports and a picture of its wiring check. Run it under a display with CJK fonts, e.g.
//
//   xvfb-run -a build/tools/screenshot --group 3 --counter-clockwise samples/sample.dat out.png
//
// See --help for the options.

#include "mainwindow.h"
#include "wiringcheckdialog.h"
#include "wholefile.h"
#include "reportvalues.h"
#include "diagramfile.h"
#include "phasordiagram.h"

#include <QAbstractButton>
#include <QAction>
#include <QDate>
#include <QFile>
#include <QTextStream>
#include <QApplication>
#include <QCommandLineParser>
#include <QLineEdit>
#include <QListWidget>
#include <QMetaObject>
#include <QRadioButton>
#include <QTimer>
#include <QTranslator>
#include <cstdio>

namespace {

void click(MainWindow &window, const char *radioButton)
{
    auto *button = window.findChild<QRadioButton *>(QString::fromLatin1(radioButton));
    button->click();
}

bool writeReport(const MainWindow &window, ReportKind kind, bool clockwise, bool zeroAtTwelve,
                 const QString &fileName)
{
    const QImage picture = PhasorDiagram::drawPhasorDiagram(
        QSize(600, 600), PhasorDiagram::backgroundColour(), QApplication::font(),
        window.shownValues(), { clockwise, zeroAtTwelve });
    return saveWholeFile(fileName, ReportValues::buildReport(kind, window.shownValues(),
                                                             DiagramFile::encodePng(picture)));
}

// The window's widgets and actions, a line each, indented by depth: what a
// change of the code behind the window must leave as it is.
void dumpObjects(QTextStream &out, const QObject *object, int depth)
{
    const auto *widget = qobject_cast<const QWidget *>(object);
    const auto *action = qobject_cast<const QAction *>(object);
    if (widget || action) {
        out << QString(depth * 2, u' ') << object->metaObject()->className() << ' ' << object->objectName();
        if (widget) {
            const QRect g = widget->geometry();
            out << QStringLiteral(" %1,%2 %3x%4").arg(g.x()).arg(g.y()).arg(g.width()).arg(g.height())
                << (widget->isVisible() ? " visible" : "") << (widget->isEnabled() ? "" : " disabled");
            if (const auto *button = qobject_cast<const QAbstractButton *>(widget))
                out << " \"" << button->text() << '"';
        } else {
            out << " \"" << action->text() << "\" " << action->shortcut().toString() << " \""
                << action->toolTip() << '"' << (action->isEnabled() ? "" : " disabled");
        }
        out << '\n';
        ++depth;
    }
    for (const QObject *child : object->children())
        dumpObjects(out, child, depth);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // The dialogs' standard buttons in Chinese, as the tool shows them.
    QTranslator translator;
    if (translator.load(QStringLiteral(":/qt_zh_CN")))
        app.installTranslator(&translator);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Saves a picture of the main window."));
    parser.addHelpOption();
    const QCommandLineOption groupOption(QStringLiteral("group"),
                                         QStringLiteral("The group to show, counted from 1."),
                                         QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption counterOption(QStringLiteral("counter-clockwise"),
                                           QStringLiteral("Positive angles counter-clockwise."));
    const QCommandLineOption threeOption(QStringLiteral("zero-at-three"),
                                         QStringLiteral("Zero degrees at three o'clock."));
    const QCommandLineOption wordOption(QStringLiteral("word"),
                                        QStringLiteral("Also write the group's Word report."),
                                        QStringLiteral("file"));
    const QCommandLineOption excelOption(QStringLiteral("excel"),
                                         QStringLiteral("Also write the group's Excel report."),
                                         QStringLiteral("file"));
    const QCommandLineOption pdfOption(QStringLiteral("pdf"),
                                       QStringLiteral("Also write the group's PDF report."),
                                       QStringLiteral("file"));
    const QCommandLineOption checkOption(QStringLiteral("wiring-check"),
                                         QStringLiteral("Also save a picture of the group's wiring check."),
                                         QStringLiteral("picture"));
    const QCommandLineOption objectsOption(QStringLiteral("objects"),
                                           QStringLiteral("Also write the window's widgets and actions, a line each."),
                                           QStringLiteral("file"));
    parser.addOptions({ groupOption, counterOption, threeOption, wordOption, excelOption, pdfOption,
                        checkOption, objectsOption });
    parser.addPositionalArgument(QStringLiteral("data"), QStringLiteral("The data file to open."));
    parser.addPositionalArgument(QStringLiteral("picture"), QStringLiteral("The PNG to write."));
    parser.process(app);
    if (parser.positionalArguments().size() != 2)
        parser.showHelp(2);
    const QString dataFile = parser.positionalArguments().at(0);
    const QString output = parser.positionalArguments().at(1);
    const int row = parser.value(groupOption).toInt() - 1;

    MainWindow window;
    window.show();
    if (!window.openDataFile(dataFile))
        return 1;
    auto *list = window.findChild<QListWidget *>(QStringLiteral("listWidget"));
    if (row < 0 || row >= list->count()) {
        std::fprintf(stderr, "no group %d in %s\n", row + 1, qPrintable(dataFile));
        return 1;
    }
    list->setCurrentRow(row);
    QMetaObject::invokeMethod(&window, "on_listWidget_clicked",
                              Q_ARG(QModelIndex, list->model()->index(row, 0)));
    const bool clockwise = !parser.isSet(counterOption);
    const bool zeroAtTwelve = !parser.isSet(threeOption);
    if (!clockwise)
        click(window, "NRadioButton");
    if (!zeroAtTwelve)
        click(window, "DRadioButton");

    int status = 1;
    QTimer::singleShot(500, &window, [&] {
        status = window.grab().save(output) ? 0 : 1;
        if (parser.isSet(wordOption)
            && !writeReport(window, ReportKind::Word, clockwise, zeroAtTwelve, parser.value(wordOption)))
            status = 1;
        if (parser.isSet(excelOption)
            && !writeReport(window, ReportKind::Excel, clockwise, zeroAtTwelve, parser.value(excelOption)))
            status = 1;
        if (parser.isSet(objectsOption)) {
            QFile file(parser.value(objectsOption));
            if (file.open(QIODevice::WriteOnly | QIODevice::Text)) {
                QTextStream out(&file);
                dumpObjects(out, &window, 0);
            } else {
                status = 1;
            }
        }
        // The picture's header shows made-up report information, of a fixed
        // day, so that the picture is the same whenever it is made.
        ReportInfo info;
        info.date = QDate(2026, 12, 7);
        info.customer = QStringLiteral("示例用户");
        info.site = QStringLiteral("1号配电室");
        info.meterNumber = QStringLiteral("0001");
        info.tester = QStringLiteral("张三");
        info.currentRatio = QStringLiteral("200/5");
        info.voltageRatio = QStringLiteral("10kV/100V");
        if (parser.isSet(pdfOption)
            && window.writePdfReport(parser.value(pdfOption), { row }, info) != ReportFlow::Outcome::Written)
            status = 1;
        if (parser.isSet(checkOption)) {
            window.findChild<QAction *>(QStringLiteral("action_wiring_check"))->trigger();
            auto *dialog = window.findChild<WiringCheckDialog *>();
            if (dialog) // the calculator with a registered energy typed in
                dialog->energyEdit()->setText(QStringLiteral("1000"));
            if (!dialog || !dialog->grab().save(parser.value(checkOption)))
                status = 1;
        }
        app.quit();
    });
    app.exec();
    return status;
}
