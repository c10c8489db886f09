#include "wiringcheckdialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QFont pointFont(int points, bool bold = false)
{
    QFont font;
    font.setPointSize(points);
    font.setBold(bold);
    return font;
}

QColor severityColour(WiringCheck::Severity severity)
{
    switch (severity) {
    case WiringCheck::Severity::Normal:
        return QColor(0, 128, 0);
    case WiringCheck::Severity::Hint:
        return QColor(192, 96, 0);
    case WiringCheck::Severity::Fault:
        break;
    }
    return QColor(200, 0, 0);
}

} // namespace

WiringCheckDialog::WiringCheckDialog(const QString &groupName,
                                     const QList<WiringCheck::Finding> &findings, QWidget *parent)
    : QDialog(parent)
    , m_table(new QTableWidget(int(findings.size()), 3, this))
{
    setWindowTitle(tr("接线检查"));
    setFont(pointFont(11));

    auto *heading = new QLabel(groupName, this);
    heading->setFont(pointFont(12, true));

    m_table->setObjectName(QStringLiteral("findingsTable"));
    m_table->setHorizontalHeaderLabels({ tr("结果"), tr("说明"), tr("依据") });
    m_table->verticalHeader()->setVisible(false);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setWordWrap(false);
    for (int row = 0; row < findings.size(); ++row) {
        const WiringCheck::Finding &finding = findings.at(row);
        auto *result = new QTableWidgetItem(WiringCheck::severityText(finding.severity));
        result->setForeground(severityColour(finding.severity));
        result->setTextAlignment(Qt::AlignCenter);
        m_table->setItem(row, 0, result);
        m_table->setItem(row, 1, new QTableWidgetItem(finding.text));
        m_table->setItem(row, 2, new QTableWidgetItem(finding.basis));
    }
    // Sized to show every finding whole, without scroll bars.
    m_table->ensurePolished();
    m_table->resizeColumnsToContents();
    m_table->resizeRowsToContents();
    for (int column = 0; column < 2; ++column)
        m_table->setColumnWidth(column, m_table->columnWidth(column) + 12);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const int frame = 2 * m_table->frameWidth();
    m_table->setFixedHeight(m_table->horizontalHeader()->sizeHint().height()
                            + m_table->verticalHeader()->length() + frame);
    m_table->setMinimumWidth(m_table->horizontalHeader()->length() + frame);

    auto *reminder = new QLabel(tr("以上结果由测得的相位角推断，仅供参考，请在现场核实。"), this);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(m_table);
    layout->addWidget(reminder);
    layout->addWidget(buttons);
    resize(qMax(640, sizeHint().width()), sizeHint().height());
}
