#include "readingarchive.h"

#include "datafile.h"

#include <QDebug>
#include <QDir>
#include <QStandardPaths>

QString ReadingArchive::folder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
        + QStringLiteral("/readings");
}

void ReadingArchive::beginRead(const QDateTime &when)
{
    endRead();
    readStart = when;
}

void ReadingArchive::endRead()
{
    file.close();
    file.setFileName(QString());
    readStart = QDateTime();
    failed = false;
}

void ReadingArchive::finishRead()
{
    // A copy that missed groups (a full disk, say) stays marked.
    if (file.isOpen() && !failed)
        QFile::remove(markerOf(file.fileName()));
    endRead();
}

void ReadingArchive::append(const QString &group)
{
    if (failed)
        return;
    if (!file.isOpen() && !openFile()) {
        failed = true;
        return;
    }
    const qint64 kept = file.pos();
    const QByteArray line = DataFile::groupLine(group);
    if (file.write(line) != line.size() || !file.flush()) {
        qWarning().noquote() << "reading copy" << file.fileName()
                             << "not written:" << file.errorString();
        failed = true;
        // No half line at the end of the copy (a full disk, say).
        file.resize(kept);
    }
}

bool ReadingArchive::openFile()
{
    if (!readStart.isValid())
        readStart = QDateTime::currentDateTime();
    const QString dir = folder();
    if (!QDir().mkpath(dir)) {
        qWarning().noquote() << "reading copies: folder" << dir << "cannot be made";
        return false;
    }
    // Two reads begun in the same second get files of their own.
    const QString stem = dir + u'/' + readStart.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
    for (int n = 1; n < 100; ++n) {
        file.setFileName(n == 1 ? stem + QStringLiteral(".dat")
                                : stem + QStringLiteral("_%1.dat").arg(n));
        // Unbuffered: what a failed write leaves unwritten must not reach
        // the copy later, when the file is closed.
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered)) {
            const QByteArray signature = DataFile::signatureLine();
            QFile marker(markerOf(file.fileName()));
            if (!marker.open(QIODevice::WriteOnly))
                qWarning().noquote() << "reading copy" << file.fileName()
                                     << "cannot be marked as under way:" << marker.errorString();
            if (file.write(signature) == signature.size() && file.flush())
                return true;
            marker.remove();
            qWarning().noquote() << "reading copy" << file.fileName()
                                 << "cannot be written:" << file.errorString();
            file.remove();
            return false;
        }
        if (!file.exists())
            break;
    }
    qWarning().noquote() << "reading copy" << file.fileName()
                         << "cannot be made:" << file.errorString();
    return false;
}
