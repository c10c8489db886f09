#include "wiringcheck.h"

#include "groupvalues.h"
#include "numbertext.h"

#include <QCoreApplication>
#include <QtMath>
#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace WiringCheck {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("WiringCheck", text);
}

// Into [0, 360] (a tiny negative angle rounds up to 360).
double reduced(double degrees)
{
    const double r = std::fmod(degrees, 360.0);
    return r < 0 ? r + 360.0 : r;
}

// How far apart two directions are, 0 to 180 degrees.
double apart(double a, double b)
{
    const double d = std::fabs(reduced(a) - reduced(b));
    return std::min(d, 360.0 - d);
}

QString angle(double degrees)
{
    return NumberText::fixed(reduced(degrees), NumberText::AngleDecimals) + QChar(0x00B0);
}

enum class Sequence { Positive, Negative, Unknown };

struct Bearing
{
    double angle;
    double positiveIdeal; // the ideal of the negative sequence is 360 minus this
};

Sequence sequenceOf(std::initializer_list<Bearing> bearings)
{
    bool positive = true;
    bool negative = true;
    for (const Bearing &b : bearings) {
        // Inclusive, also for angles that reach the bound through rounding.
        positive = positive && apart(b.angle, b.positiveIdeal) <= SequenceTolerance + 1e-9;
        negative = negative && apart(b.angle, 360.0 - b.positiveIdeal) <= SequenceTolerance + 1e-9;
    }
    return positive ? Sequence::Positive : negative ? Sequence::Negative : Sequence::Unknown;
}

// One measured phase: A, B and C on four-wire; on three-wire the elements
// (Uab, Ia), named A, and (Ucb, Ic), named C.
struct Phase
{
    QString letter;
    QString voltageName;
    QString currentName;
    double voltage;
    double current;
    double powerAngle;
    bool hasVoltage = false;
    bool hasCurrent = false;
};

// Marks which phases have their quantity and adds a finding for each lost
// one. Returns why not every phase has it (the numbers), or nothing.
QString judgePresence(QList<Phase> &phases, bool current, QList<Finding> &findings)
{
    const double share = current ? LostCurrentShare : LostVoltageShare;
    const double floor = current ? CurrentFloor : VoltageFloor;
    const int decimals = current ? NumberText::CurrentDecimals : NumberText::VoltageDecimals;
    const QString unit = current ? QStringLiteral("A") : QStringLiteral("V");
    double highest = 0;
    for (const Phase &p : std::as_const(phases))
        highest = std::max(highest, current ? p.current : p.voltage);
    const QString highestText = tr("最高 %1%2").arg(NumberText::fixed(highest, decimals), unit);
    if (!(highest > floor))
        return highestText; // nothing connected: nothing to judge
    QStringList missing;
    for (Phase &p : phases) {
        const double value = current ? p.current : p.voltage;
        const bool present = !(value < share * highest);
        (current ? p.hasCurrent : p.hasVoltage) = present;
        if (present)
            continue;
        missing << tr("%1 %2%3").arg(current ? p.currentName : p.voltageName,
                                     NumberText::fixed(value, decimals), unit);
        findings << Finding{ Severity::Fault,
                             (current ? tr("%1相失流") : tr("%1相失压")).arg(p.letter),
                             tr("%1，%2").arg(missing.last(), highestText) };
    }
    return missing.join(tr("，"));
}

} // namespace

QString severityText(Severity severity)
{
    switch (severity) {
    case Severity::Normal:
        return tr("正常");
    case Severity::Hint:
        return tr("提示");
    case Severity::Fault:
        break;
    }
    return tr("异常");
}

QString findingLine(const Finding &finding)
{
    QString line = tr("【%1】").arg(severityText(finding.severity)) + finding.text;
    if (!finding.basis.isEmpty())
        line += tr("（%1）").arg(finding.basis);
    return line;
}

QList<Finding> check(const GroupValues &v, WiringDiagnosis::LoadWindow window)
{
    const bool fourWire = v.isFourWire();
    if (!fourWire && !v.isThreeWire())
        return { { Severity::Hint, tr("接线方式不明，不能判断"),
                   tr("接线代码 %1").arg(v.wiringCode) } };

    QList<Phase> phases;
    if (fourWire)
        phases = { { tr("A"), tr("UA"), tr("IA"), v.voltageA, v.currentA, v.powerAngleA },
                   { tr("B"), tr("UB"), tr("IB"), v.voltageB, v.currentB, v.powerAngleB },
                   { tr("C"), tr("UC"), tr("IC"), v.voltageC, v.currentC, v.powerAngleC } };
    else
        phases = { { tr("A"), tr("UAB"), tr("IA"), v.voltageA, v.currentA, v.powerAngleA },
                   { tr("C"), tr("UCB"), tr("IC"), v.voltageC, v.currentC, v.powerAngleC } };

    QList<Finding> findings;
    const QString missingVoltage = judgePresence(phases, false, findings);
    const QString missingCurrent = judgePresence(phases, true, findings);
    const bool allVoltages = missingVoltage.isEmpty();
    const bool allCurrents = missingCurrent.isEmpty();

    // Phase sequences: only when every measured quantity is there, as the
    // angle to a missing phasor means nothing.
    Sequence voltages = Sequence::Unknown;
    if (!allVoltages) {
        findings << Finding{ Severity::Hint, tr("电压相序不能判断"), missingVoltage };
    } else {
        voltages = fourWire ? sequenceOf({ { v.voltagePhaseAB, 120 }, { v.voltagePhaseCA, 240 } })
                            : sequenceOf({ { v.voltagePhaseCA, 300 } });
        const QString basis = fourWire
            ? tr("UA→UB %1，UA→UC %2").arg(angle(v.voltagePhaseAB), angle(v.voltagePhaseCA))
            : tr("UAB→UCB %1").arg(angle(v.voltagePhaseCA));
        if (voltages == Sequence::Positive)
            findings << Finding{ Severity::Normal, tr("电压正相序"), basis };
        else if (voltages == Sequence::Negative)
            findings << Finding{ Severity::Fault, tr("电压逆相序"), basis };
        else
            findings << Finding{ Severity::Hint, tr("电压相序不能判断"), basis };
    }

    // Three-wire has two currents; their angle tells the sequence as well.
    if (!allCurrents) {
        findings << Finding{ Severity::Hint, tr("电流相序不能判断"), missingCurrent };
    } else {
        const Sequence currents = fourWire
            ? sequenceOf({ { v.currentPhaseAB, 120 }, { v.currentPhaseCA, 240 } })
            : sequenceOf({ { v.currentPhaseCA, 240 } });
        const QString basis = fourWire
            ? tr("IA→IB %1，IA→IC %2").arg(angle(v.currentPhaseAB), angle(v.currentPhaseCA))
            : tr("IA→IC %1").arg(angle(v.currentPhaseCA));
        if (currents == Sequence::Unknown)
            findings << Finding{ Severity::Hint, tr("电流相序不能判断"), basis };
        else if (voltages != Sequence::Unknown && currents != voltages)
            findings << Finding{ Severity::Fault, tr("电流相序与电压相序不一致"), basis };
        else if (currents == Sequence::Positive)
            findings << Finding{ Severity::Normal, tr("电流正相序"), basis };
        else
            findings << Finding{ voltages == Sequence::Negative ? Severity::Normal : Severity::Hint,
                                 tr("电流逆相序"), basis };
    }

    if (fourWire) {
        for (const Phase &p : std::as_const(phases)) {
            if (!p.hasVoltage || !p.hasCurrent)
                continue;
            // cos(U→I) < 0 exactly when the angle lies between 90 and 270.
            const double a = reduced(p.powerAngle);
            const QString basis = tr("%1→%2 %3").arg(p.voltageName, p.currentName, angle(a));
            if (a > 90 && a < 270)
                findings << Finding{ Severity::Fault, tr("%1相有功功率为负").arg(p.letter), basis };
            else if (a >= 270 && a < 330) // no or positive power, beyond -30 degrees
                findings << Finding{ Severity::Hint, tr("%1相功率因数角异常").arg(p.letter), basis };
        }
    } else if (allVoltages && allCurrents) {
        // The element of Uab alone reads negative below power factor 0.5, so
        // only the total tells the direction. Worked out here from reduced
        // angles in exact radians: the table's powers round the factor, so
        // their sign could hang on whether an angle is written -85 or 275.
        double total = 0;
        double voltAmperes = 0;
        for (const Phase &p : std::as_const(phases)) {
            total += p.voltage * p.current * std::cos(qDegreesToRadians(reduced(p.powerAngle)));
            voltAmperes += p.voltage * p.current;
        }
        const QString basis = tr("Pab+Pcb %1W").arg(NumberText::fixed(total, NumberText::PowerDecimals));
        if (!(std::fabs(total) > WiringDiagnosis::StoppedShare * voltAmperes))
            findings << Finding{ Severity::Hint, tr("总有功功率接近零"), basis };
        else if (total < 0)
            findings << Finding{ Severity::Fault, tr("总有功功率为负"), basis };
    }

    const bool clean = std::all_of(findings.cbegin(), findings.cend(), [](const Finding &f) {
        return f.severity == Severity::Normal;
    });
    // All facts in order is not enough: some wrong forms show none.
    if (clean && WiringDiagnosis::settledCorrect(WiringDiagnosis::diagnose(v, window)))
        findings.prepend({ Severity::Normal, tr("未发现接线异常"), QString() });
    return findings;
}

} // namespace WiringCheck
