#ifndef GROUPTABLE_H
#define GROUPTABLE_H

#include <QByteArray>
#include <QString>
#include <QStringList>

struct GroupValues;

// Every group of a list as a table, one row per group: its number, its
// wiring system, then every field and every derived figure in a numeric
// column of its own, headed by its name and unit. The Excel workbook and
// the CSV file hold the same columns; the workbook adds a second sheet with
// the verdict on each group's wiring.
namespace GroupTable {

struct Column
{
    const char *header;                    // with its unit, e.g. "UA(V)"
    double (*value)(const GroupValues &);  // not a number: the cell stays empty
    int decimals;                          // as the window's table shows it
};

// The numeric columns, after the number and the wiring system.
const Column *valueColumns();
int valueColumnCount();

QString numberHeader();
QString wiringHeader();

// The CSV file: UTF-8 with byte-order mark (Excel then reads the Chinese
// headers), comma separated, "." as the decimal point, each figure with the
// decimals of the window's table, CR LF after every line.
QByteArray encodeCsv(const QStringList &groups);

// Writes the Excel workbook (.xlsx) or the CSV file to path, whole: an
// existing file is replaced only once the new one is complete, and left
// untouched on failure. The reason of a failure goes to *error.
bool saveXlsx(const QString &path, const QStringList &groups, QString *error = nullptr);
bool saveCsv(const QString &path, const QStringList &groups, QString *error = nullptr);

} // namespace GroupTable

#endif // GROUPTABLE_H
