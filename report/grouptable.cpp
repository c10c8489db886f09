#include "grouptable.h"

#include "wholefile.h"
#include "groupsummary.h"
#include "groupvalues.h"
#include "numbertext.h"

#include <QCoreApplication>
#include <cmath>

namespace GroupTable {

namespace {

template<double GroupValues::*Member>
double member(const GroupValues &values)
{
    return values.*Member;
}

using namespace NumberText;

// In the order a technician reads the window's table.
const Column columns[] = {
    { "频率(Hz)", member<&GroupValues::frequency>, FrequencyDecimals },
    { "UA(V)", member<&GroupValues::voltageA>, VoltageDecimals },
    { "UB(V)", member<&GroupValues::voltageB>, VoltageDecimals },
    { "UC(V)", member<&GroupValues::voltageC>, VoltageDecimals },
    { "IA(A)", member<&GroupValues::currentA>, CurrentDecimals },
    { "IB(A)", member<&GroupValues::currentB>, CurrentDecimals },
    { "IC(A)", member<&GroupValues::currentC>, CurrentDecimals },
    { "IN(A)", member<&GroupValues::currentN>, CurrentDecimals },
    { "功角A(°)", member<&GroupValues::powerAngleA>, AngleDecimals },
    { "功角B(°)", member<&GroupValues::powerAngleB>, AngleDecimals },
    { "功角C(°)", member<&GroupValues::powerAngleC>, AngleDecimals },
    { "电压相位A>B(°)", member<&GroupValues::voltagePhaseAB>, AngleDecimals },
    { "电压相位B>C(°)", member<&GroupValues::voltagePhaseBC>, AngleDecimals },
    { "电压相位C>A(°)", member<&GroupValues::voltagePhaseCA>, AngleDecimals },
    { "电流相位A>B(°)", member<&GroupValues::currentPhaseAB>, AngleDecimals },
    { "电流相位B>C(°)", member<&GroupValues::currentPhaseBC>, AngleDecimals },
    { "电流相位C>A(°)", member<&GroupValues::currentPhaseCA>, AngleDecimals },
    { "接线代码", member<&GroupValues::wiringCode>, 0 },
    { "备用字段", member<&GroupValues::spareField>, 2 },
    { "功率因数A", member<&GroupValues::powerFactorA>, FactorDecimals },
    { "功率因数B", member<&GroupValues::powerFactorB>, FactorDecimals },
    { "功率因数C", member<&GroupValues::powerFactorC>, FactorDecimals },
    { "无功因数A", member<&GroupValues::reactiveFactorA>, FactorDecimals },
    { "无功因数B", member<&GroupValues::reactiveFactorB>, FactorDecimals },
    { "无功因数C", member<&GroupValues::reactiveFactorC>, FactorDecimals },
    { "PA(W)", member<&GroupValues::activePowerA>, PowerDecimals },
    { "QA(Var)", member<&GroupValues::reactivePowerA>, PowerDecimals },
    { "SA(VA)", member<&GroupValues::apparentPowerA>, PowerDecimals },
    { "PB(W)", member<&GroupValues::activePowerB>, PowerDecimals },
    { "QB(Var)", member<&GroupValues::reactivePowerB>, PowerDecimals },
    { "SB(VA)", member<&GroupValues::apparentPowerB>, PowerDecimals },
    { "PC(W)", member<&GroupValues::activePowerC>, PowerDecimals },
    { "QC(Var)", member<&GroupValues::reactivePowerC>, PowerDecimals },
    { "SC(VA)", member<&GroupValues::apparentPowerC>, PowerDecimals },
    { "ΣP(W)", member<&GroupValues::activePowerSum>, PowerDecimals },
    { "ΣQ(Var)", member<&GroupValues::reactivePowerSum>, PowerDecimals },
    { "ΣS(VA)", member<&GroupValues::apparentPowerSum>, PowerDecimals },
    { "总功率因数", totalPowerFactor, FactorDecimals },
};

QString tr(const char *text)
{
    return QCoreApplication::translate("GroupTable", text);
}

// One line of the CSV file; a field with a comma, quote or line break is quoted.
QByteArray csvLine(const QStringList &fields)
{
    QByteArray line;
    for (int i = 0; i < fields.size(); ++i) {
        const QString &field = fields.at(i);
        if (i > 0)
            line += ',';
        if (field.contains(u',') || field.contains(u'"') || field.contains(u'\n'))
            line += '"' + QString(field).replace(u'"', QStringLiteral("\"\"")).toUtf8() + '"';
        else
            line += field.toUtf8();
    }
    return line + "\r\n";
}

} // namespace

const Column *valueColumns()
{
    return columns;
}

int valueColumnCount()
{
    return int(std::size(columns));
}

QString numberHeader()
{
    return tr("组号");
}

QString wiringHeader()
{
    return tr("接线方式");
}

QByteArray encodeCsv(const QStringList &groups)
{
    QStringList headers{ numberHeader(), wiringHeader() };
    for (const Column &column : columns)
        headers << tr(column.header);
    QByteArray csv = "\xEF\xBB\xBF" + csvLine(headers);
    for (int i = 0; i < groups.size(); ++i) {
        const std::optional<GroupValues> values = GroupValues::fromText(groups.at(i));
        QStringList fields{ QString::number(i + 1), wiringSystemOf(values) };
        for (const Column &column : columns) {
            const double value = values ? column.value(*values) : std::nan("");
            fields << (std::isnan(value) ? QString() : NumberText::fixed(value, column.decimals));
        }
        csv += csvLine(fields);
    }
    return csv;
}

bool saveCsv(const QString &path, const QStringList &groups, QString *error)
{
    return saveWholeFile(path, encodeCsv(groups), error);
}

} // namespace GroupTable
