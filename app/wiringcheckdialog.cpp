#include "wiringcheckdialog.h"

#include "groupverdict.h"
#include "wiringcheck.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
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
                                     WiringDiagnosis::LoadWindow window, bool keptForEveryGroup, QWidget *parent)
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
    m_refund->setMinimumWidth(m_refund->fontMetrics().horizontalAdvance(tr("ΔW = (K−1)·W′ = -000000.00 kWh，应追补")));

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
    layout->addWidget(reminder);
    layout->addWidget(buttons);

    diagnose();
    connect(m_windowBox, &QComboBox::currentIndexChanged, this, [this] {
        diagnose();
        emit loadWindowChanged(loadWindow(), forEveryGroup());
    });
    connect(m_everyGroup, &QCheckBox::toggled, this, [this] { emit loadWindowChanged(loadWindow(), forEveryGroup()); });
    connect(m_energy, &QLineEdit::textChanged, this, &WiringCheckDialog::showRefund);
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
    if (!ok || !std::isfinite(energy) || energy < 0) {
        m_refund->setText(tr("请输入抄见电量（kWh，不小于0）"));
        return;
    }
    const WiringDiagnosis::Refund r = WiringDiagnosis::refund(k, energy);
    m_refund->setText(tr("ΔW = (K−1)·W′ = %1 kWh，%2").arg(QString::number(r.energy, 'f', 2), r.direction));
}
