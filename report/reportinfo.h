#ifndef REPORTINFO_H
#define REPORTINFO_H

#include <QDate>
#include <QString>

// Who, where and when a PDF report or a print-out is for: the header of
// every page, and the transformer ratios that give the primary-side totals.
// The last values are kept in the tool's settings and offered again; the
// date is always today's when offered.
struct ReportInfo
{
    QString customer;     // 用户名称
    QString site;         // 安装地点
    QString meterNumber;  // 电能表编号
    QString tester;       // 检测人
    QDate date = QDate::currentDate(); // 检测日期
    // Transformer ratios as written on the nameplate ("200/5", "200/5A",
    // "10kV/100V") or as the multiplier alone ("40"); empty where none.
    QString currentRatio; // 电流互感器变比
    QString voltageRatio; // 电压互感器变比

    enum class Ratio { Current, Voltage };
    // The multiplier of a ratio, primary over secondary: "200/5" gives 40,
    // "10kV/100V" 100, "40" 40; 0 for an empty text; -1 for a text that is
    // no ratio of the kind (amperes for a current, volts for a voltage), or
    // not above 0.
    static double multiplier(const QString &ratio, Ratio kind);
    // "200/5（×40）", "40" as "×40"; empty for none.
    static QString ratioText(const QString &ratio, Ratio kind);

    bool hasRatios() const
    {
        return multiplier(currentRatio, Ratio::Current) > 0 || multiplier(voltageRatio, Ratio::Voltage) > 0;
    }
    // Primary-side figure of a secondary-side one (a missing ratio counts 1).
    double primary(double secondary) const;

    // The values last saved, with today's date.
    static ReportInfo load();
    void save() const;
};

#endif // REPORTINFO_H
