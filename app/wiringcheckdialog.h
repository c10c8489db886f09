#ifndef WIRINGCHECKDIALOG_H
#define WIRINGCHECKDIALOG_H

#include "analysis/wiringcheck.h"

#include <QDialog>

class QTableWidget;

// Shows the findings of the wiring check of one group, read-only: a heading
// with the group's entry, one row per finding (result, text, the numbers it
// rests on) and a reminder that these are hints to confirm on site.
class WiringCheckDialog : public QDialog
{
    Q_OBJECT

public:
    WiringCheckDialog(const QString &groupName, const QList<WiringCheck::Finding> &findings,
                      QWidget *parent);

    // The table of findings, for tests and tools.
    QTableWidget *findingsTable() const { return m_table; }

private:
    QTableWidget *m_table;
};

#endif // WIRINGCHECKDIALOG_H
