#ifndef GROUPLIST_H
#define GROUPLIST_H

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QIcon>
#include <QString>

// Entries of the group list: one numbered entry 第N组 per measurement group.
namespace GroupList {

// Icon path of the entries of groups read from a data file; relative to the
// working directory, and optional.
inline constexpr char FileGroupIconPath[] = "images/china.png";
// Icon path of the entries of groups received from the instrument.
inline constexpr char DeviceGroupIconPath[] = ":/pic/go.png";

// The icon of a source's icon path; no icon when the path does not exist.
QIcon iconFor(const QString &path);

QString entryText(int number);
QColor entryBackground(int number);

// The font and backgrounds of the entries, made once and shared by all of
// them (a list may hold a hundred thousand entries); the window makes the
// list's entries with them.
class EntryStyle
{
public:
    EntryStyle();
    const QFont &font() const { return m_font; }
    // The background of group number N (counted from 1).
    const QBrush &background(int number) const { return number % 2 == 0 ? m_evenBackground : m_oddBackground; }

private:
    QFont m_font;
    QBrush m_oddBackground;
    QBrush m_evenBackground;
};

// The group text of an instrument reply line: every "end" removed, wherever
// it stands.
QString groupFromReplyLine(QString line);

} // namespace GroupList

#endif // GROUPLIST_H
