#include "mainwindow.h"

#include "archivelink.h"
#include "helpdialog.h"
#include "historydialog.h"
#include "listkeys.h"
#include "mainwindowform.h"
#include "overviewdialog.h"
#include "prompts.h"
#include "screenfit.h"
#include "serverlink.h"
#include "tableexport.h"
#include "toolbar.h"
#include "wiringcheckdialog.h"

#include "datafile.h"
#include "deviceprotocol.h"
#include "diagramfile.h"
#include "measurementtable.h"
#include "portdiagnosis.h"
#include "wholefile.h"

#include <QAction>
#include <QFileDialog>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSerialPort>
#include <QTableWidget>
#include <QToolBar>

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(new MainWindowForm)
    , session(new InstrumentSession(this))
    , deviceGroupIcon(QString::fromLatin1(GroupList::DeviceGroupIconPath))
{
    ui->setupUi(this);
    fitToScreen(this);

    // The report picture is painted at a fixed 600 x 600 on a canvas that is
    // never shown, whatever the size of the diagram on screen.
    imageLabel = new QLabel();
    imageLabel->setGeometry(0, 0, 600, 600);
    imageLabel->hide();

    showEmptyDiagram();
    connectSession();

    // Not slots of their own: the window's slots are the designed fourteen.
    connect(ui->action_pdf, &QAction::triggered, this, [this] {
        if (const auto rows = reportFlow().chooseRows(tr("导出PDF"), tr("导出当前显示的组，还是列表中的全部组？"), reportRow()))
            reportFlow().exportPdf(*rows);
    });
    connect(ui->action_print, &QAction::triggered, this, [this] {
        if (const auto rows = reportFlow().chooseRows(tr("打印"), tr("打印当前显示的组，还是列表中的全部组？"), reportRow()))
            reportFlow().print(*rows);
    });
    connect(ui->action_wiring_check, &QAction::triggered, this, &MainWindow::showWiringCheck);
    connect(ui->action_overview, &QAction::triggered, this, &MainWindow::showOverview);
    connect(ui->action_export_table, &QAction::triggered, this, [this] { TableExport::run(this, groupList); });
    archiveLink = new ArchiveLink({ this, ui->listWidget, [this] { return groupList; }, [this] { return reportRow(); },
                                    [this](const QStringList &groups, int row) { showArchivedGroups(groups, row); },
                                    [this](const QString &path) { return openDataFile(path); } });
    connect(ui->action_history, &QAction::triggered, archiveLink, &ArchiveLink::showReads);
    connect(ui->action_help, &QAction::triggered, this, [this] { HelpDialog::showGuide(this); });
    QList<QAction *> archiveActions = archiveLink->actions();
    archiveActions.insert(1, ui->action_history);
    serverLink = new ServerLink(this, archiveLink, statusBar());
    archiveActions << serverLink->settingsAction();
    archiveLink->setStateButton(Toolbar::addAdditions(ui->mainToolBar, { ui->action_pdf, ui->action_print, ui->action_export_table },
                                                      { ui->action_wiring_check, ui->action_overview, ui->action_help },
                                                      archiveActions));
    Toolbar::showShortcuts(findChildren<QAction *>(QString(), Qt::FindDirectChildrenOnly));
    addActions(archiveLink->actions()); // their shortcuts work while the menu is closed
    // The keys that move the list show the group they land on, as a click does.
    connect(new ListKeys(ui->listWidget), &ListKeys::moved, this, &MainWindow::on_listWidget_clicked);
}

MainWindow::~MainWindow()
{
    delete ui;
    delete imageLabel;
}

void MainWindow::readCom()
{
    session->readReplies();
    // The groups of these bytes go to the archive together.
    archiveLink->arrivalHandled(readingArchive.fileName());
}

void MainWindow::sendCom(QString msg)
{
    session->send(msg);
}

void MainWindow::on_action_connect_device_triggered()
{
    setOrientationEnabled(false);
    setReportsEnabled(false);
    resetView();
    if (connected)
        disconnectDevice();
    else
        connectDevice();
}

void MainWindow::on_action_read_device_triggered()
{
    if (!connected) {
        tell(tr("通信失败"), tr("读取数据失败，检查是否已连接上设备！"));
        return;
    }
    resetView();
    setReportsEnabled(false);
    setOrientationEnabled(false);
    readingArchive.beginRead();
    archiveLink->readBegun();
    session->beginRead();
    sendCom(QString::fromLatin1(DeviceProtocol::ReadCommand));
}

void MainWindow::on_action_delete_device_triggered()
{
    if (!connected) {
        tell(tr("通信失败"), tr("删除数据失败，检查是否已连接上设备！"));
        return;
    }
    // The instrument's store cannot be brought back: ask, with 取消 as the
    // default, since the action sits next to 读取数据.
    QMessageBox box(QMessageBox::Question, tr("删除数据"), tr("确定删除设备中的全部数据？删除后无法恢复。"),
                    QMessageBox::NoButton, this);
    QPushButton *erase = box.addButton(tr("删除"), QMessageBox::DestructiveRole);
    QPushButton *keep = box.addButton(tr("取消"), QMessageBox::RejectRole);
    box.setDefaultButton(keep);
    box.setEscapeButton(keep);
    box.exec();
    if (box.clickedButton() == erase && connected) // the cable may be pulled meanwhile
        sendCom(QString::fromLatin1(DeviceProtocol::DeleteCommand));
}

void MainWindow::on_listWidget_clicked(QModelIndex index)
{
    ui->action_save->setEnabled(true);
    setReportsEnabled(true);
    setOrientationEnabled(true);
    if (index.row() >= 0 && index.row() < groupList.size())
        showGroup(index.row());
}

void MainWindow::on_SRadioButton_clicked()
{
    redrawCurrentGroup();
}

void MainWindow::on_NRadioButton_clicked()
{
    redrawCurrentGroup();
}

void MainWindow::on_LRadioButton_clicked()
{
    redrawCurrentGroup();
}

void MainWindow::on_DRadioButton_clicked()
{
    redrawCurrentGroup();
}

void MainWindow::on_action_word_triggered()
{
    chooseAndExportReport(ReportKind::Word);
}

void MainWindow::on_action_excel_triggered()
{
    chooseAndExportReport(ReportKind::Excel);
}

void MainWindow::on_action_save_triggered()
{
    const QString fileName = Prompts::saveFileName(this, { tr("DAT文件 (*.dat)") });
    if (!fileName.isEmpty())
        saveDataFile(fileName);
}

void MainWindow::on_action_open_triggered()
{
    const QString fileName = QFileDialog::getOpenFileName(this, tr("打开文件"), QStringLiteral("./"),
                                                          tr("DAT文件 (*.dat)"));
    if (!fileName.isEmpty())
        openDataFile(fileName);
}

bool MainWindow::saveDataFile(const QString &fileName)
{
    if (DataFile::save(fileName, groupList))
        return true;
    tell(tr("保存文件"), tr("文件保存失败！"));
    return false;
}

bool MainWindow::openDataFile(const QString &fileName)
{
    resetView();
    setOrientationEnabled(false);
    setReportsEnabled(false);
    QStringList groups;
    if (!DataFile::load(fileName, &groups)) {
        tell(tr("打开文件"), tr("文件解析失败！"));
        return false;
    }
    const QIcon icon = GroupList::iconFor(QString::fromLatin1(GroupList::FileGroupIconPath));
    for (const QString &group : std::as_const(groups))
        listGroup(group, icon);
    return true;
}

void MainWindow::connectSession()
{
    connect(session, &InstrumentSession::connectConfirmed, this,
            [this] { tell(tr("通信成功"), tr("已连接上设备！")); });
    connect(session, &InstrumentSession::deleted, this,
            [this] { tell(tr("通信成功"), tr("数据已删除！")); });
    connect(session, &InstrumentSession::groupReceived, this, [this](const QString &group) {
        readingArchive.append(group);
        archiveLink->groupArrived(group);
        listGroup(group, deviceGroupIcon);
    });
    connect(session, &InstrumentSession::readEnded, this, [this](int groups) {
        archiveLink->readFinished(readingArchive.fileName());
        readingArchive.finishRead();
        setReportsEnabled(true);
        ui->action_save->setEnabled(true);
        if (groups == 0) // a read that brought nothing is told, not left silent
            tell(tr("通信成功"), tr("设备中没有数据！"));
    });
    connect(session, &InstrumentSession::linkLost, this, [this](int groupsOfRead) {
        // Whether to read again: how far a read that was under way came.
        const QString readState = groupsOfRead >= 0 ? tr("读取未完成，已收到%1组。").arg(groupsOfRead) : QString();
        disconnectDevice();
        tell(tr("通信失败"), tr("设备连接已断开！"), readState);
    });
    connect(session, &InstrumentSession::openFailed, this, [this](PortDiagnosis::Cause cause, const QString &device) {
        tell(tr("通信失败"), tr("连接设备失败，检查驱动是否安装！"), PortDiagnosis::advice(cause, device));
    });
}

void MainWindow::connectDevice()
{
    readingArchive.endRead();
    if (!session->open()) // told through openFailed
        return;
    connect(serialPort(), &QSerialPort::readyRead, this, &MainWindow::readCom);
    setConnected(true);
    sendCom(QString::fromLatin1(DeviceProtocol::ConnectCommand));
}

void MainWindow::disconnectDevice()
{
    setConnected(false);
    setReportsEnabled(false);
    ui->action_save->setEnabled(false);
    session->close();
    readingArchive.endRead();
}

void MainWindow::setConnected(bool connectedNow)
{
    connected = connectedNow;
    ui->action_connect_device->setText(connectedNow ? tr("断开连接") : tr("连接设备"));
    ui->action_connect_device->setIcon(QIcon(connectedNow ? QStringLiteral(":/pic/stop.png")
                                                          : QStringLiteral(":/pic/start.png")));
    ui->action_delete_device->setEnabled(connectedNow);
    ui->action_read_device->setEnabled(connectedNow);
}

void MainWindow::listGroup(const QString &groupText, const QIcon &icon)
{
    groupList.append(groupText);
    const int number = groupCounter++;
    auto *entry = new QListWidgetItem(icon, GroupList::entryText(number));
    entry->setFont(entryStyle.font());
    entry->setBackground(entryStyle.background(number));
    ui->listWidget->addItem(entry);
}

void MainWindow::showGroup(int row)
{
    // Parsed over the group shown before: a group of 17 fields keeps its
    // wiring code, as the list has always shown it.
    if (!groupValues.parse(groupList.at(row)))
        return;
    shownRow = row;
    fillTable(MeasurementTable::valueCells(groupValues));
    const QColor background = PhasorDiagram::backgroundColour();
    for (QLabel *label : { ui->label, imageLabel }) {
        const QImage picture = PhasorDiagram::drawPhasorDiagram(label->size(), background, label->font(),
                                                                groupValues, orientation());
        label->setPixmap(QPixmap::fromImage(picture));
        if (label == imageLabel)
            DiagramFile::save(picture);
    }
}

void MainWindow::resetView()
{
    if (overviewDialog)
        overviewDialog->close(); // it showed the groups of the list now emptied
    fillTable(MeasurementTable::zeroCells());
    showEmptyDiagram();
    ui->listWidget->clear();
    groupList.clear();
    archiveLink->listReset();
    groupCounter = 1;
    shownRow = -1;
    loadWindows.forgetRows(); // chosen for groups no longer listed
    periodRegisters.clear();
    // The values of a group no longer listed must not reach a report.
    groupValues = GroupValues();
}

void MainWindow::fillTable(const QList<MeasurementTable::Cell> &cells)
{
    QFont font; // the application's font; an empty family name is not that in Qt 6
    font.setPointSize(16);
    for (const MeasurementTable::Cell &cell : cells) {
        auto *item = new QTableWidgetItem(cell.text);
        item->setTextAlignment(Qt::AlignCenter);
        item->setFont(font);
        ui->tableWidget->setItem(cell.row, cell.column, item); // replaces and deletes the old item
    }
}

void MainWindow::showEmptyDiagram()
{
    ui->label->setPixmap(QPixmap::fromImage(
        PhasorDiagram::drawDiagramBackground(ui->label->size(), PhasorDiagram::backgroundColour())));
}

void MainWindow::redrawCurrentGroup()
{
    const int row = ui->listWidget->currentRow();
    if (row >= 0 && row < groupList.size())
        showGroup(row);
}

PhasorDiagram::Orientation MainWindow::orientation() const
{
    return { ui->SRadioButton->isChecked(), ui->LRadioButton->isChecked() };
}

void MainWindow::setReportsEnabled(bool enabled)
{
    for (QAction *action : { ui->action_word, ui->action_excel, ui->action_pdf, ui->action_wiring_check, ui->action_print })
        action->setEnabled(enabled);
}

void MainWindow::setOrientationEnabled(bool enabled)
{
    for (QRadioButton *button : { ui->SRadioButton, ui->NRadioButton, ui->LRadioButton, ui->DRadioButton })
        button->setEnabled(enabled);
}

void MainWindow::tell(const QString &title, const QString &text, const QString &informativeText)
{
    Prompts::tell(this, title, text, informativeText);
}

int MainWindow::reportRow() const
{
    return shownRow >= 0 ? shownRow : qMax(ui->listWidget->currentRow(), 0);
}

std::optional<GroupValues> MainWindow::valuesToReport(const QString &title, const QString &incomplete)
{
    if (shownRow >= 0)
        return groupValues;
    if (!Prompts::groupsListed(this, title, groupList))
        return std::nullopt;
    // Nothing shown (nothing clicked since a read, or only an incomplete
    // group): the values are taken aside, the view stays as it is.
    const std::optional<GroupValues> values = GroupValues::fromText(groupList.at(reportRow()));
    if (!values)
        tell(title, incomplete);
    return values;
}

void MainWindow::chooseAndExportReport(ReportKind kind)
{
    // Asked before the file name: a report of nothing is not written.
    const std::optional<GroupValues> values =
        valuesToReport(kind == ReportKind::Word ? tr("导出Word") : tr("导出Excel"), tr("本组数据不完整，无法导出。"));
    if (!values)
        return;
    const QString fileName = Prompts::saveFileName(this, { ReportValues::saveFilter(kind) });
    if (fileName.isEmpty())
        return;
    // The picture is painted from the values the report holds, not taken
    // from "buffer.png", which another copy of the tool may have replaced
    // or which a read-only working directory never received.
    const QImage picture = PhasorDiagram::drawPhasorDiagram(imageLabel->size(), PhasorDiagram::backgroundColour(),
                                                            imageLabel->font(), *values, orientation());
    const QByteArray report = ReportValues::buildReport(kind, *values, DiagramFile::encodePng(picture));
    Prompts::tellExported(this, tr("测试报告"), fileName, saveWholeFile(fileName, report));
}

ReportFlow MainWindow::reportFlow()
{
    return ReportFlow(this, { groupList, orientation(), [this](int row) { return loadWindows.windowFor(row); },
                              [this](int row) { return archiveLink->reportInfoFor(groupList.value(row)); },
                              [this](const QString &fileName, const QList<int> &rows) {
                                  QStringList groups;
                                  for (int row : rows)
                                      groups << groupList.value(row);
                                  archiveLink->keepReport(fileName, groups);
                              },
                              [this](int row) {
                                  const auto found = periodRegisters.constFind(row);
                                  return found == periodRegisters.cend()
                                      ? std::nullopt
                                      : std::optional<EnergyRefund::PeriodRegisters>(*found);
                              } });
}

ReportFlow::Outcome MainWindow::writePdfReport(const QString &fileName, const QList<int> &rows, const ReportInfo &info)
{
    return reportFlow().writePdf(fileName, rows, info);
}

void MainWindow::showWiringCheck()
{
    const std::optional<GroupValues> values = valuesToReport(tr("接线检查"), tr("本组数据不完整，无法检查。"));
    if (!values)
        return;
    const int row = reportRow();
    const bool typed = periodRegisters.contains(row);
    auto *dialog = new WiringCheckDialog(ui->listWidget->item(row)->text(), *values, loadWindows.windowFor(row),
                                         loadWindows.keptForEveryGroup(), this,
                                         typed ? std::optional<EnergyRefund::PeriodRegisters>(periodRegisters.value(row))
                                               : std::nullopt);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &WiringCheckDialog::loadWindowChanged, this,
            [this, row](WiringDiagnosis::LoadWindow window, bool forEveryGroup) {
                loadWindows.choose(row, window, forEveryGroup);
            });
    connect(dialog, &WiringCheckDialog::registersChanged, this,
            [this, row](const std::optional<EnergyRefund::PeriodRegisters> &registers) {
                if (registers)
                    periodRegisters.insert(row, *registers);
                else
                    periodRegisters.remove(row);
            });
    // Not typed for this row yet: the period as the archive has it, the row's from now on.
    if (!typed)
        if (const std::optional<RefundPeriod> period = archiveLink->refundPeriodFor(groupList.value(row)))
            dialog->fillPeriod(period->entries, period->source());
    dialog->open();
}

void MainWindow::showOverview()
{
    if (!Prompts::groupsListed(this, tr("总览"), groupList))
        return;
    if (overviewDialog)
        overviewDialog->close(); // one overview, of the list as it is now
    overviewDialog = OverviewDialog::open(groupList, this);
    connect(overviewDialog, &OverviewDialog::groupActivated, this, &MainWindow::showListedGroup);
    // A report of the rows selected there, as of the whole list.
    connect(overviewDialog, &OverviewDialog::pdfRequested, this, [this](const QList<int> &rows) { reportFlow().exportPdf(rows); });
    connect(overviewDialog, &OverviewDialog::printRequested, this, [this](const QList<int> &rows) { reportFlow().print(rows); });
    connect(overviewDialog, &OverviewDialog::tieRequested, this, [this](const QList<int> &rows) {
        QStringList groups;
        for (int row : rows)
            groups << groupList.value(row);
        archiveLink->tie(groups);
    });
}

void MainWindow::showListedGroup(int row)
{
    if (row < 0 || row >= groupList.size())
        return;
    ui->listWidget->setCurrentRow(row);
    ui->listWidget->scrollToItem(ui->listWidget->item(row));
    on_listWidget_clicked(ui->listWidget->model()->index(row, 0));
}

void MainWindow::showArchivedGroups(const QStringList &groups, int row)
{
    resetView();
    setOrientationEnabled(false);
    setReportsEnabled(!groups.isEmpty());
    ui->action_save->setEnabled(!groups.isEmpty());
    for (const QString &group : groups)
        listGroup(group, deviceGroupIcon);
    if (row >= 0)
        showListedGroup(row);
    activateWindow();
}
