#ifndef WIRINGCHECKDIALOG_H
#define WIRINGCHECKDIALOG_H

#include "analysis/wiringdiagnosis.h"
#include "view/groupvalues.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QTableWidget;

// The wiring check of one group, read-only: the diagnosis first (the wiring
// form, its load angle, the correction factor K and what to change on site)
// under a window of load angles the user chooses, the other forms of the
// same family, a calculator of the energy to recover or refund, then the
// findings of the check (result, text, the numbers it rests on) and a
// reminder to confirm them on site.
class WiringCheckDialog : public QDialog
{
    Q_OBJECT

public:
    WiringCheckDialog(const QString &groupName, const GroupValues &values,
                      WiringDiagnosis::LoadWindow window, QWidget *parent);

    WiringDiagnosis::LoadWindow loadWindow() const;

    // The parts, for tests and tools.
    QComboBox *windowBox() const { return m_windowBox; }
    QLabel *diagnosisLabel() const { return m_diagnosis; }
    QTableWidget *alternativesTable() const { return m_alternatives; }
    QLineEdit *energyEdit() const { return m_energy; }
    QLabel *refundLabel() const { return m_refund; }
    QTableWidget *findingsTable() const { return m_table; }

signals:
    // The user chose another window; the dialog has diagnosed again.
    void loadWindowChanged(WiringDiagnosis::LoadWindow window);

private:
    void diagnose();
    void showRefund();

    GroupValues m_values;
    double m_k = 0;
    QComboBox *m_windowBox;
    QLabel *m_diagnosis;
    QTableWidget *m_alternatives;
    QLineEdit *m_energy;
    QLabel *m_refund;
    QTableWidget *m_table;
};

#endif // WIRINGCHECKDIALOG_H
