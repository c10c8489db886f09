#include "mainwindowform.h"

#include <QAction>
#include <QButtonGroup>
#include <QCoreApplication>
#include <QFont>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QListWidget>
#include <QMainWindow>
#include <QRadioButton>
#include <QTableWidget>
#include <QTextBrowser>
#include <QToolBar>

namespace {

constexpr int TableRows = 17;
constexpr int TableColumns = 4;

QString tr(const char *text)
{
    return QCoreApplication::translate("MainWindow", text);
}

QIcon resourceIcon(const char *path)
{
    QIcon icon;
    icon.addFile(QString::fromLatin1(path), QSize(), QIcon::Normal, QIcon::Off);
    return icon;
}

QFont pointFont(int points)
{
    QFont font;
    font.setPointSize(points);
    return font;
}

QAction *makeAction(QMainWindow *window, const char *name, bool enabled, const QIcon &icon)
{
    auto *action = new QAction(window);
    action->setObjectName(QString::fromLatin1(name));
    action->setEnabled(enabled);
    action->setIcon(icon);
    return action;
}

QGroupBox *makeGroupBox(QWidget *parent, const char *name, const QRect &geometry)
{
    auto *box = new QGroupBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setGeometry(geometry);
    box->setFont(pointFont(11));
    return box;
}

void setPolicy(QWidget *widget, QSizePolicy::Policy horizontal, QSizePolicy::Policy vertical)
{
    QSizePolicy policy(horizontal, vertical);
    policy.setHorizontalStretch(0);
    policy.setVerticalStretch(0);
    policy.setHeightForWidth(widget->sizePolicy().hasHeightForWidth());
    widget->setSizePolicy(policy);
}

QGridLayout *makeGridLayout(QWidget *box, const char *name)
{
    auto *layout = new QGridLayout(box);
    layout->setSpacing(6);
    layout->setContentsMargins(11, 11, 11, 11);
    layout->setObjectName(QString::fromLatin1(name));
    return layout;
}

QRadioButton *makeRadioButton(QWidget *parent, const char *name, const QRect &geometry,
                              QButtonGroup *group, bool checked)
{
    auto *button = new QRadioButton(parent);
    group->addButton(button);
    button->setObjectName(QString::fromLatin1(name));
    button->setEnabled(false);
    button->setGeometry(geometry);
    button->setChecked(checked);
    return button;
}

// Texts of the table cells; nullptr where a cell holds no item (rows 5, 9
// and 15 separate the sections).
const char *const initialCellTexts[TableRows][TableColumns] = {
    { "伏安", "A路", "B路", "C路" },
    { "电压(V)", "0.00", "0.00", "0.00" },
    { "电流(A)", "0.0000", "0.0000", "0.0000" },
    { "功角(°)", "0.0", "0.0", "0.0" },
    { "功率因数", "0.0000", "0.0000", "0.0000" },
    { nullptr, nullptr, nullptr, nullptr },
    { "相位", "A>B", "B>C", "C>A" },
    { "电流相位(°)", "0.0", "0.0", "0.0" },
    { "电压相位(°)", "0.0", "0.0", "0.0" },
    { nullptr, nullptr, nullptr, nullptr },
    { "功率", "有功功率(W)", "无功功率(Var)", "视在功率(VA)" },
    { "A路", "0.00", "0.00", "0.00" },
    { "B路", "0.00", "0.00", "0.00" },
    { "C路", "0.00", "0.00", "0.00" },
    { "三相和", "0.00", "0.00", "0.00" },
    { nullptr, nullptr, nullptr, nullptr },
    { "频率(Hz)", "0.00", "IN(A)", "0.0000" },
};

void buildTable(QTableWidget *table)
{
    if (table->columnCount() < TableColumns)
        table->setColumnCount(TableColumns);
    for (int column = 0; column < TableColumns; ++column)
        table->setHorizontalHeaderItem(column, new QTableWidgetItem());
    if (table->rowCount() < TableRows)
        table->setRowCount(TableRows);
    for (int row = 0; row < TableRows; ++row)
        table->setVerticalHeaderItem(row, new QTableWidgetItem());

    QFont itemFont;
    itemFont.setPointSize(16);
    for (int row = 0; row < TableRows; ++row) {
        for (int column = 0; column < TableColumns; ++column) {
            if (!initialCellTexts[row][column])
                continue;
            auto *item = new QTableWidgetItem();
            item->setTextAlignment(Qt::AlignCenter);
            item->setFont(itemFont);
            table->setItem(row, column, item);
        }
    }

    table->setObjectName(QString::fromLatin1("tableWidget"));
    setPolicy(table, QSizePolicy::Expanding, QSizePolicy::Expanding);
    table->setFocusPolicy(Qt::NoFocus);
    table->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    table->setSelectionBehavior(QAbstractItemView::SelectItems);
    table->setGridStyle(Qt::SolidLine);
    table->setSortingEnabled(false);
    table->horizontalHeader()->setVisible(false);
    table->horizontalHeader()->setDefaultSectionSize(146);
    table->horizontalHeader()->setMinimumSectionSize(21);
    table->verticalHeader()->setVisible(false);
    table->verticalHeader()->setDefaultSectionSize(31);
}

const char usageHtml[] =
    "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0//EN\" \"http://www.w3.org/TR/REC-html40/strict.dtd\">\n"
    "<html><head><meta name=\"qrichtext\" content=\"1\" /><style type=\"text/css\">\n"
    "p, li { white-space: pre-wrap; }\n"
    "</style></head><body style=\" font-family:'宋体'; font-size:11pt; font-weight:400; font-style:normal;\">\n"
    "<p style=\" margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;\">1：将设备和电脑用USB连接，点击“连接设备”，建立与设备的连接后可进行后续操作；</p>\n"
    "<p style=\" margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;\">2：点击“读取数据”，将设备内保存的数据导入电脑，方便查看、导出测试报告；</p>\n"
    "<p style=\" margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;\">3：点击“保存数据”，将数据保存在电脑上，方便以后查看；</p>\n"
    "<p style=\" margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;\">4：点击“打开文件”，查看保存在电脑上的数据；</p>\n"
    "<p style=\" margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;\">5：点击“删除数据”，将设备内存储的数据清空；</p>\n"
    "<p style=\" margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;\">6：点击“导出Word”将当前显示的数据导出为*.doc文件，点击“导出Excel”将当前显示的数据导出为*.xls文件;</p>\n"
    "<p style=\"-qt-paragraph-type:empty; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;\"><br /></p>\n"
    "<p style=\" margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;\">注意事项：</p>\n"
    "<p style=\" margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;\">    点击“连接设备”后，软件长时间没响应，说明没连接成功，可通过重启软件和重新连接设备解决。</p></body></html>";

} // namespace

void MainWindowForm::setupUi(QMainWindow *MainWindow)
{
    if (MainWindow->objectName().isEmpty())
        MainWindow->setObjectName(QString::fromLatin1("MainWindow"));
    MainWindow->resize(1369, 823);
    MainWindow->setMinimumSize(QSize(1369, 823));
    MainWindow->setMaximumSize(QSize(1369, 823));
    MainWindow->setWindowIcon(resourceIcon(":/pic/logo.jpg"));

    const QString connectThemeIcon = tr("连接设备");
    action_connect_device = makeAction(MainWindow, "action_connect_device", true,
                                       QIcon::hasThemeIcon(connectThemeIcon)
                                           ? QIcon::fromTheme(connectThemeIcon)
                                           : resourceIcon(":/pic/start.png"));
    action_connect_device->setAutoRepeat(true);
    action_connect_device->setVisible(true);
    action_connect_device->setIconVisibleInMenu(true);
    action_read_device = makeAction(MainWindow, "action_read_device", false, resourceIcon(":/pic/down.png"));
    action_delete_device = makeAction(MainWindow, "action_delete_device", false, resourceIcon(":/pic/del.png"));
    action_word = makeAction(MainWindow, "action_word", false, resourceIcon(":/pic/word.png"));
    action_excel = makeAction(MainWindow, "action_excel", false, resourceIcon(":/pic/excel.png"));
    action_save = makeAction(MainWindow, "action_save", false, resourceIcon(":/pic/save.png"));
    action_open = makeAction(MainWindow, "action_open", true, resourceIcon(":/pic/open.png"));
    action_pdf = makeAction(MainWindow, "action_pdf", false, resourceIcon(":/pic/pdf.png"));
    action_wiring_check = makeAction(MainWindow, "action_wiring_check", false, resourceIcon(":/pic/check.png"));
    action_print = makeAction(MainWindow, "action_print", false, resourceIcon(":/pic/print.png"));
    // Always enabled: with an empty list they say so.
    action_overview = makeAction(MainWindow, "action_overview", true, resourceIcon(":/pic/overview.png"));
    action_export_table = makeAction(MainWindow, "action_export_table", true, resourceIcon(":/pic/table.png"));
    action_history = makeAction(MainWindow, "action_history", true, resourceIcon(":/pic/history.png"));

    centralWidget = new QWidget(MainWindow);
    centralWidget->setObjectName(QString::fromLatin1("centralWidget"));

    groupBox = makeGroupBox(centralWidget, "groupBox", QRect(9, 9, 278, 767));
    setPolicy(groupBox, QSizePolicy::Fixed, QSizePolicy::Expanding);
    gridLayout_2 = makeGridLayout(groupBox, "gridLayout_2");
    gridLayout = new QGridLayout();
    gridLayout->setSpacing(6);
    gridLayout->setObjectName(QString::fromLatin1("gridLayout"));
    listWidget = new QListWidget(groupBox);
    listWidget->setObjectName(QString::fromLatin1("listWidget"));
    // Every entry has the same font and icon size; saying so spares the list
    // from measuring each of what may be a hundred thousand entries.
    listWidget->setUniformItemSizes(true);
    gridLayout->addWidget(listWidget, 0, 0, 1, 1);
    gridLayout_2->addLayout(gridLayout, 0, 0, 1, 1);

    groupBox_2 = makeGroupBox(centralWidget, "groupBox_2", QRect(293, 9, 610, 568));
    setPolicy(groupBox_2, QSizePolicy::Preferred, QSizePolicy::Expanding);
    gridLayout_3 = makeGridLayout(groupBox_2, "gridLayout_3");
    // Narrower margins than the other boxes: with Qt 6's frame and title
    // metrics, 17 rows of 31 px and 4 columns of 146 px fit only so.
    gridLayout_3->setContentsMargins(9, 4, 9, 4);
    tableWidget = new QTableWidget(groupBox_2);
    buildTable(tableWidget);
    gridLayout_3->addWidget(tableWidget, 0, 0, 1, 1);

    groupBox_3 = makeGroupBox(centralWidget, "groupBox_3", QRect(293, 576, 1071, 201));
    gridLayout_5 = makeGridLayout(groupBox_3, "gridLayout_5");
    textBrowser = new QTextBrowser(groupBox_3);
    textBrowser->setObjectName(QString::fromLatin1("textBrowser"));
    gridLayout_5->addWidget(textBrowser, 0, 0, 1, 1);

    groupBox_4 = makeGroupBox(centralWidget, "groupBox_4", QRect(910, 9, 451, 568));
    buttonGroup_2 = new QButtonGroup(MainWindow);
    buttonGroup_2->setObjectName(QString::fromLatin1("buttonGroup_2"));
    buttonGroup = new QButtonGroup(MainWindow);
    buttonGroup->setObjectName(QString::fromLatin1("buttonGroup"));
    SRadioButton = makeRadioButton(groupBox_4, "SRadioButton", QRect(20, 510, 161, 19), buttonGroup_2, true);
    NRadioButton = makeRadioButton(groupBox_4, "NRadioButton", QRect(20, 540, 161, 16), buttonGroup_2, false);
    LRadioButton = makeRadioButton(groupBox_4, "LRadioButton", QRect(270, 510, 151, 16), buttonGroup, true);
    DRadioButton = makeRadioButton(groupBox_4, "DRadioButton", QRect(270, 540, 141, 16), buttonGroup, false);
    label = new QLabel(groupBox_4);
    label->setObjectName(QString::fromLatin1("label"));
    label->setGeometry(QRect(10, 20, 431, 471));

    MainWindow->setCentralWidget(centralWidget);

    mainToolBar = new QToolBar(MainWindow);
    mainToolBar->setObjectName(QString::fromLatin1("mainToolBar"));
    mainToolBar->setFont(pointFont(11));
    mainToolBar->setMovable(false);
    mainToolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    MainWindow->addToolBar(Qt::TopToolBarArea, mainToolBar);
    mainToolBar->addAction(action_connect_device);
    mainToolBar->addSeparator();
    mainToolBar->addAction(action_open);
    mainToolBar->addAction(action_save);
    mainToolBar->addSeparator();
    mainToolBar->addAction(action_read_device);
    mainToolBar->addAction(action_delete_device);
    mainToolBar->addSeparator();
    mainToolBar->addAction(action_word);
    mainToolBar->addAction(action_excel);
    mainToolBar->addAction(action_pdf);
    mainToolBar->addAction(action_wiring_check);
    mainToolBar->addAction(action_print);
    mainToolBar->addAction(action_overview);
    mainToolBar->addAction(action_export_table);
    mainToolBar->addAction(action_history);

    retranslateUi(MainWindow);
    QMetaObject::connectSlotsByName(MainWindow);
}

void MainWindowForm::retranslateUi(QMainWindow *MainWindow)
{
    MainWindow->setWindowTitle(tr("数据管理软件"));
    action_connect_device->setText(tr("连接设备"));
    action_read_device->setText(tr("读取数据"));
    action_delete_device->setText(tr("删除数据"));
    action_word->setText(tr("导出Word"));
    action_excel->setText(tr("导出Excel"));
    action_save->setText(tr("保存数据"));
    action_open->setText(tr("打开文件"));
    action_pdf->setText(tr("导出PDF"));
    action_wiring_check->setText(tr("接线检查"));
    action_print->setText(tr("打印"));
    action_overview->setText(tr("总览"));
    action_export_table->setText(tr("导出表格"));
    action_history->setText(tr("历史读取"));
    groupBox->setTitle(tr("数据(点击查看)"));
    groupBox_2->setTitle(tr("参数"));

    // Header texts are never shown (both headers are hidden).
    for (int column = 0; column < TableColumns; ++column)
        tableWidget->horizontalHeaderItem(column)->setText(tr("新建列"));
    for (int row = 0; row < TableRows; ++row)
        tableWidget->verticalHeaderItem(row)->setText(tr("新建行"));
    const bool wasSorting = tableWidget->isSortingEnabled();
    tableWidget->setSortingEnabled(false);
    for (int row = 0; row < TableRows; ++row) {
        for (int column = 0; column < TableColumns; ++column) {
            if (const char *text = initialCellTexts[row][column])
                tableWidget->item(row, column)->setText(tr(text));
        }
    }
    tableWidget->setSortingEnabled(wasSorting);

    groupBox_3->setTitle(tr("使用简介"));
    textBrowser->setHtml(tr(usageHtml));
    groupBox_4->setTitle(tr("向量图"));
    SRadioButton->setText(tr("角度正方向：顺时针"));
    NRadioButton->setText(tr("角度正方向：逆时针"));
    LRadioButton->setText(tr("零度位置：十二点"));
    DRadioButton->setText(tr("零度位置：三点"));
    label->setText(QString());
}
