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
    // Transformer ratios; 0 where none is given.
    double currentRatio = 0; // 电流互感器变比
    double voltageRatio = 0; // 电压互感器变比

    bool hasRatios() const { return currentRatio > 0 || voltageRatio > 0; }
    // Primary-side figure of a secondary-side one (a missing ratio counts 1).
    double primary(double secondary) const
    {
        return secondary * (currentRatio > 0 ? currentRatio : 1) * (voltageRatio > 0 ? voltageRatio : 1);
    }

    // A ratio as typed: empty is none (0); false for text that is no
    // number above 0.
    static bool parseRatio(const QString &text, double *ratio);
    static QString ratioText(double ratio);

    // The values last saved, with today's date.
    static ReportInfo load();
    void save() const;
};

#endif // REPORTINFO_H
