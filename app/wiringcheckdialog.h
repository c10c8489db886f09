#ifndef WIRINGCHECKDIALOG_H
#define WIRINGCHECKDIALOG_H

#include "wiringdiagnosis.h"
#include "groupvalues.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QTableWidget;

// The wiring check of one group, read-only: the diagnosis first (the wiring
// form, its load angle, the correction factor K and what to change on site)
// under a window of load angles the user chooses for this group (or, ticked,
// for every group), the default window's verdict where it differs, the
// other forms of the same family, a calculator of the energy to recover or
// refund, then the findings of the check (result, text, the numbers it rests
// on) and a reminder to confirm them on site.
class WiringCheckDialog : public QDialog
{
    Q_OBJECT

public:
    // keptForEveryGroup: the window is kept for every group.
    WiringCheckDialog(const QString &groupName, const GroupValues &values,
                      WiringDiagnosis::LoadWindow window, bool keptForEveryGroup, QWidget *parent);

    WiringDiagnosis::LoadWindow loadWindow() const;
    bool forEveryGroup() const;

    // The parts, for tests and tools.
    QComboBox *windowBox() const { return m_windowBox; }
    QCheckBox *everyGroupBox() const { return m_everyGroup; }
    QLabel *diagnosisLabel() const { return m_diagnosis; }
    QTableWidget *alternativesTable() const { return m_alternatives; }
    QLineEdit *energyEdit() const { return m_energy; }
    QLabel *refundLabel() const { return m_refund; }
    QTableWidget *findingsTable() const { return m_table; }

signals:
    // The user chose another window, or ticked or cleared keeping it for
    // every group; the dialog has diagnosed again.
    void loadWindowChanged(WiringDiagnosis::LoadWindow window, bool forEveryGroup);

private:
    void diagnose();
    void showRefund();

    GroupValues m_values;
    WiringDiagnosis::Diagnosis m_diagnosed;
    QComboBox *m_windowBox;
    QCheckBox *m_everyGroup;
    QLabel *m_diagnosis;
    QTableWidget *m_alternatives;
    QLineEdit *m_energy;
    QLabel *m_refund;
    QTableWidget *m_table;
};

#endif // WIRINGCHECKDIALOG_H
