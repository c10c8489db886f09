#ifndef READINGHISTORY_H
#define READINGHISTORY_H

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

// The copies of readings that ReadingArchive keeps, as the history lists
// them: newest first, each with the moment its read began, its groups and
// whether the read was cut short.
namespace ReadingHistory {

struct Copy
{
    QString path;
    QDateTime readAt;    // from the file's name
    bool readable = false; // false: the file is not a data file (any more)
    QStringList groups;
    bool cutShort = false;
};

// The copies in folder (ReadingArchive::folder() by default). Files whose
// names the archive does not give are left out.
QList<Copy> list(const QString &folder = QString());

} // namespace ReadingHistory

#endif // READINGHISTORY_H
