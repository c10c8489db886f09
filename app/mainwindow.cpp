#include "mainwindow.h"

#include "helpdialog.h"
#include "historydialog.h"
#include "listkeys.h"
#include "mainwindowform.h"
#include "overviewdialog.h"
#include "reportinfodialog.h"
#include "toolbar.h"
#include "wiringcheckdialog.h"

#include "device/datafile.h"
#include "device/deviceprotocol.h"
#include "device/grouplist.h"
#include "device/portdiagnosis.h"
#include "device/readinghistory.h"
#include "device/wholefile.h"
#include "report/grouptable.h"
#include "report/pdfreport.h"
#include "view/diagramfile.h"
#include "view/measurementtable.h"

#include <QAction>
#include <QDebug>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QSerialPort>
#include <QTableWidget>
#include <QToolBar>
#include <memory>

namespace {

// A file name typed without an extension gets the report's own.
QString withSuffix(const QString &fileName, const char *suffix)
{
    return QFileInfo(fileName).suffix().isEmpty() ? fileName + u'.' + QLatin1String(suffix) : fileName;
}

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(new MainWindowForm)
    , deviceGroupIcon(QString::fromLatin1(GroupList::DeviceGroupIconPath))
    , sysfsRoot(PortDiagnosis::systemSysfsRoot())
{
    ui->setupUi(this);
    fitToScreen();

    // The report picture is painted at a fixed 600 x 600 on a canvas that is
    // never shown, whatever the size of the diagram on screen.
    imageLabel = new QLabel();
    imageLabel->setGeometry(0, 0, 600, 600);
    imageLabel->hide();

    PhasorDiagram::drawDiagramBackground(ui->label, PhasorDiagram::backgroundColour());

    // Not a slot of its own: the window's slots are the designed fourteen.
    connect(ui->action_pdf, &QAction::triggered, this, &MainWindow::chooseAndExportPdf);
    connect(ui->action_wiring_check, &QAction::triggered, this, &MainWindow::showWiringCheck);
    connect(ui->action_print, &QAction::triggered, this, &MainWindow::printWithPreview);
    connect(ui->action_overview, &QAction::triggered, this, &MainWindow::showOverview);
    connect(ui->action_export_table, &QAction::triggered, this, &MainWindow::chooseAndExportTable);
    connect(ui->action_history, &QAction::triggered, this, &MainWindow::showHistory);
    connect(ui->action_help, &QAction::triggered, this, [this] {
        auto *help = new HelpDialog(this);
        help->setAttribute(Qt::WA_DeleteOnClose);
        help->show();
    });
    Toolbar::addAdditions(ui->mainToolBar, { ui->action_pdf, ui->action_print, ui->action_export_table },
                          { ui->action_wiring_check, ui->action_overview, ui->action_history, ui->action_help });
    Toolbar::showShortcuts(findChildren<QAction *>(QString(), Qt::FindDirectChildrenOnly));
    // The keys that move the list show the group they land on, as a click does.
    connect(new ListKeys(ui->listWidget), &ListKeys::moved, this, &MainWindow::on_listWidget_clicked);
}

MainWindow::~MainWindow()
{
    if (serialPort) {
        serialPort->disconnect(this);
        serialPort->close();
        delete serialPort;
    }
    delete ui;
    delete imageLabel;
}

void MainWindow::fitToScreen()
{
    const QScreen *screen = this->screen();
    if (!screen)
        return;
    // The window system's frame is not known before the window is shown:
    // allow for a usual title bar and border.
    const QMargins frame(1, 31, 1, 1);
    const QSize room = screen->availableGeometry().size().shrunkBy(frame);
    const QSize designed = size();
    if (room.width() >= designed.width() && room.height() >= designed.height())
        return;

    // A smaller screen (1366 x 768, or a 1920 x 1080 laptop at 150%): the
    // window takes the room there is and its content scrolls, every widget
    // at its size and place.
    QWidget *content = takeCentralWidget();
    content->setFixedSize(designed.width(), designed.height() - ui->mainToolBar->sizeHint().height());
    auto *scrollArea = new QScrollArea(this);
    scrollArea->setObjectName(QStringLiteral("scrollArea"));
    scrollArea->setFrameShape(QFrame::NoFrame);
    scrollArea->setWidget(content);
    setCentralWidget(scrollArea);
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    setMinimumSize(QSize(0, 0));
    setMaximumSize(designed + QSize(scrollBar, scrollBar));
    // Maximised, the window system fits the frame into the screen's room.
    resize(room.boundedTo(maximumSize()));
    setWindowState(windowState() | Qt::WindowMaximized);
}

void MainWindow::readCom()
{
    takeArrivedBytes();
    if (handlingReplies)
        return; // an outer call is showing a message box; it handles these next

    handlingReplies = true;
    for (;;) {
        while (!pendingReplies.isEmpty())
            handleReply(pendingReplies.takeFirst());
        // The port does not announce data that arrived while a message box
        // of this call was open, so look for it before leaving.
        if (!serialPort || !serialPort->isOpen() || serialPort->bytesAvailable() == 0)
            break;
        takeArrivedBytes();
    }
    handlingReplies = false;

    // A port released while a box of this call was open is deleted only now:
    // its read notification, which called this slot, is still on the stack.
    for (QSerialPort *port : std::as_const(retiredPorts))
        port->deleteLater();
    retiredPorts.clear();
}

void MainWindow::sendCom(QString msg)
{
    if (serialPort && serialPort->isOpen())
        serialPort->write(DeviceProtocol::encodeCommand(msg));
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
        showInformation(tr(DeviceProtocol::FailureTitle), tr(DeviceProtocol::ReadRefusedText));
        return;
    }
    resetView();
    setReportsEnabled(false);
    setOrientationEnabled(false);
    readingArchive.beginRead();
    groupsOfRead = 0;
    sendCom(QString::fromLatin1(DeviceProtocol::ReadCommand));
}

void MainWindow::on_action_delete_device_triggered()
{
    if (!connected) {
        showInformation(tr(DeviceProtocol::FailureTitle), tr(DeviceProtocol::DeleteRefusedText));
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
    if (box.clickedButton() == erase && connected)
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
    const QString fileName = QFileDialog::getSaveFileName(this, tr("保存文件"), QStringLiteral("./"),
                                                          tr("DAT文件 (*.dat)"));
    // A name without extension gets ".dat", which 打开文件's filter shows.
    if (!fileName.isEmpty())
        saveDataFile(withSuffix(fileName, "dat"));
}

void MainWindow::on_action_open_triggered()
{
    const QString fileName = QFileDialog::getOpenFileName(this, tr("打开文件"), QStringLiteral("./"),
                                                          tr("DAT文件 (*.dat)"));
    if (!fileName.isEmpty())
        openDataFile(fileName);
}

void MainWindow::chooseAndExportReport(ReportKind kind)
{
    // Asked before the file name: a report of nothing is not written.
    const std::optional<GroupValues> values = valuesToReport(kind);
    if (!values)
        return;
    const QString fileName = QFileDialog::getSaveFileName(this, tr("保存文件"), QStringLiteral("./"),
                                                          ReportValues::saveFilter(kind));
    if (!fileName.isEmpty())
        writeReport(kind, withSuffix(fileName, kind == ReportKind::Word ? "doc" : "xls"), *values);
}

bool MainWindow::exportReport(ReportKind kind, const QString &fileName)
{
    const std::optional<GroupValues> values = valuesToReport(kind);
    return values && writeReport(kind, fileName, *values);
}

bool MainWindow::writeReport(ReportKind kind, const QString &fileName, const GroupValues &values)
{
    // The picture is painted from the values the report holds, not taken
    // from "buffer.png", which another copy of the tool may have replaced
    // or which a read-only working directory never received.
    const QImage picture = PhasorDiagram::paintPhasors(imageLabel->size(),
                                                       PhasorDiagram::backgroundColour(),
                                                       imageLabel->font(), values, orientation());
    const QByteArray report =
        ReportValues::buildReport(kind, values, DiagramFile::encodePng(picture));
    if (!saveWholeFile(fileName, report)) {
        showInformation(tr("测试报告"), tr("文档%1导出失败！").arg(fileName));
        return false;
    }
    showInformation(tr("测试报告"), tr("文档%1导出成功！").arg(fileName));
    return true;
}

std::optional<QList<int>> MainWindow::chooseReportRows(const QString &title, const QString &question)
{
    if (groupList.isEmpty()) {
        showInformation(title, tr("列表中没有数据！"));
        return std::nullopt;
    }
    QList<int> rows{ reportRow() };
    if (groupList.size() > 1) {
        QMessageBox box(QMessageBox::Question, title, question, QMessageBox::NoButton, this);
        QPushButton *current = box.addButton(tr("当前组"), QMessageBox::AcceptRole);
        QPushButton *all = box.addButton(tr("全部组"), QMessageBox::AcceptRole);
        QPushButton *cancel = box.addButton(tr("取消"), QMessageBox::RejectRole);
        box.setDefaultButton(current);
        box.setEscapeButton(cancel);
        box.exec();
        if (box.clickedButton() == all) {
            rows.clear();
            for (int row = 0; row < groupList.size(); ++row)
                rows << row;
        } else if (box.clickedButton() != current) {
            return std::nullopt;
        }
    }
    return rows;
}

std::optional<ReportInfo> MainWindow::askReportInfo(int pageCount)
{
    ReportInfoDialog dialog(ReportInfo::load(), pageCount, this);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    dialog.info().save();
    return dialog.info();
}

void MainWindow::chooseAndExportPdf()
{
    if (const auto rows = chooseReportRows(tr("导出PDF"), tr("导出当前显示的组，还是列表中的全部组？")))
        exportPdfOf(*rows);
}

void MainWindow::exportPdfOf(const QList<int> &rows)
{
    const std::optional<ReportInfo> info = askReportInfo(int(rows.size()));
    if (!info)
        return;
    QString fileName = QFileDialog::getSaveFileName(this, tr("保存文件"), QStringLiteral("./"),
                                                    tr("PDF文件 (*.pdf)"));
    if (fileName.isEmpty())
        return;
    fileName = withSuffix(fileName, "pdf");
    switch (writePdfReport(fileName, rows, *info)) {
    case PdfOutcome::Written:
        showInformation(tr("测试报告"), tr("文档%1导出成功！").arg(fileName));
        break;
    case PdfOutcome::Failed:
        showInformation(tr("测试报告"), tr("文档%1导出失败！").arg(fileName));
        break;
    case PdfOutcome::Cancelled:
        break;
    }
}

void MainWindow::printWithPreview()
{
    if (const auto rows = chooseReportRows(tr("打印"), tr("打印当前显示的组，还是列表中的全部组？")))
        printOf(*rows);
}

void MainWindow::printOf(const QList<int> &rows)
{
    const std::optional<ReportInfo> info = askReportInfo(int(rows.size()));
    if (!info)
        return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setFullPage(true); // the page lays out its own margins
    printer.setDocName(tr("测试报告"));
    QPrintPreviewDialog preview(&printer, this);
    preview.setWindowTitle(tr("打印预览"));
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [this, rows, info = *info](QPrinter *target) { printReport(*target, rows, info); });
    preview.exec();
}

void MainWindow::printReport(QPrinter &printer, const QList<int> &rows, const ReportInfo &info)
{
    const QStringList groups = groupList;
    const ReportPage page = reportPage(info);
    QPainter painter;
    if (!painter.begin(&printer))
        return;
    // A page range chosen in the print dialog prints those pages only, each
    // still numbered as in the whole report.
    const int first = printer.fromPage() > 0 ? printer.fromPage() : 1;
    const int last = printer.toPage() > 0 ? qMin(printer.toPage(), int(rows.size())) : int(rows.size());
    const qreal scale = printer.resolution() / 72.0;
    for (int k = first; k <= last; ++k) {
        if (k > first)
            printer.newPage();
        const int row = rows.at(k - 1);
        if (row >= 0 && row < groups.size())
            page.paint(painter, scale, k, int(rows.size()), row + 1, groups.at(row), windowFor(row));
    }
    painter.end();
}

void MainWindow::showWiringCheck()
{
    const std::optional<GroupValues> values =
        valuesToReport(tr("接线检查"), tr("本组数据不完整，无法检查。"));
    if (!values)
        return;
    const int row = reportRow();
    auto *dialog = new WiringCheckDialog(ui->listWidget->item(row)->text(), *values, windowFor(row),
                                         windowForEveryGroup.has_value(), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &WiringCheckDialog::loadWindowChanged, this,
            [this, row](WiringDiagnosis::LoadWindow window, bool forEveryGroup) {
                if (forEveryGroup) {
                    windowForEveryGroup = window;
                } else {
                    windowForEveryGroup.reset();
                    chosenWindows.insert(row, window);
                }
            });
    dialog->open();
}

WiringDiagnosis::LoadWindow MainWindow::windowFor(int row) const
{
    return windowForEveryGroup.value_or(
        chosenWindows.value(row, WiringDiagnosis::loadWindows().constFirst()));
}

int MainWindow::reportRow() const
{
    return shownRow >= 0 ? shownRow : qMax(ui->listWidget->currentRow(), 0);
}

std::optional<GroupValues> MainWindow::valuesToReport(ReportKind kind)
{
    return valuesToReport(kind == ReportKind::Word ? tr("导出Word") : tr("导出Excel"),
                          tr("本组数据不完整，无法导出。"));
}

std::optional<GroupValues> MainWindow::valuesToReport(const QString &title, const QString &incomplete)
{
    if (shownRow >= 0)
        return groupValues;
    if (groupList.isEmpty()) {
        showInformation(title, tr("列表中没有数据！"));
        return std::nullopt;
    }
    // Nothing shown (nothing clicked since a read, or only an incomplete
    // group): the values are taken aside, the view stays as it is.
    GroupValues values;
    if (!values.parse(groupList.at(reportRow()))) {
        showInformation(title, incomplete);
        return std::nullopt;
    }
    return values;
}

void MainWindow::showOverview()
{
    if (groupList.isEmpty()) {
        showInformation(tr("总览"), tr("列表中没有数据！"));
        return;
    }
    if (overviewDialog)
        overviewDialog->close(); // one overview, of the list as it is now
    overviewDialog = new OverviewDialog(groupList, this);
    overviewDialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(overviewDialog, &OverviewDialog::groupActivated, this, &MainWindow::showListedGroup);
    // A report of the rows selected there, as of the whole list.
    connect(overviewDialog, &OverviewDialog::pdfRequested, this, &MainWindow::exportPdfOf);
    connect(overviewDialog, &OverviewDialog::printRequested, this, &MainWindow::printOf);
    overviewDialog->show();
    overviewDialog->activateWindow(); // Esc and the keys go to it
}

void MainWindow::showListedGroup(int row)
{
    if (row < 0 || row >= groupList.size())
        return;
    ui->listWidget->setCurrentRow(row);
    ui->listWidget->scrollToItem(ui->listWidget->item(row));
    on_listWidget_clicked(ui->listWidget->model()->index(row, 0));
}

void MainWindow::chooseAndExportTable()
{
    if (groupList.isEmpty()) {
        showInformation(tr("导出表格"), tr("列表中没有数据！"));
        return;
    }
    const QString xlsxFilter = tr("Excel工作簿 (*.xlsx)");
    const QString csvFilter = tr("CSV文件 (*.csv)");
    QString chosenFilter = xlsxFilter;
    const QString fileName = QFileDialog::getSaveFileName(this, tr("保存文件"), QStringLiteral("./"),
                                                          xlsxFilter + QStringLiteral(";;") + csvFilter,
                                                          &chosenFilter);
    if (fileName.isEmpty())
        return;
    exportGroupTable(withSuffix(fileName, chosenFilter == csvFilter ? "csv" : "xlsx"));
}

bool MainWindow::exportGroupTable(const QString &fileName)
{
    const bool csv = QFileInfo(fileName).suffix().compare(QStringLiteral("csv"), Qt::CaseInsensitive) == 0;
    QString error;
    const bool written = csv ? GroupTable::saveCsv(fileName, groupList, &error)
                             : GroupTable::saveXlsx(fileName, groupList, &error);
    if (!written) {
        qWarning().noquote() << "table" << fileName << "not written:" << error;
        showInformation(tr("导出表格"), tr("文档%1导出失败！").arg(fileName));
        return false;
    }
    showInformation(tr("导出表格"), tr("文档%1导出成功！").arg(fileName));
    return true;
}

void MainWindow::showHistory()
{
    const QList<ReadingHistory::Copy> copies = ReadingHistory::list();
    if (copies.isEmpty()) {
        showInformation(tr("历史读取"), tr("还没有读取数据的记录！"));
        return;
    }
    auto *dialog = new HistoryDialog(copies, readingArchive.fileName(), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &HistoryDialog::openRequested, this, &MainWindow::openDataFile);
    dialog->open();
}

ReportPage MainWindow::reportPage(const ReportInfo &info) const
{
    return ReportPage(orientation(), info);
}

MainWindow::PdfOutcome MainWindow::writePdfReport(const QString &fileName, const QList<int> &rows,
                                                  const ReportInfo &info)
{
    // A copy: groups that arrive while the progress dialog lets events in
    // do not move the rows chosen.
    const QStringList groups = groupList;
    PdfReport report(fileName, reportPage(info), int(rows.size()));
    if (!report.open())
        return PdfOutcome::Failed;

    std::unique_ptr<QProgressDialog> progress;
    if (rows.size() > 1) {
        progress = std::make_unique<QProgressDialog>(QString(), tr("取消"), 0, int(rows.size()), this);
        progress->setWindowTitle(tr("导出PDF"));
        progress->setWindowModality(Qt::WindowModal);
        progress->setMinimumDuration(500);
    }
    for (int i = 0; i < rows.size(); ++i) {
        const int row = rows.at(i);
        if (progress) {
            // While shown, the dialog lets the window's events in here.
            progress->setLabelText(tr("正在导出第%1组…").arg(row + 1));
            progress->setValue(i);
            if (progress->wasCanceled())
                return PdfOutcome::Cancelled; // the report drops its temporary file
        }
        if (row >= 0 && row < groups.size())
            report.addPage(row + 1, groups.at(row), windowFor(row));
    }
    return report.commit() ? PdfOutcome::Written : PdfOutcome::Failed;
}

bool MainWindow::saveDataFile(const QString &fileName)
{
    if (DataFile::save(fileName, groupList))
        return true;
    showInformation(tr("保存文件"), tr("文件保存失败！"));
    return false;
}

bool MainWindow::openDataFile(const QString &fileName)
{
    resetView();
    setOrientationEnabled(false);
    setReportsEnabled(false);

    QStringList groups;
    if (!DataFile::load(fileName, &groups)) {
        showInformation(tr("打开文件"), tr("文件解析失败！"));
        return false;
    }
    const QIcon icon = GroupList::iconFor(QString::fromLatin1(GroupList::FileGroupIconPath));
    for (const QString &group : std::as_const(groups))
        listGroup(group, icon);
    return true;
}

void MainWindow::connectDevice()
{
    // A name found earlier is kept when the adapter is not listed any more;
    // opening it then fails and the name is forgotten.
    // A port named by the user replaces the search.
    const QString chosen = chosenPort();
    const QString found = chosen.isEmpty() ? findInstrumentPort(portEnumerator()) : chosen;
    if (!found.isEmpty())
        portName = found;
    if (portName.isEmpty()) {
        // No port matches. An adapter plugged in without a port has been
        // taken by another service; say so rather than nothing.
        if (PortDiagnosis::adapterPluggedIn(sysfsRoot))
            showInformation(tr(DeviceProtocol::FailureTitle), tr(DeviceProtocol::OpenFailedText),
                            PortDiagnosis::advice(PortDiagnosis::Cause::AdapterClaimed));
        return;
    }
    if (chosen.isEmpty())
        portName.remove(QLatin1Char(' '));

    releasePort();
    serialPort = new QSerialPort(portName, this);
    if (!serialPort->open(QIODevice::ReadWrite)) {
        const QString device = PortDiagnosis::deviceFile(portName);
        const PortDiagnosis::Cause cause = PortDiagnosis::openFailure(serialPort->error(), device);
        showInformation(tr(DeviceProtocol::FailureTitle), tr(DeviceProtocol::OpenFailedText),
                        PortDiagnosis::advice(cause, device));
        portName.clear();
        releasePort();
        return;
    }
    serialPort->setBaudRate(QSerialPort::Baud9600);
    serialPort->setDataBits(QSerialPort::Data8);
    serialPort->setParity(QSerialPort::NoParity);
    serialPort->setStopBits(QSerialPort::OneStop);
    connect(serialPort, &QSerialPort::readyRead, this, &MainWindow::readCom);
    QSerialPort *port = serialPort;
    connect(serialPort, &QSerialPort::errorOccurred, this,
            [this, port](QSerialPort::SerialPortError error) { onPortError(port, error); });
    linkLostReported = false;
    rxBuffer.clear(); // text of an earlier connection is no reply to this one

    connected = true;
    ui->action_connect_device->setText(tr("断开连接"));
    ui->action_connect_device->setIcon(QIcon(QStringLiteral(":/pic/stop.png")));
    ui->action_delete_device->setEnabled(true);
    ui->action_read_device->setEnabled(true);
    sendCom(QString::fromLatin1(DeviceProtocol::ConnectCommand));
}

void MainWindow::disconnectDevice()
{
    ui->action_connect_device->setText(tr("连接设备"));
    ui->action_connect_device->setIcon(QIcon(QStringLiteral(":/pic/start.png")));
    ui->action_delete_device->setEnabled(false);
    ui->action_read_device->setEnabled(false);
    setReportsEnabled(false);
    ui->action_save->setEnabled(false);
    connected = false;
    releasePort();
}

void MainWindow::releasePort()
{
    if (!serialPort)
        return;
    serialPort->disconnect(this);
    serialPort->close();
    readingArchive.endRead();
    groupsOfRead = -1;
    // Replies of an ended connection are not handled any more.
    pendingReplies.clear();
    rxBuffer.clear();
    // Later: this may run inside one of the port's own signals, or inside a
    // message box shown while handling its replies.
    if (handlingReplies)
        retiredPorts.append(serialPort);
    else
        serialPort->deleteLater();
    serialPort = nullptr;
}

void MainWindow::onPortError(QSerialPort *port, int error)
{
    // A pulled cable shows as a resource error, or (on a hung-up line) as
    // read errors repeated on every turn of the event loop. Either means the
    // device is gone; react once, outside the port's own signal.
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError)
        return;
    if (port != serialPort || !connected || linkLostReported)
        return;
    linkLostReported = true;
    QMetaObject::invokeMethod(this, &MainWindow::onLinkLost, Qt::QueuedConnection);
}

void MainWindow::onLinkLost()
{
    if (!connected || !serialPort)
        return;
    // Keep every complete reply that arrived before the line went down.
    takeArrivedBytes();
    if (!handlingReplies) {
        handlingReplies = true;
        while (!pendingReplies.isEmpty())
            handleReply(pendingReplies.takeFirst());
        handlingReplies = false;
    }
    if (!connected)
        return;
    // Whether to read again: how far a read that was under way came.
    const QString readState =
        groupsOfRead >= 0 ? tr("读取未完成，已收到%1组。").arg(groupsOfRead) : QString();
    disconnectDevice();
    showInformation(tr(DeviceProtocol::FailureTitle), tr("设备连接已断开！"), readState);
}

void MainWindow::takeArrivedBytes()
{
    if (serialPort && serialPort->isOpen())
        pendingReplies += rxBuffer.take(serialPort->readAll());
}

void MainWindow::handleReply(const QString &line)
{
    qDebug() << line;
    switch (DeviceProtocol::classifyReply(line)) {
    case DeviceProtocol::Reply::Connected:
        if (!serialPort)
            return; // the link went down before this line was handled
        connected = true;
        ui->action_connect_device->setText(tr("断开连接"));
        ui->action_connect_device->setIcon(QIcon(QStringLiteral(":/pic/stop.png")));
        ui->action_delete_device->setEnabled(true);
        ui->action_read_device->setEnabled(true);
        showInformation(tr(DeviceProtocol::SuccessTitle), tr(DeviceProtocol::ConnectedText));
        break;
    case DeviceProtocol::Reply::Deleted:
        showInformation(tr(DeviceProtocol::SuccessTitle), tr(DeviceProtocol::DeletedText));
        break;
    case DeviceProtocol::Reply::End: {
        const bool nothingRead = groupsOfRead == 0;
        readingArchive.finishRead();
        groupsOfRead = -1;
        setReportsEnabled(true);
        ui->action_save->setEnabled(true);
        if (nothingRead) // a read that brought nothing is told, not left silent
            showInformation(tr(DeviceProtocol::SuccessTitle), tr("设备中没有数据！"));
        break;
    }
    case DeviceProtocol::Reply::Group: {
        const QString group = GroupList::groupFromReplyLine(line);
        readingArchive.append(group);
        listGroup(group, deviceGroupIcon);
        if (groupsOfRead >= 0)
            ++groupsOfRead;
        break;
    }
    }
}

void MainWindow::listGroup(const QString &groupText, const QIcon &icon)
{
    groupList.append(groupText);
    const int number = groupCounter++;
    ui->listWidget->addItem(entryStyle.makeEntry(number, icon));
}

void MainWindow::showGroup(int row)
{
    if (!groupValues.parse(groupList.at(row)))
        return;
    shownRow = row;
    MeasurementTable::showValues(ui->tableWidget, groupValues);
    const QColor background = PhasorDiagram::backgroundColour();
    PhasorDiagram::drawPhasorDiagram(ui->label, background, groupValues, orientation());
    const QImage picture =
        PhasorDiagram::drawPhasorDiagram(imageLabel, background, groupValues, orientation());
    DiagramFile::save(picture);
}

void MainWindow::resetView()
{
    if (overviewDialog)
        overviewDialog->close(); // it showed the groups of the list now emptied
    MeasurementTable::showZeros(ui->tableWidget);
    ui->label->clear();
    PhasorDiagram::drawDiagramBackground(ui->label, PhasorDiagram::backgroundColour());
    ui->listWidget->clear();
    groupList.clear();
    groupCounter = 1;
    shownRow = -1;
    chosenWindows.clear(); // chosen for groups no longer listed
    // The values of a group no longer listed must not reach a report.
    groupValues = GroupValues();
}

void MainWindow::redrawCurrentGroup()
{
    if (groupList.isEmpty())
        return;
    const int row = ui->listWidget->currentRow();
    if (row >= 0 && row < groupList.size())
        showGroup(row);
}

PhasorDiagram::Orientation MainWindow::orientation() const
{
    PhasorDiagram::Orientation result;
    result.clockwise = ui->SRadioButton->isChecked();
    result.zeroAtTwelve = ui->LRadioButton->isChecked();
    return result;
}

void MainWindow::setReportsEnabled(bool enabled)
{
    ui->action_word->setEnabled(enabled);
    ui->action_excel->setEnabled(enabled);
    ui->action_pdf->setEnabled(enabled);
    ui->action_wiring_check->setEnabled(enabled);
    ui->action_print->setEnabled(enabled);
}

void MainWindow::setOrientationEnabled(bool enabled)
{
    ui->SRadioButton->setEnabled(enabled);
    ui->NRadioButton->setEnabled(enabled);
    ui->LRadioButton->setEnabled(enabled);
    ui->DRadioButton->setEnabled(enabled);
}

void MainWindow::showInformation(const QString &title, const QString &text)
{
    QMessageBox::information(this, title, text, QMessageBox::Ok, QMessageBox::NoButton);
}

void MainWindow::showInformation(const QString &title, const QString &text,
                                 const QString &informativeText)
{
    if (informativeText.isEmpty()) {
        showInformation(title, text);
        return;
    }
    QMessageBox box(QMessageBox::Information, title, text, QMessageBox::Ok, this);
    box.setInformativeText(informativeText);
    box.exec();
}
