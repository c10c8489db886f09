#ifndef METERDIALOG_H
#define METERDIALOG_H

#include "archivetypes.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QDateEdit;
class QLabel;
class QLineEdit;

// 关联电能表: ties one or more tests to the meter they were measured on
// (户号, 户名, 安装地点, 表号, the transformer ratios as the nameplate writes
// them), with the date of the test, the tester, the meter's registers read
// at the visit, and whether the test is void (作废, with a reason) or the
// visit at which the wiring was corrected (接线已更正). Typing a 户号 or 表号
// offers the meters already known and fills in the rest.
class MeterDialog : public QDialog
{
    Q_OBJECT

public:
    // The known meters whose 户号 or 表号 begins with a text.
    using MeterLookup = std::function<QList<Archive::Meter>(const QString &text)>;

    MeterDialog(const Archive::MeterDetails &meter, const Archive::TestDetails &test, int testCount,
                MeterLookup lookup, QWidget *parent = nullptr);

    Archive::MeterDetails meter() const { return m_meter; }
    Archive::TestDetails test() const { return m_test; }

    void accept() override;

private:
    void offerMeters(QLineEdit *edit);
    void fillIn(const Archive::Meter &meter);

    MeterLookup m_lookup;
    QList<Archive::Meter> m_offered;
    QLineEdit *m_accountNo;
    QLineEdit *m_customer;
    QLineEdit *m_site;
    QLineEdit *m_meterNo;
    QLineEdit *m_ctRatio;
    QLineEdit *m_ptRatio;
    QLineEdit *m_tester;
    QDateEdit *m_testDate;
    QList<QLineEdit *> m_registers;
    QCheckBox *m_corrected;
    QDateEdit *m_correctedOn;
    QCheckBox *m_voided;
    QLineEdit *m_voidReason;
    Archive::MeterDetails m_meter;
    Archive::TestDetails m_test;
};

#endif // METERDIALOG_H
