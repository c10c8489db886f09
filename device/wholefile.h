#ifndef WHOLEFILE_H
#define WHOLEFILE_H

#include <QByteArray>
#include <QString>

// Writes bytes as the whole new content of the file at path. An existing
// file is replaced only once the new content is completely on disk; when
// anything fails it is left as it was and no partial file remains. Returns
// false on failure, with the reason in *error when given.
bool saveWholeFile(const QString &path, const QByteArray &bytes, QString *error = nullptr);

#endif // WHOLEFILE_H
