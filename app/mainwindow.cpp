#include "mainwindow.h"

#include "mainwindowform.h"

#include "device/datafile.h"
#include "device/grouplist.h"
#include "view/diagramfile.h"
#include "view/measurementtable.h"

#include <QAction>
#include <QFileDialog>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QRadioButton>
#include <QTableWidget>

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(new MainWindowForm)
{
    ui->setupUi(this);

    // The report picture is painted at a fixed 600 x 600 on a canvas that is
    // never shown, whatever the size of the diagram on screen.
    imageLabel = new QLabel();
    imageLabel->setGeometry(0, 0, 600, 600);
    imageLabel->hide();

    PhasorDiagram::drawDiagramBackground(ui->label, PhasorDiagram::backgroundColour());
}

MainWindow::~MainWindow()
{
    delete ui;
    delete imageLabel;
}

void MainWindow::readCom()
{
}

void MainWindow::sendCom(QString msg)
{
    Q_UNUSED(msg);
}

void MainWindow::on_action_connect_device_triggered()
{
}

void MainWindow::on_action_read_device_triggered()
{
}

void MainWindow::on_action_delete_device_triggered()
{
}

void MainWindow::on_listWidget_clicked(QModelIndex index)
{
    ui->action_save->setEnabled(true);
    ui->action_excel->setEnabled(true);
    ui->action_word->setEnabled(true);
    setOrientationEnabled(true);
    if (index.row() >= 0 && index.row() < groupList.size())
        showGroup(groupList.at(index.row()));
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
}

void MainWindow::on_action_excel_triggered()
{
}

void MainWindow::on_action_save_triggered()
{
    const QString fileName = QFileDialog::getSaveFileName(this, tr("保存文件"), QStringLiteral("./"),
                                                          tr("DAT文件 (*.dat)"));
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
    showInformation(tr("保存文件"), tr("文件保存失败！"));
    return false;
}

bool MainWindow::openDataFile(const QString &fileName)
{
    resetView();
    setOrientationEnabled(false);
    ui->action_excel->setEnabled(false);
    ui->action_word->setEnabled(false);

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

void MainWindow::listGroup(const QString &groupText, const QIcon &icon)
{
    groupList.append(groupText);
    const int number = groupCounter++;
    ui->listWidget->addItem(entryStyle.makeEntry(number, icon));
}

void MainWindow::showGroup(const QString &groupText)
{
    if (!groupValues.parse(groupText))
        return;
    MeasurementTable::showValues(ui->tableWidget, groupValues);
    const QColor background = PhasorDiagram::backgroundColour();
    PhasorDiagram::drawPhasorDiagram(ui->label, background, groupValues, orientation());
    const QImage picture =
        PhasorDiagram::drawPhasorDiagram(imageLabel, background, groupValues, orientation());
    DiagramFile::save(picture);
}

void MainWindow::resetView()
{
    MeasurementTable::showZeros(ui->tableWidget);
    ui->label->clear();
    PhasorDiagram::drawDiagramBackground(ui->label, PhasorDiagram::backgroundColour());
    ui->listWidget->clear();
    groupList.clear();
    groupCounter = 1;
}

void MainWindow::redrawCurrentGroup()
{
    if (groupList.isEmpty())
        return;
    const int row = ui->listWidget->currentRow();
    if (row >= 0 && row < groupList.size())
        showGroup(groupList.at(row));
}

PhasorDiagram::Orientation MainWindow::orientation() const
{
    PhasorDiagram::Orientation result;
    result.clockwise = ui->SRadioButton->isChecked();
    result.zeroAtTwelve = ui->LRadioButton->isChecked();
    return result;
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
