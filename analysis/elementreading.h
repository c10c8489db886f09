#ifndef ELEMENTREADING_H
#define ELEMENTREADING_H

#include "wiringforms.h"

#include <QString>

struct GroupValues;

namespace WiringDiagnosis {

// The elements as measured: sizes, lags behind element 1's voltage, phasors.
struct Reading
{
    bool fourWire;
    int count;
    double voltage[3];
    double current[3];
    double angle[3]; // each element's U→I
    double voltageLag[3];
    double currentLag[3];
    WiringForms::Phasors voltages;
    WiringForms::Phasors currents;
    bool hasVoltage[3];
    bool hasCurrent[3];
    QString name[3];

    double registered() const
    {
        double p = 0;
        for (int e = 0; e < count; ++e)
            p += std::real(voltages[e] * std::conj(currents[e]));
        return p;
    }
    double voltAmperes() const
    {
        double s = 0;
        for (int e = 0; e < count; ++e)
            s += voltage[e] * current[e];
        return s;
    }
};

// The elements of a group; angles as given, lags behind element 1's voltage.
Reading readingOf(const GroupValues &values);

} // namespace WiringDiagnosis

#endif // ELEMENTREADING_H
