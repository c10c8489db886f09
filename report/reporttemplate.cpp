#include "reporttemplate.h"

#include <QFile>

namespace ReportTemplate {

QString read(const QString &resourcePath)
{
    QFile file(resourcePath);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromLatin1(file.readAll());
}

namespace {

int asciiDigit(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'0' && u <= u'9') ? int(u - u'0') : -1;
}

} // namespace

QString fill(const QString &templateText, const QStringList &values)
{
    qsizetype extra = 0;
    for (const QString &value : values)
        extra += value.size();
    QString result;
    result.reserve(templateText.size() + extra);

    const QChar *const begin = templateText.constData();
    const QChar *const end = begin + templateText.size();
    const QChar *copied = begin;   // start of the text not yet copied
    const QChar *p = begin;
    while (p < end) {
        if (*p != u'%' || p + 1 == end) {
            ++p;
            continue;
        }
        int number = asciiDigit(p[1]);
        if (number < 0) {
            ++p;
            continue;
        }
        const QChar *after = p + 2;
        if (after < end && asciiDigit(*after) >= 0) {
            number = number * 10 + asciiDigit(*after);
            ++after;
        }
        if (number >= 1 && number <= values.size()) {
            result.append(copied, p - copied);
            result.append(values.at(number - 1));
            copied = after;
        }
        p = after;
    }
    result.append(copied, end - copied);
    return result;
}

} // namespace ReportTemplate
