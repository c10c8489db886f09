// A template and its values, split at zero bytes. Each value starts with a
// letter and holds no "%" or digit, so it cannot make a placeholder itself.
#include "fuzzcheck.h"
#include "report/reporttemplate.h"

#include <QRegularExpression>

namespace {
struct Placeholders { int inRange = 0, outside = 0; };

Placeholders placeholders(const QString &text, qsizetype count)
{
    static const QRegularExpression placeholder("%([0-9]{1,2})");
    Placeholders found;
    for (const QRegularExpressionMatch &m : placeholder.globalMatch(text)) {
        const int number = m.captured(1).toInt();
        ++(number >= 1 && number <= count ? found.inRange : found.outside);
    }
    return found;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QList<QByteArray> pieces = fuzzBytes(data, size).split('\0');
    const QString templateText = QString::fromLatin1(pieces.first());
    static const QRegularExpression percentOrDigit("[%0-9]");
    QStringList values;
    for (const QByteArray &piece : pieces.mid(1))
        values << u'v' + QString::fromUtf8(piece).remove(percentOrDigit);
    const QString filled = ReportTemplate::fill(templateText, values);
    // Every placeholder in range is replaced, once; the others stay.
    const Placeholders before = placeholders(templateText, values.size());
    const Placeholders after = placeholders(filled, values.size());
    FUZZ_REQUIRE(after.inRange == 0 && after.outside == before.outside);
    FUZZ_REQUIRE(filled.count(u'%') == templateText.count(u'%') - before.inRange);
    return 0;
}
