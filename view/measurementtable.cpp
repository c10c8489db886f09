#include "measurementtable.h"

#include "groupvalues.h"
#include "numbertext.h"


namespace {

struct ValueCell
{
    int row;
    int column;
    double GroupValues::*entry;
    int decimals;
};

// In the order the cells are written.
const ValueCell layout[] = {
    { 16, 1, &GroupValues::frequency, NumberText::FrequencyDecimals },
    { 2, 1, &GroupValues::currentA, NumberText::CurrentDecimals },
    { 2, 2, &GroupValues::currentB, NumberText::CurrentDecimals },
    { 2, 3, &GroupValues::currentC, NumberText::CurrentDecimals },
    { 16, 3, &GroupValues::currentN, NumberText::CurrentDecimals },
    { 1, 1, &GroupValues::voltageA, NumberText::VoltageDecimals },
    { 1, 2, &GroupValues::voltageB, NumberText::VoltageDecimals },
    { 1, 3, &GroupValues::voltageC, NumberText::VoltageDecimals },
    { 3, 1, &GroupValues::powerAngleA, NumberText::AngleDecimals },
    { 3, 2, &GroupValues::powerAngleB, NumberText::AngleDecimals },
    { 3, 3, &GroupValues::powerAngleC, NumberText::AngleDecimals },
    { 8, 3, &GroupValues::voltagePhaseCA, NumberText::AngleDecimals },
    { 8, 2, &GroupValues::voltagePhaseBC, NumberText::AngleDecimals },
    { 8, 1, &GroupValues::voltagePhaseAB, NumberText::AngleDecimals },
    { 7, 3, &GroupValues::currentPhaseCA, NumberText::AngleDecimals },
    { 7, 2, &GroupValues::currentPhaseBC, NumberText::AngleDecimals },
    { 7, 1, &GroupValues::currentPhaseAB, NumberText::AngleDecimals },
    { 4, 1, &GroupValues::powerFactorA, NumberText::FactorDecimals },
    { 4, 2, &GroupValues::powerFactorB, NumberText::FactorDecimals },
    { 4, 3, &GroupValues::powerFactorC, NumberText::FactorDecimals },
    { 11, 1, &GroupValues::activePowerA, NumberText::PowerDecimals },
    { 11, 2, &GroupValues::reactivePowerA, NumberText::PowerDecimals },
    { 11, 3, &GroupValues::apparentPowerA, NumberText::PowerDecimals },
    { 12, 1, &GroupValues::activePowerB, NumberText::PowerDecimals },
    { 12, 2, &GroupValues::reactivePowerB, NumberText::PowerDecimals },
    { 12, 3, &GroupValues::apparentPowerB, NumberText::PowerDecimals },
    { 13, 1, &GroupValues::activePowerC, NumberText::PowerDecimals },
    { 13, 2, &GroupValues::reactivePowerC, NumberText::PowerDecimals },
    { 13, 3, &GroupValues::apparentPowerC, NumberText::PowerDecimals },
    { 14, 1, &GroupValues::activePowerSum, NumberText::PowerDecimals },
    { 14, 2, &GroupValues::reactivePowerSum, NumberText::PowerDecimals },
    { 14, 3, &GroupValues::apparentPowerSum, NumberText::PowerDecimals },
};

QList<MeasurementTable::Cell> cells(const GroupValues &values)
{
    QList<MeasurementTable::Cell> written;
    for (const ValueCell &cell : layout)
        written.append({ cell.row, cell.column, NumberText::fixed(values.*cell.entry, cell.decimals) });
    return written;
}

} // namespace

QList<MeasurementTable::Cell> MeasurementTable::valueCells(const GroupValues &values)
{
    return cells(values);
}

QList<MeasurementTable::Cell> MeasurementTable::zeroCells()
{
    return cells(GroupValues());
}
