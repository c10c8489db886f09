#ifndef ARCHIVEDIALOG_H
#define ARCHIVEDIALOG_H

#include "archivetypes.h"

#include <QDialog>
#include <QStringList>

class ArchiveConnection;
class ServerConnection;
class QCheckBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QTableWidget;
class QTimer;

// 档案: the tests in the archive, found by any part of 户号, 户名, 表号,
// 安装地点 or the tester, within a date range, the wrongly wired ones alone
// if asked; newest first. Selecting a test tied to a meter shows the
// meter's history, oldest to newest, with a plot of ΣP and K across the
// visits. 打开 shows the tests chosen in the window as if just read;
// 关联电能表 ties them; 导出表格 writes them as XLSX or CSV; 存档报告 saves
// the report kept with the test, byte for byte.
class ArchiveDialog : public QDialog
{
    Q_OBJECT

public:
    ArchiveDialog(ArchiveConnection &connection, QWidget *parent);

    QTableWidget *results() const { return m_results; }
    QTableWidget *history() const { return m_history; }
    QLineEdit *searchBox() const { return m_search; }

    // The department's server, searched (every technician's tests) while it
    // answers, else the local archive; the note says which. why: the
    // reason the server is not asked, when server is null.
    void setServer(ServerConnection *server, const QString &why);

public slots:
    // Runs the search as the fields stand.
    void search();

signals:
    // Groups to list in the window, the one at row to show.
    void openRequested(const QStringList &groups, int row);
    void tieRequested(const QStringList &groups);

private:
    void showHistory();
    // 存档报告: the newest report kept with the test chosen, saved as given.
    void saveKeptReport();
    // The groups of the rows selected in the table that has the focus,
    // else in the results.
    QStringList chosenGroups() const;
    static void fill(QTableWidget *table, const QList<Archive::TestRow> &rows, bool withMeter);

    ArchiveConnection &m_connection;
    ServerConnection *m_server = nullptr;
    QString m_serverProblem;
    bool m_onServer = false;
    QLineEdit *m_search;
    QCheckBox *m_byDate;
    QDateEdit *m_from;
    QDateEdit *m_to;
    QCheckBox *m_wrongOnly;
    QTableWidget *m_results;
    QLabel *m_historyTitle;
    QTableWidget *m_history;
    QLabel *m_plot;
    QLabel *m_note;
    QTimer *m_typing;
    QList<Archive::TestRow> m_found;
    QList<Archive::TestRow> m_visits;
};

#endif // ARCHIVEDIALOG_H
