#ifndef HISTORYDIALOG_H
#define HISTORYDIALOG_H

#include "device/readinghistory.h"

#include <QDialog>

class QTableWidget;

// 历史读取: the copies of readings, newest first, one row each (the time of
// the read, its groups, the first group's wiring system, complete or cut
// short). Double-clicking a row or pressing 打开 asks the window to open it.
class HistoryDialog : public QDialog
{
    Q_OBJECT

public:
    // running: the copy of the read under way, if any, shown as such.
    HistoryDialog(const QList<ReadingHistory::Copy> &copies, const QString &running, QWidget *parent);

    QTableWidget *table() const { return m_table; }

signals:
    void openRequested(const QString &path);

private:
    void openRow(int row);

    QList<ReadingHistory::Copy> m_copies;
    QTableWidget *m_table;
};

#endif // HISTORYDIALOG_H
