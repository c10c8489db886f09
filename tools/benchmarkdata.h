#ifndef BENCHMARKDATA_H
#define BENCHMARKDATA_H

#include <QByteArray>
#include <QFile>
#include <QString>

// What the benchmarks share: groups as the instrument stores them, and the
// process's memory figures.

// A four-wire or three-wire group with varied values.
inline QString benchmarkGroup(int i)
{
    const bool threeWire = i % 3 == 0;
    return QStringLiteral("%1 %2 %3 %4 0.0300 %5 %6 %7 %8 2.8 3.2 24.0 12.0 12.0 24.1 12.0 11.9 %9 0")
        .arg(49.9 + (i % 20) / 100.0, 0, 'f', 2)
        .arg(1 + (i % 97) / 100.0, 0, 'f', 4)
        .arg(threeWire ? 0.0 : 1.48, 0, 'f', 4)
        .arg(1.52, 0, 'f', 4)
        .arg(220 + (i % 13) / 10.0, 0, 'f', 2)
        .arg(threeWire ? 0.0 : 219.8, 0, 'f', 2)
        .arg(220.5, 0, 'f', 2)
        .arg((i % 90) / 10.0, 0, 'f', 1)
        .arg(threeWire ? 1 : 2);
}

// A figure of /proc/self/status in KiB, such as "VmHWM:" (peak) or
// "VmRSS:"; -1 where there is none (not Linux).
inline long procStatusKiB(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').first().toLong();
    return -1;
}

#endif // BENCHMARKDATA_H
