#include "wiringforms.h"

#include <QCoreApplication>
#include <QHash>
#include <QtMath>
#include <algorithm>
#include <cmath>

namespace WiringForms {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("WiringForms", text);
}

Phasor lagging(double size, double lagDegrees)
{
    return std::polar(size, -qDegreesToRadians(lagDegrees));
}

const char *const Letters[] = { "a", "b", "c" };
const char *const Ordinals[] = { "一", "二", "三" };

QString elementName(int e) { return tr("第%1元件").arg(tr(Ordinals[e])); }
QString terminalName(int t) { return tr("表尾%1端").arg(QLatin1String(Letters[t])); }

// How to bring the lead at each position i to position target[i]: nothing,
// one exchange, or a rotation of all three.
void describeMoves(const std::array<int, 3> &target, int count, bool terminals, const QString &lead,
                   QStringList &steps)
{
    QList<int> moved;
    for (int i = 0; i < count; ++i)
        if (target[i] != i)
            moved << i;
    if (moved.isEmpty())
        return;
    if (moved.size() == 2) {
        const QString pair = terminals
            ? tr("表尾%1、%2端").arg(QLatin1String(Letters[moved[0]]), QLatin1String(Letters[moved[1]]))
            : tr("第%1、第%2元件").arg(tr(Ordinals[moved[0]]), tr(Ordinals[moved[1]]));
        steps << tr("交换%1的%2").arg(pair, lead);
        return;
    }
    QStringList parts;
    for (int i : std::as_const(moved))
        parts << tr("%1的改接到%2").arg(terminals ? terminalName(i) : elementName(i),
                                        terminals ? terminalName(target[i]) : elementName(target[i]));
    steps << tr("%1轮换：%2").arg(lead, parts.join(tr("，")));
}

} // namespace

bool Form::isCorrect() const
{
    return *this == Form{ system, { 0, 1, 2 }, { 0, system == System::FourWire ? 1 : 2, 2 }, { 1, 1, 1 } };
}

bool Form::operator==(const Form &other) const
{
    for (int e = 0; e < elements(); ++e)
        if (current[e] != other.current[e] || sign[e] != other.sign[e])
            return false;
    return system == other.system && voltage == other.voltage;
}

QList<Form> forms(System system)
{
    QList<Form> all;
    std::array<int, 3> voltage{ 0, 1, 2 };
    do {
        // Four-wire: element 1 stays on phase a.
        if (system == System::FourWire && voltage[0] != 0)
            continue;
        if (system == System::ThreeWire) {
            for (const std::array<int, 3> current : { std::array<int, 3>{ 0, 2, 0 }, std::array<int, 3>{ 2, 0, 0 } })
                for (int signs = 0; signs < 4; ++signs)
                    all << Form{ system, voltage, current, { signs & 1 ? -1 : 1, signs & 2 ? -1 : 1, 1 } };
            continue;
        }
        std::array<int, 3> current{ 0, 1, 2 };
        do {
            for (int signs = 0; signs < 8; ++signs)
                all << Form{ system, voltage, current,
                             { signs & 1 ? -1 : 1, signs & 2 ? -1 : 1, signs & 4 ? -1 : 1 } };
        } while (std::next_permutation(current.begin(), current.end()));
    } while (std::next_permutation(voltage.begin(), voltage.end()));
    return all;
}

QString notation(const Form &form)
{
    QString text;
    for (int e = 0; e < form.elements(); ++e) {
        QString voltage = QStringLiteral("U");
        if (form.system == System::FourWire)
            voltage += QLatin1String(Letters[form.voltage[e]]);
        else
            voltage += QLatin1String(Letters[form.voltage[2 * e]]) + QLatin1String(Letters[form.voltage[1]]);
        text += QStringLiteral("[%1,%2I%3]").arg(voltage, form.sign[e] < 0 ? QStringLiteral("-") : QString(),
                                                 QLatin1String(Letters[form.current[e]]));
    }
    return text;
}

void elementPhasors(const Form &form, double phi, Phasors &voltages, Phasors &currents)
{
    const auto phase = [](int p) { return lagging(1, 120.0 * p); };
    for (int e = 0; e < form.elements(); ++e) {
        voltages[e] = form.system == System::FourWire
            ? phase(form.voltage[e])
            : phase(form.voltage[2 * e]) - phase(form.voltage[1]);
        currents[e] = double(form.sign[e]) * lagging(1, 120.0 * form.current[e] + phi);
    }
}

double correctPower(const Form &form, const Phasors &voltages, const Phasors &currents)
{
    return std::real(correctComplexPower(form, voltages, currents));
}

Phasor correctComplexPower(const Form &form, const Phasors &voltages, const Phasors &currents)
{
    Phasors phaseVoltage{}, phaseCurrent{};
    for (int e = 0; e < form.elements(); ++e)
        phaseCurrent[form.current[e]] = double(form.sign[e]) * currents[e];
    if (form.system == System::FourWire) {
        for (int e = 0; e < 3; ++e)
            phaseVoltage[form.voltage[e]] = voltages[e];
        Phasor power = 0;
        for (int p = 0; p < 3; ++p)
            power += phaseVoltage[p] * std::conj(phaseCurrent[p]);
        return power;
    }
    // The potentials of the phases, taking the meter's terminal b as zero.
    const Phasors terminal{ voltages[0], Phasor(0), voltages[1] };
    for (int t = 0; t < 3; ++t)
        phaseVoltage[form.voltage[t]] = terminal[t];
    return (phaseVoltage[0] - phaseVoltage[1]) * std::conj(phaseCurrent[0])
        + (phaseVoltage[2] - phaseVoltage[1]) * std::conj(phaseCurrent[2]);
}

Phasor registration(const Form &form)
{
    // At load angle 0 the true power is real and positive; the ratio is the
    // same at every other angle, both powers turning alike.
    Phasors voltages{}, currents{};
    elementPhasors(form, 0, voltages, currents);
    Phasor registered = 0;
    for (int e = 0; e < form.elements(); ++e)
        registered += voltages[e] * std::conj(currents[e]);
    const Phasor c = registered / correctComplexPower(form, voltages, currents);
    // Sums of unit phasors leave rounding dust where they cancel.
    return { std::fabs(c.real()) < 1e-12 ? 0.0 : c.real(), std::fabs(c.imag()) < 1e-12 ? 0.0 : c.imag() };
}

std::optional<Form> formOf(const QString &notation)
{
    static const QHash<QString, Form> named = [] {
        QHash<QString, Form> all;
        for (System system : { System::FourWire, System::ThreeWire })
            for (const Form &form : forms(system))
                all.insert(WiringForms::notation(form), form);
        return all;
    }();
    const auto found = named.constFind(notation);
    return found == named.cend() ? std::nullopt : std::optional<Form>(*found);
}

QStringList corrections(const Form &form)
{
    QStringList steps;
    const bool fourWire = form.system == System::FourWire;
    describeMoves(form.voltage, 3, !fourWire, tr("电压线"), steps);
    for (int e = 0; e < form.elements(); ++e)
        if (form.sign[e] < 0)
            steps << tr("%1电流线反接：调换其两端").arg(elementName(e));
    // Once the voltages are right, the current of phase p belongs to the
    // element of phase p (three-wire: a to element 1, c to element 2).
    std::array<int, 3> target{ 0, 1, 2 };
    for (int e = 0; e < form.elements(); ++e)
        target[e] = fourWire ? form.current[e] : form.current[e] == 0 ? 0 : 1;
    describeMoves(target, form.elements(), false, tr("电流线"), steps);
    return steps;
}

} // namespace WiringForms
