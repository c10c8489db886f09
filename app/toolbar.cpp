#include "toolbar.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>

namespace Toolbar {

void addAdditions(QToolBar *toolBar, const QList<QAction *> &reports, const QList<QAction *> &others)
{
    toolBar->addSeparator();
    auto *button = new QToolButton(toolBar);
    button->setObjectName(QStringLiteral("reportsButton"));
    button->setText(QCoreApplication::translate("Toolbar", "报告"));
    button->setToolTip(QCoreApplication::translate("Toolbar", "导出PDF、打印、导出表格"));
    button->setIcon(reports.value(0) ? reports.value(0)->icon() : QIcon());
    button->setToolButtonStyle(toolBar->toolButtonStyle());
    button->setPopupMode(QToolButton::InstantPopup);
    auto *menu = new QMenu(button);
    menu->addActions(reports);
    button->setMenu(menu);
    toolBar->addWidget(button);
    toolBar->addActions(others);
}

void showShortcuts(const QList<QAction *> &actions)
{
    for (QAction *action : actions) {
        const auto update = [action] {
            const QString tip = action->shortcut().isEmpty()
                ? action->text()
                : QCoreApplication::translate("Toolbar", "%1（%2）")
                      .arg(action->text(), action->shortcut().toString(QKeySequence::NativeText));
            if (action->toolTip() != tip)
                action->setToolTip(tip);
        };
        update();
        QObject::connect(action, &QAction::changed, action, update);
    }
}

} // namespace Toolbar
