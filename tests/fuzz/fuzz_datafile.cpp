// Data file bytes to groups and back.
//
// Input: byte 0 chooses the mode.
//
// Mode "file" (bit 0 clear): the rest is the content of a data file.
// - decode() accepts exactly when the first line (after an optional UTF-8
//   byte-order mark, without its CR) is "3000", and then gives every
//   non-empty later line (LF cut, one CR before the LF dropped), decoded as
//   UTF-8, in order; compared with a plain model of the format.
// - The groups read are held by the format: encode() of them decodes to the
//   same groups, and encode() writes "3000" CR LF, then each group as UTF-8
//   and CR LF, nothing else.
//
// Mode "groups" (bit 0 set): the rest is a list of group texts, each a
// length byte followed by that many bytes; bit 1 of byte 0 chooses how the
// bytes become text: UTF-8 (clear) or UTF-16, two bytes per code unit, which
// also makes unpaired surrogates (set).
// - A group text round-trips (decode(encode({text})) == {text}) exactly when
//   it is not empty, holds no LF and is valid UTF-16 (no unpaired
//   surrogate). CR anywhere, a CR at the end included, zero characters and a
//   U+FEFF at the start are kept.
// - A whole list round-trips when each of its texts does; in any case
//   decode(encode(list)) succeeds and gives the model's reading of the bytes
//   written.

#include "device/datafile.h"
#include "fuzzcheck.h"

#include <QList>
#include <QStringList>

#include <cstdint>

namespace {

QString listDetail(const QStringList &groups)
{
    QStringList shown;
    for (const QString &group : groups)
        shown.append(QLatin1Char('"') + FuzzCheck::visible(group, 60) + QLatin1Char('"'));
    return QStringLiteral("[%1] (%2 groups)").arg(shown.join(u','), QString::number(groups.size()));
}

// A line's bytes as text: UTF-8 with every character kept. QString::fromUtf8
// drops a U+FEFF at the start as a byte-order mark, so it is put back.
QString lineText(const QByteArray &line)
{
    QString text = QString::fromUtf8(line);
    if (line.startsWith("\xEF\xBB\xBF"))
        text.prepend(QChar(0xFEFF));
    return text;
}

// The format read plainly: lines split at LF, one CR before the LF not part
// of the line, the first line the signature, empty lines skipped.
bool modelDecode(QByteArray bytes, QStringList *groups)
{
    groups->clear();
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    const QList<QByteArray> lines = bytes.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QByteArray line = lines.at(i);
        if (line.endsWith('\r'))
            line.chop(1);
        if (i == 0) {
            if (line != "3000")
                return false;
        } else if (!line.isEmpty()) {
            groups->append(lineText(line));
        }
    }
    return true;
}

// Every code unit of the text a high surrogate followed by a low one, or
// no surrogate at all.
bool isValidUtf16(const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            return false;
    }
    return true;
}

bool formatHolds(const QString &group)
{
    return !group.isEmpty() && !group.contains(u'\n') && isValidUtf16(group);
}

void checkEncoding(const QStringList &groups, const QByteArray &bytes)
{
    QByteArray expected = "3000\r\n";
    for (const QString &group : groups)
        expected += group.toUtf8() + "\r\n";
    FUZZ_CHECK(bytes == expected, FuzzCheck::visible(bytes) + " expected " + FuzzCheck::visible(expected));
}

void fileMode(const QByteArray &bytes)
{
    QStringList groups;
    const bool accepted = DataFile::decode(bytes, &groups);
    QStringList modelGroups;
    const bool modelAccepted = modelDecode(bytes, &modelGroups);
    FUZZ_CHECK(accepted == modelAccepted, FuzzCheck::visible(bytes));
    if (!accepted) {
        FUZZ_CHECK(groups.isEmpty(), listDetail(groups));
        return;
    }
    FUZZ_CHECK(groups == modelGroups, listDetail(groups) + " expected " + listDetail(modelGroups));

    for (const QString &group : groups)
        FUZZ_CHECK(formatHolds(group), listDetail(groups));
    const QByteArray again = DataFile::encode(groups);
    checkEncoding(groups, again);
    QStringList reread;
    FUZZ_CHECK(DataFile::decode(again, &reread), FuzzCheck::visible(again));
    FUZZ_CHECK(reread == groups, listDetail(reread) + " expected " + listDetail(groups));
}

void groupsMode(bool utf16, const uint8_t *data, size_t size)
{
    QStringList groups;
    size_t pos = 0;
    while (pos < size) {
        const size_t length = std::min<size_t>(data[pos], size - pos - 1);
        const char *bytes = reinterpret_cast<const char *>(data + pos + 1);
        if (utf16) {
            QString text;
            for (size_t i = 0; i + 1 < length; i += 2)
                text.append(QChar(char16_t(uint8_t(bytes[i]) | uint8_t(bytes[i + 1]) << 8)));
            groups.append(text);
        } else {
            groups.append(lineText(QByteArray(bytes, qsizetype(length))));
        }
        pos += 1 + length;
    }

    bool allHeld = true;
    for (const QString &group : groups) {
        const bool held = formatHolds(group);
        allHeld = allHeld && held;
        QStringList alone;
        const QByteArray bytes = DataFile::encode({group});
        checkEncoding({group}, bytes);
        FUZZ_CHECK(DataFile::decode(bytes, &alone), FuzzCheck::visible(bytes));
        FUZZ_CHECK((alone == QStringList{group}) == held,
                   QStringLiteral("held %1: ").arg(held) + listDetail({group}) + " read as "
                       + listDetail(alone));
    }

    const QByteArray bytes = DataFile::encode(groups);
    checkEncoding(groups, bytes);
    QStringList read;
    FUZZ_CHECK(DataFile::decode(bytes, &read), FuzzCheck::visible(bytes));
    QStringList modelRead;
    modelDecode(bytes, &modelRead);
    FUZZ_CHECK(read == modelRead, listDetail(read) + " expected " + listDetail(modelRead));
    if (allHeld)
        FUZZ_CHECK(read == groups, listDetail(read) + " expected " + listDetail(groups));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    FuzzCheck::silenceQt();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    if ((data[0] & 1) == 0)
        fileMode(QByteArray(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1)));
    else
        groupsMode((data[0] & 2) != 0, data + 1, size - 1);
    return 0;
}
