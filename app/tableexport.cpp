#include "tableexport.h"

#include "grouptable.h"
#include "prompts.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFileInfo>

namespace TableExport {

void run(QWidget *parent, const QStringList &groups)
{
    const auto tr = [](const char *text) { return QCoreApplication::translate("TableExport", text); };
    if (!Prompts::groupsListed(parent, tr("导出表格"), groups))
        return;
    const QString fileName = Prompts::saveFileName(parent, { tr("Excel工作簿 (*.xlsx)"), tr("CSV文件 (*.csv)") });
    if (fileName.isEmpty())
        return;
    const bool csv = QFileInfo(fileName).suffix().compare(QStringLiteral("csv"), Qt::CaseInsensitive) == 0;
    QString error;
    const bool written = csv ? GroupTable::saveCsv(fileName, groups, &error)
                             : GroupTable::saveXlsx(fileName, groups, &error);
    if (!written)
        qWarning().noquote() << "table" << fileName << "not written:" << error;
    Prompts::tellExported(parent, tr("导出表格"), fileName, written);
}

} // namespace TableExport
