#ifndef OVERVIEWDIALOG_H
#define OVERVIEWDIALOG_H

#include <QDialog>
#include <QStringList>

class QSortFilterProxyModel;
class QTableView;
class OverviewModel;

// 总览: every group of the list in a table, one row each, sorted by a click
// on any column's header. Double-clicking a row asks the window to show that
// group; 导出PDF and 打印 ask for a report of the rows selected, 关联电能表
// ties them to a meter. It holds a
// copy of the groups, so it stays valid whatever happens to the list; the
// window closes it when the list is emptied.
class OverviewDialog : public QDialog
{
    Q_OBJECT

public:
    OverviewDialog(const QStringList &groups, QWidget *parent);

    // The action: a new overview of the groups, shown and active (Esc and
    // the keys go to it), closed with the window or when it is closed.
    static OverviewDialog *open(const QStringList &groups, QWidget *parent);

    QTableView *table() const { return m_view; }

signals:
    // The list row of the group double-clicked.
    void groupActivated(int row);
    // A report of the groups selected: their list rows, in list order.
    void pdfRequested(const QList<int> &rows);
    void printRequested(const QList<int> &rows);
    // The groups selected, to be tied to a meter in the archive.
    void tieRequested(const QList<int> &rows);

private:
    QList<int> selectedRows() const;

    OverviewModel *m_model;
    QSortFilterProxyModel *m_sorted;
    QTableView *m_view;
};

#endif // OVERVIEWDIALOG_H
