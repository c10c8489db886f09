#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include "grouplist.h"
#include "instrumentsession.h"
#include "loadwindowchoice.h"
#include "groupvalues.h"
#include "measurementtable.h"
#include "phasordiagram.h"
#include "readingarchive.h"
#include "reportflow.h"
#include "reportinfo.h"
#include "reportvalues.h"
#include "wiringdiagnosis.h"

#include <QIcon>
#include <QMainWindow>
#include <QModelIndex>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <optional>

class ArchiveLink;
class ServerLink;
class MainWindowForm;
class OverviewDialog;
class QLabel;
class QSerialPort;

// The one window of the tool: the form, the loaded groups and the values of
// the group on show, and the fourteen slots through which every action and
// the instrument's data arrive. The slots route: the instrument session
// talks to the instrument, the units of view/ and report/ do the work, and
// the flows of the additions (ReportFlow, TableExport, the dialogs) ask and
// tell.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // Read access for tests, benchmarks and tools.
    const QStringList &loadedGroups() const { return groupList; }
    const GroupValues &shownValues() const { return groupValues; }
    bool isConnected() const { return connected; }
    const QLabel *exportCanvas() const { return imageLabel; }
    // The port of the link to the instrument, or none.
    QSerialPort *serialPort() const { return session->port(); }

    // What the save and open actions do once the user has named the file.
    // Failures are told to the user; the result says whether it worked.
    bool saveDataFile(const QString &fileName);
    bool openDataFile(const QString &fileName);

    // The PDF of these list rows, one page each, without the boxes; info:
    // the header of every page and the transformer ratios.
    ReportFlow::Outcome writePdfReport(const QString &fileName, const QList<int> &rows,
                                       const ReportInfo &info = ReportInfo::load());

    // The link to the instrument, for tests and tools to say where it looks
    // for the port.
    InstrumentSession *instrumentSession() const { return session; }
    // The archive of every test, for tests and tools.
    ArchiveLink *archive() const { return archiveLink; }
    ServerLink *server() const { return serverLink; }

public slots:
    void readCom();
    void sendCom(QString msg);

private slots:
    void on_action_connect_device_triggered();
    void on_action_read_device_triggered();
    void on_action_delete_device_triggered();
    void on_listWidget_clicked(QModelIndex index);
    void on_SRadioButton_clicked();
    void on_NRadioButton_clicked();
    void on_LRadioButton_clicked();
    void on_DRadioButton_clicked();
    void on_action_word_triggered();
    void on_action_excel_triggered();
    void on_action_save_triggered();
    void on_action_open_triggered();

private:
    // The link to the instrument and what its replies change.
    void connectDevice();
    void disconnectDevice();
    // The flag and the controls that follow it: connect/disconnect, read, delete.
    void setConnected(bool connectedNow);
    void connectSession();

    // Appends a group to groupList and its numbered entry to the list.
    void listGroup(const QString &groupText, const QIcon &icon);
    // Shows the group of a list row: values, table, both diagrams and
    // "buffer.png". A group text with too few fields changes nothing.
    void showGroup(int row);
    // Empties the list and the view before new groups arrive.
    void resetView();
    void fillTable(const QList<MeasurementTable::Cell> &cells);
    void showEmptyDiagram();
    // Shows the group of the current list row again, in the orientation now chosen.
    void redrawCurrentGroup();
    PhasorDiagram::Orientation orientation() const;
    void setOrientationEnabled(bool enabled);
    // Word, Excel, PDF, printing and the wiring check: enabled together.
    void setReportsEnabled(bool enabled);
    void tell(const QString &title, const QString &text, const QString &informativeText = {});

    // The list row that the reports and the wiring check take: the group
    // shown, else the entry selected, else the first.
    int reportRow() const;
    // The values of that row, or nothing with the user told why under the
    // title: an empty list, or the text incomplete for a group too short.
    std::optional<GroupValues> valuesToReport(const QString &title, const QString &incomplete);
    void chooseAndExportReport(ReportKind kind);
    // The PDF and the print-out of the groups listed now.
    ReportFlow reportFlow();
    // The wiring check of the group shown, in a dialog.
    void showWiringCheck();
    // 总览: every group of the list in a dialog of its own.
    void showOverview();
    // A group chosen in the overview, shown as a click on its entry shows it.
    void showListedGroup(int row);
    // Groups from the archive, listed as if just read; the one at row shown.
    void showArchivedGroups(const QStringList &groups, int row);

    MainWindowForm *ui;
    InstrumentSession *session;
    QLabel *imageLabel = nullptr;
    QStringList groupList;
    bool connected = false;
    int groupCounter = 1;
    int shownRow = -1; // list row of the group shown, -1 when none is
    GroupValues groupValues;
    // The load-angle windows chosen in the wiring check.
    LoadWindowChoice loadWindows;
    // The meter's registers over the period read in 接线检查, by list row,
    // for the PDF's refund; they go with the list.
    QHash<int, EnergyRefund::PeriodRegisters> periodRegisters;
    GroupList::EntryStyle entryStyle;
    QIcon deviceGroupIcon;
    // Open while the list it shows is; closed when the list is emptied.
    QPointer<OverviewDialog> overviewDialog;
    // A copy of every group read, in the user's data folder.
    ReadingArchive readingArchive;
    // The archive of every test.
    ArchiveLink *archiveLink;
    ServerLink *serverLink;
};

#endif // MAINWINDOW_H
