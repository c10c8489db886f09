#include "wiringcheckdialog.h"

#include "accuracysettings.h"
#include "groupverdict.h"
#include "wiringcheck.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QVBoxLayout>
#include <cmath>

namespace {

QFont pointFont(int points, bool bold = false)
{
    QFont font;
    font.setPointSize(points);
    font.setBold(bold);
    return font;
}

QTableWidget *readOnlyTable(const QString &name, const QStringList &headings, QWidget *parent)
{
    auto *table = new QTableWidget(0, int(headings.size()), parent);
    table->setObjectName(name);
    table->setHorizontalHeaderLabels(headings);
    table->verticalHeader()->setVisible(false);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setWordWrap(false);
    table->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    return table;
}

// Sized to show every row whole, without scroll bars.
void fitRows(QTableWidget *table)
{
    table->ensurePolished();
    table->horizontalHeader()->setStretchLastSection(false);
    table->resizeColumnsToContents();
    table->resizeRowsToContents();
    for (int column = 0; column + 1 < table->columnCount(); ++column)
        table->setColumnWidth(column, table->columnWidth(column) + 12);
    table->horizontalHeader()->setStretchLastSection(true);
    const int frame = 2 * table->frameWidth();
    table->setFixedHeight(table->horizontalHeader()->sizeHint().height()
                          + table->verticalHeader()->length() + frame);
    table->setMinimumWidth(table->horizontalHeader()->length() + frame);
}

} // namespace

WiringCheckDialog::WiringCheckDialog(const QString &groupName, const GroupValues &values,
                                     WiringDiagnosis::LoadWindow window, bool keptForEveryGroup, QWidget *parent,
                                     const std::optional<EnergyRefund::PeriodRegisters> &registers)
    : QDialog(parent)
    , m_values(values)
    , m_windowBox(new QComboBox(this))
    , m_everyGroup(new QCheckBox(tr("所有组都按此范围判定"), this))
    , m_diagnosis(new QLabel(this))
    , m_alternatives(readOnlyTable(QStringLiteral("alternativesTable"),
                                   { tr("同族其他接线形式"), tr("负载角"), tr("更正系数K") }, this))
    , m_energy(new QLineEdit(this))
    , m_refund(new QLabel(this))
    , m_table(readOnlyTable(QStringLiteral("findingsTable"), { tr("结果"), tr("说明"), tr("依据") }, this))
{
    setWindowTitle(tr("接线检查"));
    setFont(pointFont(11));

    auto *heading = new QLabel(groupName, this);
    heading->setFont(pointFont(12, true));

    for (WiringDiagnosis::LoadWindow w : WiringDiagnosis::loadWindows())
        m_windowBox->addItem(WiringDiagnosis::loadWindowText(w), int(w));
    m_windowBox->setCurrentIndex(m_windowBox->findData(int(window)));
    auto *windowRow = new QHBoxLayout;
    windowRow->addWidget(new QLabel(tr("负载角范围："), this));
    windowRow->addWidget(m_windowBox);
    m_everyGroup->setObjectName(QStringLiteral("everyGroupBox"));
    m_everyGroup->setChecked(keptForEveryGroup);
    windowRow->addWidget(m_everyGroup);
    windowRow->addStretch();

    m_diagnosis->setObjectName(QStringLiteral("diagnosisLabel"));
    m_diagnosis->setFont(pointFont(11, true));
    m_diagnosis->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_energy->setObjectName(QStringLiteral("energyEdit"));
    m_energy->setPlaceholderText(tr("抄见电量"));
    m_energy->setMaximumWidth(160);
    m_refund->setObjectName(QStringLiteral("refundLabel"));
    auto *refundRow = new QHBoxLayout;
    refundRow->addWidget(new QLabel(tr("退补电量：W′ ="), this));
    refundRow->addWidget(m_energy);
    refundRow->addWidget(new QLabel(tr("kWh"), this));
    refundRow->addWidget(m_refund, 1);
    // Room for the longest result, so that it never runs out of sight.
    m_refund->setMinimumWidth(m_refund->fontMetrics().horizontalAdvance(tr("ΔW = (K−1)·W′ = -000000.00 kWh，应补收")));

    auto *reminder = new QLabel(tr("以上结果由测得的相位角推断，仅供参考，请在现场核实。"), this);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addLayout(windowRow);
    layout->addWidget(m_diagnosis);
    layout->addWidget(m_alternatives);
    layout->addLayout(refundRow);
    layout->addWidget(m_table);
    layout->addWidget(periodPart(registers));
    layout->addWidget(reminder);
    layout->addWidget(buttons);

    diagnose();
    connect(m_windowBox, &QComboBox::currentIndexChanged, this, [this] {
        diagnose();
        emit loadWindowChanged(loadWindow(), forEveryGroup());
    });
    connect(m_everyGroup, &QCheckBox::toggled, this, [this] { emit loadWindowChanged(loadWindow(), forEveryGroup()); });
    connect(m_energy, &QLineEdit::textChanged, this, &WiringCheckDialog::showRefund);
    for (QLineEdit *edit : m_start)
        connect(edit, &QLineEdit::textChanged, this, &WiringCheckDialog::showPeriodRefund);
    for (QLineEdit *edit : m_end)
        connect(edit, &QLineEdit::textChanged, this, &WiringCheckDialog::showPeriodRefund);
    for (QLineEdit *edit : m_accuracy)
        connect(edit, &QLineEdit::textChanged, this, [this] {
            showRefund();
            showPeriodRefund();
        });
    connect(m_billed, &QLineEdit::textChanged, this, &WiringCheckDialog::showPeriodRefund);
    connect(m_entryMode, &QComboBox::currentIndexChanged, this, &WiringCheckDialog::showPeriodRefund);
}

QWidget *WiringCheckDialog::periodPart(const std::optional<EnergyRefund::PeriodRegisters> &registers)
{
    using namespace EnergyRefund;
    auto *box = new QGroupBox(tr("按期间电量退补（电子式电能表）"), this);
    auto *grid = new QGridLayout(box);
    auto *convention = new QLabel(tr("W′P = 正向有功 − 反向有功，W′Q = QⅠ + QⅡ − QⅢ − QⅣ（感性为正），均带符号；"
                                     "填0也是读数，不填为未读。按电量计算须三相基本平衡。"), box);
    convention->setWordWrap(true);
    grid->addWidget(convention, 0, 0, 1, 4);
    m_periodSource = new QLabel(box);
    m_periodSource->setObjectName(QStringLiteral("periodSourceLabel"));
    m_periodSource->setWordWrap(true);
    m_periodSource->setVisible(false);
    grid->addWidget(m_periodSource, 1, 0, 1, 4);
    m_entryMode = new QComboBox(box);
    m_entryMode->setObjectName(QStringLiteral("entryModeBox"));
    m_entryMode->addItems({ tr("起码、止码"), tr("电量差值") });
    grid->addWidget(new QLabel(tr("录入方式："), box), 2, 0);
    grid->addWidget(m_entryMode, 2, 1);
    grid->addWidget(new QLabel(tr("起码"), box), 3, 1);
    m_endHeading = new QLabel(tr("止码"), box);
    grid->addWidget(m_endHeading, 3, 2);
    for (int reg = 0; reg < RegisterCount; ++reg) {
        grid->addWidget(new QLabel(registerName(reg), box), 4 + reg, 0);
        m_start[reg] = new QLineEdit(box);
        m_end[reg] = new QLineEdit(box);
        grid->addWidget(m_start[reg], 4 + reg, 1);
        grid->addWidget(m_end[reg], 4 + reg, 2);
        grid->addWidget(new QLabel(registerUnit(reg), box), 4 + reg, 3);
    }
    m_billed = new QLineEdit(box);
    m_billed->setObjectName(QStringLiteral("billedEdit"));
    grid->addWidget(new QLabel(tr("结算电量"), box), 4 + RegisterCount, 0);
    grid->addWidget(m_billed, 4 + RegisterCount, 2);
    grid->addWidget(new QLabel(tr("kWh"), box), 4 + RegisterCount, 3);
    // Registers read before come back as what they were worked out to: differences.
    if (registers) {
        m_entryMode->setCurrentIndex(1);
        for (int reg = 0; reg < RegisterCount; ++reg)
            if (!std::isnan(registers->energy[reg]))
                m_end[reg]->setText(QString::number(registers->energy[reg], 'g', 12));
        if (!std::isnan(registers->billed))
            m_billed->setText(QString::number(registers->billed, 'g', 12));
    }

    const Accuracy kept = loadAccuracy();
    const double values[] = { kept.angle, kept.magnitude, kept.activeClass, kept.reactiveClass };
    const QString before[] = { tr("仪表准确度：角度±"), tr("°，电压、电流±"), tr("%；电能表等级：有功"), tr("级，无功") };
    auto *accuracyRow = new QHBoxLayout;
    for (int i = 0; i < 4; ++i) {
        m_accuracy[i] = new QLineEdit(QString::number(values[i]), box);
        m_accuracy[i]->setMaximumWidth(60);
        accuracyRow->addWidget(new QLabel(before[i], box));
        accuracyRow->addWidget(m_accuracy[i]);
    }
    accuracyRow->addWidget(new QLabel(tr("级"), box));
    accuracyRow->addStretch();
    grid->addLayout(accuracyRow, 5 + RegisterCount, 0, 1, 4);
    auto *errorModel = new QLabel(tr("误差模型：各元件的电压、电流和各个角度各自独立地在仪表准确度内变化，K与ΔW的范围取其最坏情况；"
                                     "按电量的结果只计电能表的等级误差。"), box);
    errorModel->setWordWrap(true);
    grid->addWidget(errorModel, 6 + RegisterCount, 0, 1, 4);
    m_periodRefund = new QLabel(box);
    m_periodRefund->setObjectName(QStringLiteral("periodRefundLabel"));
    m_periodRefund->setWordWrap(true);
    m_periodRefund->setTextInteractionFlags(Qt::TextSelectableByMouse);
    grid->addWidget(m_periodRefund, 7 + RegisterCount, 0, 1, 4);
    return box;
}

void WiringCheckDialog::fillPeriod(const EnergyRefund::Entries &entries, const QString &source)
{
    m_entryMode->setCurrentIndex(entries.differences ? 1 : 0);
    for (int reg = 0; reg < EnergyRefund::RegisterCount; ++reg) {
        m_start[reg]->setText(entries.start[reg]);
        m_end[reg]->setText(entries.end[reg]);
    }
    m_billed->setText(entries.billed);
    m_periodSource->setText(source);
    m_periodSource->setVisible(!source.isEmpty());
}

std::optional<EnergyRefund::Accuracy> WiringCheckDialog::enteredAccuracy()
{
    EnergyRefund::Accuracy accuracy;
    double *fields[] = { &accuracy.angle, &accuracy.magnitude, &accuracy.activeClass, &accuracy.reactiveClass };
    for (int i = 0; i < 4; ++i) {
        const std::optional<double> number = EnergyRefund::typedNumber(m_accuracy[i]->text());
        if (!number || std::isnan(*number)) {
            m_periodRefund->setText(tr("请输入准确度（数字）"));
            return std::nullopt;
        }
        *fields[i] = *number;
    }
    if (!accuracy.problem().isEmpty()) {
        m_periodRefund->setText(accuracy.problem());
        return std::nullopt;
    }
    saveAccuracy(accuracy);
    return accuracy;
}

void WiringCheckDialog::showPeriodRefund()
{
    if (!m_periodRefund)
        return; // still being built
    const bool differences = m_entryMode->currentIndex() == 1;
    m_endHeading->setText(differences ? tr("电量") : tr("止码"));
    EnergyRefund::Entries entries;
    entries.differences = differences;
    for (int reg = 0; reg < EnergyRefund::RegisterCount; ++reg) {
        m_start[reg]->setEnabled(!differences);
        entries.start[reg] = m_start[reg]->text();
        entries.end[reg] = m_end[reg]->text();
    }
    entries.billed = m_billed->text();
    const EnergyRefund::Parsed parsed = EnergyRefund::parse(entries);
    const std::optional<EnergyRefund::Accuracy> accuracy = enteredAccuracy();
    if (accuracy && !parsed.problem.isEmpty())
        m_periodRefund->setText(parsed.problem);
    else if (accuracy)
        m_periodRefund->setText(
            EnergyRefund::refundLines(m_values, m_diagnosed, parsed.registers, *accuracy).join(QLatin1Char('\n')));
    emit registersChanged(parsed.registers);
}

WiringDiagnosis::LoadWindow WiringCheckDialog::loadWindow() const
{
    return WiringDiagnosis::LoadWindow(m_windowBox->currentData().toInt());
}

bool WiringCheckDialog::forEveryGroup() const
{
    return m_everyGroup->isChecked();
}

void WiringCheckDialog::diagnose()
{
    using namespace WiringDiagnosis;
    const Diagnosis d = WiringDiagnosis::diagnose(m_values, loadWindow());
    m_diagnosed = d;
    QStringList lines = diagnosisLines(d, loadWindow(), Layout::Numbered);
    const QString note = defaultWindowNote(m_values, d, loadWindow());
    if (!note.isEmpty())
        lines << note;
    m_diagnosis->setText(lines.join(QLatin1Char('\n')));

    // The other forms read alike at other load angles: for a technician who
    // knows the load better than the window.
    m_alternatives->setRowCount(int(d.alternatives.size()));
    for (int row = 0; row < d.alternatives.size(); ++row) {
        const Alternative &a = d.alternatives.at(row);
        m_alternatives->setItem(row, 0, new QTableWidgetItem(a.form));
        m_alternatives->setItem(row, 1, new QTableWidgetItem(QString::number(a.loadAngle, 'f', 1) + QChar(0x00B0)));
        QString k = kText(a.k);
        if (!kMeaning(a.k).isEmpty())
            k += tr("（%1）").arg(kMeaning(a.k));
        m_alternatives->setItem(row, 2, new QTableWidgetItem(k));
    }
    m_alternatives->setVisible(!d.alternatives.isEmpty());
    fitRows(m_alternatives);

    const QList<WiringCheck::Finding> findings = WiringCheck::check(m_values, loadWindow());
    m_table->setRowCount(int(findings.size()));
    for (int row = 0; row < findings.size(); ++row) {
        const WiringCheck::Finding &finding = findings.at(row);
        auto *result = new QTableWidgetItem(WiringCheck::severityText(finding.severity));
        result->setForeground(severityColour(finding.severity));
        result->setTextAlignment(Qt::AlignCenter);
        m_table->setItem(row, 0, result);
        m_table->setItem(row, 1, new QTableWidgetItem(finding.text));
        m_table->setItem(row, 2, new QTableWidgetItem(finding.basis));
    }
    fitRows(m_table);
    showRefund();
    showPeriodRefund();
    resize(qMax(640, sizeHint().width()), sizeHint().height());
}

void WiringCheckDialog::showRefund()
{
    const QString text = m_energy->text().trimmed();
    if (text.isEmpty()) {
        m_refund->clear();
        return;
    }
    const double k = m_diagnosed.k;
    if (std::isnan(k) || m_diagnosed.atEdge) {
        m_refund->setText(tr("K不能确定，不能计算退补电量"));
        return;
    }
    if (std::isinf(k)) {
        m_refund->setText(tr("表计停走，不能由K计算退补电量"));
        return;
    }
    bool ok = false;
    const double energy = QLocale::c().toDouble(text, &ok);
    // W′ is what the meter registered, signed: a meter running backwards
    // registers less than nothing, and the sign of ΔW then says 应补收.
    if (!ok || !std::isfinite(energy)) {
        m_refund->setText(tr("请输入抄见电量（kWh，正向减反向，表计反转时为负）"));
        return;
    }
    const WiringDiagnosis::Refund r = WiringDiagnosis::refund(k, energy);
    QString result = tr("ΔW = (K−1)·W′ = %1 kWh，%2").arg(QString::number(r.energy, 'f', 2), r.direction);
    // Where K is not exact, its interval carried over to ΔW.
    const std::optional<WiringForms::Form> form = WiringForms::formOf(m_diagnosed.form);
    const std::optional<EnergyRefund::Accuracy> accuracy = m_periodRefund ? enteredAccuracy() : std::nullopt;
    const EnergyRefund::Interval range = form && accuracy ? EnergyRefund::kInterval(m_values, *form, *accuracy)
                                                          : EnergyRefund::Interval{};
    if (range.known() && range.low != range.high)
        result += tr("（范围%1～%2 kWh）")
                    .arg(QString::number(std::min((range.low - 1) * energy, (range.high - 1) * energy), 'f', 2),
                         QString::number(std::max((range.low - 1) * energy, (range.high - 1) * energy), 'f', 2));
    else if (form && accuracy && !range.known())
        result += tr("（按仪表准确度，K不能由此读数确定）");
    if (k < 0 && energy > 0)
        result += tr("（表计反转时W′应为负值）");
    m_refund->setText(result);
}
