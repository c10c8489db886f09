#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include "device/grouplist.h"
#include "device/readingarchive.h"
#include "device/replyframer.h"
#include "device/serialports.h"
#include "analysis/wiringdiagnosis.h"
#include "report/reportpage.h"
#include "report/reportvalues.h"
#include "view/groupvalues.h"
#include "view/phasordiagram.h"

#include <QHash>
#include <QIcon>
#include <QMainWindow>
#include <QModelIndex>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <optional>

class MainWindowForm;
class OverviewDialog;
class QLabel;
class QPrinter;
class QSerialPort;

// The one window of the tool. It holds the whole state: the form, the link
// to the instrument, the loaded groups and the values of the group on show.
// Its slots stay short; the work is done by the units of device/, view/ and
// report/.
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
    // Text received from the instrument that does not yet form a reply line.
    const QString &pendingReplyText() const { return rxBuffer.pending(); }

    // What the save and open actions do once the user has named the file.
    // Failures are told to the user; the result says whether it worked.
    bool saveDataFile(const QString &fileName);
    bool openDataFile(const QString &fileName);

    // What the Word and Excel actions do once the user has named the file:
    // the report of the group shown, or with none shown of the entry
    // selected or else the first; its diagram in the orientation chosen
    // now. The user is told whether it worked.
    bool exportReport(ReportKind kind, const QString &fileName);

    // What the PDF action does once the user has chosen the groups (rows of
    // the list, one page each, in this order) and named the file, without
    // the closing box. More than one page shows a progress dialog, whose
    // cancel leaves no file.
    enum class PdfOutcome { Written, Failed, Cancelled };
    // info: the header of every page and the transformer ratios, by default
    // those given last.
    PdfOutcome writePdfReport(const QString &fileName, const QList<int> &rows,
                              const ReportInfo &info = ReportInfo::load());

    // What printing does on the printer chosen: the pages of the PDF of
    // these rows, as many as the printer's page range takes.
    void printReport(QPrinter &printer, const QList<int> &rows, const ReportInfo &info);

    // What the table action does once the user has named the file: every
    // group of the list as an Excel workbook (.xlsx) or, for a name ending in
    // .csv, as a CSV file. The user is told whether it worked.
    bool exportGroupTable(const QString &fileName);

    // Where the connect action looks for the instrument's port. The tool
    // asks the system; tests hand it ports of their own.
    using PortEnumerator = std::function<QList<SerialPortRecord>()>;
    void setPortEnumerator(PortEnumerator enumerator) { portEnumerator = std::move(enumerator); }
    // Where the connect action looks for a plugged-in adapter that has no
    // port (Linux sysfs); tests hand it a folder of their own.
    void setSysfsRoot(const QString &root) { sysfsRoot = root; }

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
    // On a screen too small for the window, lets its content scroll.
    void fitToScreen();
    // Appends a group to groupList and its numbered entry to the list.
    void listGroup(const QString &groupText, const QIcon &icon);
    // Shows the group of a list row: values, table, both diagrams and
    // "buffer.png". A group text with too few fields changes nothing.
    void showGroup(int row);
    // Empties the list and the view before new groups arrive.
    void resetView();
    // Shows the group of the current list row again, in the orientation now chosen.
    void redrawCurrentGroup();
    PhasorDiagram::Orientation orientation() const;
    void setOrientationEnabled(bool enabled);
    void showInformation(const QString &title, const QString &text);
    // The same box with a second paragraph, when there is one.
    void showInformation(const QString &title, const QString &text, const QString &informativeText);
    void chooseAndExportReport(ReportKind kind);
    // The rows of the groups a PDF or a print-out takes: the one shown or,
    // asked when there are more, every group; nothing when the user cancels
    // or the list is empty (told under title). question: the box's text.
    std::optional<QList<int>> chooseReportRows(const QString &title, const QString &question);
    // 报告信息 for a report of pageCount pages, offering the values given
    // last and keeping those accepted; nothing when the user cancels.
    std::optional<ReportInfo> askReportInfo(int pageCount);
    // The page layout of the PDF and the print-out, in the orientation
    // chosen now.
    ReportPage reportPage(const ReportInfo &info) const;
    // The PDF action: asks which groups, then as exportPdfOf.
    void chooseAndExportPdf();
    // A PDF of these rows: asks the report information and the file,
    // exports, tells.
    void exportPdfOf(const QList<int> &rows);
    // The wiring check action: the findings of the group shown, in a dialog.
    void showWiringCheck();
    // The list row that the reports and the wiring check take: the group
    // shown, else the entry selected, else the first.
    int reportRow() const;
    // The values of that row, or nothing with the user told why under the
    // title: an empty list, or the text incomplete for a group too short.
    std::optional<GroupValues> valuesToReport(const QString &title, const QString &incomplete);
    std::optional<GroupValues> valuesToReport(ReportKind kind);
    bool writeReport(ReportKind kind, const QString &fileName, const GroupValues &values);
    // The overview action: every group of the list in a dialog of its own.
    void showOverview();
    // A group chosen in the overview, shown as a click on its entry shows it.
    void showListedGroup(int row);
    // The print action: asks which groups and the report information, then
    // shows the pages in a print preview, from which the user prints.
    void printWithPreview();
    // The pages of these rows: asks the report information, then the preview.
    void printOf(const QList<int> &rows);
    // The table action: asks for the file and the kind, exports, tells.
    void chooseAndExportTable();
    // The history action: the copies of readings; the one chosen is opened.
    void showHistory();
    // Word, Excel, PDF and the wiring check: enabled and disabled together.
    void setReportsEnabled(bool enabled);

    // The link to the instrument.
    void connectDevice();
    void disconnectDevice();
    void releasePort();
    void onPortError(QSerialPort *port, int error);
    void onLinkLost();
    // Frames what the port holds; the lines wait in pendingReplies.
    void takeArrivedBytes();
    void handleReply(const QString &line);

    MainWindowForm *ui;
    QSerialPort *serialPort = nullptr;
    QLabel *imageLabel = nullptr;
    QStringList groupList;
    QString portName;
    ReplyFramer rxBuffer;
    bool connected = false;
    int groupCounter = 1;
    int shownRow = -1; // list row of the group shown, -1 when none is
    GroupValues groupValues;
    // The load-angle windows chosen in the wiring check, each for the group
    // of its list row (forgotten with the list), or one kept for every group
    // for the session; the wiring check and the reports diagnose under them,
    // the default elsewhere.
    QHash<int, WiringDiagnosis::LoadWindow> chosenWindows;
    std::optional<WiringDiagnosis::LoadWindow> windowForEveryGroup;
    WiringDiagnosis::LoadWindow windowFor(int row) const;
    GroupList::EntryStyle entryStyle;
    QIcon deviceGroupIcon;
    PortEnumerator portEnumerator = systemSerialPorts;
    QString sysfsRoot;
    // Open while the list it shows is; closed when the list is emptied.
    QPointer<OverviewDialog> overviewDialog;
    // A copy of every group read, in the user's data folder.
    ReadingArchive readingArchive;
    // Reply lines framed but not handled yet, in arrival order. A reply that
    // opens a message box lets further data arrive; it queues up here and is
    // handled, once each and in order, when the box closes.
    QStringList pendingReplies;
    bool handlingReplies = false;
    bool linkLostReported = false;
    // Groups received by the read under way; -1 when no read is.
    int groupsOfRead = -1;
    // Ports closed while their replies were being handled; deleted once
    // that handling has returned.
    QList<QSerialPort *> retiredPorts;
};

#endif // MAINWINDOW_H
