#ifndef REPLYFRAMER_H
#define REPLYFRAMER_H

#include <QByteArray>
#include <QString>
#include <QStringList>

// Turns the bytes arriving from the instrument into reply lines.
//
// Every arrival is taken one character per byte (Latin-1) up to its first
// zero byte; the bytes from the zero byte on are dropped. The text is
// appended to the pending text, which is examined only once it holds at least
// one carriage return and at least one line feed, in either order. Then every
// line finished by a carriage return is handed out, in order, with its line
// feeds and colons removed; the text after the last carriage return stays
// pending exactly as received (its line feeds included, so that a line ended
// by LF CR whose CR comes in a later arrival is still released at once),
// except a line feed that directly follows the last carriage return of a
// line without line feed: it ends that line (CR LF), whether it comes in the
// same arrival or at the start of the next one.
class ReplyFramer
{
public:
    // Longest unfinished text kept; older text beyond it is dropped.
    static constexpr qsizetype MaxPendingText = 64 * 1024;

    // The complete reply lines finished by this arrival, in order.
    QStringList take(const QByteArray &arrival);

    // Text received and not yet handed out as a line.
    const QString &pending() const { return m_pending; }

    // Forgets the unfinished text, e.g. of a connection that has ended.
    void clear();

private:
    void bound();

    QString m_pending;
    bool m_hasCarriageReturn = false; // somewhere in m_pending
    bool m_hasLineFeed = false;       // somewhere in m_pending
    bool m_lineJustEnded = false;     // a line ended by CR alone was just handed out
};

#endif // REPLYFRAMER_H
