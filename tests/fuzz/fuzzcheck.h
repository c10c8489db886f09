#ifndef FUZZCHECK_H
#define FUZZCHECK_H

// Shared by the fuzz targets: a property check that stops the run with a
// readable message (libFuzzer then keeps the input as a crash file), and a
// quiet message handler, so that the debug output of the code under test does
// not flood the fuzzer's log.

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>

namespace FuzzCheck {

[[noreturn]] inline void fail(const char *file, int line, const char *condition,
                              const QString &detail)
{
    std::fprintf(stderr, "\n%s:%d: property violated: %s\n", file, line, condition);
    if (!detail.isEmpty())
        std::fprintf(stderr, "  %s\n", detail.toUtf8().constData());
    std::fflush(stderr);
    std::abort();
}

// A text with every character that is not printable ASCII written as \xNN or
// \uNNNN, for messages.
inline QString visible(const QString &text, qsizetype limit = 200)
{
    QString out;
    for (qsizetype i = 0; i < text.size() && i < limit; ++i) {
        const char16_t c = text.at(i).unicode();
        if (c >= 0x20 && c < 0x7F && c != u'\\')
            out += QChar(c);
        else if (c < 0x100)
            out += QStringLiteral("\\x%1").arg(int(c), 2, 16, QLatin1Char('0'));
        else
            out += QStringLiteral("\\u%1").arg(int(c), 4, 16, QLatin1Char('0'));
    }
    if (text.size() > limit)
        out += QStringLiteral("...(%1 characters)").arg(text.size());
    return out;
}

inline QString visible(const QByteArray &bytes, qsizetype limit = 200)
{
    return visible(QString::fromLatin1(bytes), limit);
}

inline void quietMessages(QtMsgType, const QMessageLogContext &, const QString &) {}

inline void silenceQt()
{
    qInstallMessageHandler(quietMessages);
}

} // namespace FuzzCheck

#define FUZZ_CHECK(condition, detail)                                             \
    do {                                                                          \
        if (!(condition))                                                         \
            FuzzCheck::fail(__FILE__, __LINE__, #condition, (detail));            \
    } while (false)

#endif // FUZZCHECK_H
