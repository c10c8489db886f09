#include "groupvalues.h"

#include <QStringList>
#include <cmath>

namespace {

// No value is infinite or undefined: a result that is not finite counts as
// 0, as a field that is not a number does.
double finiteOrZero(double value)
{
    return std::isfinite(value) ? value : 0.0;
}

// A field that is not a number counts as 0; so do "inf", "nan" and numbers
// beyond the range of a double.
double fieldValue(const QString &field)
{
    bool ok = false;
    const double value = field.toDouble(&ok);
    return ok ? finiteOrZero(value) : 0.0;
}

} // namespace

std::optional<GroupValues> GroupValues::fromText(const QString &groupText)
{
    GroupValues values;
    if (!values.parse(groupText))
        return std::nullopt;
    return values;
}

double GroupValues::*const GroupValues::Entries[GroupValues::Count] = {
    &GroupValues::frequency,       &GroupValues::currentA,        &GroupValues::currentB,
    &GroupValues::currentC,        &GroupValues::currentN,        &GroupValues::voltageA,
    &GroupValues::voltageB,        &GroupValues::voltageC,        &GroupValues::powerAngleA,
    &GroupValues::powerAngleB,     &GroupValues::powerAngleC,     &GroupValues::voltagePhaseCA,
    &GroupValues::voltagePhaseBC,  &GroupValues::voltagePhaseAB,  &GroupValues::currentPhaseCA,
    &GroupValues::currentPhaseBC,  &GroupValues::currentPhaseAB,  &GroupValues::wiringCode,
    &GroupValues::spareField,      &GroupValues::powerFactorA,    &GroupValues::powerFactorB,
    &GroupValues::powerFactorC,    &GroupValues::reactiveFactorA, &GroupValues::reactiveFactorB,
    &GroupValues::reactiveFactorC, &GroupValues::activePowerA,    &GroupValues::reactivePowerA,
    &GroupValues::apparentPowerA,  &GroupValues::activePowerB,    &GroupValues::reactivePowerB,
    &GroupValues::apparentPowerB,  &GroupValues::activePowerC,    &GroupValues::reactivePowerC,
    &GroupValues::apparentPowerC,  &GroupValues::activePowerSum,  &GroupValues::reactivePowerSum,
    &GroupValues::apparentPowerSum,
};

bool GroupValues::parse(const QString &groupText)
{
    const QStringList fields = groupText.split(QLatin1Char(' '), Qt::KeepEmptyParts,
                                               Qt::CaseSensitive);
    if (fields.size() < MinimumFieldCount)
        return false;

    const int taken = qMin<int>(fields.size(), TextFieldCount);
    for (int i = 0; i < taken; ++i)
        entry(i) = fieldValue(fields.at(i));

    // The instrument stores angles in tenths of the value shown.
    for (int i = 8; i <= 16; ++i)
        entry(i) = finiteOrZero(entry(i) * 10.0);

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

    // Absurdly large fields overflow here; such a product counts as 0.
    apparentPowerA = finiteOrZero(voltageA * currentA);
    apparentPowerB = finiteOrZero(voltageB * currentB);
    apparentPowerC = finiteOrZero(voltageC * currentC);
    activePowerA = apparentPowerA * powerFactorA;
    activePowerB = apparentPowerB * powerFactorB;
    activePowerC = apparentPowerC * powerFactorC;
    reactivePowerA = apparentPowerA * reactiveFactorA;
    reactivePowerB = apparentPowerB * reactiveFactorB;
    reactivePowerC = apparentPowerC * reactiveFactorC;

    // Apparent powers are added arithmetically, not as vectors.
    activePowerSum = finiteOrZero(activePowerA + activePowerB + activePowerC);
    reactivePowerSum = finiteOrZero(reactivePowerA + reactivePowerB + reactivePowerC);
    apparentPowerSum = finiteOrZero(apparentPowerA + apparentPowerB + apparentPowerC);
}
