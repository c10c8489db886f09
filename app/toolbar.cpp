#include "toolbar.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>

namespace Toolbar {

namespace {

QToolButton *addDropDown(QToolBar *toolBar, const QString &name, const QString &text, const QString &tip,
                 const QList<QAction *> &actions)
{
    auto *button = new QToolButton(toolBar);
    button->setObjectName(name);
    button->setText(text);
    button->setToolTip(tip);
    button->setIcon(actions.value(0) ? actions.value(0)->icon() : QIcon());
    button->setToolButtonStyle(toolBar->toolButtonStyle());
    button->setPopupMode(QToolButton::InstantPopup);
    auto *menu = new QMenu(button);
    menu->addActions(actions);
    button->setMenu(menu);
    toolBar->addWidget(button);
    return button;
}

} // namespace

QToolButton *addAdditions(QToolBar *toolBar, const QList<QAction *> &reports, const QList<QAction *> &others,
                          const QList<QAction *> &archive)
{
    toolBar->addSeparator();
    addDropDown(toolBar, QStringLiteral("reportsButton"), QCoreApplication::translate("Toolbar", "报告"),
                QCoreApplication::translate("Toolbar", "导出PDF、打印、导出表格"), reports);
    toolBar->addActions(others.mid(0, others.size() - 1));
    QToolButton *archiveButton = addDropDown(toolBar, QStringLiteral("archiveButton"),
                                             QCoreApplication::translate("Toolbar", "档案"), QString(), archive);
    toolBar->addActions(others.mid(others.size() - 1));
    return archiveButton;
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
