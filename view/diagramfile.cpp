#include "diagramfile.h"

#include "wholefile.h"

#include <QBuffer>

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
    const QByteArray png = encodePng(picture);
    return !png.isEmpty() && saveWholeFile(QString::fromLatin1(FileName), png);
}

} // namespace DiagramFile
