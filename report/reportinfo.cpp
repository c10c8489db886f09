#include "reportinfo.h"

#include "toolsettings.h"

#include <QRegularExpression>
#include <cmath>

namespace {
const char Group[] = "reportInfo";

// One side of a ratio, in the kind's unit (kV and kA a thousand).
bool side(const QString &text, ReportInfo::Ratio kind, double *value)
{
    static const QRegularExpression pattern(QStringLiteral("^\\s*([0-9]*\\.?[0-9]+)\\s*(k?)([AV]?)\\s*$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(text);
    const QString unit = match.captured(3).toUpper();
    if (!match.hasMatch() || (!unit.isEmpty() && unit != (kind == ReportInfo::Ratio::Current ? "A" : "V"))
        || (unit.isEmpty() && !match.captured(2).isEmpty()))
        return false;
    *value = match.captured(1).toDouble() * (match.captured(2).isEmpty() ? 1 : 1000);
    return std::isfinite(*value) && *value > 0;
}
} // namespace

double ReportInfo::multiplier(const QString &ratio, Ratio kind)
{
    if (ratio.trimmed().isEmpty())
        return 0;
    // "/" as on the nameplate, or the full-width one a Chinese keyboard types.
    const QStringList sides = ratio.split(QRegularExpression(QStringLiteral("[/／]")));
    double primary = 0, secondary = 1;
    if (sides.size() > 2 || !side(sides.first(), kind, &primary)
        || (sides.size() == 2 && !side(sides.last(), kind, &secondary)))
        return -1;
    const double value = primary / secondary;
    return std::isfinite(value) && value > 0 ? value : -1;
}

QString ReportInfo::ratioText(const QString &ratio, Ratio kind)
{
    const double value = multiplier(ratio, kind);
    if (value <= 0)
        return QString();
    const QString times = QStringLiteral("×") + QString::number(value, 'g', 12);
    return ratio.contains(QRegularExpression(QStringLiteral("[/／]"))) ? ratio.trimmed() + u'（' + times + u'）' : times;
}

double ReportInfo::primary(double secondary) const
{
    const double current = multiplier(currentRatio, Ratio::Current);
    const double voltage = multiplier(voltageRatio, Ratio::Voltage);
    return secondary * (current > 0 ? current : 1) * (voltage > 0 ? voltage : 1);
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
    info.currentRatio = settings.value(QStringLiteral("currentRatio")).toString().trimmed();
    if (multiplier(info.currentRatio, Ratio::Current) < 0)
        info.currentRatio.clear();
    info.voltageRatio = settings.value(QStringLiteral("voltageRatio")).toString().trimmed();
    if (multiplier(info.voltageRatio, Ratio::Voltage) < 0)
        info.voltageRatio.clear();
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
    settings.setValue(QStringLiteral("currentRatio"), currentRatio);
    settings.setValue(QStringLiteral("voltageRatio"), voltageRatio);
}
