#include "grouplist.h"

#include <QCoreApplication>
#include <QFile>
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

EntryStyle::EntryStyle()
    : m_font(QString())
    , m_oddBackground(entryBackground(1))
    , m_evenBackground(entryBackground(2))
{
    m_font.setPointSize(14);
}

QListWidgetItem *EntryStyle::makeEntry(int number, const QIcon &icon) const
{
    auto *entry = new QListWidgetItem(icon, entryText(number));
    entry->setFont(m_font);
    entry->setBackground(number % 2 == 0 ? m_evenBackground : m_oddBackground);
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
