#include "listkeys.h"

#include <QAbstractItemView>
#include <QKeyEvent>

ListKeys::ListKeys(QAbstractItemView *view)
    : QObject(view)
    , m_view(view)
{
    view->installEventFilter(this);
}

bool ListKeys::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_view && event->type() == QEvent::KeyPress) {
        switch (static_cast<QKeyEvent *>(event)->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_Home:
        case Qt::Key_End:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            // After the list has handled the key and moved its current entry.
            QMetaObject::invokeMethod(this, [this] {
                if (m_view->currentIndex().isValid())
                    emit moved(m_view->currentIndex());
            }, Qt::QueuedConnection);
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}
