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
    QString text = QString::fromLatin1(arrival.constData(), length);
    if (m_lineJustEnded && text.startsWith(LineFeed))
        text.remove(0, 1); // the LF of a CR LF split between two arrivals
    if (!text.isEmpty())
        m_lineJustEnded = false;

    m_pending += text;
    m_hasCarriageReturn = m_hasCarriageReturn || text.contains(CarriageReturn);
    m_hasLineFeed = m_hasLineFeed || text.contains(LineFeed);

    QStringList lines;
    if (m_hasCarriageReturn && m_hasLineFeed) {
        const qsizetype lastEnd = m_pending.lastIndexOf(CarriageReturn);
        const QString finished = m_pending.left(lastEnd);
        m_pending.remove(0, lastEnd + 1);
        m_hasCarriageReturn = false;

        // A line ended by CR LF owns the LF after its CR; a line ended by LF
        // CR already had its LF, and an LF after its CR begins the next line.
        bool ownsNextLineFeed = false;
        lines = finished.split(CarriageReturn, Qt::KeepEmptyParts);
        for (QString &line : lines) {
            if (ownsNextLineFeed && line.startsWith(LineFeed))
                line.remove(0, 1);
            ownsNextLineFeed = !line.contains(LineFeed);
            line.remove(LineFeed);
            line.remove(Colon);
        }
        if (ownsNextLineFeed && m_pending.startsWith(LineFeed))
            m_pending.remove(0, 1);
        m_lineJustEnded = ownsNextLineFeed && m_pending.isEmpty();
        m_hasLineFeed = m_pending.contains(LineFeed);
    }
    bound();
    return lines;
}

void ReplyFramer::clear()
{
    m_pending.clear();
    m_hasCarriageReturn = false;
    m_hasLineFeed = false;
    m_lineJustEnded = false;
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
