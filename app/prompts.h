#ifndef PROMPTS_H
#define PROMPTS_H

#include <QString>
#include <QStringList>

class QWidget;

// The questions and boxes every action of the window asks and shows alike.
namespace Prompts {

// The save dialog, "保存文件" in "./", with these filters ("DAT文件 (*.dat)");
// a name typed without extension gets the chosen filter's. Empty when the
// user cancels.
QString saveFileName(QWidget *parent, const QStringList &filters);

// An information box with the single button OK, and a second paragraph
// when there is one.
void tell(QWidget *parent, const QString &title, const QString &text, const QString &informativeText = {});

// "文档%1导出成功！" or "文档%1导出失败！" under title.
void tellExported(QWidget *parent, const QString &title, const QString &fileName, bool written);

// "列表中没有数据！" under title when there are no groups; true when there are.
bool groupsListed(QWidget *parent, const QString &title, const QStringList &groups);

} // namespace Prompts

#endif // PROMPTS_H
