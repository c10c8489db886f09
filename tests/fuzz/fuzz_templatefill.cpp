// A template and its values, split at zero bytes. Each value starts with a
// letter and holds no "%" or digit, so it cannot make a placeholder itself.
#include "fuzzcheck.h"
#include "reporttemplate.h"

#include <QRegularExpression>

namespace {
// As texts: Qt 6.4 compares two empty QList<int> with memcmp(nullptr, ...).
QStringList placeholders(const QString &text)
{
    static const QRegularExpression placeholder("%([0-9]{1,2})");
    QStringList numbers;
    for (const QRegularExpressionMatch &m : placeholder.globalMatch(text))
        numbers << m.captured(1);
    return numbers;
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
    // Every placeholder in range is replaced by its value; the others stay, in order.
    qsizetype markup = 0, inserted = 0;
    QStringList kept = placeholders(templateText);
    kept.removeIf([&](const QString &k) {
        const int n = k.toInt();
        const bool inRange = n >= 1 && n <= values.size();
        markup += inRange ? 1 + k.size() : 0;
        inserted += inRange ? values.at(n - 1).size() : 0;
        return inRange;
    });
    FUZZ_REQUIRE(placeholders(filled) == kept);
    FUZZ_REQUIRE(filled.count(percentOrDigit) == templateText.count(percentOrDigit) - markup);
    FUZZ_REQUIRE(filled.size() == templateText.size() - markup + inserted);
    return 0;
}
