#include "diagramfile.h"

#include <QBuffer>
#include <QSaveFile>

namespace DiagramFile {

QByteArray encodePng(const QImage &picture)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
    return bytes;
}

bool save(const QImage &picture)
{
    QSaveFile file(QString::fromLatin1(FileName));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (!picture.save(&file, "PNG")) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace DiagramFile
