#ifndef FUZZCHECK_H
#define FUZZCHECK_H

#include <QByteArray>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// A broken invariant aborts, so that libFuzzer keeps the input as a finding.
#define FUZZ_REQUIRE(condition)                                                              \
    ((condition) ? void() : (std::fprintf(stderr, "%s:%d: %s\n", __FILE__, __LINE__, #condition), \
                             std::abort()))

inline QByteArray fuzzBytes(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

#endif // FUZZCHECK_H
