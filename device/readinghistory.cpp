#include "readinghistory.h"

#include "datafile.h"
#include "readingarchive.h"


#include <QDir>
#include <QRegularExpression>
#include <algorithm>

namespace ReadingHistory {

QList<Copy> list(const QString &folder)
{
    const QDir dir(folder.isEmpty() ? ReadingArchive::folder() : folder);
    // "2026-12-07_12-00-00.dat", or "..._2.dat" for the second read begun in that second.
    static const QRegularExpression name(
        QStringLiteral("^(\\d{4}-\\d{2}-\\d{2}_\\d{2}-\\d{2}-\\d{2})(?:_(\\d+))?\\.dat$"));
    struct Entry { Copy copy; int sequence; };
    QList<Entry> entries;
    const QStringList files = dir.entryList({ QStringLiteral("*.dat") }, QDir::Files, QDir::Name);
    for (const QString &file : files) {
        const QRegularExpressionMatch match = name.match(file);
        if (!match.hasMatch())
            continue;
        Entry entry{ Copy(), match.captured(2).isEmpty() ? 1 : match.captured(2).toInt() };
        Copy &copy = entry.copy;
        copy.readAt = QDateTime::fromString(match.captured(1), QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
        if (!copy.readAt.isValid())
            continue;
        copy.path = dir.filePath(file);
        copy.cutShort = QFile::exists(ReadingArchive::markerOf(copy.path));
        copy.readable = DataFile::load(copy.path, &copy.groups);
        entries << entry;
    }
    std::sort(entries.begin(), entries.end(), [](const Entry &a, const Entry &b) {
        return a.copy.readAt != b.copy.readAt ? a.copy.readAt > b.copy.readAt : a.sequence > b.sequence;
    });
    QList<Copy> copies;
    for (const Entry &entry : std::as_const(entries))
        copies << entry.copy;
    return copies;
}

} // namespace ReadingHistory
