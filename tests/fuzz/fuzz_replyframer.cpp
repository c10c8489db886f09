// Receive framing of the instrument's replies, and the group text of a reply
// line, under arbitrary byte streams cut into arbitrary arrivals.
//
// Input: bits 0 to 5 of byte 0 give the number k (0 to 32, modulo 33) of cut
// bytes that follow; the rest is the byte stream. The stream is cut into
// arrivals whose lengths are the cut bytes, used in turn, over and over (no
// cut bytes: one arrival). A cut byte 0 makes an empty arrival. When bits 6
// and 7 of byte 0 are both set, the first cut byte 255 instead sends, at that
// point, an arrival of about MaxPendingText characters without line end (its
// exact length set by the next stream byte), so that the bound on the
// unfinished text is reached; such runs are slow, hence kept to a quarter.
//
// Properties:
// - After every arrival, the lines handed out and the pending text equal
//   those of a plain model of the framing rules (model below), which keeps
//   the pending bytes and searches them whole at each arrival.
// - No line holds CR, LF, ":" or a zero byte, and every character is one
//   byte (Latin-1); no byte from a zero byte to the end of its arrival shows
//   up anywhere.
// - The pending text never exceeds MaxPendingText and never holds both a CR
//   and an LF once an arrival has been taken.
// - Chunking independence: while the unfinished text stays within the bound,
//   the lines of all arrivals, followed by a closing "\r\n" arrival, are the
//   lines of the stream taken as one arrival plus "\r\n", and those are the
//   stream's text (each arrival up to its zero byte) cut at every CR, with LF
//   and ":" removed.
// - The group text of every line contains no "end" and equals the line
//   reduced by deleting "end" until none is left (done here with a stack).

#include "device/grouplist.h"
#include "device/replyframer.h"
#include "fuzzcheck.h"

#include <cstdint>
#include <string>
#include <vector>

namespace {

constexpr size_t MaxPending = size_t(ReplyFramer::MaxPendingText);

// The framing rules, written plainly on bytes: the arrival's text ends at its
// first zero byte and is appended; when the pending text then holds a CR and
// an LF anywhere, every piece before a CR is a line (LF and ":" dropped) and
// the text after the last CR stays; finally only the last MaxPendingText
// characters are kept.
struct ModelFramer
{
    std::string pending;

    std::vector<std::string> take(const std::string &arrival)
    {
        const size_t zero = arrival.find('\0');
        pending += arrival.substr(0, zero);
        std::vector<std::string> lines;
        if (pending.find('\r') != std::string::npos && pending.find('\n') != std::string::npos) {
            std::string line;
            size_t consumed = 0;
            for (size_t i = 0; i < pending.size(); ++i) {
                const char c = pending[i];
                if (c == '\r') {
                    lines.push_back(line);
                    line.clear();
                    consumed = i + 1;
                } else if (c != '\n' && c != ':') {
                    line += c;
                }
            }
            pending.erase(0, consumed);
        }
        if (pending.size() > MaxPending)
            pending.erase(0, pending.size() - MaxPending);
        return lines;
    }
};

QString latin1(const std::string &bytes)
{
    return QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
}

QStringList latin1(const std::vector<std::string> &lines)
{
    QStringList list;
    for (const std::string &line : lines)
        list.append(latin1(line));
    return list;
}

QString joined(const QStringList &lines)
{
    return FuzzCheck::visible(lines.join(QStringLiteral("|")));
}

// "end" deleted until none is left. Deleting "end" cannot create a pattern
// that overlaps an earlier one in more than one way ("end" does not overlap
// itself), so the reduction has one result, which a stack finds in one pass.
QString withoutEnd(const QString &line)
{
    QString out;
    for (const QChar c : line) {
        out.append(c);
        if (out.endsWith(QLatin1String("end")))
            out.chop(3);
    }
    return out;
}

void checkLine(const QString &line)
{
    FUZZ_CHECK(!line.contains(u'\r') && !line.contains(u'\n') && !line.contains(u':')
                   && !line.contains(QChar(0)),
               FuzzCheck::visible(line));
    const QString group = GroupList::groupFromReplyLine(line);
    FUZZ_CHECK(!group.contains(QLatin1String("end")), FuzzCheck::visible(group));
    // The lines of the overlong arrivals are compared only by what is left.
    if (line.size() > 4096) {
        FUZZ_CHECK((line.size() - group.size()) % 3 == 0, FuzzCheck::visible(group));
        return;
    }
    for (const QChar c : line)
        FUZZ_CHECK(c.unicode() <= 0xFF, FuzzCheck::visible(line));
    FUZZ_CHECK(group == withoutEnd(line),
               FuzzCheck::visible(line) + " -> " + FuzzCheck::visible(group));
}

// Long pending texts are compared in full only at the end (`whole`), in
// between by size and both ends, to keep the runs fast.
void checkPending(const ReplyFramer &framer, const ModelFramer &model, bool whole)
{
    const QString &pending = framer.pending();
    FUZZ_CHECK(pending.size() <= ReplyFramer::MaxPendingText, QString::number(pending.size()));
    FUZZ_CHECK(!(pending.contains(u'\r') && pending.contains(u'\n')), FuzzCheck::visible(pending));
    FUZZ_CHECK(size_t(pending.size()) == model.pending.size(),
               QStringLiteral("%1 characters pending, expected %2")
                   .arg(pending.size())
                   .arg(model.pending.size()));
    const size_t size = model.pending.size();
    if (whole || size <= 1024) {
        FUZZ_CHECK(pending == latin1(model.pending),
                   FuzzCheck::visible(pending) + " expected " + FuzzCheck::visible(latin1(model.pending)));
    } else {
        const std::string ends = model.pending.substr(0, 64) + model.pending.substr(size - 64);
        FUZZ_CHECK(pending.left(64) + pending.right(64) == latin1(ends),
                   FuzzCheck::visible(pending.right(64)) + " expected " + FuzzCheck::visible(latin1(ends)));
    }
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
    const size_t cutCount = (data[0] & 0x3F) % 33;
    const bool bigAllowed = (data[0] & 0xC0) == 0xC0;
    if (1 + cutCount > size)
        return 0;
    const std::vector<uint8_t> cuts(data + 1, data + 1 + cutCount);
    const std::string stream(reinterpret_cast<const char *>(data) + 1 + cutCount,
                             size - 1 - cutCount);

    // The arrivals.
    std::vector<std::string> arrivals;
    bool bigSent = false;
    size_t pos = 0;
    size_t cutIndex = 0;
    while (pos < stream.size()) {
        if (cuts.empty()) {
            arrivals.push_back(stream);
            break;
        }
        const uint8_t cut = cuts[cutIndex++ % cuts.size()];
        if (cut == 255 && bigAllowed && !bigSent) {
            bigSent = true;
            const size_t length = MaxPending - 128 + uint8_t(stream[pos]);
            arrivals.push_back(std::string(length, 'F'));
            ++pos;
            continue;
        }
        const size_t length = std::min<size_t>(cut, stream.size() - pos);
        arrivals.push_back(stream.substr(pos, length));
        pos += length;
        if (cutIndex > 4 * stream.size() + 64) { // only empty arrivals would follow
            arrivals.push_back(stream.substr(pos));
            break;
        }
    }
    // What the arrivals carry: each up to its zero byte.
    std::string text;
    for (const std::string &arrival : arrivals)
        text += arrival.substr(0, arrival.find('\0'));

    ReplyFramer framer;
    ModelFramer model;
    QStringList allLines;
    for (const std::string &arrival : arrivals) {
        const QByteArray bytes(arrival.data(), qsizetype(arrival.size()));
        const QStringList lines = framer.take(bytes);
        const QStringList expected = latin1(model.take(arrival));
        FUZZ_CHECK(lines == expected, joined(lines) + " expected " + joined(expected));
        checkPending(framer, model, &arrival == &arrivals.back());
        for (const QString &line : lines)
            checkLine(line);
        allLines += lines;
    }
    const QStringList closing = framer.take(QByteArrayLiteral("\r\n"));
    FUZZ_CHECK(closing == latin1(model.take("\r\n")), joined(closing));
    FUZZ_CHECK(framer.pending() == QLatin1String("\n"), FuzzCheck::visible(framer.pending()));
    for (const QString &line : closing)
        checkLine(line);
    allLines += closing;

    // Nothing after a zero byte of an arrival may show up in the lines.
    qsizetype lineCharacters = 0;
    for (const QString &line : allLines)
        lineCharacters += line.size();
    FUZZ_CHECK(size_t(lineCharacters) <= text.size() + 2, QString::number(lineCharacters));

    if (text.size() + 2 <= MaxPending) {
        // Cut at every CR of the text plus "\r\n": every piece but the last
        // (the closing LF) is a line.
        QStringList expected;
        QString line;
        for (const char c : text + "\r\n") {
            if (c == '\r') {
                expected.append(line);
                line.clear();
            } else if (c != '\n' && c != ':') {
                line.append(QChar(uchar(c)));
            }
        }
        FUZZ_CHECK(allLines == expected, joined(allLines) + " expected " + joined(expected));

        ReplyFramer whole;
        QStringList wholeLines = whole.take(QByteArray(text.data(), qsizetype(text.size())));
        wholeLines += whole.take(QByteArrayLiteral("\r\n"));
        FUZZ_CHECK(wholeLines == allLines, joined(wholeLines) + " chunked " + joined(allLines));
    }
    return 0;
}
