#ifndef REPORTINFODIALOG_H
#define REPORTINFODIALOG_H

#include "reportinfo.h"

#include <QDialog>
#include <optional>

class QDateEdit;
class QLineEdit;

// 报告信息: asks for the report information before a PDF is written or
// pages are printed, offering the values given last time, and says when they
// go on every one of several pages. A ratio that is no ratio as a nameplate
// writes it is refused with a message and the dialog stays open.
class ReportInfoDialog : public QDialog
{
    Q_OBJECT

public:
    ReportInfoDialog(const ReportInfo &info, int pageCount, QWidget *parent = nullptr);

    // Asks for a report of pageCount pages, offering the values given last;
    // those accepted are kept for next time. Nothing when the user cancels.
    static std::optional<ReportInfo> ask(QWidget *parent, int pageCount);

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
