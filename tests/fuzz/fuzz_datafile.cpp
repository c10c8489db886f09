// Bytes as a data file, and as group texts to write into one.
#include "datafile.h"
#include "fuzzcheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = fuzzBytes(data, size);
    QStringList groups, again;
    // Any texts without LF are written and read back as they are.
    const QStringList texts = QString::fromUtf8(bytes).split(u'\n', Qt::SkipEmptyParts);
    FUZZ_REQUIRE(DataFile::decode(DataFile::encode(texts), &again) && again == texts);
    // What is read is written back and read the same.
    if (!DataFile::decode(bytes, &groups))
        return 0;
    for (const QString &group : groups)
        FUZZ_REQUIRE(!group.isEmpty() && !group.contains(u'\n'));
    FUZZ_REQUIRE(DataFile::decode(DataFile::encode(groups), &again) && again == groups);
    return 0;
}
