// A reply line to its group text, and group texts to their values.
#include "grouplist.h"
#include "fuzzcheck.h"
#include "groupvalues.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = fuzzBytes(data, size);
    const QString group = GroupList::groupFromReplyLine(QString::fromLatin1(bytes));
    FUZZ_REQUIRE(!group.contains(QLatin1String("end")));
    for (const QString &text : { group, QString::fromUtf8(bytes) }) {
        GroupValues values;
        FUZZ_REQUIRE(values.parse(text) == (text.count(u' ') >= GroupValues::MinimumFieldCount - 1));
        for (int i = 0; i < GroupValues::Count; ++i)
            FUZZ_REQUIRE(std::isfinite(values.entry(i)));
    }
    return 0;
}
