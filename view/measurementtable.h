#ifndef MEASUREMENTTABLE_H
#define MEASUREMENTTABLE_H

#include <QList>
#include <QString>

struct GroupValues;

// The 32 value cells of the measurement table (17 rows by 4 columns): where
// each value goes and its text. The label cells are the form's and are never
// touched; the window puts these texts into its table.
namespace MeasurementTable {

struct Cell
{
    int row;
    int column;
    QString text;
};

// Every value cell from the values, in the cell's number format, in the
// order the cells are written.
QList<Cell> valueCells(const GroupValues &values);

// Every value cell with the zero text of its format ("0.00", "0.0000" or
// "0.0"), as the form shows them at start.
QList<Cell> zeroCells();

} // namespace MeasurementTable

#endif // MEASUREMENTTABLE_H
