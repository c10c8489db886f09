#ifndef WORKBOOKCHECK_H
#define WORKBOOKCHECK_H

#include <QByteArray>

// libxlsxwriter writes each part of a workbook into a scratch file first and
// does not notice when such a write fails (a full disk): the workbook then
// holds parts cut short, and Excel refuses it. So a workbook is read back
// before it is put in place.
namespace WorkbookCheck {

// Whether the workbook (a zip archive) is whole: each entry inflates to its
// recorded size and checksum, and each XML part is well-formed.
bool isWhole(const QByteArray &workbook);

} // namespace WorkbookCheck

#endif // WORKBOOKCHECK_H
