#include "overviewmodel.h"

#include "groupsummary.h"
#include "numbertext.h"

#include "grouplist.h"

#include <QBrush>
#include <cmath>
#include <limits>

namespace {

constexpr double Empty = std::numeric_limits<double>::quiet_NaN();

struct ColumnInfo
{
    const char *header;
    int decimals; // -1: a text column
};

const ColumnInfo columns[OverviewModel::ColumnCount] = {
    { "组", -1 },
    { "接线方式", -1 },
    { "UA/UAB(V)", NumberText::VoltageDecimals },
    { "UB(V)", NumberText::VoltageDecimals },
    { "UC/UCB(V)", NumberText::VoltageDecimals },
    { "IA(A)", NumberText::CurrentDecimals },
    { "IB(A)", NumberText::CurrentDecimals },
    { "IC(A)", NumberText::CurrentDecimals },
    { "ΣP(W)", NumberText::PowerDecimals },
    { "ΣQ(Var)", NumberText::PowerDecimals },
    { "ΣS(VA)", NumberText::PowerDecimals },
    { "功率因数", NumberText::FactorDecimals },
    { "频率(Hz)", NumberText::FrequencyDecimals },
    { "接线判断", -1 },
    { "K（范围）", -1 },
};

} // namespace

OverviewModel::OverviewModel(const QStringList &groups, QObject *parent, const EnergyRefund::Accuracy &accuracy)
    : QAbstractTableModel(parent)
    , m_accuracy(accuracy)
{
    m_rows.resize(groups.size());
    for (int i = 0; i < groups.size(); ++i) {
        Row &row = m_rows[i];
        const std::optional<GroupValues> values = GroupValues::fromText(groups.at(i));
        row.complete = values.has_value();
        row.values = values.value_or(GroupValues());
        row.verdict = verdictOf(values);
    }
}

int OverviewModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int OverviewModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

double OverviewModel::number(const Row &row, int column) const
{
    const GroupValues &v = row.values;
    if (!row.complete)
        return Empty;
    // A three-wire group has no phase B: UAB and UCB stand in A and C.
    const bool phaseB = !v.isThreeWire();
    switch (column) {
    case VoltageA: return v.voltageA;
    case VoltageB: return phaseB ? v.voltageB : Empty;
    case VoltageC: return v.voltageC;
    case CurrentA: return v.currentA;
    case CurrentB: return phaseB ? v.currentB : Empty;
    case CurrentC: return v.currentC;
    case ActivePower: return v.activePowerSum;
    case ReactivePower: return v.reactivePowerSum;
    case ApparentPower: return v.apparentPowerSum;
    case PowerFactor: return totalPowerFactor(v);
    case Frequency: return v.frequency;
    default: return Empty;
    }
}

QString OverviewModel::text(int row, int column) const
{
    const Row &r = m_rows.at(row);
    switch (column) {
    case Group:
        return GroupList::entryText(row + 1);
    case Wiring:
        return r.complete ? wiringSystemText(r.values) : QString();
    case VerdictColumn:
        return r.verdict.text;
    case KRange: // diagnosed again only for the cells on show
        return r.complete ? EnergyRefund::kRangeText(r.values, WiringDiagnosis::diagnose(r.values), m_accuracy) : QString();
    default: {
        const double value = number(r, column);
        return std::isnan(value) ? QString() : NumberText::fixed(value, columns[column].decimals);
    }
    }
}

QVariant OverviewModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size() || index.column() >= ColumnCount)
        return QVariant();
    const Row &row = m_rows.at(index.row());
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        return text(index.row(), column);
    case SortRole: {
        if (column == Group)
            return index.row() + 1;
        if (columns[column].decimals < 0)
            return text(index.row(), column);
        // Empty cells sort before every number.
        const double value = number(row, column);
        return std::isnan(value) ? -std::numeric_limits<double>::infinity() : value;
    }
    case Qt::TextAlignmentRole:
        return columns[column].decimals < 0 ? int(Qt::AlignLeft | Qt::AlignVCenter)
                                            : int(Qt::AlignRight | Qt::AlignVCenter);
    case Qt::ForegroundRole:
        if (column == VerdictColumn)
            return QBrush(severityColour(row.verdict.severity));
        return QVariant();
    case Qt::BackgroundRole:
        // A faulty group stands out across its whole row.
        if (row.verdict.severity == WiringCheck::Severity::Fault)
            return QBrush(QColor(255, 228, 228));
        return QVariant();
    default:
        return QVariant();
    }
}

QVariant OverviewModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    return tr(columns[section].header);
}
