// The real main window without the instrument: its form at start, data files
// opened and saved through the dialogs, groups shown by clicking entries, the
// orientation buttons, the view reset and "buffer.png".

#include "phasordiagram.h"
#include "windowdriver.h"
#include "wiringcheckdialog.h"
#include "workingfolder.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QGroupBox>
#include <QHeaderView>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QTextBrowser>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

namespace {

// 220 V, 1.5 A, power angle 30 degrees on phase A; four-wire.
const QByteArray fourWire =
    "50.00 1.5 1.48 1.52 0.03 220 219.8 220.5 3 2.8 3.2 24 12 12 24.1 12 11.9 2 0";
// Power angle field 6 (60 degrees) on phase A; three-wire.
const QByteArray threeWire = "49.98 1.2 0 1.21 0 100.2 0 100.1 6 0 2.6 6 0 0 6 0 0 1 0";

// The 32 value cells: rows 1-4, 7-8, 11-14 (columns 1-3), then (16,1), (16,3).
QStringList valueCells(const WindowDriver &driver)
{
    QStringList texts;
    for (int row : { 1, 2, 3, 4, 7, 8, 11, 12, 13, 14 })
        for (int column = 1; column <= 3; ++column)
            texts << driver.cell(row, column);
    return texts << driver.cell(16, 1) << driver.cell(16, 3);
}

const QStringList zeroCells = QString("0.00 0.00 0.00 0.0000 0.0000 0.0000 0.0 0.0 0.0 0.0000 "
                                      "0.0000 0.0000 0.0 0.0 0.0 0.0 0.0 0.0 0.00 0.00 0.00 0.00 "
                                      "0.00 0.00 0.00 0.00 0.00 0.00 0.00 0.00 0.00 0.0000").split(' ');

// The picture is the empty grid, no arrow on it.
bool isEmptyGrid(const QImage &image)
{
    return image == PhasorDiagram::drawDiagramBackground(image.size(), QColor(70, 70, 70)).convertToFormat(image.format());
}

} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT

private slots:
    // "buffer.png" and "images/china.png" are relative to the working directory.
    void init() { m_dir = std::make_unique<QTemporaryDir>(); QVERIFY(QDir::setCurrent(m_dir->path())); }
    void formAtStart();
    void fitsTheScreen();
    void clickShowsGroup_data();
    void clickShowsGroup();
    void orientationAndViewReset();
    void openFiles_data();
    void openFiles();
    void saveFiles_data();
    void saveFiles();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString path(const QString &name) const { return m_dir->filePath(name); }
};

void MainWindowTest::formAtStart()
{
#ifdef Q_OS_LINUX
    // Started where no file can be made (as in Program Files on Windows; in
    // /proc not even by root), the tool works in a folder of the user's.
    QVERIFY(QDir::setCurrent("/proc"));
    WorkingFolder::makeWritable();
    QVERIFY(QDir::currentPath() != "/proc" && QFileInfo(QDir::currentPath()).isWritable());
#endif
    WindowDriver driver;
    MainWindow &w = driver.window();
    QCOMPARE(w.windowTitle(), QStringLiteral("数据管理软件"));
    QVERIFY(!w.windowIcon().isNull());
    QCOMPARE(driver.enabledControls(), QStringList({ "connect_device", "open" }));
    QVERIFY(driver.radio("SRadioButton")->isChecked() && driver.radio("LRadioButton")->isChecked());
    QCOMPARE(driver.radio("NRadioButton")->text() + driver.radio("DRadioButton")->text(), "角度正方向：逆时针零度位置：三点");

    // The designed seven as designed; the additions after them, the reports
    // of one or more groups in the drop-down 报告.
    auto *toolBar = w.findChild<QToolBar *>(QStringLiteral("mainToolBar"));
    QStringList items;
    for (QAction *action : toolBar->actions()) {
        auto *button = qobject_cast<QToolButton *>(toolBar->widgetForAction(action));
        items << (action->isSeparator() ? QStringLiteral("|") : button->text());
        for (QAction *item : button && button->menu() ? button->menu()->actions() : QList<QAction *>())
            items.last() += '/' + item->text();
        QVERIFY(action->isSeparator() || !button->icon().isNull());
    }
    QCOMPARE(items, QStringList({ "连接设备", "|", "打开文件", "保存数据", "|", "读取数据", "删除数据", "|", "导出Word",
                                  "导出Excel", "|", "报告/导出PDF/打印/导出表格", "接线检查", "总览",
                                  "档案/档案查询/历史读取/关联电能表/导入档案/校验档案/档案库", "帮助" }));
    // Shortcuts, named in the tooltips; F1 opens the guide to every action.
    QStringList tips;
    for (const char *name : { "action_open", "action_save", "action_print", "action_help", "action_connect_device" })
        tips << driver.action(name)->toolTip();
    QCOMPARE(tips, QStringList({ "打开文件（Ctrl+O）", "保存数据（Ctrl+S）", "打印（Ctrl+P）", "帮助（F1）", "连接设备（Ctrl+L）" }));
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(&w, Qt::Key_F1);
    QTextBrowser *guide = nullptr;
    QTRY_VERIFY((guide = w.findChild<QTextBrowser *>("guide")));
    for (const char *topic : { "接线检查", "报告信息", "总览", "导出表格", "历史读取", "边界" })
        QVERIFY2(guide->toPlainText().contains(topic), topic);
    QVERIFY(toolBar->toolButtonStyle() == Qt::ToolButtonTextBesideIcon && toolBar->font().pointSize() == 11);
    QStringList boxes;
    for (QGroupBox *box : w.findChildren<QGroupBox *>())
        boxes << box->title() + ' ' + QString::number(box->font().pointSize());
    QCOMPARE(boxes, QStringList({ "数据(点击查看) 11", "参数 11", "使用简介 11", "向量图 11" }));
    QCOMPARE(w.findChild<QTextBrowser *>()->toPlainText().split('\n').value(7), QStringLiteral("注意事项："));

    QTableWidget *table = driver.table();
    QCOMPARE(QSize(table->columnCount(), table->rowCount()), QSize(4, 17));
    QCOMPARE(QSize(table->columnWidth(3), table->rowHeight(16)), QSize(146, 31));
    QVERIFY(table->horizontalHeader()->isHidden() && table->verticalHeader()->isHidden());
    QVERIFY(table->editTriggers() == QAbstractItemView::NoEditTriggers && table->selectionMode() == QAbstractItemView::NoSelection);
    QCOMPARE(driver.cell(0, 0) + driver.cell(6, 3) + driver.cell(10, 2) + driver.cell(14, 0)
                 + driver.cell(16, 2) + driver.cell(5, 1),
             QStringLiteral("伏安C>A无功功率(Var)三相和IN(A)<none>"));
    QCOMPARE(valueCells(driver), zeroCells);
    QCOMPARE(table->item(0, 0)->font().pointSize(), 16);

    // The diagram shows the empty grid; the report canvas (600 x 600, see the
    // report test) is hidden.
    QCOMPARE(w.findChild<QLabel *>("label")->geometry(), QRect(10, 20, 431, 471));
    QVERIFY(isEmptyGrid(driver.diagram()));
    QVERIFY(w.exportCanvas()->isHidden());
}

// On a screen that holds it, the window keeps its fixed size. On a smaller
// one (this test runs again on a 1280 x 720 screen) it stays within the
// screen and every control can be scrolled into view, at its designed place.
void MainWindowTest::fitsTheScreen()
{
    WindowDriver driver;
    MainWindow &w = driver.window();
    auto *scroll = w.findChild<QScrollArea *>();
    // Every action in sight: none behind the toolbar's extension button.
    auto *toolBar = w.findChild<QToolBar *>();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QVERIFY(!toolBar->findChild<QWidget *>("qt_toolbar_ext_button")->isVisible());
    for (QAction *action : toolBar->actions())
        QVERIFY2(action->isSeparator() || toolBar->widgetForAction(action)->isVisible(), qPrintable(action->text()));
    if (w.screen()->availableGeometry().width() >= 1440) {
        w.resize(1500, 900);
        QCOMPARE(w.size(), QSize(1369, 823));
        QVERIFY(!scroll);
        return;
    }
    QVERIFY(scroll && w.screen()->availableGeometry().contains(w.frameGeometry()));
    QCOMPARE(w.findChild<QGroupBox *>("groupBox_3")->geometry(), QRect(293, 576, 1071, 201));
    QCOMPARE(w.findChild<QLabel *>("label")->size(), QSize(431, 471));
    QList<QWidget *> controls{ driver.list(), driver.table(), w.findChild<QTextBrowser *>(), w.findChild<QLabel *>("label") };
    for (QRadioButton *radio : w.findChildren<QRadioButton *>())
        controls << radio;
    for (QWidget *control : std::as_const(controls))
        for (const QPoint corner : { QPoint(0, 0), QPoint(control->width() - 1, control->height() - 1) }) {
            const QPoint inContent = control->mapTo(scroll->widget(), corner);
            scroll->ensureVisible(inContent.x(), inContent.y(), 1, 1);
            QVERIFY2(scroll->viewport()->rect().contains(control->mapTo(scroll->viewport(), corner)),
                     qPrintable(control->objectName()));
        }
}

void MainWindowTest::clickShowsGroup_data()
{
    QTest::addColumn<QByteArray>("group");
    QTest::addColumn<QString>("cells");
    QTest::addColumn<QStringList>("check"); // the wiring check's rows
    QTest::addColumn<QString>("diagnosis"); // its first two lines

    const QStringList clean{ "正常 未发现接线异常", "正常 电压正相序 UA→UB 120.0°，UA→UC 240.0°",
                             "正常 电流正相序 IA→IB 119.0°，IA→IC 241.0°" };
    const QString right = "接线形式：[Ua,Ia][Ub,Ib][Uc,Ic]（正确接线，负载角30.0°，按感性 0°～60°判定）|更正系数K：1.000";
    // Worked out by hand: cos and sin with 0.01745, powers of each phase.
    QTest::newRow("four-wire")
        << fourWire
        << "220.00 219.80 220.50 1.5000 1.4800 1.5200 30.0 28.0 32.0 0.8661 0.8830 0.8481 "
           "119.0 120.0 241.0 120.0 120.0 240.0 285.80 164.97 330.00 287.24 152.69 325.30 "
           "284.25 177.58 335.16 857.30 495.24 990.46 50.00 0.0300" << clean << right;
    QTest::newRow("three-wire, power angle 60")
        << threeWire
        << "100.20 0.00 100.10 1.2000 0.0000 1.2100 60.0 0.0 26.0 0.5002 1.0000 0.8988 "
           "0.0 0.0 60.0 0.0 0.0 60.0 60.14 104.12 120.24 0.00 0.00 0.00 "
           "108.87 53.09 121.12 169.01 157.21 241.36 49.98 0.0000"
        << QStringList{ "异常 电压逆相序 UAB→UCB 60.0°", "提示 电流相序不能判断 IA→IC 60.0°" }
        // Element 2 reads 34 degrees less than element 1, forms 0 or 60 degrees less.
        << "接线形式：与任何接线形式都不符（最小偏差17.0°）|更正系数K：不能计算";
    // Too few fields (16): nothing changes; 17: shown, wiring code kept, IN
    // given as letters counts as 0.
    QTest::newRow("16 fields") << QByteArray("1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16") << QString() << clean << right;
    QTest::newRow("17 fields")
        << QByteArray("1 2 3 4 IN 6 7 8 9 10 11 12 13 14 15 16 17")
        << "6.00 7.00 8.00 2.0000 3.0000 4.0000 90.0 100.0 110.0 0.0003 -0.1733 -0.3417 "
           "170.0 160.0 150.0 140.0 130.0 120.0 0.00 12.00 12.00 -3.64 20.68 21.00 "
           "-10.93 30.07 32.00 -14.57 62.76 65.00 1.00 0.0000"
        << QStringList{ "提示 电压相序不能判断 最高 8.00V", "提示 电流相序不能判断 IA→IB 170.0°，IA→IC 150.0°" }
        << "接线形式：无电压或无电流，不能判断|更正系数K：不能计算";
}

void MainWindowTest::clickShowsGroup()
{
    QFETCH(QByteArray, group);
    QFETCH(QString, cells);
    QFETCH(QStringList, check);
    QFETCH(QString, diagnosis);
    writeFile(path("one.dat"), dataFile({ fourWire, group }));
    WindowDriver driver;
    driver.open(path("one.dat"));
    QCOMPARE(driver.enabledControls(), QStringList({ "connect_device", "open" }));
    driver.clickEntry(0);
    const QStringList first = valueCells(driver);
    const QByteArray firstPng = readFile("buffer.png");
    driver.clickEntry(1);
    QCOMPARE(driver.enabledControls(),
             QStringList({ "connect_device", "word", "excel", "pdf", "save", "open", "S", "N", "L", "D" }));

    // The wiring check of the group shown, in a dialog that changes nothing.
    driver.action("action_wiring_check")->trigger();
    QPointer<WiringCheckDialog> dialog = driver.window().findChild<WiringCheckDialog *>();
    QVERIFY(dialog && dialog->isVisible() && dialog->windowTitle() == "接线检查"
            && dialog->findingsTable()->editTriggers() == QAbstractItemView::NoEditTriggers); // read-only
    QStringList rows;
    const QTableWidget *findings = dialog->findingsTable();
    for (int row = 0; row < findings->rowCount(); ++row)
        rows << (findings->item(row, 0)->text() + ' ' + findings->item(row, 1)->text() + ' ' + findings->item(row, 2)->text()).trimmed();
    QCOMPARE(rows, check);
    const auto lines = [&dialog] { return dialog->diagnosisLabel()->text().split('\n').mid(0, 2).join('|'); };
    QCOMPARE(lines(), diagnosis);
    dialog->energyEdit()->setText("0"); // nothing registered yet is a reading too
    QCOMPARE(dialog->refundLabel()->text(), diagnosis.contains("1.000") ? "ΔW = (K−1)·W′ = 0.00 kWh，无需退补"
                                                                        : "K不能确定，不能计算退补电量");
    if (group == fourWire) {
        // The period's registers, refused while a register runs back; then a right meter billed 10 kWh short.
        dialog->startEdit(0)->setText("200"), dialog->endEdit(0)->setText("100");
        QVERIFY(dialog->periodRefundLabel()->text().startsWith("正向有功止码小于起码"));
        dialog->entryModeBox()->setCurrentIndex(1), dialog->billedEdit()->setText("90");
        for (int reg = 1; reg < 6; ++reg)
            dialog->endEdit(reg)->setText(reg == 2 ? "50" : "0");
        QVERIFY2(dialog->periodRefundLabel()->text().contains("按电量（c=1.000∠0.0°，电能表有功1级，无功2级）：实际电量W=Re((W′P+jW′Q)/c)"
                                                              "=100.00 kWh（99.00～101.00），ΔW = 10.00 kWh（9.00～11.00），应补收"),
                 qPrintable(dialog->periodRefundLabel()->text()));
        // Under -30 to 30 its load angle of 30 lies at an end: read as well as
        // [Ua,-Ic][Ub,-Ia][Uc,-Ib] at -30, nothing is settled.
        dialog->windowBox()->setCurrentIndex(2);
        QCOMPARE(lines(), "接线形式：负载角接近判定范围边界（按−30°～30°判定），以下两种接线形式读数相同，请结合现场负荷性质判断"
                          "|  [Ua,-Ic][Ub,-Ia][Uc,-Ib]（错误接线）：负载角-30.0°，K=1.000");
        QVERIFY(dialog->diagnosisLabel()->text().endsWith("负载角30.0°，K=1.000\n按默认范围（感性 0°～60°）为正确接线"));
        QCOMPARE(dialog->refundLabel()->text(), "K不能确定，不能计算退补电量");
    }
    dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Close)->click();
    QTRY_VERIFY(dialog.isNull());
    if (group == fourWire) {
        // The window belongs to the group it was chosen for, until kept for
        // every group; the PDF takes each group's.
        const auto opened = [&](int row) {
            driver.clickEntry(row);
            driver.action("action_wiring_check")->trigger();
            dialog = driver.window().findChild<WiringCheckDialog *>();
            return dialog->windowBox()->currentIndex() * 10 + dialog->everyGroupBox()->isChecked();
        };
        QCOMPARE(opened(0), 0);
        delete dialog;
        QCOMPARE(opened(1), 20);
        dialog->everyGroupBox()->setChecked(true);
        delete dialog;
        QCOMPARE(opened(0), 21);
        delete dialog;
        QVERIFY(driver.window().writePdfReport(path("w.pdf"), { 0, 1 }) == ReportFlow::Outcome::Written);
#ifndef Q_OS_WIN // poppler runs on the host
        QCOMPARE(QString::fromUtf8(outputOf("pdftotext", { path("w.pdf"), "-" })).remove('\n').count("按−30°～30°判定"), 2);
        QVERIFY(QString::fromUtf8(outputOf("pdftotext", { path("w.pdf"), "-" })).remove(QChar(10)).contains( // the group's registers, both forms
            QRegularExpression("退补电量：\\[Ua,-Ic\\].*；\\[Ua,Ia\\]\\[Ub,Ib\\]\\[Uc,Ic\\]：按电能表记录的电量计算，应补收10.00 ?kWh（ΔW范围9.00～11.00 ?kWh）")));
#endif
        driver.clickEntry(1);
    }
    QCOMPARE(valueCells(driver), cells.isEmpty() ? first : cells.split(' '));
    QCOMPARE(readFile("buffer.png") == firstPng, cells.isEmpty() || group == fourWire);
    QCOMPARE(driver.window().shownValues().wiringCode, group == threeWire ? 1.0 : 2.0);
    // The picture of the group, on screen and in "buffer.png".
    QVERIFY(!isEmptyGrid(driver.diagram()) && !isEmptyGrid(QImage::fromData(readFile("buffer.png"), "PNG")));

    // Values and entries in the window's own typeface, every cell in sight.
    const QString family = QFontInfo(QApplication::font()).family();
    QCOMPARE(QFontInfo(driver.table()->item(1, 1)->font()).family(), family);
    QCOMPARE(driver.table()->item(1, 1)->font().pointSize(), 16);
    QCOMPARE(driver.table()->item(1, 1)->textAlignment(), int(Qt::AlignCenter));
    QCOMPARE(QFontInfo(driver.list()->item(0)->font()).family(), family);
    const QRect viewport = driver.table()->viewport()->rect();
    for (int row = 0; row < 17; ++row)
        for (int column = 0; column < 4; ++column)
            QVERIFY2(viewport.contains(driver.table()->visualRect(driver.table()->model()->index(row, column))),
                     qPrintable(QStringLiteral("cell %1,%2 cut off").arg(row).arg(column)));

    // The keys that move the list show the group they land on, as a click does.
    const QStringList shown = valueCells(driver);
    QTest::keyClick(driver.list(), Qt::Key_Home);
    QTRY_COMPARE(valueCells(driver), first);
    QTest::keyClick(driver.list(), Qt::Key_Down);
    QTRY_COMPARE(valueCells(driver), shown);
}

void MainWindowTest::orientationAndViewReset()
{
    writeFile(path("one.dat"), dataFile({ fourWire }));
    writeFile(path("empty.dat"), "3000\r\n");
    WindowDriver driver;
    driver.clickRadio("NRadioButton"); // disabled: nothing happens
    QVERIFY(driver.radio("SRadioButton")->isChecked());
    driver.open(path("one.dat"));
    driver.clickEntry(0);
    const QStringList cells = valueCells(driver);

    // Ia at 30 degrees sits right of twelve o'clock, or left of it when
    // counting counter-clockwise, or below three o'clock from there.
    const QPoint right(215 + 100, 235 - 173), left(215 - 100, 235 - 173), below(215 + 173, 235 + 100);
    const struct { const char *button; QPoint yellowAt; } steps[] = {
        { "NRadioButton", left }, { "SRadioButton", right }, { "DRadioButton", below },
        { "LRadioButton", right },
    };
    for (const auto &step : steps) {
        QFile::remove("buffer.png");
        driver.clickRadio(step.button);
        QVERIFY2(colourNear(driver.diagram(), step.yellowAt, Yellow, 2), step.button);
        QVERIFY(!colourNear(driver.diagram(), step.yellowAt == right ? left : right, Yellow, 2));
        QVERIFY(QFile::exists("buffer.png"));
        QCOMPARE(valueCells(driver), cells);
    }

    // After the view reset the diagram stays empty; the picture of the group
    // shown last stays, its values are forgotten.
    const QByteArray png = readFile("buffer.png");
    driver.open(path("empty.dat"));
    driver.clickRadio("NRadioButton");
    QVERIFY(isEmptyGrid(driver.diagram()));
    QCOMPARE(readFile("buffer.png"), png);
    QCOMPARE(driver.window().shownValues().wiringCode, 0.0);
}

void MainWindowTest::openFiles_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("groups"); // -1: refused

    QTest::newRow("CR LF, an empty line") << "3000\r\n" + fourWire + "\r\n\r\n" + threeWire + "\r\n" << 2;
    QTest::newRow("six bytes: no groups, no message") << QByteArray("3000\r\n") << 0;
    QTest::newRow("other number") << "2000\r\n" + fourWire + "\r\n" << -1;
    QByteArray million("3000\r\n");
    for (int i = 0; i < 1000000; ++i)
        million += fourWire + "\r\n";
    QTest::newRow("a million groups") << million << 1000000;
}

void MainWindowTest::openFiles()
{
    QFETCH(QByteArray, content);
    QFETCH(int, groups);
    writeFile(path("in.dat"), content);
    writeFile(path("two.dat"), dataFile({ fourWire, threeWire }));
    QImage flag(16, 16, QImage::Format_RGB32);
    flag.fill(Qt::red);
    QVERIFY(groups <= 2 || (QDir().mkpath("images") && flag.save("images/china.png")));
    WindowDriver driver;
    driver.open(path("two.dat"));
    driver.clickEntry(1);

    driver.open(path("in.dat"));
    const ModalDialogs::FileDialogSeen seen = driver.dialogs().fileDialogs.last();
    QCOMPARE(seen.caption, QStringLiteral("打开文件"));
    QCOMPARE(seen.nameFilters, QStringList{ QStringLiteral("DAT文件 (*.dat)") });
    QCOMPARE(QDir(seen.directory).canonicalPath(), QDir::current().canonicalPath());
    QVERIFY(!seen.saving);
    QCOMPARE(driver.dialogs().takeMessages(),
             groups < 0 ? QStringList{ "打开文件|文件解析失败！" } : QStringList());
    QCOMPARE(driver.list()->count(), qMax(groups, 0));
    if (groups == 2)
        QCOMPARE(driver.window().loadedGroups().join('|'), QString(fourWire + "|" + threeWire));
    for (int row = 0; row < qMin(groups, 12); ++row) {
        QListWidgetItem *entry = driver.list()->item(row);
        QCOMPARE(entry->text(), QStringLiteral("第%1组").arg(row + 1));
        QCOMPARE(entry->background().color(), row % 2 ? QColor(230, 230, 230) : QColor(220, 220, 220));
        QCOMPARE(entry->font().pointSize(), 14);
        // File groups carry "images/china.png" when it is there.
        QCOMPARE(entry->icon().pixmap(16, 16).toImage().pixelColor(8, 8), groups > 2 ? QColor(Qt::red) : QColor());
    }
    QCOMPARE(valueCells(driver), zeroCells);
    QCOMPARE(driver.enabledControls(), QStringList({ "connect_device", "save", "open" }));

    // Cancelled: nothing changes.
    driver.dialogs().chooseFile({});
    driver.action("action_open")->trigger();
    QCOMPARE(driver.list()->count(), qMax(groups, 0));
}

void MainWindowTest::saveFiles_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("saved");
    QTest::newRow("new file") << "out.dat" << true;
    QTest::newRow("over the opened file") << "in.dat" << true;
    QTest::newRow("no extension: .dat added") << "plain" << true;
    QTest::newRow("cancelled") << "" << false;
    QTest::newRow("folder is a file") << "in.dat/out.dat" << false;
}

void MainWindowTest::saveFiles()
{
    QFETCH(QString, target);
    QFETCH(bool, saved);
    const QByteArray odd = "1 2 3 \xC3\xA9"; // not a complete group, kept as it is
    writeFile(path("in.dat"), "3000\n" + fourWire + "\n" + odd + "\n" + threeWire);
    WindowDriver driver;
    driver.open(path("in.dat"));
    driver.clickEntry(1); // not a complete group: nothing to check
    driver.action("action_wiring_check")->trigger();
    QCOMPARE(driver.dialogs().takeMessages(), QStringList{ "接线检查|本组数据不完整，无法检查。" });
    driver.clickEntry(2);
    driver.dialogs().chooseFile(target.isEmpty() ? QString() : path(target));
    driver.action("action_save")->trigger();
    if (target == "plain")
        target += ".dat";
    const ModalDialogs::FileDialogSeen seen = driver.dialogs().fileDialogs.last();
    QCOMPARE(seen.caption, QStringLiteral("保存文件"));
    QCOMPARE(seen.nameFilters, QStringList{ QStringLiteral("DAT文件 (*.dat)") });
    QVERIFY(seen.saving);

    const QByteArray written = dataFile({ fourWire, odd, threeWire });
    const QStringList failed{ "保存文件|文件保存失败！" };
    QCOMPARE(driver.dialogs().takeMessages(), saved || target.isEmpty() ? QStringList() : failed);
    QCOMPARE(readFile(path(target)) == written, saved);
    QCOMPARE(QDir::current().entryList(QDir::Files).size(), saved && target != "in.dat" ? 3 : 2);
    // Saving leaves list and view as they were; what was saved reads back.
    QCOMPARE(driver.cell(1, 1), QStringLiteral("100.20"));
    const QStringList listed = driver.window().loadedGroups();
    QCOMPARE(listed.size(), 3);
    if (saved) {
        driver.open(path(target));
        QCOMPARE(driver.window().loadedGroups(), listed);
    }
}

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
