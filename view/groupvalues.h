#ifndef GROUPVALUES_H
#define GROUPVALUES_H

#include <QString>
#include <optional>

// The values of one measurement group: entries 0 to 18 come from the fields
// of the group's text (angles already scaled to degrees), entries 19 to 36
// are derived from them. Entry i is also reachable as entry(i), in the order
// of the members below.
struct GroupValues
{
    double frequency = 0;        //  0
    double currentA = 0;         //  1
    double currentB = 0;         //  2
    double currentC = 0;         //  3
    double currentN = 0;         //  4
    double voltageA = 0;         //  5
    double voltageB = 0;         //  6
    double voltageC = 0;         //  7
    double powerAngleA = 0;      //  8
    double powerAngleB = 0;      //  9
    double powerAngleC = 0;      // 10
    double voltagePhaseCA = 0;   // 11
    double voltagePhaseBC = 0;   // 12
    double voltagePhaseAB = 0;   // 13
    double currentPhaseCA = 0;   // 14
    double currentPhaseBC = 0;   // 15
    double currentPhaseAB = 0;   // 16
    double wiringCode = 0;       // 17: 1 three-wire (3x3), 2 four-wire (3x4)
    double spareField = 0;       // 18: stored, used nowhere
    double powerFactorA = 0;     // 19
    double powerFactorB = 0;     // 20
    double powerFactorC = 0;     // 21
    double reactiveFactorA = 0;  // 22
    double reactiveFactorB = 0;  // 23
    double reactiveFactorC = 0;  // 24
    double activePowerA = 0;     // 25
    double reactivePowerA = 0;   // 26
    double apparentPowerA = 0;   // 27
    double activePowerB = 0;     // 28
    double reactivePowerB = 0;   // 29
    double apparentPowerB = 0;   // 30
    double activePowerC = 0;     // 31
    double reactivePowerC = 0;   // 32
    double apparentPowerC = 0;   // 33
    double activePowerSum = 0;   // 34
    double reactivePowerSum = 0; // 35
    double apparentPowerSum = 0; // 36

    static constexpr int Count = 37;
    static constexpr int TextFieldCount = 19;  // entries taken from the text
    static constexpr int MinimumFieldCount = 17;

    // The members in entry order.
    static double GroupValues::*const Entries[Count];
    double &entry(int i) { return this->*Entries[i]; }
    double entry(int i) const { return this->*Entries[i]; }

    // The instrument's wiring systems. Only exactly 1 is three-wire for the
    // diagram, only exactly 2 is four-wire for the reports.
    bool isThreeWire() const { return wiringCode == 1.0; }
    bool isFourWire() const { return wiringCode == 2.0; }

    // Takes the group text into these values: splits it at every single
    // space (empty fields count), converts the first 19 fields, scales the
    // angle fields by 10 and derives the power figures. Returns false and
    // changes nothing when the text has fewer than 17 fields; with 17 or 18
    // fields the entries no field reaches keep their previous values.
    bool parse(const QString &groupText);
    // The values of a group text on their own (entries no field reaches are
    // 0); nothing for a text with too few fields.
    static std::optional<GroupValues> fromText(const QString &groupText);

    // Recomputes entries 19 to 36 from entries 0 to 18.
    void derivePowers();
};

// Degrees to radians, as the instrument's software has always rounded it.
// The power factors shown depend on it: 60 degrees gives 0.5002, not 0.5000.
inline constexpr double DegreesToRadians = 0.01745;

#endif // GROUPVALUES_H
