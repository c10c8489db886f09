#include "mimedocument.h"

namespace {

struct Line
{
    qsizetype start = 0;    // first byte of the line
    qsizetype end = 0;      // one past its last byte before the line break
    qsizetype next = 0;     // first byte of the following line
};

// The line that starts at `from`; next == data.size() at the last line.
Line lineAt(const QByteArray &data, qsizetype from)
{
    Line line;
    line.start = from;
    const qsizetype lf = data.indexOf('\n', from);
    if (lf < 0) {
        line.end = line.next = data.size();
        return line;
    }
    line.next = lf + 1;
    line.end = (lf > from && data.at(lf - 1) == '\r') ? lf - 1 : lf;
    return line;
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

QByteArray rightTrimmed(QByteArray text)
{
    while (!text.isEmpty() && isBlank(text.back()))
        text.chop(1);
    return text;
}

// Reads a header block starting at `from`, up to and including its empty
// line. Returns the position after the block.
qsizetype readHeaders(const QByteArray &data, qsizetype from, qsizetype limit,
                      QList<MimeDocument::Header> &headers)
{
    qsizetype pos = from;
    while (pos < limit) {
        const Line line = lineAt(data, pos);
        const qsizetype end = qMin(line.end, limit);
        const QByteArray text = data.mid(line.start, end - line.start);
        pos = qMin(line.next, limit);
        if (text.isEmpty())
            return pos;
        if (isBlank(text.at(0)) && !headers.isEmpty()) {
            headers.last().value += ' ' + text.trimmed();
            continue;
        }
        const qsizetype colon = text.indexOf(':');
        MimeDocument::Header header;
        header.name = (colon < 0 ? text : text.left(colon)).trimmed();
        header.value = colon < 0 ? QByteArray() : text.mid(colon + 1).trimmed();
        headers.append(header);
    }
    return pos;
}

QByteArray findHeader(const QList<MimeDocument::Header> &headers, const QByteArray &name)
{
    for (const MimeDocument::Header &header : headers) {
        if (header.name.compare(name, Qt::CaseInsensitive) == 0)
            return header.value;
    }
    return QByteArray();
}

QList<QByteArray> namesOf(const QList<MimeDocument::Header> &headers)
{
    QList<QByteArray> names;
    for (const MimeDocument::Header &header : headers)
        names.append(header.name);
    return names;
}

QByteArray decodeBody(const QByteArray &raw, const QByteArray &encoding)
{
    const QByteArray kind = encoding.trimmed().toLower();
    if (kind == "quoted-printable")
        return MimeDocument::decodeQuotedPrintable(raw);
    if (kind == "base64")
        return QByteArray::fromBase64(raw);   // skips line breaks
    return raw;
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

QByteArray MimeDocument::Part::header(const QByteArray &name) const
{
    return findHeader(headers, name);
}

QByteArray MimeDocument::Part::fileName() const
{
    const QByteArray where = location();
    return where.mid(where.lastIndexOf('/') + 1);
}

QList<QByteArray> MimeDocument::Part::headerNames() const
{
    return namesOf(headers);
}

QByteArray MimeDocument::header(const QByteArray &name) const
{
    return findHeader(headers, name);
}

QList<QByteArray> MimeDocument::headerNames() const
{
    return namesOf(headers);
}

int MimeDocument::indexOf(const QByteArray &locationOrFileName) const
{
    for (int i = 0; i < parts.size(); ++i) {
        if (parts.at(i).location() == locationOrFileName
            || parts.at(i).fileName() == locationOrFileName)
            return i;
    }
    return -1;
}

QByteArray MimeDocument::parameter(const QByteArray &headerValue, const QByteArray &name)
{
    const QList<QByteArray> fields = headerValue.split(';');
    for (qsizetype i = 1; i < fields.size(); ++i) {
        const QByteArray field = fields.at(i).trimmed();
        const qsizetype equals = field.indexOf('=');
        if (equals < 0 || field.left(equals).trimmed().compare(name, Qt::CaseInsensitive) != 0)
            continue;
        QByteArray value = field.mid(equals + 1).trimmed();
        if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
            value = value.mid(1, value.size() - 2);
        return value;
    }
    return QByteArray();
}

QByteArray MimeDocument::decodeQuotedPrintable(const QByteArray &text)
{
    QByteArray out;
    out.reserve(text.size());
    qsizetype pos = 0;
    while (pos < text.size()) {
        const Line line = lineAt(text, pos);
        QByteArray content = text.mid(line.start, line.end - line.start);
        const QByteArray lineBreak = text.mid(line.end, line.next - line.end);
        // Blanks at the end of a line were added in transport.
        if (!lineBreak.isEmpty())
            content = rightTrimmed(content);
        const bool soft = !lineBreak.isEmpty() && content.endsWith('=');
        if (soft)
            content.chop(1);
        for (qsizetype i = 0; i < content.size(); ++i) {
            const char c = content.at(i);
            if (c == '=') {
                const int high = i + 1 < content.size() ? hexValue(content.at(i + 1)) : -1;
                const int low = i + 2 < content.size() ? hexValue(content.at(i + 2)) : -1;
                if (high >= 0 && low >= 0) {
                    out.append(char(high * 16 + low));
                    i += 2;
                    continue;
                }
            }
            out.append(c);
        }
        if (!soft)
            out.append(lineBreak);
        pos = line.next;
    }
    return out;
}

MimeDocument MimeDocument::parse(const QByteArray &data)
{
    MimeDocument doc;
    const qsizetype bodyStart = readHeaders(data, 0, data.size(), doc.headers);

    const QByteArray type = doc.header("Content-Type");
    if (type.isNull()) {
        doc.error = QStringLiteral("no Content-Type header");
        return doc;
    }
    if (!type.trimmed().toLower().startsWith("multipart/")) {
        doc.error = QStringLiteral("not a multipart document: ") + QString::fromLatin1(type);
        return doc;
    }
    doc.boundary = parameter(type, "boundary");
    if (doc.boundary.isEmpty()) {
        doc.error = QStringLiteral("no boundary in Content-Type");
        return doc;
    }

    const QByteArray delimiter = "--" + doc.boundary;
    const QByteArray closing = delimiter + "--";

    // Where each delimiter line starts (including the line break before it)
    // and where the text after it starts.
    qsizetype pos = bodyStart;
    qsizetype contentStart = -1;    // start of the current part, -1 in the preamble
    qsizetype previousLineEnd = bodyStart;  // end of the last line's text (before its break)
    bool atFirstLine = true;
    while (pos < data.size()) {
        const Line line = lineAt(data, pos);
        const QByteArray text = rightTrimmed(data.mid(line.start, line.end - line.start));
        const bool isDelimiter = text == delimiter;
        const bool isClosing = text == closing;
        if (isDelimiter || isClosing) {
            // The line break before the boundary line belongs to the boundary.
            const qsizetype before = atFirstLine ? line.start : previousLineEnd;
            if (contentStart < 0) {
                doc.preamble = data.mid(bodyStart, qMax<qsizetype>(0, before - bodyStart));
            } else {
                Part part;
                const qsizetype headerEnd = readHeaders(data, contentStart, before, part.headers);
                part.rawBody = data.mid(headerEnd, qMax<qsizetype>(0, before - headerEnd));
                part.body = decodeBody(part.rawBody, part.transferEncoding());
                doc.parts.append(part);
            }
            if (isClosing) {
                doc.closed = true;
                doc.epilogue = data.mid(line.next);
                return doc;
            }
            contentStart = line.next;
        }
        atFirstLine = false;
        previousLineEnd = line.end;
        pos = line.next;
    }
    if (contentStart < 0) {
        doc.error = QStringLiteral("no boundary line");
        return doc;
    }
    // No closing line: the last part runs to the end, as readers take it.
    Part part;
    const qsizetype headerEnd = readHeaders(data, contentStart, data.size(), part.headers);
    part.rawBody = data.mid(headerEnd);
    part.body = decodeBody(part.rawBody, part.transferEncoding());
    doc.parts.append(part);
    return doc;
}
