#ifndef MIMEDOCUMENT_H
#define MIMEDOCUMENT_H

#include <QByteArray>
#include <QList>
#include <QString>

// Reads a MIME multipart document (such as a single-file web page written
// for Word or Excel) the way a mail or web-archive reader does: top-level
// headers, the boundary from Content-Type, the preamble skipped, parts split
// on "--boundary" lines, each part's headers and its body decoded by its
// Content-Transfer-Encoding. Line ends may be CR LF or LF; the line break
// before a boundary line belongs to the boundary (RFC 2046).
class MimeDocument
{
public:
    struct Header
    {
        QByteArray name;   // as written
        QByteArray value;  // unfolded, surrounding blanks removed
    };

    struct Part
    {
        QList<Header> headers;
        QByteArray rawBody;  // between the blank line after the headers and the next boundary
        QByteArray body;     // rawBody decoded (quoted-printable, base64, or as is)

        // First header of that name (case-insensitive), null if none.
        QByteArray header(const QByteArray &name) const;
        QByteArray location() const { return header("Content-Location"); }
        QByteArray transferEncoding() const { return header("Content-Transfer-Encoding"); }
        QByteArray contentType() const { return header("Content-Type"); }
        // The last segment of Content-Location ("image001.jpg").
        QByteArray fileName() const;
        QList<QByteArray> headerNames() const;
    };

    static MimeDocument parse(const QByteArray &data);

    // Decodes quoted-printable text: "=XX" escapes and soft line breaks
    // ("=" at the end of a line, trailing blanks allowed). Anything else,
    // including a malformed "=", is kept as it stands.
    static QByteArray decodeQuotedPrintable(const QByteArray &text);

    // A parameter of a structured header value, e.g. boundary of
    // 'multipart/related; boundary="abc"'; quotes removed. Null if absent.
    static QByteArray parameter(const QByteArray &headerValue, const QByteArray &name);

    bool isValid() const { return error.isEmpty(); }

    QByteArray header(const QByteArray &name) const;
    QList<QByteArray> headerNames() const;
    // Index of the part with this Content-Location or file name, -1 if none.
    int indexOf(const QByteArray &locationOrFileName) const;

    QString error;           // why the document could not be read; empty if it could
    QList<Header> headers;   // top-level headers, in order
    QByteArray boundary;
    QByteArray preamble;     // text before the first boundary line
    QList<Part> parts;
    bool closed = false;     // the closing "--boundary--" line was seen
    QByteArray epilogue;     // text after the closing line
};

#endif // MIMEDOCUMENT_H
