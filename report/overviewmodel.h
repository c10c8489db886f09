#ifndef OVERVIEWMODEL_H
#define OVERVIEWMODEL_H

#include "energyrefund.h"
#include "groupverdict.h"
#include "groupvalues.h"

#include <QAbstractTableModel>
#include <QStringList>
#include <QVector>

// Every group of a list at a glance, one row each: its entry, the wiring
// system, voltages, currents, the total powers and power factor, the
// frequency and the verdict on the wiring. Row r is list row r. The groups
// are parsed once, when the model is made; the texts are made only for the
// cells on show, so a list of ten thousand groups opens at once.
class OverviewModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column {
        Group, Wiring, VoltageA, VoltageB, VoltageC, CurrentA, CurrentB, CurrentC,
        ActivePower, ReactivePower, ApparentPower, PowerFactor, Frequency, VerdictColumn, KRange,
        ColumnCount
    };
    // A number for the numeric columns (the group's number for the first),
    // a text for the others: what a QSortFilterProxyModel sorts by.
    static constexpr int SortRole = Qt::UserRole;

    // accuracy: the instrument's, for the interval of K.
    explicit OverviewModel(const QStringList &groups, QObject *parent = nullptr,
                           const EnergyRefund::Accuracy &accuracy = {});

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    struct Row
    {
        bool complete = false; // false: too few fields to parse
        GroupValues values;
        Verdict verdict;
    };
    // The number of a cell; not a number where the cell stays empty.
    double number(const Row &row, int column) const;
    QString text(int row, int column) const;

    QVector<Row> m_rows;
    EnergyRefund::Accuracy m_accuracy;
};

#endif // OVERVIEWMODEL_H
