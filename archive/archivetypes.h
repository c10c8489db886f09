#ifndef ARCHIVETYPES_H
#define ARCHIVETYPES_H

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <cmath>
#include <optional>

// What the archive keeps and finds, as the window and the dialogs see it.
namespace Archive {

// A meter's details as the technician types them.
struct MeterDetails
{
    QString accountNo;  // 户号
    QString customer;   // 户名
    QString site;       // 安装地点
    QString meterNo;    // 表号
    QString ctRatio;    // as the nameplate writes it
    QString ptRatio;
    bool operator==(const MeterDetails &other) const
    {
        return accountNo == other.accountNo && customer == other.customer && site == other.site
            && meterNo == other.meterNo && ctRatio == other.ctRatio && ptRatio == other.ptRatio;
    }
};

struct Meter
{
    QString uid;
    MeterDetails details;
};

// The meter's registers read at a visit: 正向有功, 反向有功 (kWh), 无功 Ⅰ
// to Ⅳ (kvarh); each may be missing.
using Registers = std::array<std::optional<double>, 6>;

// A test as of its latest revision (or as archived, tied to no meter).
struct TestDetails
{
    QString meterUid;   // empty: tied to none
    QDate testDate;     // 检测日期
    QString tester;
    bool voided = false;
    QString voidReason;
    QDate correctedOn;  // 接线已更正; null when not
    Registers registers;
};

// Groups of one read that arrived together: stored in one transaction.
struct Arrival
{
    QString readUid;
    QDateTime readStart;
    QString source = QStringLiteral("instrument"); // "instrument", "copy" or "file"
    QString origin;     // the copy's or the file's name; identifies the read too
    int firstSeq = 1;   // 1 for the read's first group
    QStringList groups;
};

// A test as a row of the results or of a meter's history.
struct TestRow
{
    qint64 readingId = 0;
    QString readingUid;
    QString groupText;
    QDate date;
    Meter meter;        // uid empty: tied to none
    QString tester;
    int wiringCode = 0;
    QString verdict;
    int severity = 0;   // 0 正常, 1 提示, 2 异常
    bool wrongWiring = false;
    double k = std::nan("");
    double activePower = std::nan(""); // ΣP, W
    bool voided = false;
    QString voidReason;
    QDate correctedOn;
    Registers registers; // read at the visit
    int diagnosisVersion = 0;
};

// A PDF written from the archive and kept with the tests of its pages.
struct KeptReport
{
    qint64 id = 0;
    QDateTime madeAt;
    QString madeBy;
    QString fileName;   // where it was written
};

// One read, for 历史读取.
struct ReadRow
{
    QString uid;
    QDateTime startedAt;
    QString source;
    QString origin;
    bool complete = false;
    int groups = 0;
    int known = 0;      // of them, already in the archive when they came
};

} // namespace Archive

#endif // ARCHIVETYPES_H
