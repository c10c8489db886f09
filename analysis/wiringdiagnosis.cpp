#include "wiringdiagnosis.h"

#include "elementreading.h"
#include "wiringcheck.h"
#include "wiringforms.h"
#include "groupvalues.h"

#include <QCoreApplication>
#include <QtMath>
#include <algorithm>
#include <cmath>
#include <limits>

namespace WiringDiagnosis {

namespace {

using WiringForms::Form;
using WiringForms::Phasor;
using WiringForms::Phasors;

QString tr(const char *text)
{
    return QCoreApplication::translate("WiringDiagnosis", text);
}

constexpr double Infinity = std::numeric_limits<double>::infinity();
constexpr double Unknown = std::numeric_limits<double>::quiet_NaN();

// Into (-180, 180].
double wrapped(double degrees)
{
    double r = std::fmod(degrees, 360.0);
    if (r > 180)
        r -= 360;
    else if (r <= -180)
        r += 360;
    return r;
}

double lagOf(Phasor z)
{
    return -qRadiansToDegrees(std::arg(z));
}

Phasor lagging(double size, double lagDegrees)
{
    return std::polar(size, -qDegreesToRadians(lagDegrees));
}

QString degrees(double angle)
{
    return QString::number(angle, 'f', 1) + QChar(0x00B0);
}

// A form with the lags of its elements' voltages and currents behind
// element 1's voltage, on a balanced supply at load angle 0.
struct Model
{
    Form form;
    double voltageLag[3];
    double currentLag[3];
};

QList<Model> buildModels(WiringForms::System system)
{
    QList<Model> models;
    for (const Form &form : WiringForms::forms(system)) {
        Model m{ form, {}, {} };
        Phasors voltages{}, currents{};
        WiringForms::elementPhasors(form, 0, voltages, currents);
        for (int e = 0; e < form.elements(); ++e) {
            m.voltageLag[e] = wrapped(lagOf(voltages[e]) - lagOf(voltages[0]));
            m.currentLag[e] = wrapped(lagOf(currents[e]) - lagOf(voltages[0]));
        }
        models << m;
    }
    return models;
}

const QList<Model> &models(bool fourWire)
{
    static const QList<Model> four = buildModels(WiringForms::System::FourWire);
    static const QList<Model> three = buildModels(WiringForms::System::ThreeWire);
    return fourWire ? four : three;
}

// The K of a form whose correct power is known: +inf when the meter
// registers next to nothing.
double factor(double correct, const Reading &r)
{
    const double registered = r.registered();
    if (!(std::fabs(registered) > StoppedShare * r.voltAmperes()))
        return Infinity;
    return correct / registered;
}

double factorOf(const Form &form, const Reading &r)
{
    if (form.isCorrect())
        return 1.0;
    return factor(WiringForms::correctPower(form, r.voltages, r.currents), r);
}

struct Fit
{
    double loadAngle;
    double deviation;
};

// The load angle that suits the form best (the mean of what each element's
// current implies) and how far the reading lies off the form there.
Fit fitOf(const Model &m, const Reading &r)
{
    double s = 0, c = 0;
    double offsets[3];
    for (int e = 0; e < r.count; ++e) {
        offsets[e] = wrapped(r.currentLag[e] - m.currentLag[e]);
        s += std::sin(qDegreesToRadians(offsets[e]));
        c += std::cos(qDegreesToRadians(offsets[e]));
    }
    const double phi = qRadiansToDegrees(std::atan2(s, c));
    double deviation = 0;
    for (int e = 0; e < r.count; ++e)
        deviation = std::max({ deviation, std::fabs(wrapped(r.voltageLag[e] - m.voltageLag[e])),
                               std::fabs(wrapped(offsets[e] - phi)) });
    return { phi, deviation };
}

bool inWindow(double phi, LoadWindow window)
{
    // A hair below the start still counts as the start.
    double x = std::fmod(phi - windowStart(window) + 1e-9, 360.0);
    if (x < 0)
        x += 360.0;
    return x < 60.0;
}

bool sameFamily(const Model &a, const Model &b, int count)
{
    const double shift = wrapped(b.currentLag[0] - a.currentLag[0]);
    for (int e = 0; e < count; ++e)
        if (std::fabs(wrapped(b.voltageLag[e] - a.voltageLag[e])) > 1e-6
            || std::fabs(wrapped(b.currentLag[e] - a.currentLag[e] - shift)) > 1e-6)
            return false;
    return true;
}

// Marks the elements with their voltage and current, as the wiring check
// judges them; false when no voltage or no current is above its floor.
bool judgePresence(Reading &r, QStringList &lost)
{
    double highestU = 0, highestI = 0;
    for (int e = 0; e < r.count; ++e) {
        highestU = std::max(highestU, r.voltage[e]);
        highestI = std::max(highestI, r.current[e]);
    }
    if (!(highestU > WiringCheck::VoltageFloor) || !(highestI > WiringCheck::CurrentFloor))
        return false;
    for (int e = 0; e < r.count; ++e) {
        r.hasVoltage[e] = !(r.voltage[e] < WiringCheck::LostVoltageShare * highestU);
        r.hasCurrent[e] = !(r.current[e] < WiringCheck::LostCurrentShare * highestI);
        if (!r.hasVoltage[e])
            lost << tr("%1相失压").arg(r.name[e]);
    }
    for (int e = 0; e < r.count; ++e)
        if (!r.hasCurrent[e])
            lost << tr("%1相失流").arg(r.name[e]);
    return true;
}

// With a voltage or current lost, K is estimated for a balanced load and
// otherwise correct wiring: four-wire, the lost elements would register as
// much as the others; three-wire, the element left gives the load angle.
void estimateLosses(const Reading &r, Diagnosis &d)
{
    QList<int> whole;
    for (int e = 0; e < r.count; ++e) {
        if (!r.hasVoltage[e])
            d.corrections << tr("恢复%1相电压：检查电压线、熔断器和端子").arg(r.name[e]);
        if (!r.hasCurrent[e])
            d.corrections << tr("恢复%1相电流：检查电流回路是否开路或被短接").arg(r.name[e]);
        if (r.hasVoltage[e] && r.hasCurrent[e])
            whole << e;
    }
    d.kEstimated = true;
    if (whole.isEmpty())
        return;
    if (r.fourWire) {
        d.k = 3.0 / whole.size();
        return;
    }
    // Correct three-wire: element 1 reads phi + 30, element 2 phi - 30.
    const int e = whole.first();
    const double phi = wrapped(r.angle[e] + (e == 0 ? -30 : 30));
    const double registered = std::cos(qDegreesToRadians(r.angle[e]));
    d.loadAngle = phi;
    d.k = std::fabs(registered) > StoppedShare ? std::sqrt(3.0) * std::cos(qDegreesToRadians(phi)) / registered
                                                 : Infinity;
}

// Three-wire terminal b open: both coils in series across Uac, each with
// half of it, in opposite directions. The correct line voltages follow from
// Uac on a balanced supply in positive sequence: Uab leads it by 60
// degrees, Ucb by 120.
bool openTerminalB(const Reading &r, Diagnosis &d)
{
    if (r.fourWire || std::fabs(wrapped(r.voltageLag[1] - 180)) > Tolerance)
        return false;
    const Phasor uac = r.voltages[0] - r.voltages[1];
    const double correct = std::real(uac * std::polar(1.0, qDegreesToRadians(60.0)) * std::conj(r.currents[0]))
        + std::real(uac * std::polar(1.0, qDegreesToRadians(120.0)) * std::conj(r.currents[1]));
    d.status = Status::Losses;
    d.summary = tr("表尾b端开路（B相电压断线）");
    d.corrections << tr("接好表尾b端的电压线");
    d.k = factor(correct, r);
    d.kEstimated = true;
    d.loadAngle = wrapped((r.angle[0] + 30 + r.angle[1] - 30) / 2);
    return true;
}

} // namespace

Reading readingOf(const GroupValues &v)
{
    Reading r{};
    r.fourWire = v.isFourWire();
    r.count = r.fourWire ? 3 : 2;
    const double u[] = { v.voltageA, r.fourWire ? v.voltageB : v.voltageC, v.voltageC };
    const double i[] = { v.currentA, r.fourWire ? v.currentB : v.currentC, v.currentC };
    const double a[] = { v.powerAngleA, r.fourWire ? v.powerAngleB : v.powerAngleC, v.powerAngleC };
    const double lag[] = { 0, r.fourWire ? v.voltagePhaseAB : v.voltagePhaseCA, v.voltagePhaseCA };
    const char *const names[] = { "A", r.fourWire ? "B" : "C", "C" };
    for (int e = 0; e < r.count; ++e) {
        r.voltage[e] = u[e];
        r.current[e] = i[e];
        r.angle[e] = a[e];
        r.voltageLag[e] = lag[e];
        r.currentLag[e] = lag[e] + a[e];
        r.voltages[e] = lagging(u[e], lag[e]);
        r.currents[e] = lagging(i[e], lag[e] + a[e]);
        r.name[e] = QLatin1String(names[e]);
    }
    return r;
}

QList<LoadWindow> loadWindows()
{
    return { LoadWindow::Inductive0To60, LoadWindow::Inductive30To90, LoadWindow::Symmetric30 };
}

QString loadWindowText(LoadWindow window)
{
    switch (window) {
    case LoadWindow::Inductive0To60:
        return tr("感性 0°～60°");
    case LoadWindow::Inductive30To90:
        return tr("感性 30°～90°");
    case LoadWindow::Symmetric30:
        break;
    }
    return tr("−30°～30°");
}

double windowStart(LoadWindow window)
{
    switch (window) {
    case LoadWindow::Inductive0To60:
        return 0;
    case LoadWindow::Inductive30To90:
        return 30;
    case LoadWindow::Symmetric30:
        break;
    }
    return -30;
}

Diagnosis diagnose(const GroupValues &values, LoadWindow window)
{
    Diagnosis d;
    d.loadAngle = Unknown;
    d.k = Unknown;
    if (!values.isFourWire() && !values.isThreeWire()) {
        d.summary = tr("接线方式不明，不能判断");
        return d;
    }
    Reading r = readingOf(values);
    QStringList lost;
    if (!judgePresence(r, lost)) {
        d.summary = tr("无电压或无电流，不能判断");
        return d;
    }
    if (!lost.isEmpty()) {
        d.status = Status::Losses;
        d.summary = lost.join(tr("，"));
        estimateLosses(r, d);
        return d;
    }

    const QList<Model> &all = models(r.fourWire);
    int best = -1;
    Fit bestFit{ 0, Infinity };
    double nearest = Infinity;
    for (int f = 0; f < all.size(); ++f) {
        const Fit fit = fitOf(all[f], r);
        nearest = std::min(nearest, fit.deviation);
        if (inWindow(fit.loadAngle, window) && fit.deviation < bestFit.deviation)
            best = f, bestFit = fit;
    }
    if (best < 0 || bestFit.deviation > Tolerance + 1e-9) {
        if (openTerminalB(r, d))
            return d;
        d.status = Status::NoFit;
        d.summary = tr("与任何接线形式都不符");
        d.deviation = nearest;
        return d;
    }

    const Model &m = all[best];
    d.status = Status::Identified;
    d.form = WiringForms::notation(m.form);
    d.correct = m.form.isCorrect();
    d.loadAngle = wrapped(bestFit.loadAngle);
    d.k = factorOf(m.form, r);
    d.corrections = WiringForms::corrections(m.form);
    d.deviation = bestFit.deviation;
    for (int f = 0; f < all.size(); ++f)
        if (f != best && sameFamily(m, all[f], r.count))
            d.alternatives << Alternative{ WiringForms::notation(all[f].form),
                                           wrapped(fitOf(all[f], r).loadAngle), factorOf(all[f].form, r),
                                           all[f].form.isCorrect() };
    std::sort(d.alternatives.begin(), d.alternatives.end(),
              [](const Alternative &a, const Alternative &b) { return a.loadAngle < b.loadAngle; });

    // Near an end of the window, the form 60 degrees on, just beyond the
    // other end, is as likely.
    const double intoWindow = std::fmod(bestFit.loadAngle - windowStart(window) + 720.0 + 1e-9, 360.0);
    if ((intoWindow < EdgeMargin + 1e-6 || intoWindow > 60 - EdgeMargin - 1e-6) && !d.alternatives.isEmpty()) {
        const double beyond = bestFit.loadAngle + (intoWindow < EdgeMargin ? 60 : -60);
        d.atEdge = true;
        d.rival = *std::min_element(d.alternatives.cbegin(), d.alternatives.cend(),
                                    [beyond](const Alternative &a, const Alternative &b) {
                                        return std::fabs(wrapped(a.loadAngle - beyond))
                                            < std::fabs(wrapped(b.loadAngle - beyond));
                                    });
    }
    return d;
}

QString kText(double k)
{
    if (std::isnan(k))
        return tr("—");
    if (std::isinf(k))
        return tr("∞");
    // No "-0.000" for a K that rounds to nothing.
    return QString::number(std::fabs(k) < 0.0005 ? 0.0 : k, 'f', 3);
}

QString kMeaning(double k)
{
    if (std::isinf(k))
        return tr("表计停走");
    if (k < 0)
        return tr("表计反转");
    return QString();
}

Refund refund(double k, double registeredEnergy)
{
    Refund r;
    if (!std::isfinite(k) || !std::isfinite(registeredEnergy))
        return r;
    r.valid = true;
    r.energy = (k - 1) * registeredEnergy;
    r.direction = std::fabs(r.energy) < 0.0005 ? tr("无需退补") : r.energy > 0 ? tr("应补收") : tr("应退还");
    return r;
}

QString formLine(const Diagnosis &d, LoadWindow window)
{
    switch (d.status) {
    case Status::Identified:
        return tr("接线形式：%1（%2，负载角%3，按%4判定）")
            .arg(d.form, d.correct ? tr("正确接线") : tr("错误接线"), degrees(d.loadAngle), loadWindowText(window));
    case Status::Losses:
        return tr("接线形式：不能确定（%1）").arg(d.summary);
    case Status::NoFit:
        if (!std::isfinite(d.deviation)) // angles that are no numbers
            return tr("接线形式：%1").arg(d.summary);
        return tr("接线形式：%1（最小偏差%2）").arg(d.summary, degrees(d.deviation));
    case Status::NotJudged:
        break;
    }
    return tr("接线形式：%1").arg(d.summary);
}

QString kLine(const Diagnosis &d)
{
    if (std::isnan(d.k))
        return tr("更正系数K：不能计算");
    QString k = kText(d.k);
    if (!kMeaning(d.k).isEmpty())
        k += tr("（%1）").arg(kMeaning(d.k));
    if (d.kEstimated)
        k += tr("（按负载对称、其余接线正确估算）");
    // A wrong form may register right at this one load angle.
    if (d.status == Status::Identified && !d.correct && k == QLatin1String("1.000"))
        k += tr("（在此负载角下计量正确，但接线错误，负载角变化后计量将不准确，仍须更正）");
    return tr("更正系数K：%1").arg(k);
}

namespace {

// "[Ua,Ia][Ub,Ib][Uc,Ic]（正确接线）：负载角30.0°，K=1.000"
QString candidateLine(const QString &form, bool correct, double loadAngle, double k)
{
    return tr("%1（%2）：负载角%3，K=%4")
        .arg(form, correct ? tr("正确接线") : tr("错误接线"), degrees(loadAngle), kText(k));
}

// What the diagnosis says, in a few words: 正确接线, [Ua,-Ia][Ub,Ib][Uc,Ic]（错误接线）, …
QString verdictWords(const Diagnosis &d)
{
    if (d.status != Status::Identified)
        return d.summary;
    if (d.atEdge)
        return tr("%1或%2（负载角接近判定范围边界）").arg(d.form, d.rival.form);
    return d.correct ? tr("正确接线") : tr("%1（错误接线）").arg(d.form);
}

} // namespace

QStringList diagnosisLines(const Diagnosis &d, LoadWindow window, Layout layout)
{
    if (d.atEdge) {
        return { tr("接线形式：负载角接近判定范围边界（按%1判定），以下两种接线形式读数相同，"
                    "请结合现场负荷性质判断").arg(loadWindowText(window)),
                 tr("  ") + candidateLine(d.form, d.correct, d.loadAngle, d.k),
                 tr("  ") + candidateLine(d.rival.form, d.rival.correct, d.rival.loadAngle, d.rival.k) };
    }
    QStringList lines{ formLine(d, window), kLine(d) };
    if (layout == Layout::OneLine) {
        if (!d.corrections.isEmpty())
            lines << tr("更正方法：%1").arg(d.corrections.join(tr("；")));
        return lines;
    }
    if (d.status == Status::Identified && d.corrections.isEmpty())
        lines << tr("更正方法：无需更正");
    else if (!d.corrections.isEmpty())
        lines << tr("更正方法：");
    for (int i = 0; i < d.corrections.size(); ++i)
        lines << tr("  %1. %2").arg(i + 1).arg(d.corrections.at(i));
    return lines;
}

QString defaultWindowNote(const GroupValues &values, const Diagnosis &chosen, LoadWindow window)
{
    const LoadWindow standard = loadWindows().constFirst();
    if (window == standard)
        return QString();
    const QString byDefault = verdictWords(diagnose(values, standard));
    if (byDefault == verdictWords(chosen))
        return QString();
    return tr("按默认范围（%1）为%2").arg(loadWindowText(standard), byDefault);
}

QString conclusion(const GroupValues &values, LoadWindow window)
{
    const Diagnosis d = diagnose(values, window);
    QString sentence;
    if (d.atEdge)
        sentence = tr("负载角接近判定范围边界，接线为%1或%2，须结合现场负荷性质确定。").arg(d.form, d.rival.form);
    else if (d.status == Status::Identified && d.correct)
        sentence = tr("电能表接线正确。");
    else if (d.status == Status::Identified)
        sentence = tr("电能表接线错误（%1），更正系数K为%2，应更正接线并退补电量。").arg(d.form, kText(d.k));
    else if (d.status == Status::Losses)
        sentence = tr("%1，应恢复后复测。").arg(d.summary);
    else
        sentence = tr("%1，请现场核实。").arg(d.summary);
    return tr("检测结论：%1").arg(sentence);
}

QStringList reportLines(const GroupValues &values, LoadWindow window)
{
    const Diagnosis d = diagnose(values, window);
    QStringList lines = diagnosisLines(d, window, Layout::OneLine);
    const QString note = defaultWindowNote(values, d, window);
    if (!note.isEmpty())
        lines << note;
    for (const WiringCheck::Finding &finding : WiringCheck::check(values, window))
        lines << WiringCheck::findingLine(finding);
    return lines;
}

} // namespace WiringDiagnosis
