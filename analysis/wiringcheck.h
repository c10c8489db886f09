#ifndef WIRINGCHECK_H
#define WIRINGCHECK_H

#include "wiringdiagnosis.h"

#include <QList>
#include <QString>

struct GroupValues;

// What the phasors of one group show about the wiring of the energy meter,
// as facts without a guessed cause: phase sequences, power direction, lost
// voltages and currents, unusual load angles. The cause, the wiring form
// itself, is the diagnosis's to name (wiringdiagnosis.h).
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
// first when nothing is above 正常 and the diagnosis under the window finds
// the correct form; then lost voltages and currents, the voltage and the
// current phase sequence, and the power direction and the load angle (per
// phase on four-wire, the total on three-wire).
QList<Finding> check(const GroupValues &values,
                     WiringDiagnosis::LoadWindow window = WiringDiagnosis::LoadWindow::Inductive0To60);

// Every phase-to-phase angle is compared within this many degrees of its ideal.
inline constexpr double SequenceTolerance = 15;

// A voltage below this share of the highest one is lost, as long as the
// highest is above the floor (below it nothing is connected at all).
inline constexpr double LostVoltageShare = 0.10;
inline constexpr double VoltageFloor = 10.0;
inline constexpr double LostCurrentShare = 0.02;
inline constexpr double CurrentFloor = 0.05;

} // namespace WiringCheck

#endif // WIRINGCHECK_H
