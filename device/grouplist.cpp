#include "grouplist.h"

#include <QCoreApplication>
#include <QFile>
#include <QFont>
#include <QListWidgetItem>

namespace GroupList {

QIcon iconFor(const QString &path)
{
    return QFile::exists(path) ? QIcon(path) : QIcon();
}

QString entryText(int number)
{
    return QCoreApplication::translate("MainWindow", "第%1组").arg(number);
}

QColor entryBackground(int number)
{
    return number % 2 == 0 ? QColor(230, 230, 230) : QColor(220, 220, 220);
}

QListWidgetItem *makeEntry(int number, const QIcon &icon)
{
    auto *entry = new QListWidgetItem(icon, entryText(number));
    QFont font{ QString() };
    font.setPointSize(14);
    entry->setFont(font);
    entry->setBackground(entryBackground(number));
    return entry;
}

QString groupFromReplyLine(QString line)
{
    // Repeated until none is left: removing the "end" of "eendnd" joins a new one.
    const QString marker = QStringLiteral("end");
    while (line.contains(marker, Qt::CaseSensitive))
        line.remove(marker, Qt::CaseSensitive);
    return line;
}

} // namespace GroupList
