#ifndef REPORTINFODIALOG_H
#define REPORTINFODIALOG_H

#include "report/reportinfo.h"

#include <QDialog>

class QDateEdit;
class QLineEdit;

// 报告信息: asks for the report information before a PDF is written or
// pages are printed, offering the values given last time. A ratio that is
// no number above 0 is refused with a message and the dialog stays open.
class ReportInfoDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ReportInfoDialog(const ReportInfo &info, QWidget *parent = nullptr);

    // The values as accepted.
    ReportInfo info() const { return m_info; }

    void accept() override;

private:
    QLineEdit *m_customer;
    QLineEdit *m_site;
    QLineEdit *m_meterNumber;
    QLineEdit *m_tester;
    QDateEdit *m_date;
    QLineEdit *m_currentRatio;
    QLineEdit *m_voltageRatio;
    ReportInfo m_info;
};

#endif // REPORTINFODIALOG_H
