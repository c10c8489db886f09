#ifndef ARCHIVELINK_H
#define ARCHIVELINK_H

#include "archiveconnection.h"
#include "refundperiod.h"
#include "reportinfo.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

class ArchiveDialog;
class ArchiveWriter;
class QAction;
class QToolButton;
class QListWidget;
class QWidget;

// The window's side of the archive: every group read goes to it as it
// arrives, groups it held already are marked in the list, its state stands
// in the toolbar, and the actions of the drop-down 档案 (档案查询, 关联电能表,
// 导入档案, 校验档案) and 历史读取 ask and tell here.
class ArchiveLink : public QObject
{
    Q_OBJECT

public:
    // What the archive needs of the window.
    struct Window
    {
        QWidget *widget;
        QListWidget *list;
        std::function<QStringList()> groups;   // the list's groups
        std::function<int()> currentRow;       // the group the reports take
        // Lists groups as if just read and shows one of them.
        std::function<void(const QStringList &groups, int row)> show;
        // Opens a data file as 打开文件 does.
        std::function<bool(const QString &path)> openFile;
    };

    // path: the archive file, the user's data folder's by default.
    explicit ArchiveLink(Window window, const QString &path = ArchiveConnection::defaultPath());
    ~ArchiveLink() override;

    // 档案查询, 关联电能表, 导入档案, 校验档案.
    QList<QAction *> actions() const { return m_actions; }
    // The toolbar's 档案 button: its tooltip and icon tell where the
    // archive stands (the window's designed size leaves no room for a
    // status bar).
    void setStateButton(QToolButton *button);
    // Where the archive stands, in words.
    QString stateText() const { return m_stateText; }
    ArchiveWriter *writer() const { return m_writer; }
    const QString &path() const { return m_path; }

    // The instrument's read: begun, a group arrived, the bytes of an
    // arrival handled (their groups go to the archive together), ended.
    void readBegun();
    void groupArrived(const QString &group);
    void arrivalHandled(const QString &copyName);
    void readFinished(const QString &copyName);
    // The list was emptied: its marks belong to no read any more.
    void listReset() { m_listedRead.clear(); }

    // 关联电能表 for these groups of the list.
    void tie(const QStringList &groups);
    // The header of a report page of a group: its meter and test, when the
    // archive ties it to one.
    std::optional<ReportInfo> reportInfoFor(const QString &group);
    // The refund period of a group's test, where the archive ties it to a meter.
    std::optional<RefundPeriod> refundPeriodFor(const QString &group);
    // A PDF just written: kept with the tests of its pages that are tied.
    void keepReport(const QString &fileName, const QStringList &groups);
    // 历史读取: the reads in the archive.
    void showReads();

    // The archive opened for reading and ties, in the window's thread; none
    // (told under title) when it cannot be opened.
    ArchiveConnection *connection(const QString &title);

signals:
    // A read, a tie or an import is in the archive (for the department's server).
    void changed();
    // Where the archive stands changed; problem: it cannot be written.
    void stateChanged(const QString &text, bool problem);
    // The 档案 window was opened (the server's search joins it).
    void archiveWindowOpened(ArchiveDialog *dialog);

private:
    // Opens the window's connection, if not open; the reason in m_openError.
    bool openQuietly();
    void showState(const QString &problem, int waiting);
    void setStateText(const QString &text);
    void markKnown(const QString &readUid, int firstSeq, const QList<bool> &known);
    void openArchiveWindow();
    void importFile();
    void checkChain();

    Window m_window;
    QString m_path;
    ArchiveWriter *m_writer;
    std::unique_ptr<ArchiveConnection> m_connection;
    QString m_openError;
    QList<QAction *> m_actions;
    QPointer<QToolButton> m_button;
    QString m_stateText;
    QString m_problem;
    QString m_listedRead; // the read whose groups the list shows
    int m_newGroups = 0;
    int m_knownGroups = 0;
    QPointer<ArchiveDialog> m_dialog;
};

#endif // ARCHIVELINK_H
