#include "workingfolder.h"

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace WorkingFolder {

namespace {

// Whether a file can be made in the folder. Trying is the only test that
// holds on Windows, where the folder's attributes do not tell.
bool canWrite(const QString &folder)
{
    QTemporaryFile probe(folder + QStringLiteral("/.datamanager-XXXXXX"));
    return probe.open();
}

} // namespace

void makeWritable()
{
    if (canWrite(QDir::currentPath()))
        return;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    for (const QString &folder : { documents, QDir::homePath() }) {
        if (!folder.isEmpty() && canWrite(folder) && QDir::setCurrent(folder))
            return;
    }
}

} // namespace WorkingFolder
