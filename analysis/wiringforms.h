#ifndef WIRINGFORMS_H
#define WIRINGFORMS_H

#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <complex>
#include <optional>

// The ways an energy meter can be wired to a balanced three-phase supply:
// which phase voltage or line voltage and which current, in which
// direction, each measuring element receives. Phases are 0, 1, 2 for a, b, c.
namespace WiringForms {

enum class System { ThreeWire, FourWire };

struct Form
{
    System system = System::FourWire;
    // Four-wire: the phase of each element's voltage. Three-wire: the phase
    // on each of the meter's voltage terminals a, b, c; element 1 measures
    // terminal a against b, element 2 terminal c against b.
    std::array<int, 3> voltage{ 0, 1, 2 };
    // The phase of each element's current (three-wire: a or c only) and
    // whether it runs in (+1) or reversed (-1).
    std::array<int, 3> current{ 0, 1, 2 };
    std::array<int, 3> sign{ 1, 1, 1 };

    int elements() const { return system == System::FourWire ? 3 : 2; }
    bool isCorrect() const;
    bool operator==(const Form &other) const;
};

// Three-wire: all 48 forms. Four-wire: the 96 forms with element 1 on Ua;
// the other 192 are relabellings of these (a→b→c), which read the same and
// register the same energy. The correct form comes first.
QList<Form> forms(System system);

// "[Uab,Ia][Ucb,-Ic]", "[Ua,Ia][Uc,-Ib][Ub,Ic]".
QString notation(const Form &form);

using Phasor = std::complex<double>;
using Phasors = std::array<Phasor, 3>;

// What each element receives on a balanced supply of unit phase voltage and
// unit current at load angle phi (degrees, the current lagging): voltages
// and currents as phasors, Ua at angle 0.
void elementPhasors(const Form &form, double phi, Phasors &voltages, Phasors &currents);

// The active power the correct wiring would register, from what the
// elements of this form receive.
double correctPower(const Form &form, const Phasors &voltages, const Phasors &currents);
// The same as a complex power, P + jQ (the reactive part positive for a
// lagging current).
Phasor correctComplexPower(const Form &form, const Phasors &voltages, const Phasors &currents);

// What the form's meter registers as a share of the true complex power, on
// a balanced supply and load: S(registered) = c S(true) at every load
// angle, so c turns and scales. 0 where the meter stands still whatever the
// load.
Phasor registration(const Form &form);

// The form of a notation as notation() writes it; nullopt for none.
// Four-wire: only the forms with element 1 on Ua, as the diagnosis names them.
std::optional<Form> formOf(const QString &notation);

// What to change on site to turn the form into the correct one: voltage
// leads first, then reversed current leads where they are now, then moves
// of current leads between elements.
QStringList corrections(const Form &form);

} // namespace WiringForms

#endif // WIRINGFORMS_H
