#ifndef TOOLBAR_H
#define TOOLBAR_H

#include <QList>

class QAction;
class QToolBar;
class QToolButton;

// The toolbar beyond its designed seven actions.
namespace Toolbar {

// The additions after the designed actions, grouped so that every action
// stays in sight on a laptop screen, where the window is narrower than
// designed: the reports of one or more groups (导出PDF, 打印, 导出表格) in the
// drop-down 报告, then each of the others, with the drop-down 档案 of the
// archive's actions before the last. Returns the 档案 button, whose tooltip
// tells where the archive stands.
QToolButton *addAdditions(QToolBar *toolBar, const QList<QAction *> &reports, const QList<QAction *> &others,
                          const QList<QAction *> &archive);

// Every action's tooltip names its shortcut, "打开文件（Ctrl+O）", and
// follows its text (连接设备 becomes 断开连接).
void showShortcuts(const QList<QAction *> &actions);

} // namespace Toolbar

#endif // TOOLBAR_H
