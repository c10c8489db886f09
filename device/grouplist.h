#ifndef GROUPLIST_H
#define GROUPLIST_H

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QIcon>
#include <QString>

class QListWidgetItem;

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
// them (a list may hold a hundred thousand entries).
class EntryStyle
{
public:
    EntryStyle();
    // A new entry for group number N (counted from 1).
    QListWidgetItem *makeEntry(int number, const QIcon &icon) const;

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
