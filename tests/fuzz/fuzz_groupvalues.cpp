// Group text to group values, and the number texts of the table and reports.
//
// Input: byte 0 chooses how the rest becomes the group text: bit 0 set,
// UTF-8 (as groups read from a data file); clear, one character per byte (as
// groups received from the instrument).
//
// Properties:
// - parse() returns false exactly when the text has fewer than 17 fields
//   (fields counted here as spaces + 1), and then changes no entry.
// - With 17 or 18 fields the entries no field reaches keep their values.
// - Entry i (i < 19, i < fields) comes from field i: a field in plain decimal
//   notation ([+-]digits[.digits][e[+-]digits]) has the value strtod gives it,
//   0 when that is not finite; a field with a character that cannot belong to
//   any number is 0; any other field gives a finite value. Entries 8 to 16
//   are that value times 10.
// - Entries 19 to 36 follow the formulas from entries 0 to 18 exactly.
// - Entries 0 to 18 are finite, except an angle whose field times 10 is
//   beyond the range of a double (then infinite).
// - Every finite entry written with 1, 2 or 4 decimals is "-"? digits "."
//   digits with exactly that many decimals, never an exponent, and reads
//   back to the entry within half a unit of the last decimal.

#include "fuzzcheck.h"
#include "view/groupvalues.h"
#include "view/numbertext.h"

#include <QStringList>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

QString entryDetail(const GroupValues &values, int i, const QString &text)
{
    return QStringLiteral("entry %1 = %2 text %3")
        .arg(i)
        .arg(values.entry(i), 0, 'g', 17)
        .arg(FuzzCheck::visible(text));
}

bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// [+-]? (digits [. digits?] | . digits) ([eE] [+-]? digits)?, ASCII only.
bool isPlainNumber(const QString &field)
{
    qsizetype i = 0;
    const qsizetype n = field.size();
    auto at = [&](qsizetype k) { return k < n ? field.at(k).unicode() : char16_t(0); };
    if (at(i) == u'+' || at(i) == u'-')
        ++i;
    qsizetype digits = 0;
    while (isDigit(at(i))) {
        ++i;
        ++digits;
    }
    if (at(i) == u'.') {
        ++i;
        while (isDigit(at(i))) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return false;
    if (at(i) == u'e' || at(i) == u'E') {
        ++i;
        if (at(i) == u'+' || at(i) == u'-')
            ++i;
        qsizetype exponentDigits = 0;
        while (isDigit(at(i))) {
            ++i;
            ++exponentDigits;
        }
        if (exponentDigits == 0)
            return false;
    }
    return i == n;
}

// True when the field holds a character that no spelling of a number uses:
// digits, signs, the point, exponent letters, the letters of "inf" and "nan",
// and blanks around the number are the only ones that can.
bool cannotBeNumber(const QString &field)
{
    for (const QChar c : field) {
        const char16_t u = c.unicode();
        if (c.isSpace() || isDigit(u))
            continue;
        if (u < 0x80 && std::strchr("+-.eEiInNfFaA", char(u)) != nullptr)
            continue;
        return true;
    }
    return false;
}

bool sameDouble(double a, double b)
{
    return (std::isnan(a) && std::isnan(b)) || std::memcmp(&a, &b, sizeof a) == 0;
}

QString numberDetail(double value, int decimals, const QString &text)
{
    return QStringLiteral("%1 with %2 decimals: %3")
        .arg(value, 0, 'g', 17)
        .arg(decimals)
        .arg(FuzzCheck::visible(text));
}

void checkNumberText(double value, int decimals)
{
    const QString text = NumberText::fixed(value, decimals);
    FUZZ_CHECK(!text.contains(u'e') && !text.contains(u'E'), numberDetail(value, decimals, text));
    qsizetype i = text.startsWith(u'-') ? 1 : 0;
    const qsizetype point = text.indexOf(u'.');
    FUZZ_CHECK(point > i && text.size() - point - 1 == decimals, numberDetail(value, decimals, text));
    for (; i < text.size(); ++i)
        FUZZ_CHECK(i == point || isDigit(text.at(i).unicode()), numberDetail(value, decimals, text));
    const QByteArray latin = text.toLatin1();
    const double back = std::strtod(latin.constData(), nullptr);
    const double halfUnit = 0.5 * std::pow(10.0, -decimals);
    FUZZ_CHECK(std::fabs(back - value) <= halfUnit * (1 + 1e-9) + std::fabs(value) * DBL_EPSILON,
               numberDetail(value, decimals, text));
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
    const char *rest = reinterpret_cast<const char *>(data + 1);
    const qsizetype length = qsizetype(size - 1);
    const QString text = (data[0] & 1) ? QString::fromUtf8(rest, length)
                                       : QString::fromLatin1(rest, length);

    // Recognisable earlier values, to see which entries parse() leaves alone.
    GroupValues values;
    for (int i = 0; i < GroupValues::Count; ++i)
        values.entry(i) = 1000.25 + i;
    const GroupValues before = values;

    const qsizetype fieldCount = text.count(u' ') + 1;
    const bool parsed = values.parse(text);
    FUZZ_CHECK(parsed == (fieldCount >= GroupValues::MinimumFieldCount),
               QStringLiteral("%1 fields, parse %2").arg(fieldCount).arg(parsed));
    if (!parsed) {
        FUZZ_CHECK(std::memcmp(&values, &before, sizeof values) == 0, FuzzCheck::visible(text));
        return 0;
    }

    const QStringList fields = text.split(u' ');
    for (int i = 0; i < GroupValues::TextFieldCount; ++i) {
        const double entry = values.entry(i);
        const bool angle = i >= 8 && i <= 16;
        if (i >= fields.size()) {
            FUZZ_CHECK(sameDouble(entry, before.entry(i)), entryDetail(values, i, text));
            continue;
        }
        const QString &field = fields.at(i);
        if (isPlainNumber(field)) {
            const QByteArray latin = field.toLatin1();
            double expected = std::strtod(latin.constData(), nullptr);
            if (!std::isfinite(expected))
                expected = 0;
            if (angle)
                expected *= 10.0;
            FUZZ_CHECK(sameDouble(entry, expected) || (entry == 0 && expected == 0),
                       entryDetail(values, i, text)
                           + QStringLiteral(" expected %1").arg(expected, 0, 'g', 17));
            FUZZ_CHECK(std::isfinite(entry) || (angle && std::fabs(expected) > DBL_MAX),
                       entryDetail(values, i, text));
        } else if (cannotBeNumber(field)) {
            FUZZ_CHECK(entry == 0, entryDetail(values, i, text));
        } else {
            // Blanks around a number are allowed, so the field may still be
            // a number beyond a tenth of the largest double.
            FUZZ_CHECK(std::isfinite(entry) || (angle && std::isinf(entry)),
                       entryDetail(values, i, text));
        }
    }

    // The derived entries, from the formulas.
    const GroupValues &v = values;
    const double k = DegreesToRadians;
    const double expected[18] = {
        std::cos(v.powerAngleA * k), std::cos(v.powerAngleB * k), std::cos(v.powerAngleC * k),
        std::sin(v.powerAngleA * k), std::sin(v.powerAngleB * k), std::sin(v.powerAngleC * k),
        v.voltageA * v.currentA * std::cos(v.powerAngleA * k),
        v.voltageA * v.currentA * std::sin(v.powerAngleA * k),
        v.voltageA * v.currentA,
        v.voltageB * v.currentB * std::cos(v.powerAngleB * k),
        v.voltageB * v.currentB * std::sin(v.powerAngleB * k),
        v.voltageB * v.currentB,
        v.voltageC * v.currentC * std::cos(v.powerAngleC * k),
        v.voltageC * v.currentC * std::sin(v.powerAngleC * k),
        v.voltageC * v.currentC,
        v.activePowerA + v.activePowerB + v.activePowerC,
        v.reactivePowerA + v.reactivePowerB + v.reactivePowerC,
        v.apparentPowerA + v.apparentPowerB + v.apparentPowerC,
    };
    for (int i = 0; i < 18; ++i) {
        FUZZ_CHECK(sameDouble(v.entry(19 + i), expected[i]),
                   entryDetail(values, 19 + i, text)
                       + QStringLiteral(" expected %1").arg(expected[i], 0, 'g', 17));
    }

    for (int i = 0; i < GroupValues::Count; ++i) {
        const double entry = v.entry(i);
        if (!std::isfinite(entry))
            continue;
        checkNumberText(entry, NumberText::AngleDecimals);
        checkNumberText(entry, NumberText::VoltageDecimals);
        checkNumberText(entry, NumberText::CurrentDecimals);
    }
    return 0;
}
