#ifndef READINGARCHIVE_H
#define READINGARCHIVE_H

#include <QDateTime>
#include <QFile>
#include <QString>

// Keeps a copy of every group read from the instrument, so that a reading is
// not lost when the user forgets to save it. Each read gets a data file of
// its own, "readings/YYYY-MM-DD_HH-mm-ss.dat" in the user's data folder,
// named after the moment the read began; every group is appended and handed
// to the system as it arrives, so a read cut short keeps what came through.
// While a read is under way, a marker file stands beside its copy; it is
// removed when the instrument ends the read with "end". A marker left behind
// (cable pulled, link broken, tool closed or crashed) tells that the copy
// holds a read cut short. The copy itself stays a valid data file.
// The copy never stands in the way of the read: when the file cannot be
// written, a warning goes to the debug output and the groups are not kept.
class ReadingArchive
{
public:
    // The folder of the copies: "readings" in AppDataLocation.
    static QString folder();

    // A new read begins now: the next group goes to a new file.
    void beginRead(const QDateTime &when = QDateTime::currentDateTime());
    // Appends a group to the file of the current read, created on the
    // first group. A group without a read begun starts one.
    void append(const QString &group);
    // The instrument has ended the current read: its copy is complete.
    void finishRead();
    // The current read stops here, complete or not; its file is closed.
    void endRead();

    // The marker file that stands beside a copy while its read is not complete.
    static QString markerOf(const QString &copyPath) { return copyPath + QStringLiteral(".incomplete"); }

    // The file of the current read; empty before its first group.
    QString fileName() const { return file.fileName(); }

private:
    bool openFile();

    QFile file;
    QDateTime readStart;
    bool failed = false; // told once per read, then the read goes on without copy
};

#endif // READINGARCHIVE_H
