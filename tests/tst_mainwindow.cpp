// The real main window without the instrument: its form at start, data files
// opened and saved through the dialogs, groups shown by clicking entries, the
// radio buttons, the view reset and "buffer.png".

#include "mainwindow.h"
#include "windowdriver.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QTableWidget>
#include <QTextBrowser>
#include <QToolBar>
#include <QtTest>
#include <unistd.h>

namespace {

// 220 V, 1.5 A, power angle 30 degrees on phase A; four-wire.
const QByteArray fourWire =
    "50.00 1.5 1.48 1.52 0.03 220 219.8 220.5 3 2.8 3.2 24 12 12 24.1 12 11.9 2 0";
// Power angle field 6 (60 degrees) on phase A; three-wire.
const QByteArray threeWire =
    "49.98 1.2 0 1.21 0 100.2 0 100.1 6 0 2.6 6 0 0 6 0 0 1 0";

const QStringList zeroCells = {
    "0.00", "0.00", "0.00", "0.0000", "0.0000", "0.0000", "0.0", "0.0", "0.0",
    "0.0000", "0.0000", "0.0000", "0.0", "0.0", "0.0", "0.0", "0.0", "0.0",
    "0.00", "0.00", "0.00", "0.00", "0.00", "0.00", "0.00", "0.00", "0.00",
    "0.00", "0.00", "0.00", "0.00", "0.0000",
};

// The 32 value cells in a fixed order: rows 1-4, 7-8, 11-14 (columns 1-3),
// then (16,1) and (16,3).
QStringList valueCells(const WindowDriver &driver)
{
    QStringList texts;
    for (int row : { 1, 2, 3, 4, 7, 8, 11, 12, 13, 14 })
        for (int column = 1; column <= 3; ++column)
            texts << driver.cell(row, column);
    texts << driver.cell(16, 1) << driver.cell(16, 3);
    return texts;
}

QByteArray dataFile(const QList<QByteArray> &groups)
{
    QByteArray bytes("3000\r\n");
    for (const QByteArray &group : groups)
        bytes += group + "\r\n";
    return bytes;
}

bool hasArrowColour(const QImage &image)
{
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2) {
            const QColor c(image.pixel(x, y));
            if (qAbs(c.red() - c.blue()) > 100 || qAbs(c.green() - c.blue()) > 100)
                return true;
        }
    return false;
}

} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void formAtStart();
    void tableAtStart();
    void clickShowsGroup_data();
    void clickShowsGroup();
    void clickEnablesControls();
    void shortGroupChangesNothing();
    void radioButtonsRedraw();
    void bufferPngAtEveryGroupShown();
    void listEntries();
    void openFiles_data();
    void openFiles();
    void openReplacesListAndResetsView();
    void cancelledDialogsChangeNothing();
    void saveRoundTrip();
    void saveEmptyListWritesSixBytes();
    void failedSaveIsReported_data();
    void failedSaveIsReported();

private:
    QTemporaryDir *m_dir = nullptr;
    QString m_previousDir;
    QString path(const QString &name) const { return m_dir->filePath(name); }
};

void MainWindowTest::init()
{
    m_previousDir = QDir::currentPath();
    m_dir = new QTemporaryDir;
    QVERIFY(m_dir->isValid());
    // "buffer.png" and "images/china.png" are relative to the working directory.
    QVERIFY(QDir::setCurrent(m_dir->path()));
}

void MainWindowTest::cleanup()
{
    QDir::setCurrent(m_previousDir);
    delete m_dir;
    m_dir = nullptr;
}

void MainWindowTest::formAtStart()
{
    WindowDriver driver;
    MainWindow &w = driver.window();
    QCOMPARE(w.objectName(), QStringLiteral("MainWindow"));
    QCOMPARE(w.windowTitle(), QStringLiteral("数据管理软件"));
    QCOMPARE(w.size(), QSize(1369, 823));
    QCOMPARE(w.minimumSize(), QSize(1369, 823));
    QCOMPARE(w.maximumSize(), QSize(1369, 823));
    w.resize(1500, 900);
    QCOMPARE(w.size(), QSize(1369, 823));
    QVERIFY(!w.windowIcon().isNull());

    QCOMPARE(driver.enabledControls(), QStringList({ "connect_device", "open" }));
    QVERIFY(driver.radio("SRadioButton")->isChecked());
    QVERIFY(!driver.radio("NRadioButton")->isChecked());
    QVERIFY(driver.radio("LRadioButton")->isChecked());
    QVERIFY(!driver.radio("DRadioButton")->isChecked());
    QCOMPARE(driver.radio("NRadioButton")->text(), QStringLiteral("角度正方向：逆时针"));
    QCOMPARE(driver.radio("DRadioButton")->text(), QStringLiteral("零度位置：三点"));

    // The toolbar, left to right, with separators between the groups.
    auto *toolBar = w.findChild<QToolBar *>(QStringLiteral("mainToolBar"));
    QVERIFY(toolBar);
    QStringList items;
    for (QAction *action : toolBar->actions())
        items << (action->isSeparator() ? QStringLiteral("|") : action->text());
    QCOMPARE(items, QStringList({ "连接设备", "|", "打开文件", "保存数据", "|", "读取数据",
                                  "删除数据", "|", "导出Word", "导出Excel", "导出PDF" }));
    QCOMPARE(toolBar->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
    QVERIFY(!toolBar->isMovable());
    for (QAction *action : toolBar->actions())
        QVERIFY(action->isSeparator() || !action->icon().isNull());

    auto *browser = w.findChild<QTextBrowser *>(QStringLiteral("textBrowser"));
    const QStringList usage = browser->toPlainText().split(QLatin1Char('\n'));
    QCOMPARE(usage.size(), 9);
    QCOMPARE(usage.at(0), QStringLiteral("1：将设备和电脑用USB连接，点击“连接设备”，建立与设备的连接后可进行后续操作；"));
    QCOMPARE(usage.at(6), QString());
    QCOMPARE(usage.at(7), QStringLiteral("注意事项："));
    QVERIFY(usage.at(8).startsWith(QStringLiteral("    点击“连接设备”后")));

    // The diagram label shows the empty grid; the report canvas is hidden.
    auto *label = w.findChild<QLabel *>(QStringLiteral("label"));
    QCOMPARE(label->geometry(), QRect(10, 20, 431, 471));
    const QImage empty = driver.diagram();
    QCOMPARE(empty.size(), QSize(431, 471));
    QCOMPARE(QColor(empty.pixel(3, 3)), QColor(70, 70, 70));
    QVERIFY(!hasArrowColour(empty));
    QCOMPARE(w.exportCanvas()->geometry(), QRect(0, 0, 600, 600));
    QVERIFY(w.exportCanvas()->isHidden());
    for (int i = 0; i < GroupValues::Count; ++i)
        QCOMPARE(w.shownValues().entry(i), 0.0);
    QVERIFY(!w.isConnected());
    QCOMPARE(w.nextGroupNumber(), 1);

    // The fourteen slots, in their order, and nothing else of the class's own.
    const QMetaObject *meta = w.metaObject();
    QCOMPARE(QByteArray(meta->className()), QByteArray("MainWindow"));
    QStringList ownSlots;
    for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
        QCOMPARE(meta->method(i).methodType(), QMetaMethod::Slot);
        ownSlots << QString::fromLatin1(meta->method(i).methodSignature());
    }
    QCOMPARE(ownSlots, QStringList({ "readCom()", "sendCom(QString)",
                                  "on_action_connect_device_triggered()",
                                  "on_action_read_device_triggered()",
                                  "on_action_delete_device_triggered()",
                                  "on_listWidget_clicked(QModelIndex)", "on_SRadioButton_clicked()",
                                  "on_NRadioButton_clicked()", "on_LRadioButton_clicked()",
                                  "on_DRadioButton_clicked()", "on_action_word_triggered()",
                                  "on_action_excel_triggered()", "on_action_save_triggered()",
                                  "on_action_open_triggered()" }));
    QCOMPARE(meta->method(meta->methodOffset()).access(), QMetaMethod::Public);
    QCOMPARE(meta->method(meta->methodOffset() + 2).access(), QMetaMethod::Private);
}

void MainWindowTest::tableAtStart()
{
    WindowDriver driver;
    QTableWidget *table = driver.table();
    QCOMPARE(table->rowCount(), 17);
    QCOMPARE(table->columnCount(), 4);
    QVERIFY(table->horizontalHeader()->isHidden());
    QVERIFY(table->verticalHeader()->isHidden());
    QCOMPARE(table->columnWidth(0), 146);
    QCOMPARE(table->rowHeight(0), 31);
    QCOMPARE(table->editTriggers(), QAbstractItemView::NoEditTriggers);
    QCOMPARE(table->selectionMode(), QAbstractItemView::NoSelection);
    QCOMPARE(table->focusPolicy(), Qt::NoFocus);
    QCOMPARE(table->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(table->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);

    const QStringList labels = { "伏安", "A路", "B路", "C路", "电压(V)", "电流(A)", "功角(°)",
                                 "功率因数", "相位", "A>B", "B>C", "C>A", "电流相位(°)",
                                 "电压相位(°)", "功率", "有功功率(W)", "无功功率(Var)",
                                 "视在功率(VA)", "A路", "B路", "C路", "三相和", "频率(Hz)", "IN(A)" };
    QStringList shown;
    for (int row : { 0 })
        for (int column = 0; column < 4; ++column)
            shown << driver.cell(row, column);
    for (int row : { 1, 2, 3, 4, 6 })
        shown << driver.cell(row, 0);
    for (int column = 1; column < 4; ++column)
        shown << driver.cell(6, column);
    for (int row : { 7, 8, 10 })
        shown << driver.cell(row, 0);
    for (int column = 1; column < 4; ++column)
        shown << driver.cell(10, column);
    for (int row : { 11, 12, 13, 14, 16 })
        shown << driver.cell(row, 0);
    shown << driver.cell(16, 2);
    QCOMPARE(shown, labels);
    QCOMPARE(valueCells(driver), zeroCells);

    for (int row : { 5, 9, 15 })
        for (int column = 0; column < 4; ++column)
            QVERIFY(!table->item(row, column));
    const QTableWidgetItem *item = table->item(1, 1);
    QCOMPARE(item->textAlignment(), int(Qt::AlignCenter));
    QCOMPARE(item->font().pointSize(), 16);
    QCOMPARE(table->item(0, 0)->font().pointSize(), 16);
}

void MainWindowTest::clickShowsGroup_data()
{
    QTest::addColumn<QByteArray>("group");
    QTest::addColumn<QStringList>("cells");

    // Expected texts worked out independently of the tool (cos and sin with 0.01745).
    QTest::newRow("four-wire")
        << fourWire
        << QStringList{ "220.00", "219.80", "220.50", "1.5000", "1.4800", "1.5200",
                        "30.0", "28.0", "32.0", "0.8661", "0.8830", "0.8481",
                        "119.0", "120.0", "241.0", "120.0", "120.0", "240.0",
                        "285.80", "164.97", "330.00", "287.24", "152.69", "325.30",
                        "284.25", "177.58", "335.16", "857.30", "495.24", "990.46",
                        "50.00", "0.0300" };
    QTest::newRow("three-wire, power angle 60")
        << threeWire
        << QStringList{ "100.20", "0.00", "100.10", "1.2000", "0.0000", "1.2100",
                        "60.0", "0.0", "26.0", "0.5002", "1.0000", "0.8988",
                        "0.0", "0.0", "60.0", "0.0", "0.0", "60.0",
                        "60.14", "104.12", "120.24", "0.00", "0.00", "0.00",
                        "108.87", "53.09", "121.12", "169.01", "157.21", "241.36",
                        "49.98", "0.0000" };
    // "x" counts as 0; the doubled blank inserts an empty field and shifts
    // every later field one place to the right.
    QTest::newRow("letters and a doubled blank")
        << QByteArray("50 x 1  2 0 220 220 220 0 0 0 0 0 0 0 0 0 2 0")
        << QStringList{ "0.00", "220.00", "220.00", "0.0000", "1.0000", "0.0000",
                        "2200.0", "0.0", "0.0", "0.7707", "1.0000", "1.0000",
                        "0.0", "0.0", "0.0", "0.0", "0.0", "0.0",
                        "0.00", "0.00", "0.00", "220.00", "0.00", "220.00",
                        "0.00", "0.00", "0.00", "220.00", "0.00", "220.00",
                        "50.00", "2.0000" };
}

void MainWindowTest::clickShowsGroup()
{
    QFETCH(QByteArray, group);
    QFETCH(QStringList, cells);
    writeFile(path("one.dat"), dataFile({ fourWire, group }));
    WindowDriver driver;
    driver.open(path("one.dat"));
    QCOMPARE(driver.list()->count(), 2);
    driver.clickEntry(1);
    QCOMPARE(valueCells(driver), cells);
    // The label cells keep the form's texts.
    QCOMPARE(driver.cell(16, 2), QStringLiteral("IN(A)"));
    QCOMPARE(driver.cell(0, 1), QStringLiteral("A路"));
    QVERIFY(hasArrowColour(driver.diagram()));
    QCOMPARE(driver.diagram().size(), QSize(431, 471));

    // Values and entries in the window's own typeface, every cell in sight.
    const QString family = QFontInfo(QApplication::font()).family();
    QCOMPARE(QFontInfo(driver.table()->item(1, 1)->font()).family(), family);
    QCOMPARE(QFontInfo(driver.list()->item(0)->font()).family(), family);
    const QRect viewport = driver.table()->viewport()->rect();
    for (int row = 0; row < 17; ++row)
        for (int column = 0; column < 4; ++column)
            QVERIFY2(viewport.contains(driver.table()->visualRect(
                         driver.table()->model()->index(row, column))),
                     qPrintable(QStringLiteral("cell %1,%2 cut off").arg(row).arg(column)));
}

void MainWindowTest::clickEnablesControls()
{
    writeFile(path("two.dat"), dataFile({ fourWire, threeWire }));
    WindowDriver driver;
    driver.open(path("two.dat"));
    QCOMPARE(driver.enabledControls(), QStringList({ "connect_device", "open" }));
    driver.clickEntry(0);
    QCOMPARE(driver.enabledControls(),
             QStringList({ "connect_device", "word", "excel", "save", "open", "S", "N", "L", "D" }));
    // Opening another file disables the orientation and the exports again,
    // but not saving.
    driver.open(path("two.dat"));
    QCOMPARE(driver.enabledControls(), QStringList({ "connect_device", "save", "open" }));
}

void MainWindowTest::shortGroupChangesNothing()
{
    writeFile(path("short.dat"),
              dataFile({ fourWire, "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16",
                         "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17" }));
    WindowDriver driver;
    driver.open(path("short.dat"));
    driver.clickEntry(0);
    const QStringList shown = valueCells(driver);
    const QByteArray png = readFile(path("buffer.png"));
    driver.clickEntry(1); // 16 fields: nothing changes
    QCOMPARE(valueCells(driver), shown);
    QCOMPARE(readFile(path("buffer.png")), png);
    QCOMPARE(driver.window().shownValues().wiringCode, 2.0);
    driver.clickEntry(2); // 17 fields: shown, wiring code kept from before
    QCOMPARE(driver.cell(1, 1), QStringLiteral("6.00"));
    QCOMPARE(driver.window().shownValues().wiringCode, 2.0);
}

void MainWindowTest::radioButtonsRedraw()
{
    writeFile(path("one.dat"), dataFile({ fourWire }));
    WindowDriver driver;
    // Before anything is listed the buttons are disabled and a click does nothing.
    driver.clickRadio("NRadioButton");
    QVERIFY(driver.radio("SRadioButton")->isChecked());
    QVERIFY(!QFile::exists(path("buffer.png")));

    driver.open(path("one.dat"));
    driver.clickEntry(0);
    const QStringList cells = valueCells(driver);
    const QImage clockwise = driver.diagram();
    const QByteArray clockwisePng = readFile(path("buffer.png"));

    driver.clickRadio("SRadioButton"); // already checked: same picture
    QCOMPARE(driver.diagram(), clockwise);
    QCOMPARE(valueCells(driver), cells);

    driver.clickRadio("NRadioButton");
    QVERIFY(driver.radio("NRadioButton")->isChecked());
    QVERIFY(!driver.radio("SRadioButton")->isChecked());
    const QImage counter = driver.diagram();
    QVERIFY(counter != clockwise);
    // Mirrored about the vertical axis: Ia (30 degrees, yellow) moves from
    // right of twelve o'clock to the left.
    const QPoint right(215 + 100, 235 - 173), left(215 - 100, 235 - 173);
    auto yellowAround = [](const QImage &image, QPoint p) {
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx) {
                const QColor c(image.pixel(p + QPoint(dx, dy)));
                if (c.red() > 140 && c.green() > 140 && c.blue() < 60)
                    return true;
            }
        return false;
    };
    QVERIFY(yellowAround(clockwise, right));
    QVERIFY(!yellowAround(clockwise, left));
    QVERIFY(yellowAround(counter, left));
    QVERIFY(!yellowAround(counter, right));
    QVERIFY(readFile(path("buffer.png")) != clockwisePng);
    QCOMPARE(valueCells(driver), cells);

    driver.clickRadio("DRadioButton");
    QVERIFY(driver.radio("DRadioButton")->isChecked());
    QVERIFY(driver.diagram() != counter);

    // The view reset (opening a file) empties the list: clicks redraw nothing.
    writeFile(path("empty.dat"), "3000\r\n");
    driver.open(path("empty.dat"));
    const QImage afterReset = driver.diagram();
    QVERIFY(!hasArrowColour(afterReset));
}

void MainWindowTest::bufferPngAtEveryGroupShown()
{
    writeFile(path("two.dat"), dataFile({ fourWire, threeWire }));
    WindowDriver driver;
    driver.open(path("two.dat"));
    QVERIFY(!QFile::exists(path("buffer.png")));
    driver.clickEntry(0);
    const QByteArray first = readFile(path("buffer.png"));
    QVERIFY(first.startsWith("\x89PNG\r\n\x1a\n"));
    QImage picture;
    QVERIFY(picture.loadFromData(first, "PNG"));
    QCOMPARE(picture.size(), QSize(600, 600));
    QCOMPARE(QColor(picture.pixel(1, 1)), QColor(70, 70, 70));
    QCOMPARE(picture.convertToFormat(QImage::Format_RGB32),
             PhasorDiagram::paintPhasors(QSize(600, 600), PhasorDiagram::backgroundColour(),
                                         QApplication::font(), driver.window().shownValues(), {}));

    driver.clickEntry(1);
    const QByteArray second = readFile(path("buffer.png"));
    QVERIFY(second != first);
    QVERIFY(picture.loadFromData(second, "PNG"));
    QCOMPARE(picture.size(), QSize(600, 600));

    // The view reset leaves the picture and the values of the group shown last.
    writeFile(path("empty.dat"), "3000\r\n");
    driver.open(path("empty.dat"));
    QCOMPARE(readFile(path("buffer.png")), second);
    QCOMPARE(driver.window().shownValues().wiringCode, 1.0);
}

void MainWindowTest::listEntries()
{
    QList<QByteArray> groups;
    for (int i = 0; i < 12; ++i)
        groups << fourWire;
    writeFile(path("twelve.dat"), dataFile(groups));
    WindowDriver driver;
    driver.open(path("twelve.dat"));
    QStringList expected;
    for (int n = 1; n <= 12; ++n)
        expected << QStringLiteral("第%1组").arg(n);
    QCOMPARE(driver.entryTexts(), expected);
    QCOMPARE(driver.window().loadedGroups().size(), 12);
    QCOMPARE(driver.window().nextGroupNumber(), 13);
    for (int row = 0; row < 12; ++row) {
        QListWidgetItem *entry = driver.list()->item(row);
        QCOMPARE(entry->background().color(),
                 row % 2 == 0 ? QColor(220, 220, 220) : QColor(230, 230, 230));
        QCOMPARE(entry->font().pointSize(), 14);
        // No "images/china.png" in the working directory: no icon.
        QVERIFY(entry->icon().isNull());
    }

    // With the picture present, file groups carry it; the list starts at 1 again.
    QImage flag(16, 16, QImage::Format_RGB32);
    flag.fill(Qt::red);
    QDir().mkpath(QStringLiteral("images"));
    QVERIFY(flag.save(QStringLiteral("images/china.png")));
    driver.open(path("twelve.dat"));
    QCOMPARE(driver.entryTexts(), expected);
    QVERIFY(!driver.list()->item(0)->icon().isNull());
    QCOMPARE(driver.list()->item(0)->icon().pixmap(16, 16).toImage().pixelColor(8, 8),
             QColor(Qt::red));
}

void MainWindowTest::openFiles_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("groups");
    QTest::addColumn<QStringList>("messages");

    const QStringList two{ QString::fromLatin1(fourWire), QString::fromLatin1(threeWire) };
    const QStringList refused{ QStringLiteral("打开文件|文件解析失败！") };
    QTest::newRow("CR LF") << dataFile({ fourWire, threeWire }) << "a.dat" << two << QStringList();
    QTest::newRow("LF") << QByteArray("3000\n" + fourWire + "\n" + threeWire + "\n") << "a.dat"
                        << two << QStringList();
    QTest::newRow("empty line in the middle")
        << QByteArray("3000\r\n" + fourWire + "\r\n\r\n" + threeWire + "\r\n") << "a.dat" << two
        << QStringList();
    QTest::newRow("six bytes: no groups, no message") << QByteArray("3000\r\n") << "a.dat"
                                                      << QStringList() << QStringList();
    QTest::newRow("signature with a blank") << QByteArray("3000 \r\n" + fourWire + "\r\n") << "a.dat"
                                            << QStringList() << refused;
    QTest::newRow("other number") << QByteArray("2000\r\n" + fourWire + "\r\n") << "a.dat"
                                  << QStringList() << refused;
    QTest::newRow("binary") << QByteArray::fromHex("89504e470d0a1a0a0000000d49484452") << "a.dat"
                            << QStringList() << refused;
    QTest::newRow("missing file") << QByteArray() << "" << QStringList() << refused;
    QTest::newRow("a folder") << QByteArray() << "folder" << QStringList() << refused;
}

void MainWindowTest::openFiles()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, name);
    QFETCH(QStringList, groups);
    QFETCH(QStringList, messages);

    QString file = path(QStringLiteral("missing.dat"));
    if (name == QLatin1String("folder")) {
        file = path(QStringLiteral("folder.dat"));
        QVERIFY(QDir().mkpath(file));
    } else if (!name.isEmpty()) {
        file = path(name);
        writeFile(file, content);
    }
    WindowDriver driver;
    driver.open(file);
    QCOMPARE(driver.dialogs().pendingAnswers(), 0);
    QCOMPARE(driver.dialogs().fileDialogs.size(), 1);
    const ModalDialogs::FileDialogSeen seen = driver.dialogs().fileDialogs.first();
    QCOMPARE(seen.caption, QStringLiteral("打开文件"));
    QCOMPARE(seen.nameFilters, QStringList{ QStringLiteral("DAT文件 (*.dat)") });
    QCOMPARE(QDir(seen.directory).canonicalPath(), QDir::current().canonicalPath());
    QVERIFY(!seen.saving);

    QCOMPARE(driver.window().loadedGroups(), groups);
    QCOMPARE(driver.list()->count(), groups.size());
    QCOMPARE(driver.dialogs().takeMessages(), messages);
    if (!driver.dialogs().messages.isEmpty())
        QCOMPARE(driver.dialogs().messages.first().buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
}

void MainWindowTest::openReplacesListAndResetsView()
{
    writeFile(path("two.dat"), dataFile({ fourWire, threeWire }));
    writeFile(path("bad.dat"), "nonsense\r\n");
    WindowDriver driver;
    driver.open(path("two.dat"));
    driver.clickEntry(0);
    QVERIFY(valueCells(driver) != zeroCells);

    driver.open(path("two.dat"));
    QCOMPARE(driver.entryTexts(), QStringList({ "第1组", "第2组" }));
    QCOMPARE(valueCells(driver), zeroCells);
    QVERIFY(!hasArrowColour(driver.diagram()));

    driver.clickEntry(1);
    driver.open(path("bad.dat"));
    QCOMPARE(driver.dialogs().takeMessages(), QStringList{ "打开文件|文件解析失败！" });
    QVERIFY(driver.window().loadedGroups().isEmpty());
    QCOMPARE(driver.list()->count(), 0);
    QCOMPARE(valueCells(driver), zeroCells);
    QVERIFY(!hasArrowColour(driver.diagram()));
    QCOMPARE(driver.window().nextGroupNumber(), 1);
}

void MainWindowTest::cancelledDialogsChangeNothing()
{
    writeFile(path("two.dat"), dataFile({ fourWire, threeWire }));
    WindowDriver driver;
    driver.open(path("two.dat"));
    driver.clickEntry(0);
    const QStringList cells = valueCells(driver);
    const QStringList controls = driver.enabledControls();

    driver.dialogs().cancelFileDialog();
    driver.action("action_open")->trigger();
    QCOMPARE(driver.window().loadedGroups().size(), 2);
    QCOMPARE(valueCells(driver), cells);
    QCOMPARE(driver.enabledControls(), controls);

    driver.dialogs().cancelFileDialog();
    driver.action("action_save")->trigger();
    QCOMPARE(QDir::current().entryList({ "*.dat" }, QDir::Files), QStringList{ "two.dat" });
    QVERIFY(driver.dialogs().messages.isEmpty());
    QCOMPARE(driver.dialogs().fileDialogs.size(), 3);
}

void MainWindowTest::saveRoundTrip()
{
    const QByteArray odd = "1 2 3 \xC3\xA9"; // not a complete group, kept as it is
    writeFile(path("in.dat"), QByteArray("3000\n" + fourWire + "\n" + odd + "\n" + threeWire));
    WindowDriver driver;
    driver.open(path("in.dat"));
    QCOMPARE(driver.window().loadedGroups().size(), 3);
    driver.clickEntry(2);
    driver.save(path("out.dat"));
    const ModalDialogs::FileDialogSeen seen = driver.dialogs().fileDialogs.last();
    QCOMPARE(seen.caption, QStringLiteral("保存文件"));
    QCOMPARE(seen.nameFilters, QStringList{ QStringLiteral("DAT文件 (*.dat)") });
    QVERIFY(seen.saving);
    QCOMPARE(readFile(path("out.dat")),
             QByteArray("3000\r\n" + fourWire + "\r\n" + odd + "\r\n" + threeWire + "\r\n"));
    // Saving leaves the list, the view and the controls as they were.
    QCOMPARE(driver.window().loadedGroups().size(), 3);
    QCOMPARE(driver.cell(1, 1), QStringLiteral("100.20"));

    // Read back: the same texts in the same order.
    const QStringList saved = driver.window().loadedGroups();
    driver.open(path("out.dat"));
    QCOMPARE(driver.window().loadedGroups(), saved);
    QCOMPARE(driver.entryTexts(), QStringList({ "第1组", "第2组", "第3组" }));

    // Saving over an existing file replaces it; no name is extended.
    driver.clickEntry(0);
    driver.save(path("in.dat"));
    QCOMPARE(readFile(path("in.dat")), readFile(path("out.dat")));
    driver.save(path("plain"));
    QVERIFY(QFile::exists(path("plain")));
    QVERIFY(driver.dialogs().messages.isEmpty());
}

void MainWindowTest::saveEmptyListWritesSixBytes()
{
    writeFile(path("one.dat"), dataFile({ fourWire }));
    writeFile(path("empty.dat"), "3000\r\n");
    WindowDriver driver;
    driver.open(path("one.dat"));
    driver.clickEntry(0); // enables saving
    driver.open(path("empty.dat"));
    QVERIFY(driver.action("action_save")->isEnabled());
    driver.save(path("saved.dat"));
    QCOMPARE(readFile(path("saved.dat")), QByteArray("3000\r\n"));
    driver.open(path("saved.dat"));
    QCOMPARE(driver.list()->count(), 0);
    QVERIFY(driver.dialogs().messages.isEmpty());
}

void MainWindowTest::failedSaveIsReported_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("folder is a file") << "file-as-folder";
    QTest::newRow("read-only folder") << "read-only";
}

void MainWindowTest::failedSaveIsReported()
{
    QFETCH(QString, how);
    writeFile(path("one.dat"), dataFile({ fourWire }));
    QString target;
    if (how == QLatin1String("file-as-folder")) {
        target = path("one.dat/out.dat");
    } else {
        if (geteuid() == 0)
            QSKIP("root can write into read-only folders; the other row covers the failure");
        QDir().mkpath(path("locked"));
        writeFile(path("locked/out.dat"), "old content");
        QVERIFY(QFile::setPermissions(path("locked"), QFile::ReadOwner | QFile::ExeOwner));
        target = path("locked/out.dat");
    }
    WindowDriver driver;
    driver.open(path("one.dat"));
    driver.clickEntry(0);
    driver.save(target);
    QCOMPARE(driver.dialogs().takeMessages(), QStringList{ "保存文件|文件保存失败！" });
    QCOMPARE(readFile(path("one.dat")), dataFile({ fourWire }));
    if (how == QLatin1String("read-only")) {
        QCOMPARE(readFile(target), QByteArray("old content"));
        QFile::setPermissions(path("locked"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    // The list is untouched and can be saved elsewhere.
    driver.save(path("elsewhere.dat"));
    QCOMPARE(readFile(path("elsewhere.dat")), dataFile({ fourWire }));
}

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
