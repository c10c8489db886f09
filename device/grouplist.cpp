#include "grouplist.h"

#include <QCoreApplication>
#include <QFile>

namespace GroupList {

QIcon iconFor(const QString &path)
{
    return QFile::exists(path) ? QIcon(path) : QIcon();
}

QString entryText(int number)
{
    // The window's text, in the window's context as the design has it.
    return QCoreApplication::translate("GroupList", "第%1组").arg(number);
}

QColor entryBackground(int number)
{
    return number % 2 == 0 ? QColor(230, 230, 230) : QColor(220, 220, 220);
}

EntryStyle::EntryStyle()
    : m_oddBackground(entryBackground(1))
    , m_evenBackground(entryBackground(2))
{
    // The application's font at 14 points. (An empty family name is not the
    // default family: Qt 6 resolves it to some installed face.)
    m_font.setPointSize(14);
}

QString groupFromReplyLine(QString line)
{
    // Every "end" goes, also one that a removal joins together ("eendnd"):
    // the text is copied once, dropping an "end" as soon as the copy ends in one.
    QString group;
    group.reserve(line.size());
    for (const QChar c : std::as_const(line)) {
        group.append(c);
        if (group.endsWith(QLatin1String("end")))
            group.chop(3);
    }
    return group;
}

} // namespace GroupList
