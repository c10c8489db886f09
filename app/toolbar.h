#ifndef TOOLBAR_H
#define TOOLBAR_H

#include <QList>

class QAction;
class QToolBar;

// The toolbar beyond its designed seven actions.
namespace Toolbar {

// The additions after the designed actions, grouped so that every action
// stays in sight on a laptop screen, where the window is narrower than
// designed: the reports of one or more groups (导出PDF, 打印, 导出表格) in the
// drop-down 报告, then each of the others.
void addAdditions(QToolBar *toolBar, const QList<QAction *> &reports, const QList<QAction *> &others);

// Every action's tooltip names its shortcut, "打开文件（Ctrl+O）", and
// follows its text (连接设备 becomes 断开连接).
void showShortcuts(const QList<QAction *> &actions);

} // namespace Toolbar

#endif // TOOLBAR_H
