#ifndef HISTORYDIALOG_H
#define HISTORYDIALOG_H

#include "readinghistory.h"

#include <QDialog>
#include <functional>

class QTableWidget;

// 历史读取: the copies of readings, newest first, one row each (the time of
// the read, the number of its groups, their wiring systems, complete or cut
// short). Double-clicking a row or pressing 打开 asks the window to open it.
class HistoryDialog : public QDialog
{
    Q_OBJECT

public:
    // running: the copy of the read under way, if any, shown as such.
    HistoryDialog(const QList<ReadingHistory::Copy> &copies, const QString &running, QWidget *parent);

    // The action: the copies in a dialog of its own, or, with none, the
    // box that says so; open is called with the copy chosen.
    static void showCopies(QWidget *parent, const QString &running,
                           const std::function<void(const QString &path)> &open);

    QTableWidget *table() const { return m_table; }

signals:
    void openRequested(const QString &path);

private:
    void openRow(int row);

    QList<ReadingHistory::Copy> m_copies;
    QTableWidget *m_table;
};

#endif // HISTORYDIALOG_H
