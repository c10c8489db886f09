#include "wholefile.h"

#include <QSaveFile>

bool saveWholeFile(const QString &path, const QByteArray &bytes, QString *error)
{
    QSaveFile file(path);
    // flush() is checked on its own: Qt 6.4's commit() does not notice when
    // the buffered rest cannot be written (a full disk) and would then put
    // a truncated file in place of the old one.
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush()
        && file.commit())
        return true;
    if (error)
        *error = file.errorString();
    file.cancelWriting();
    return false;
}
