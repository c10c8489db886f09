#include "workbookcheck.h"

#include <QXmlStreamReader>
#include <QtEndian>

#include <zlib.h>

namespace {

// Little-endian fields of the zip format, 0 past the end.
quint32 field(const QByteArray &data, qsizetype at, int size)
{
    if (at < 0 || at + size > data.size())
        return 0;
    const auto *bytes = reinterpret_cast<const uchar *>(data.constData() + at);
    return size == 2 ? qFromLittleEndian<quint16>(bytes) : qFromLittleEndian<quint32>(bytes);
}

bool inflateRaw(const QByteArray &compressed, QByteArray &out)
{
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
        return false;
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(compressed.constData()));
    stream.avail_in = uInt(compressed.size());
    stream.next_out = reinterpret_cast<Bytef *>(out.data());
    stream.avail_out = uInt(out.size());
    const int result = inflate(&stream, Z_FINISH);
    inflateEnd(&stream);
    return result == Z_STREAM_END && stream.avail_out == 0;
}

bool wellFormed(const QByteArray &xml)
{
    QXmlStreamReader reader(xml);
    while (!reader.atEnd())
        reader.readNext();
    return !reader.hasError();
}

} // namespace

namespace WorkbookCheck {

bool isWhole(const QByteArray &workbook)
{
    // The end of the central directory, without an archive comment.
    const qsizetype end = workbook.size() - 22;
    if (field(workbook, end, 4) != 0x06054b50)
        return false;
    const int entries = int(field(workbook, end + 10, 2));
    qsizetype at = field(workbook, end + 16, 4);
    if (entries == 0)
        return false;
    for (int i = 0; i < entries; ++i) {
        if (field(workbook, at, 4) != 0x02014b50)
            return false;
        const quint32 method = field(workbook, at + 10, 2);
        const quint32 crc = field(workbook, at + 16, 4);
        const qsizetype packed = field(workbook, at + 20, 4);
        const qsizetype size = field(workbook, at + 24, 4);
        const qsizetype nameLength = field(workbook, at + 28, 2);
        const QByteArray name = workbook.mid(at + 46, nameLength);
        const qsizetype local = field(workbook, at + 42, 4);
        at += 46 + nameLength + field(workbook, at + 30, 2) + field(workbook, at + 32, 2);

        if (field(workbook, local, 4) != 0x04034b50)
            return false;
        const qsizetype data = local + 30 + field(workbook, local + 26, 2) + field(workbook, local + 28, 2);
        if (data + packed > workbook.size())
            return false;
        const QByteArray stored = workbook.mid(data, packed);
        QByteArray part(size, Qt::Uninitialized);
        if (method == 0)
            part = stored;
        else if (method != 8 || !inflateRaw(stored, part))
            return false;
        if (part.size() != size
            || crc32(0, reinterpret_cast<const Bytef *>(part.constData()), uInt(part.size())) != crc)
            return false;
        if ((name.endsWith(".xml") || name.endsWith(".rels")) && !wellFormed(part))
            return false;
    }
    return true;
}

} // namespace WorkbookCheck
