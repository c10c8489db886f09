#ifndef LISTKEYS_H
#define LISTKEYS_H

#include <QModelIndex>
#include <QObject>

class QAbstractItemView;

// Tells which entry the keys Up, Down, Home, End, PgUp and PgDn moved a
// list to, once the list has moved there, so that the window can show it as
// a click does. Changes of the current entry made by a program are no key.
class ListKeys : public QObject
{
    Q_OBJECT

public:
    explicit ListKeys(QAbstractItemView *view);

signals:
    void moved(const QModelIndex &index);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QAbstractItemView *m_view;
};

#endif // LISTKEYS_H
