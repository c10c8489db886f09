#ifndef WIRINGCHECK_H
#define WIRINGCHECK_H

#include <QList>
#include <QString>

struct GroupValues;

// What the phasors of one group tell about the wiring of the energy meter:
// phase sequences, power direction, lost voltages and currents, unusual load
// angles. These are hints for the technician to confirm on site, not proof:
// a load or a supply can show the same angles as a wiring fault.
namespace WiringCheck {

enum class Severity { Normal, Hint, Fault };

struct Finding
{
    Severity severity;
    QString text;  // what the numbers show
    QString basis; // the numbers it rests on; may be empty
};

// 正常, 提示 or 异常.
QString severityText(Severity severity);
// "【异常】A相失压（UA 0.00V，最高 220.00V）"
QString findingLine(const Finding &finding);

// The findings of a group, in a fixed order: the verdict "未发现接线异常"
// first when nothing is above 正常; then lost voltages and currents, the
// voltage and the current phase sequence, and per phase the power direction
// and the load angle.
QList<Finding> check(const GroupValues &values);

// Every phase-to-phase angle is compared within this many degrees of its ideal.
inline constexpr double SequenceTolerance = 15;

} // namespace WiringCheck

#endif // WIRINGCHECK_H
