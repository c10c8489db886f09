#ifndef DATAFILE_H
#define DATAFILE_H

#include <QByteArray>
#include <QString>
#include <QStringList>

// The data file (*.dat) keeps measurement groups on disk: the signature line
// "3000", then one group text per line, UTF-8 without byte-order mark, every
// line ended by CR LF. Reading accepts LF alone as well.
namespace DataFile {

inline constexpr char Signature[] = "3000";

// The bytes of a data file holding the groups: the signature line followed
// by one group line per group. A file can also be written line by line.
QByteArray encode(const QStringList &groups);
QByteArray signatureLine();
QByteArray groupLine(const QString &group);

// The groups of a data file's bytes; false when the first line is not
// exactly the signature. Empty lines are skipped, so a group whose text is
// empty does not end the list and no later group is lost.
bool decode(const QByteArray &bytes, QStringList *groups);

// Writes the groups to path. An existing file is replaced only once the new
// content is completely on disk; on failure it is left as it was. Returns
// false when the file could not be written, with the reason in *error.
bool save(const QString &path, const QStringList &groups, QString *error = nullptr);

// Reads the groups of the file at path; false when the file cannot be read
// or is not a data file.
bool load(const QString &path, QStringList *groups);

} // namespace DataFile

#endif // DATAFILE_H
