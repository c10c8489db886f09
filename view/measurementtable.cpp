#include "measurementtable.h"

#include "groupvalues.h"
#include "numbertext.h"

#include <QFont>
#include <QTableWidget>
#include <cstddef>

namespace {

struct ValueCell
{
    int row;
    int column;
    std::size_t entry; // index into GroupValues::entries()
    int decimals;
};

#define ENTRY(name) (offsetof(GroupValues, name) / sizeof(double))

// In the order the cells are written.
const ValueCell valueCells[] = {
    { 16, 1, ENTRY(frequency), NumberText::FrequencyDecimals },
    { 2, 1, ENTRY(currentA), NumberText::CurrentDecimals },
    { 2, 2, ENTRY(currentB), NumberText::CurrentDecimals },
    { 2, 3, ENTRY(currentC), NumberText::CurrentDecimals },
    { 16, 3, ENTRY(currentN), NumberText::CurrentDecimals },
    { 1, 1, ENTRY(voltageA), NumberText::VoltageDecimals },
    { 1, 2, ENTRY(voltageB), NumberText::VoltageDecimals },
    { 1, 3, ENTRY(voltageC), NumberText::VoltageDecimals },
    { 3, 1, ENTRY(powerAngleA), NumberText::AngleDecimals },
    { 3, 2, ENTRY(powerAngleB), NumberText::AngleDecimals },
    { 3, 3, ENTRY(powerAngleC), NumberText::AngleDecimals },
    { 8, 3, ENTRY(voltagePhaseCA), NumberText::AngleDecimals },
    { 8, 2, ENTRY(voltagePhaseBC), NumberText::AngleDecimals },
    { 8, 1, ENTRY(voltagePhaseAB), NumberText::AngleDecimals },
    { 7, 3, ENTRY(currentPhaseCA), NumberText::AngleDecimals },
    { 7, 2, ENTRY(currentPhaseBC), NumberText::AngleDecimals },
    { 7, 1, ENTRY(currentPhaseAB), NumberText::AngleDecimals },
    { 4, 1, ENTRY(powerFactorA), NumberText::FactorDecimals },
    { 4, 2, ENTRY(powerFactorB), NumberText::FactorDecimals },
    { 4, 3, ENTRY(powerFactorC), NumberText::FactorDecimals },
    { 11, 1, ENTRY(activePowerA), NumberText::PowerDecimals },
    { 11, 2, ENTRY(reactivePowerA), NumberText::PowerDecimals },
    { 11, 3, ENTRY(apparentPowerA), NumberText::PowerDecimals },
    { 12, 1, ENTRY(activePowerB), NumberText::PowerDecimals },
    { 12, 2, ENTRY(reactivePowerB), NumberText::PowerDecimals },
    { 12, 3, ENTRY(apparentPowerB), NumberText::PowerDecimals },
    { 13, 1, ENTRY(activePowerC), NumberText::PowerDecimals },
    { 13, 2, ENTRY(reactivePowerC), NumberText::PowerDecimals },
    { 13, 3, ENTRY(apparentPowerC), NumberText::PowerDecimals },
    { 14, 1, ENTRY(activePowerSum), NumberText::PowerDecimals },
    { 14, 2, ENTRY(reactivePowerSum), NumberText::PowerDecimals },
    { 14, 3, ENTRY(apparentPowerSum), NumberText::PowerDecimals },
};

#undef ENTRY

void writeCell(QTableWidget *table, const ValueCell &cell, double value)
{
    auto *item = new QTableWidgetItem(NumberText::fixed(value, cell.decimals));
    item->setTextAlignment(Qt::AlignCenter);
    QFont font{ QString() };
    font.setPointSize(16);
    item->setFont(font);
    table->setItem(cell.row, cell.column, item); // replaces and deletes the old item
}

} // namespace

void MeasurementTable::showValues(QTableWidget *table, const GroupValues &values)
{
    for (const ValueCell &cell : valueCells)
        writeCell(table, cell, values.entries()[cell.entry]);
}

void MeasurementTable::showZeros(QTableWidget *table)
{
    for (const ValueCell &cell : valueCells)
        writeCell(table, cell, 0.0);
}
