#include "reportinfo.h"

#include "toolsettings.h"

#include <cmath>

namespace {
const char Group[] = "reportInfo";
}

bool ReportInfo::parseRatio(const QString &text, double *ratio)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        *ratio = 0;
        return true;
    }
    bool ok = false;
    const double value = trimmed.toDouble(&ok);
    if (!ok || !std::isfinite(value) || value <= 0)
        return false;
    *ratio = value;
    return true;
}

QString ReportInfo::ratioText(double ratio)
{
    return ratio > 0 ? QString::number(ratio, 'g', 12) : QString();
}

ReportInfo ReportInfo::load()
{
    ToolSettings settings;
    settings.beginGroup(QLatin1String(Group));
    ReportInfo info;
    info.customer = settings.value(QStringLiteral("customer")).toString();
    info.site = settings.value(QStringLiteral("site")).toString();
    info.meterNumber = settings.value(QStringLiteral("meterNumber")).toString();
    info.tester = settings.value(QStringLiteral("tester")).toString();
    // Whatever is stored, only a ratio that could have been typed comes back.
    if (!parseRatio(settings.value(QStringLiteral("currentRatio")).toString(), &info.currentRatio))
        info.currentRatio = 0;
    if (!parseRatio(settings.value(QStringLiteral("voltageRatio")).toString(), &info.voltageRatio))
        info.voltageRatio = 0;
    return info;
}

void ReportInfo::save() const
{
    ToolSettings settings;
    settings.beginGroup(QLatin1String(Group));
    settings.setValue(QStringLiteral("customer"), customer);
    settings.setValue(QStringLiteral("site"), site);
    settings.setValue(QStringLiteral("meterNumber"), meterNumber);
    settings.setValue(QStringLiteral("tester"), tester);
    settings.setValue(QStringLiteral("currentRatio"), ratioText(currentRatio));
    settings.setValue(QStringLiteral("voltageRatio"), ratioText(voltageRatio));
}
