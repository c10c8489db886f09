#ifndef TABLEEXPORT_H
#define TABLEEXPORT_H

#include <QStringList>

class QWidget;

// 导出表格: every group of the list as an Excel workbook (.xlsx) or a CSV
// file, in one file dialog; tells whether it was written, under its own
// title.
namespace TableExport {

void run(QWidget *parent, const QStringList &groups);

} // namespace TableExport

#endif // TABLEEXPORT_H
