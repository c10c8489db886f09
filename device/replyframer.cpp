#include "replyframer.h"

#include <QDebug>

namespace {
constexpr QChar CarriageReturn = u'\r';
constexpr QChar LineFeed = u'\n';
constexpr QChar Colon = u':';
} // namespace

QStringList ReplyFramer::take(const QByteArray &arrival)
{
    qsizetype length = arrival.indexOf('\0');
    if (length < 0)
        length = arrival.size();
    const QString text = QString::fromLatin1(arrival.constData(), length);

    m_pending += text;
    m_hasCarriageReturn = m_hasCarriageReturn || text.contains(CarriageReturn);
    m_hasLineFeed = m_hasLineFeed || text.contains(LineFeed);

    QStringList lines;
    if (m_hasCarriageReturn && m_hasLineFeed) {
        const qsizetype lastEnd = m_pending.lastIndexOf(CarriageReturn);
        const QString finished = m_pending.left(lastEnd);
        m_pending.remove(0, lastEnd + 1);
        m_hasCarriageReturn = false;
        m_hasLineFeed = m_pending.contains(LineFeed);

        lines = finished.split(CarriageReturn, Qt::KeepEmptyParts);
        for (QString &line : lines) {
            line.remove(LineFeed);
            line.remove(Colon);
        }
    }
    bound();
    return lines;
}

void ReplyFramer::bound()
{
    const qsizetype excess = m_pending.size() - MaxPendingText;
    if (excess <= 0)
        return;
    qDebug() << "reply text without line end too long, dropped" << excess << "characters";
    m_pending.remove(0, excess);
    m_hasCarriageReturn = m_pending.contains(CarriageReturn);
    m_hasLineFeed = m_pending.contains(LineFeed);
}
