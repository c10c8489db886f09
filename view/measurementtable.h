#ifndef MEASUREMENTTABLE_H
#define MEASUREMENTTABLE_H

class QTableWidget;
struct GroupValues;

// The 32 value cells of the measurement table (17 rows by 4 columns). The
// label cells are the form's and are never touched here.
namespace MeasurementTable {

// Writes every value cell from the values, in the cell's number format.
void showValues(QTableWidget *table, const GroupValues &values);

// Writes every value cell with the zero text of its format ("0.00",
// "0.0000" or "0.0"), as the form shows them at start.
void showZeros(QTableWidget *table);

} // namespace MeasurementTable

#endif // MEASUREMENTTABLE_H
