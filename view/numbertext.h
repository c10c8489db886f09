#ifndef NUMBERTEXT_H
#define NUMBERTEXT_H

#include <QString>

// Number texts as the table and the reports write them: fixed-point, "." as
// decimal point, no grouping and never an exponent.
namespace NumberText {

inline constexpr int VoltageDecimals = 2;
inline constexpr int CurrentDecimals = 4;   // also the neutral current
inline constexpr int AngleDecimals = 1;     // power angles and phase angles
inline constexpr int FactorDecimals = 4;    // power factors
inline constexpr int PowerDecimals = 2;     // active, reactive, apparent
inline constexpr int FrequencyDecimals = 2;

inline QString fixed(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

} // namespace NumberText

#endif // NUMBERTEXT_H
