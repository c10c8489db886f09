#ifndef WIRINGCHECKDIALOG_H
#define WIRINGCHECKDIALOG_H

#include "energyrefund.h"
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
// on), the refund from the meter's registers over the period with the
// intervals of K and of the energy, and a reminder to confirm them on site.
class WiringCheckDialog : public QDialog
{
    Q_OBJECT

public:
    // keptForEveryGroup: the window is kept for every group.
    // registers: those read for the group before, if any.
    WiringCheckDialog(const QString &groupName, const GroupValues &values,
                      WiringDiagnosis::LoadWindow window, bool keptForEveryGroup, QWidget *parent,
                      const std::optional<EnergyRefund::PeriodRegisters> &registers = std::nullopt);

    // Fills the period's fields with readings found elsewhere (the archive),
    // still editable, and says where they came from.
    void fillPeriod(const EnergyRefund::Entries &entries, const QString &source);

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
    QComboBox *entryModeBox() const { return m_entryMode; }
    QLineEdit *startEdit(int reg) const { return m_start[reg]; }
    QLineEdit *endEdit(int reg) const { return m_end[reg]; }
    QLineEdit *billedEdit() const { return m_billed; }
    // 角度, 电压电流, 有功等级, 无功等级.
    QLineEdit *accuracyEdit(int i) const { return m_accuracy[i]; }
    QLabel *periodRefundLabel() const { return m_periodRefund; }
    QLabel *periodSourceLabel() const { return m_periodSource; }

signals:
    // The user chose another window, or ticked or cleared keeping it for
    // every group; the dialog has diagnosed again.
    void loadWindowChanged(WiringDiagnosis::LoadWindow window, bool forEveryGroup);
    // The registers of the period as now entered (none while wrong or empty).
    void registersChanged(const std::optional<EnergyRefund::PeriodRegisters> &registers);

private:
    void diagnose();
    void showRefund();
    void showPeriodRefund();
    QWidget *periodPart(const std::optional<EnergyRefund::PeriodRegisters> &registers);
    // The accuracy as entered; nullopt (and the label saying why) when refused.
    std::optional<EnergyRefund::Accuracy> enteredAccuracy();

    GroupValues m_values;
    WiringDiagnosis::Diagnosis m_diagnosed;
    QComboBox *m_windowBox;
    QCheckBox *m_everyGroup;
    QLabel *m_diagnosis;
    QTableWidget *m_alternatives;
    QLineEdit *m_energy;
    QLabel *m_refund;
    QTableWidget *m_table;
    QComboBox *m_entryMode = nullptr;
    std::array<QLineEdit *, EnergyRefund::RegisterCount> m_start{};
    std::array<QLineEdit *, EnergyRefund::RegisterCount> m_end{};
    QLineEdit *m_billed = nullptr;
    std::array<QLineEdit *, 4> m_accuracy{};
    QLabel *m_endHeading = nullptr;
    QLabel *m_periodRefund = nullptr;
    QLabel *m_periodSource = nullptr;
};

#endif // WIRINGCHECKDIALOG_H
