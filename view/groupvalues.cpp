#include "groupvalues.h"

#include <QStringList>
#include <cmath>

namespace {

// A field that is not a number counts as 0. Texts such as "inf" or "nan",
// and numbers beyond the range of a double, count as 0 as well, so that no
// field is infinite or undefined. (Absurdly large fields can still overflow
// in the scaling and the products; the diagram copes with that.)
double fieldValue(const QString &field)
{
    bool ok = false;
    const double value = field.toDouble(&ok);
    return ok && std::isfinite(value) ? value : 0.0;
}

} // namespace

bool GroupValues::parse(const QString &groupText)
{
    const QStringList fields = groupText.split(QLatin1Char(' '), Qt::KeepEmptyParts,
                                               Qt::CaseSensitive);
    if (fields.size() < MinimumFieldCount)
        return false;

    double *values = entries();
    const int taken = qMin<int>(fields.size(), TextFieldCount);
    for (int i = 0; i < taken; ++i)
        values[i] = fieldValue(fields.at(i));

    // The instrument stores angles in tenths of the value shown.
    for (int i = 8; i <= 16; ++i)
        values[i] *= 10.0;

    derivePowers();
    return true;
}

void GroupValues::derivePowers()
{
    powerFactorA = std::cos(powerAngleA * DegreesToRadians);
    powerFactorB = std::cos(powerAngleB * DegreesToRadians);
    powerFactorC = std::cos(powerAngleC * DegreesToRadians);
    reactiveFactorA = std::sin(powerAngleA * DegreesToRadians);
    reactiveFactorB = std::sin(powerAngleB * DegreesToRadians);
    reactiveFactorC = std::sin(powerAngleC * DegreesToRadians);

    apparentPowerA = voltageA * currentA;
    apparentPowerB = voltageB * currentB;
    apparentPowerC = voltageC * currentC;
    activePowerA = apparentPowerA * powerFactorA;
    activePowerB = apparentPowerB * powerFactorB;
    activePowerC = apparentPowerC * powerFactorC;
    reactivePowerA = apparentPowerA * reactiveFactorA;
    reactivePowerB = apparentPowerB * reactiveFactorB;
    reactivePowerC = apparentPowerC * reactiveFactorC;

    // Apparent powers are added arithmetically, not as vectors.
    activePowerSum = activePowerA + activePowerB + activePowerC;
    reactivePowerSum = reactivePowerA + reactivePowerB + reactivePowerC;
    apparentPowerSum = apparentPowerA + apparentPowerB + apparentPowerC;
}
