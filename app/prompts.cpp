#include "prompts.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QRegularExpression>

namespace Prompts {

namespace {
QString tr(const char *text)
{
    return QCoreApplication::translate("Prompts", text);
}
} // namespace

QString saveFileName(QWidget *parent, const QStringList &filters)
{
    QString chosen = filters.value(0);
    QString name = QFileDialog::getSaveFileName(parent, tr("保存文件"), QStringLiteral("./"),
                                                filters.join(QStringLiteral(";;")), &chosen);
    // "DAT文件 (*.dat)" adds ".dat" to a name that has no extension.
    const QString suffix = QRegularExpression(QStringLiteral("\\*\\.(\\w+)")).match(chosen).captured(1);
    if (!name.isEmpty() && QFileInfo(name).suffix().isEmpty() && !suffix.isEmpty())
        name += u'.' + suffix;
    return name;
}

void tell(QWidget *parent, const QString &title, const QString &text, const QString &informativeText)
{
    if (informativeText.isEmpty()) {
        QMessageBox::information(parent, title, text, QMessageBox::Ok, QMessageBox::NoButton);
        return;
    }
    QMessageBox box(QMessageBox::Information, title, text, QMessageBox::Ok, parent);
    box.setInformativeText(informativeText);
    box.exec();
}

void tellExported(QWidget *parent, const QString &title, const QString &fileName, bool written)
{
    tell(parent, title, (written ? tr("文档%1导出成功！") : tr("文档%1导出失败！")).arg(fileName));
}

bool groupsListed(QWidget *parent, const QString &title, const QStringList &groups)
{
    if (!groups.isEmpty())
        return true;
    tell(parent, title, tr("列表中没有数据！"));
    return false;
}

} // namespace Prompts
