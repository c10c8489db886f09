#include "screenfit.h"

#include <QMainWindow>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QToolBar>

void fitToScreen(QMainWindow *window)
{
    const QScreen *screen = window->screen();
    if (!screen)
        return;
    // The window system's frame is not known before the window is shown:
    // allow for a usual title bar and border.
    const QMargins frame(1, 31, 1, 1);
    const QSize room = screen->availableGeometry().size().shrunkBy(frame);
    const QSize designed = window->size();
    if (room.width() >= designed.width() && room.height() >= designed.height())
        return;

    const int toolBar = window->findChild<QToolBar *>()->sizeHint().height();
    QWidget *content = window->takeCentralWidget();
    content->setFixedSize(designed.width(), designed.height() - toolBar);
    auto *scrollArea = new QScrollArea(window);
    scrollArea->setObjectName(QStringLiteral("scrollArea"));
    scrollArea->setFrameShape(QFrame::NoFrame);
    scrollArea->setWidget(content);
    window->setCentralWidget(scrollArea);
    const int scrollBar = window->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    window->setMinimumSize(QSize(0, 0));
    window->setMaximumSize(designed + QSize(scrollBar, scrollBar));
    // Maximised, the window system fits the frame into the screen's room.
    window->resize(room.boundedTo(window->maximumSize()));
    window->setWindowState(window->windowState() | Qt::WindowMaximized);
}
