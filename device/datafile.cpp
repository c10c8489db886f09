#include "datafile.h"

#include "wholefile.h"

#include <QFile>
#include <QStringDecoder>

namespace DataFile {

QByteArray encode(const QStringList &groups)
{
    qsizetype size = 6;
    for (const QString &group : groups)
        size += group.size() + 2;
    QByteArray bytes;
    bytes.reserve(size); // exact for ASCII groups, a good guess otherwise
    bytes.append(signatureLine());
    for (const QString &group : groups)
        bytes.append(groupLine(group));
    return bytes;
}

QByteArray signatureLine()
{
    return QByteArray(Signature).append("\r\n");
}

QByteArray groupLine(const QString &group)
{
    return group.toUtf8().append("\r\n");
}

bool decode(const QByteArray &bytes, QStringList *groups)
{
    groups->clear();
    // Each line is decoded on its own, so a U+FEFF at the start of a group
    // line is text of the group and must not be taken for a byte-order mark.
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);

    qsizetype start = 0;
    // A byte-order mark before the signature is tolerated, as text readers do.
    if (bytes.startsWith("\xEF\xBB\xBF"))
        start = 3;

    bool first = true;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        const qsizetype next = end < 0 ? bytes.size() : end + 1;
        if (end < 0)
            end = bytes.size();
        qsizetype lineEnd = end;
        if (lineEnd > start && bytes.at(lineEnd - 1) == '\r')
            --lineEnd;
        const QByteArrayView line(bytes.constData() + start, lineEnd - start);
        start = next;

        if (first) {
            if (line != QByteArrayView(Signature))
                return false;
            first = false;
        } else if (!line.isEmpty()) {
            groups->append(utf8.decode(line));
        }
    }
    return !first;
}

bool save(const QString &path, const QStringList &groups, QString *error)
{
    return saveWholeFile(path, encode(groups), error);
}

bool load(const QString &path, QStringList *groups)
{
    groups->clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;
    return decode(bytes, groups);
}

} // namespace DataFile
