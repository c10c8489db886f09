#include "energyrefund.h"

#include "elementreading.h"
#include "groupvalues.h"

#include <QCoreApplication>
#include <QLocale>
#include <QtMath>
#include <algorithm>
#include <cmath>

namespace EnergyRefund {

namespace {

using WiringForms::Form;
using WiringForms::Phasor;
using WiringForms::Phasors;

QString tr(const char *text)
{
    return QCoreApplication::translate("EnergyRefund", text);
}

bool given(double x) { return !std::isnan(x); }

QString energyText(double kwh) { return QString::number(std::fabs(kwh) < 0.005 ? 0.0 : kwh, 'f', 2); }
QString rangeText(const Interval &r) { return tr("%1～%2").arg(energyText(r.low), energyText(r.high)); }
QString percent(double share) { return QString::number(100 * share, 'f', 1) + QLatin1Char('%'); }

// Closed intervals and the arithmetic that keeps them closed around every
// value the operands may take.
struct Span
{
    double lo, hi;
};

Span operator+(Span a, Span b) { return { a.lo + b.lo, a.hi + b.hi }; }
Span operator*(Span a, Span b)
{
    const double c[] = { a.lo * b.lo, a.lo * b.hi, a.hi * b.lo, a.hi * b.hi };
    return { *std::min_element(c, c + 4), *std::max_element(c, c + 4) };
}
Span operator*(double k, Span a) { return k >= 0 ? Span{ k * a.lo, k * a.hi } : Span{ k * a.hi, k * a.lo }; }
bool holdsZero(Span a) { return !(a.lo > 0) && !(a.hi < 0); }

// cos over [centre - half, centre + half] degrees: the ends, or 1 or -1
// where the span passes a crest or a trough.
Span cosSpan(double centre, double half)
{
    const double lo = centre - half, hi = centre + half;
    const double a = std::cos(qDegreesToRadians(lo)), b = std::cos(qDegreesToRadians(hi));
    Span s{ std::min(a, b), std::max(a, b) };
    if (std::floor(hi / 360) * 360 >= lo)
        s.hi = 1;
    if (std::floor((hi - 180) / 360) * 360 + 180 >= lo)
        s.lo = -1;
    return s;
}

// A measured magnitude m read within ±share of the truth: the truth lies
// in [m / (1 + share), m / (1 - share)].
Span magnitudeSpan(double measured, double share) { return { measured / (1 + share), measured / (1 - share) }; }

Interval quotient(Span n, Span d)
{
    const double c[] = { n.lo / d.lo, n.lo / d.hi, n.hi / d.lo, n.hi / d.hi };
    return { *std::min_element(c, c + 4), *std::max_element(c, c + 4) };
}

QString registrationText(Phasor c)
{
    return tr("c=%1∠%2°").arg(QString::number(std::abs(c), 'f', 3),
                               QString::number(qRadiansToDegrees(std::arg(c)), 'f', 1));
}

bool stands(Phasor c) { return std::abs(c) < 1e-9; }

} // namespace

QString registerName(int reg)
{
    static const char *const names[RegisterCount] = { "正向有功", "反向有功", "无功Ⅰ象限",
                                                      "无功Ⅱ象限", "无功Ⅲ象限", "无功Ⅳ象限" };
    return tr(names[reg]);
}

QString registerUnit(int reg)
{
    return reg <= ActiveExport ? tr("kWh") : tr("kvarh");
}

bool PeriodRegisters::hasActive() const
{
    return given(energy[ActiveImport]) && given(energy[ActiveExport]);
}

bool PeriodRegisters::hasReactive() const
{
    return std::all_of(energy.begin() + ReactiveQ1, energy.end(), given);
}

bool PeriodRegisters::any() const
{
    return std::any_of(energy.begin(), energy.end(), given) || given(billed);
}

double PeriodRegisters::activeNet() const
{
    return energy[ActiveImport] - energy[ActiveExport];
}

double PeriodRegisters::reactiveNet() const
{
    return energy[ReactiveQ1] + energy[ReactiveQ2] - energy[ReactiveQ3] - energy[ReactiveQ4];
}

double PeriodRegisters::activeTurnover() const
{
    return energy[ActiveImport] + energy[ActiveExport];
}

double PeriodRegisters::reactiveTurnover() const
{
    return energy[ReactiveQ1] + energy[ReactiveQ2] + energy[ReactiveQ3] + energy[ReactiveQ4];
}

std::optional<double> typedNumber(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    bool ok = false;
    const double value = QLocale::c().toDouble(trimmed, &ok);
    return ok && std::isfinite(value) ? value : NotGiven;
}

Parsed parse(const Entries &entries)
{
    Parsed out;
    const auto wrong = [&out](const QString &problem) {
        out.problem = problem;
        return out;
    };
    PeriodRegisters r;
    bool anything = false;
    for (int reg = 0; reg < RegisterCount; ++reg) {
        const QString name = registerName(reg);
        const std::optional<double> end = typedNumber(entries.end[reg]);
        const std::optional<double> start = entries.differences ? std::nullopt : typedNumber(entries.start[reg]);
        if (!start && !end)
            continue;
        anything = true;
        if (entries.differences) {
            if (std::isnan(*end))
                return wrong(tr("%1电量不是数字，请输入数字").arg(name));
            if (*end < 0)
                return wrong(tr("%1电量不能为负").arg(name));
            r.energy[reg] = *end;
            continue;
        }
        if ((start && std::isnan(*start)) || (end && std::isnan(*end)))
            return wrong(tr("%1%2不是数字，请输入数字").arg(name, start && std::isnan(*start) ? tr("起码") : tr("止码")));
        if (!start || !end)
            return wrong(tr("%1须同时填写起码和止码").arg(name));
        if (*start < 0 || *end < 0)
            return wrong(tr("%1示数不能为负").arg(name));
        if (*end < *start)
            return wrong(tr("%1止码小于起码：电能表示数只增不减，请核对（表计走满一圈时请按差值录入）").arg(name));
        r.energy[reg] = *end - *start;
    }
    if (const std::optional<double> billed = typedNumber(entries.billed)) {
        anything = true;
        if (std::isnan(*billed))
            return wrong(tr("结算电量不是数字，请输入数字"));
        r.billed = *billed;
    }
    if (!anything)
        return out;
    const int active = given(r.energy[ActiveImport]) + given(r.energy[ActiveExport]);
    const int reactive = int(std::count_if(r.energy.begin() + ReactiveQ1, r.energy.end(), given));
    if (reactive > 0 && active == 0)
        return wrong(tr("只填写了无功电量，未填写有功电量，不能计算：请填写正向、反向有功"));
    if (active < 2)
        return wrong(tr("正向有功和反向有功须都填写（无电量的填0）"));
    if (reactive > 0 && reactive < 4)
        return wrong(tr("无功四个象限须全部填写（无电量的象限填0）"));
    out.registers = r;
    return out;
}

QString Accuracy::problem() const
{
    const auto within = [](double x, double most) { return x > 0 && x <= most; };
    if (!within(angle, MostAngle))
        return tr("仪表角度准确度应大于0°且不超过%1°（判定范围边界的余量）").arg(MostAngle);
    if (!within(magnitude, MostMagnitude))
        return tr("仪表电压、电流准确度应大于0且不超过%1%").arg(MostMagnitude);
    if (!within(activeClass, MostClass) || !within(reactiveClass, MostClass))
        return tr("电能表准确度等级应大于0且不超过%1级").arg(MostClass);
    return QString();
}

QString Accuracy::instrumentText() const
{
    return tr("角度±%1°，电压、电流±%2%").arg(angle).arg(magnitude);
}

QString Accuracy::meterText() const
{
    return tr("有功%1级，无功%2级").arg(activeClass).arg(reactiveClass);
}

Interval kInterval(const GroupValues &values, const Form &form, const Accuracy &accuracy)
{
    const bool fourWire = form.system == WiringForms::System::FourWire;
    if (!accuracy.problem().isEmpty() || !(fourWire ? values.isFourWire() : values.isThreeWire()))
        return {};
    if (form.isCorrect()) // P(correct) is P(registered), whatever the errors
        return { 1, 1 };
    const WiringDiagnosis::Reading r = WiringDiagnosis::readingOf(values);
    const double share = accuracy.magnitude / 100, w = accuracy.angle;
    Span u[3], i[3];
    Span registered{ 0, 0 };
    for (int e = 0; e < r.count; ++e) {
        u[e] = magnitudeSpan(r.voltage[e], share);
        i[e] = magnitudeSpan(r.current[e], share);
        registered = registered + u[e] * i[e] * cosSpan(r.angle[e], w);
    }
    if (holdsZero(registered))
        return {};
    // P(correct) is a sum of +-Re(Vx conj(Iy)) = +-Ux Iy cos(lag y + angle y
    // - lag x); the form's coefficients are found by putting a unit phasor
    // on one voltage and one current. The lag of element 1's voltage is the
    // reference and carries no error.
    double coefficient[3][3];
    for (int x = 0; x < r.count; ++x)
        for (int y = 0; y < r.count; ++y) {
            Phasors voltages{}, currents{};
            voltages[x] = 1;
            currents[y] = 1;
            coefficient[x][y] = std::round(WiringForms::correctPower(form, voltages, currents));
        }
    // K = m + (P(correct) - m P(registered)) / P(registered) for any m: with
    // m the commonest coefficient of an element's own power, those terms
    // leave the numerator and no longer vary against the denominator.
    double m = 0;
    for (int e = 0, most = 0; e < r.count; ++e) {
        int same = 0;
        for (int f = 0; f < r.count; ++f)
            same += coefficient[f][f] == coefficient[e][e];
        if (same > most)
            most = same, m = coefficient[e][e];
    }
    Span rest{ 0, 0 };
    for (int x = 0; x < r.count; ++x)
        for (int y = 0; y < r.count; ++y) {
            const double c = coefficient[x][y] - (x == y ? m : 0);
            if (c == 0)
                continue;
            const double half = w + (x == y ? 0 : (x != 0) * w + (y != 0) * w);
            rest = rest + c * (u[x] * i[y] * cosSpan(r.voltageLag[y] + r.angle[y] - r.voltageLag[x], half));
        }
    const Interval part = quotient(rest, registered);
    return { m + part.low, m + part.high };
}

bool Unbalance::beyond() const
{
    return voltage > VoltageUnbalanceLimit || current > CurrentUnbalanceLimit;
}

Unbalance unbalanceOf(const GroupValues &values)
{
    const WiringDiagnosis::Reading r = WiringDiagnosis::readingOf(values);
    const auto spread = [&r](const double *sizes) {
        double mean = 0, most = 0;
        for (int e = 0; e < r.count; ++e)
            mean += sizes[e] / r.count;
        for (int e = 0; e < r.count; ++e)
            most = std::max(most, std::fabs(sizes[e] - mean));
        return mean > 0 ? most / mean : 0.0;
    };
    return { spread(r.voltage), spread(r.current) };
}

Settlement fromRegisters(const Form &form, const PeriodRegisters &registers, const Accuracy &accuracy)
{
    Settlement s;
    const Phasor c = WiringForms::registration(form);
    if (stands(c)) {
        s.reason = tr("此接线形式下电能表不论负载如何都不计量（c=0），期间的电量不含用电信息，不能由电量或K计算退补电量");
        return s;
    }
    if (!registers.hasActive()) {
        s.reason = tr("未填写有功电量，不能按电量计算");
        return s;
    }
    // Re((P + jQ) / c) = (P Re c + Q Im c) / |c|^2: linear in P and Q, so
    // the meter's errors on each bound the result exactly.
    const double alpha = c.real() / std::norm(c), beta = c.imag() / std::norm(c);
    if (beta != 0 && !registers.hasReactive()) {
        s.reason = tr("此接线形式（%1）须有四个象限的无功电量才能计算").arg(registrationText(c));
        return s;
    }
    const double p = registers.activeNet(), q = beta != 0 ? registers.reactiveNet() : 0;
    const double dp = accuracy.activeClass / 100 * registers.activeTurnover();
    const double dq = beta != 0 ? accuracy.reactiveClass / 100 * registers.reactiveTurnover() : 0;
    s.known = true;
    s.trueEnergy = alpha * p + beta * q;
    const double spread = std::fabs(alpha) * dp + std::fabs(beta) * dq;
    s.trueRange = { s.trueEnergy - spread, s.trueEnergy + spread };
    if (p != 0)
        s.k = s.trueEnergy / p;
    const Span registered{ p - dp, p + dp };
    if (!holdsZero(registered))
        s.kRange = quotient({ s.trueRange.low, s.trueRange.high }, registered);
    if (given(registers.billed)) {
        s.refund = s.trueEnergy - registers.billed;
        s.refundRange = { s.trueRange.low - registers.billed, s.trueRange.high - registers.billed };
    }
    return s;
}

Settlement fromSnapshot(double k, const Interval &kRange, double registered, double billed)
{
    Settlement s;
    if (!std::isfinite(k) || !std::isfinite(registered))
        return s;
    s.known = true;
    s.k = k;
    s.kRange = kRange;
    s.trueEnergy = k * registered;
    if (kRange.known())
        s.trueRange = { std::min(kRange.low * registered, kRange.high * registered),
                        std::max(kRange.low * registered, kRange.high * registered) };
    if (given(billed)) {
        s.refund = s.trueEnergy - billed;
        if (s.trueRange.known())
            s.refundRange = { s.trueRange.low - billed, s.trueRange.high - billed };
    }
    return s;
}

QString direction(double refund, const Interval &range)
{
    QString words = std::fabs(refund) < 0.0005 ? tr("无需退补") : refund > 0 ? tr("应补收") : tr("应退还");
    if (range.known() && range.low < 0 && range.high > 0)
        words += tr("（范围跨零，退补方向不能确定）");
    return words;
}

QString kWithRange(double k, const Interval &range)
{
    if (!range.known())
        return tr("%1（不能由此读数确定范围）").arg(WiringDiagnosis::kText(k));
    if (range.low == range.high)
        return WiringDiagnosis::kText(k);
    return tr("%1（%2～%3）").arg(WiringDiagnosis::kText(k), WiringDiagnosis::kText(range.low),
                                  WiringDiagnosis::kText(range.high));
}

namespace {

struct Candidate
{
    QString form;
    double k;
};

QList<Candidate> candidatesOf(const WiringDiagnosis::Diagnosis &d)
{
    QList<Candidate> all;
    if (d.status != WiringDiagnosis::Status::Identified)
        return all;
    all << Candidate{ d.form, d.k };
    if (d.atEdge)
        all << Candidate{ d.rival.form, d.rival.k };
    return all;
}

// K from the instrument's reading: "K不能由此读数确定…" where the
// registered power's interval holds 0.
QString snapshotKText(double k, const Interval &range, const Accuracy &accuracy)
{
    if (std::isinf(k))
        return tr("K=∞（表计停走）");
    if (!range.known())
        return tr("K不能由此读数确定：按仪表准确度（%1），有功功率可能为零").arg(accuracy.instrumentText());
    return tr("K=%1").arg(kWithRange(k, range));
}

QString refundText(const Settlement &s)
{
    if (!given(s.refund))
        return tr("ΔW：未填结算电量，不能计算");
    QString text = tr("ΔW = %1 kWh").arg(energyText(s.refund));
    if (s.refundRange.known())
        text += tr("（%1）").arg(rangeText(s.refundRange));
    return text + tr("，") + direction(s.refund, s.refundRange);
}

} // namespace

QString kRangeText(const GroupValues &values, const WiringDiagnosis::Diagnosis &d, const Accuracy &accuracy)
{
    QStringList texts;
    for (const Candidate &c : candidatesOf(d)) {
        const std::optional<Form> form = WiringForms::formOf(c.form);
        if (!form)
            continue;
        const Interval range = kInterval(values, *form, accuracy);
        texts << (std::isinf(c.k) ? WiringDiagnosis::kText(c.k) : range.known() ? kWithRange(c.k, range) : tr("不能确定"));
    }
    return texts.join(tr("或"));
}

QStringList refundLines(const GroupValues &values, const WiringDiagnosis::Diagnosis &d,
                        const std::optional<PeriodRegisters> &registers, const Accuracy &accuracy)
{
    QStringList lines;
    const QList<Candidate> candidates = candidatesOf(d);
    if (!registers) {
        for (const Candidate &c : candidates) {
            const std::optional<Form> form = WiringForms::formOf(c.form);
            if (!form || std::isinf(c.k))
                continue;
            const Interval range = kInterval(values, *form, accuracy);
            if (range.known() && range.low == range.high) // the correct form: K is 1 whatever the errors
                continue;
            lines << tr("K的范围（仪表准确度%1）：%2%3")
                         .arg(accuracy.instrumentText(), d.atEdge ? c.form + tr("：") : QString(),
                              snapshotKText(c.k, range, accuracy));
        }
        return lines;
    }
    const PeriodRegisters &r = *registers;
    lines << tr("期间电量：W′P=正向−反向=%1 kWh，W′Q=QⅠ+QⅡ−QⅢ−QⅣ=%2，结算电量%3")
                 .arg(energyText(r.activeNet()),
                      r.hasReactive() ? energyText(r.reactiveNet()) + tr(" kvarh") : tr("未填"),
                      given(r.billed) ? energyText(r.billed) + tr(" kWh") : tr("未填"));
    if (candidates.isEmpty()) {
        lines << tr("接线形式未确定，不能计算退补电量");
        return lines;
    }
    const Unbalance unbalance = unbalanceOf(values);
    lines << tr("三相不平衡：电压%1，电流%2（限值%3、%4）%5")
                 .arg(percent(unbalance.voltage), percent(unbalance.current), percent(VoltageUnbalanceLimit),
                      percent(CurrentUnbalanceLimit),
                      unbalance.beyond() ? tr("，超过限值，按电量计算的结果为近似值") : QString());
    for (const Candidate &c : candidates) {
        const Form form = *WiringForms::formOf(c.form);
        const QString prefix = d.atEdge ? c.form + tr("：") : QString();
        const Phasor share = WiringForms::registration(form);
        const Settlement energy = fromRegisters(form, r, accuracy);
        if (energy.known) {
            lines << prefix
                    + tr("按电量（%1，电能表%2）：实际电量W=Re((W′P+jW′Q)/c)=%3 kWh（%4），%5；相当于K=%6%7")
                          .arg(registrationText(share), accuracy.meterText(), energyText(energy.trueEnergy),
                               rangeText(energy.trueRange), refundText(energy),
                               given(energy.k) ? kWithRange(energy.k, energy.kRange) : tr("—（W′P为零）"),
                               unbalance.beyond() ? tr("（近似）") : QString());
        } else {
            lines << prefix + tr("按电量：%1").arg(energy.reason);
        }
        const Interval kRange = kInterval(values, form, accuracy);
        const Settlement snapshot = kRange.known() ? fromSnapshot(c.k, kRange, r.activeNet(), r.billed) : Settlement{};
        if (snapshot.known)
            lines << prefix
                    + tr("按检测时的K（%1，仪表%2）：实际电量K·W′P=%3 kWh（%4），%5")
                          .arg(snapshotKText(c.k, kRange, accuracy), accuracy.instrumentText(),
                               energyText(snapshot.trueEnergy), rangeText(snapshot.trueRange), refundText(snapshot));
        else
            lines << prefix + tr("按检测时的K：%1，不能由K计算").arg(snapshotKText(c.k, kRange, accuracy));
        if (energy.known)
            lines << prefix
                    + tr("结算应按电量计算：它与期间内负载角的变化无关，K只代表检测时刻的负载%1")
                          .arg(unbalance.beyond() ? tr("；三相不平衡超过限值，两种结果都是近似值，须现场核实") : QString());
        else if (stands(share))
            lines << prefix + tr("结算不能由电量或K计算，须按其他依据（如更正后同期的用电量）协商确定");
        else if (snapshot.known)
            lines << prefix + tr("结算宜补填电量后按电量计算；按K计算须假定期间内负载角不变");
    }
    if (d.atEdge)
        lines << tr("两种接线形式的结果不同，须结合现场负荷性质确定采用哪一个");
    return lines;
}

QString conclusionSentence(const GroupValues &values, const WiringDiagnosis::Diagnosis &d,
                           const PeriodRegisters &registers, const Accuracy &accuracy)
{
    QStringList parts;
    for (const Candidate &c : candidatesOf(d)) {
        const Form form = *WiringForms::formOf(c.form);
        const QString prefix = d.atEdge ? c.form + tr("：") : QString();
        Settlement s = fromRegisters(form, registers, accuracy);
        QString method = tr("按电能表记录的电量计算");
        if (!s.known && stands(WiringForms::registration(form))) {
            parts << prefix + tr("表计不计量，退补电量不能由电量或K计算，须另行协商确定");
            continue;
        }
        if (!s.known) {
            const Interval kRange = kInterval(values, form, accuracy);
            s = kRange.known() ? fromSnapshot(c.k, kRange, registers.activeNet(), registers.billed) : Settlement{};
            method = tr("按检测时的K计算（假定期间内负载角不变）");
        }
        if (!s.known || !given(s.refund))
            continue;
        QString words = std::fabs(s.refund) < 0.0005
            ? tr("%1%2，%3").arg(prefix, method, direction(s.refund, s.refundRange))
            : tr("%1%2，%3%4 kWh").arg(prefix, method, direction(s.refund, s.refundRange), energyText(std::fabs(s.refund)));
        if (s.refundRange.known())
            words += tr("（ΔW范围%1 kWh）").arg(rangeText(s.refundRange));
        parts << words;
    }
    if (parts.isEmpty())
        return QString();
    return tr("退补电量：%1。").arg(parts.join(tr("；")));
}

} // namespace EnergyRefund
