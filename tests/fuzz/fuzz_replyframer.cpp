// Bytes from the instrument, cut into arrivals at every byte 0xFF.
#include "replyframer.h"
#include "fuzzcheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ReplyFramer framer;
    QStringList lines;
    QByteArray carried; // each arrival up to its zero byte
    for (const QByteArray &arrival : fuzzBytes(data, size).split('\xff')) {
        lines += framer.take(arrival);
        carried += arrival.constData();
    }
    lines += framer.take("\r\n");
    for (const QString &line : lines)
        FUZZ_REQUIRE(!line.contains(u'\r') && !line.contains(u'\n') && !line.contains(u':'));
    // However the bytes are cut, the same lines come out.
    if (carried.size() < ReplyFramer::MaxPendingText)
        FUZZ_REQUIRE(ReplyFramer().take(carried + "\r\n") == lines);
    return 0;
}
