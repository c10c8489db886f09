// The wiring check and diagnosis on readings built from phasors placed by
// hand: the supply's phase voltages and the load's currents, each meter
// element given the voltage and current its form names ("[Uab,-Ia][Ucb,Ic]",
// "[Ua,Ic][Ub,Ia][Uc,-Ib]"), and the instrument's fields worked out from
// them with complex numbers, not with the rules under test.

#include "archiveconnection.h"
#include "archivequery.h"
#include "archivestore.h"
#include "energyrefund.h"
#include "refundperiod.h"
#include "wiringcheck.h"
#include "wiringdiagnosis.h"
#include "groupvalues.h"

#include <QtTest>
#include <QRandomGenerator>
#include <complex>

using namespace WiringDiagnosis;
using Z = std::complex<double>;

namespace {

Z lagging(double size, double lag) { return std::polar(size, -qDegreesToRadians(lag)); }
double lagOf(Z z) { return -qRadiansToDegrees(std::arg(z)); }
int phase(QChar letter) { return letter.unicode() - 'a'; }
// One element of a form: its voltage (a phase or two), direction, current.
const QRegularExpression element(R"(\[U([abc]{1,2}),(-?)I([abc])\])");

struct Built
{
    GroupValues values;
    double correct = 0;    // the power the correct wiring registers
    double registered = 0;
    double registeredQ = 0;
    double voltAmperes = 0; // the sum of U x I of the elements
    double elementPower[3] = {};
};

// The reading of a form at load angle phi. Unbalanced: voltages 100%, 97%,
// 104% and 1° off, currents 1.5, 0.9, 1.2 A at phi, phi + 4, phi - 3. Faults:
// "UA lost" (four-wire 0 V; three-wire its terminal floats to b), "b open",
// "IC at 0" or "U at 10" (resized), "negative sequence", and changes of the reading's
// fields: "13 by 15" (entry 13 plus 15°), "turns 20" (every angle 20 turns
// on), "zeros".
Built build(int wiring, double phi, QString form, const QString &fault = {}, bool unbalanced = false)
{
    const double u = wiring == 2 ? 220 : 100 / std::sqrt(3.0);
    Z U[3], I[3];
    for (int p = 0; p < 3; ++p) {
        U[p] = lagging(u * (unbalanced ? QList<double>{ 1, 0.97, 1.04 }[p] : 1), 120 * p + (unbalanced && p == 2));
        I[p] = lagging(unbalanced ? QList<double>{ 1.5, 0.9, 1.2 }[p] : 1.5,
                       120 * p + phi + (unbalanced ? QList<double>{ 0, 4, -3 }[p] : 0));
    }
    const QStringList parts = fault.split(", ");
    for (const QString &part : parts) {
        const QStringList words = part.split(' ');
        if (part == "negative sequence")
            std::swap(U[1], U[2]), std::swap(I[1], I[2]);
        else if (part == "UA lost")
            U[0] = wiring == 2 ? Z(0) : U[1];
        else if (words.value(1) == "at") // every phasor whose name starts so, resized
            for (int p = 0; p < 6; ++p)
                if (QString("UAUBUCIAIBIC").mid(2 * p, 2).startsWith(words[0]))
                    (p < 3 ? U[p] : I[p - 3]) = std::polar(words[2].toDouble(), std::arg(p < 3 ? U[p] : I[p - 3]));
    }
    if (form.isEmpty())
        form = wiring == 2 ? "[Ua,Ia][Ub,Ib][Uc,Ic]" : "[Uab,Ia][Ucb,Ic]";

    Built b;
    Z V[3], C[3];
    int n = 0;
    for (auto it = element.globalMatch(form); it.hasNext(); ++n) {
        const auto m = it.next();
        const QString v = m.captured(1);
        V[n] = v.size() == 1 ? U[phase(v[0])] : U[phase(v[0])] - U[phase(v[1])];
        C[n] = (m.captured(2).isEmpty() ? 1.0 : -1.0) * I[phase(m.captured(3)[0])];
    }
    if (fault.contains("b open"))
        V[0] = (U[0] - U[2]) / 2.0, V[1] = -V[0];
    for (int e = 0; e < n; ++e)
        b.registered += b.elementPower[e] = std::real(V[e] * std::conj(C[e])), b.voltAmperes += std::abs(V[e]) * std::abs(C[e]),
            b.registeredQ += std::imag(V[e] * std::conj(C[e]));
    if (wiring == 2)
        for (int p = 0; p < 3; ++p)
            b.correct += std::real(U[p] * std::conj(I[p]));
    else
        b.correct = std::real((U[0] - U[1]) * std::conj(I[0])) + std::real((U[2] - U[1]) * std::conj(I[2]));

    GroupValues &g = b.values;
    g.wiringCode = wiring;
    const int c = wiring == 2 ? 2 : 1; // the reading's last element
    g.voltageA = std::abs(V[0]), g.voltageB = std::abs(V[1]), g.voltageC = std::abs(V[c]);
    g.currentA = std::abs(C[0]), g.currentB = std::abs(C[1]), g.currentC = std::abs(C[c]);
    g.powerAngleA = lagOf(C[0]) - lagOf(V[0]), g.powerAngleB = lagOf(C[1]) - lagOf(V[1]);
    g.powerAngleC = lagOf(C[c]) - lagOf(V[c]);
    g.voltagePhaseAB = lagOf(V[1]) - lagOf(V[0]), g.voltagePhaseCA = lagOf(V[c]) - lagOf(V[0]);
    g.currentPhaseAB = lagOf(C[1]) - lagOf(C[0]), g.currentPhaseCA = lagOf(C[c]) - lagOf(C[0]);
    if (wiring == 1)
        g.voltageB = g.currentB = g.powerAngleB = g.voltagePhaseAB = g.currentPhaseAB = 0;
    for (const QString &part : parts) {
        const QStringList words = part.split(' ');
        if (words[0] == "turns")
            for (int e = 8; e <= 16; ++e)
                g.entry(e) += 360 * words[1].toInt();
        else if (words.value(1) == "by")
            g.entry(words[0].toInt()) += words[2].toDouble();
        else if (part == "zeros")
            g = GroupValues{}, g.wiringCode = wiring;
    }
    g.derivePowers();
    return b;
}

// Every form, spelt by hand: four-wire each voltage order, current order and
// direction (288), three-wire each order of the voltage terminals a, b, c
// with currents Ia and Ic either way round and direction (48).
QStringList everyForm(int wiring)
{
    QStringList forms;
    QString v = "abc";
    do {
        QString i = wiring == 2 ? "abc" : "ac";
        do {
            for (int signs = 0; signs < (wiring == 2 ? 8 : 4); ++signs) {
                QString form;
                for (int e = 0; e < i.size(); ++e)
                    form += QString("[U%1,%2I%3]").arg(wiring == 2 ? QString(v[e]) : QString(v[2 * e]) + v[1],
                                                      signs >> e & 1 ? "-" : "", i.mid(e, 1));
                forms << form;
            }
        } while (std::next_permutation(i.begin(), i.end()));
    } while (std::next_permutation(v.begin(), v.end()));
    return forms;
}

// Four-wire forms read alike under a→b→c: named with element 1 on Ua.
QString relabelled(QString form)
{
    const int shift = phase(form[2]);
    for (QChar &c : form)
        if (c >= 'a' && c <= 'c')
            c = QChar('a' + (phase(c) - shift + 3) % 3);
    return form;
}

// The form once the steps to change on site are carried out on its leads:
// voltages by element (three-wire: by terminal a, b, c), currents and their
// directions by element. An exchange is two moves; a rotation lists its moves.
QString corrected(int wiring, const QString &form, const QStringList &steps)
{
    QString v, c, sign;
    for (auto it = element.globalMatch(form); it.hasNext();) {
        const auto m = it.next();
        v += wiring == 2 || v.isEmpty() ? m.captured(1) : m.captured(1).left(1);
        sign += m.captured(2).isEmpty() ? '+' : '-', c += m.captured(3);
    }
    static const QRegularExpression place("第([一二三])|([abc])[端、]");
    for (const QString &step : steps) {
        QList<int> p;
        for (auto it = place.globalMatch(step); it.hasNext();) {
            const auto m = it.next();
            p << (m.captured(1).isEmpty() ? phase(m.captured(2)[0]) : QString("一二三").indexOf(m.captured(1)));
        }
        if (step.contains("反接")) {
            sign[p[0]] = sign[p[0]] == '+' ? '-' : '+';
            continue;
        }
        if (step.startsWith("交换"))
            p << p[1] << p[0];
        const QString oldV = v, oldC = c, oldSign = sign;
        for (int i = 0; i + 1 < p.size(); i += 2) {
            if (step.contains("电压线"))
                v[p[i + 1]] = oldV[p[i]];
            else
                c[p[i + 1]] = oldC[p[i]], sign[p[i + 1]] = oldSign[p[i]];
        }
    }
    QString result;
    for (int e = 0; e < c.size(); ++e)
        result += QString("[U%1,%2I%3]").arg(wiring == 2 ? QString(v[e]) : QString(v[2 * e]) + v[1],
                                           sign[e] == '-' ? "-" : "", c.mid(e, 1));
    return result;
}

// A moment's registered power (W, var) for hours into the registers of an
// electronic meter (kWh, kvarh): by the direction of P, and by quadrant.
void accumulate(EnergyRefund::PeriodRegisters &r, double p, double q, double hours)
{
    const int quadrant = p >= 0 ? (q >= 0 ? 0 : 3) : (q >= 0 ? 1 : 2);
    const double add[] = { std::max(p, 0.0), std::max(-p, 0.0), 0, 0, 0, 0 };
    for (int reg = 0; reg < EnergyRefund::RegisterCount; ++reg)
        r.energy[reg] = (std::isnan(r.energy[reg]) ? 0 : r.energy[reg])
            + (reg - EnergyRefund::ReactiveQ1 == quadrant ? std::fabs(q) : add[reg]) * hours / 1000;
}

QStringList findingsOf(const GroupValues &v, LoadWindow window = LoadWindow::Inductive0To60)
{
    QStringList found;
    for (const WiringCheck::Finding &f : WiringCheck::check(v, window))
        found << WiringCheck::severityText(f.severity) + ' ' + f.text;
    return found;
}

const QString clean = "正常 未发现接线异常|正常 电压正相序|正常 电流正相序";
QString negative(char phase) { return QString("|异常 %1相有功功率为负").arg(phase); }
QString oddAngle(char phase) { return QString("|提示 %1相功率因数角异常").arg(phase); }

} // namespace

class WiringCheckTest : public QObject
{
    Q_OBJECT

private slots:
    void everyFormNamed();
    void findings_data();
    void findings();
    void refund();
    void registerEntries_data();
    void registerEntries();
};

void WiringCheckTest::everyFormNamed()
{
    for (int wiring : { 1, 2 }) {
        const QStringList forms = everyForm(wiring);
        QCOMPARE(forms.size(), wiring == 2 ? 288 : 48);
        for (LoadWindow window : loadWindows())
            for (double inside : { 10.0, 23.0, 38.0, 50.0 })
                for (bool unbalanced : { false, true }) {
                    const double phi = windowStart(window) + inside;
                    int stopped = 0;
                    for (const QString &form : forms) {
                        const Built b = build(wiring, phi, form, {}, unbalanced);
                        const Diagnosis d = diagnose(b.values, window);
                        const QString where = QString("%1 at %2 %3").arg(form).arg(phi).arg(unbalanced);
                        QVERIFY2(d.status == Status::Identified
                                     && d.form == (wiring == 2 ? relabelled(form) : form), qPrintable(where + " " + d.form));
                        QVERIFY2(std::fabs(d.loadAngle - phi) < (unbalanced ? 4 : 1e-6), qPrintable(where));
                        // The meter counts as stopped below 0.5% of the sum of U x I.
                        const bool stops = std::fabs(b.registered) < 0.005 * b.voltAmperes;
                        stopped += std::fabs(b.registered) < 1e-6;
                        QVERIFY2(stops ? std::isinf(d.k) : std::fabs(d.k * b.registered / b.correct - 1) < 0.01,
                                 qPrintable(where + " K " + kText(d.k)));
                        const bool correct = d.form == (wiring == 2 ? "[Ua,Ia][Ub,Ib][Uc,Ic]" : "[Uab,Ia][Ucb,Ic]");
                        QCOMPARE(d.correct, correct);
                        QCOMPARE(d.corrections.isEmpty(), correct);
                        QCOMPARE(d.alternatives.size(), 5);
                        const QString fixed = corrected(wiring, form, d.corrections);
                        QVERIFY2((wiring == 2 ? relabelled(fixed) : fixed) == (wiring == 2 ? "[Ua,Ia][Ub,Ib][Uc,Ic]" : "[Uab,Ia][Ucb,Ic]"),
                                 qPrintable(where + " " + d.corrections.join("；") + " " + fixed));
                        // The findings state facts only, and true ones.
                        const QString found = findingsOf(b.values, window).join('|');
                        QVERIFY2(!correct || found == clean, qPrintable(where + found));
                        QVERIFY(!found.contains("可能") && !found.contains("未发现") == !correct);
                        for (int e = 0; e < 3 && wiring == 2; ++e)
                            QCOMPARE(found.contains(negative("ABC"[e]).mid(1)), b.elementPower[e] < -1e-9);
                        if (wiring == 1)
                            QCOMPARE(found.contains("总有功功率为负"), b.registered < -0.005 * b.voltAmperes);
                        // Each other form of the family reads the same at its load angle.
                        for (const Alternative &a : d.alternatives) {
                            if (unbalanced)
                                break;
                            const Built other = build(wiring, a.loadAngle, a.form);
                            for (int entry : { 1, 2, 3, 5, 6, 7, 8, 9, 10, 11, 13 })
                                QVERIFY2(std::fabs(std::remainder(other.values.entry(entry) - b.values.entry(entry), 360)) < 1e-6,
                                         qPrintable(where + " " + a.form));
                            QVERIFY2(std::isinf(a.k) ? std::fabs(other.registered) < 0.005 * other.voltAmperes
                                                    : std::fabs(a.k * other.registered / other.correct - 1) < 0.01,
                                     qPrintable(where + " " + a.form + " K " + kText(a.k)));
                            QVERIFY(std::fmod(a.loadAngle - windowStart(window) + 720, 360) >= 60);
                        }
                    }
                    // Twelve three-wire forms register nothing at any load angle.
                    QVERIFY(wiring == 2 || unbalanced || stopped == 12);
                }
    }
}

void WiringCheckTest::findings_data()
{
    QTest::addColumn<int>("wiring");
    QTest::addColumn<double>("phi");
    QTest::addColumn<int>("window"); // of loadWindows()
    QTest::addColumn<QString>("form");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("expected");  // severity and text of each finding
    QTest::addColumn<QString>("diagnosis"); // form or summary, K, corrections; empty: not compared
    QTest::addColumn<QString>("note");      // the default window's verdict; empty: not compared, "-": none
    const auto row = [](int wiring, double phi, const QString &form, const QString &fault, const QString &expected,
                        const QString &diagnosis = {}, int window = 0, const QString &note = {}) {
        QTest::addRow("%s %g %d %s %s", wiring == 2 ? "3x4" : "3x3", phi, window, qPrintable(form), qPrintable(fault))
            << wiring << phi << window << form << fault << expected << diagnosis << note;
    };
    const QString lostA = "异常 A相失压|提示 电压相序不能判断|正常 电流正相序";
    const QString lostC = "异常 C相失流|正常 电压正相序|提示 电流相序不能判断";
    const QString restoreA = " 恢复A相电压：检查电压线、熔断器和端子", restoreC = " 恢复C相电流：检查电流回路是否开路或被短接";
    const QString swap23 = "交换第二、第三元件的电流线", reverse1 = " 第一元件电流线反接：调换其两端";
    // Each load angle under a window that holds it.
    const std::map<double, int> windows{ { 30.0, 0 }, { -20.0, 2 }, { 75.0, 1 } };
    for (const auto &[phi, w] : windows) {
        for (int wiring : { 2, 1 }) {
            const QString right = wiring == 2 ? "[Ua,Ia][Ub,Ib][Uc,Ic] 1.000" : "[Uab,Ia][Ucb,Ic] 1.000";
            row(wiring, phi, "", "", clean, right, w);
            row(wiring, phi, "", "turns 20", clean, right, w);
            // A supply in negative sequence reads as voltages and currents swapped alike: K stays 1.
            row(wiring, phi, "", "negative sequence", "异常 电压逆相序|正常 电流逆相序",
                wiring == 2 ? "[Ua,Ia][Uc,Ic][Ub,Ib] 1.000 交换第二、第三元件的电压线；" + swap23
                            : "[Ucb,Ic][Uab,Ia] 1.000 交换表尾a、c端的电压线；交换第一、第二元件的电流线", w);
        }
        // Four-wire: the rest registers as before; three-wire: the element left, at phi -+ 30.
        row(2, phi, "", "UA lost", lostA, "A相失压 1.500" + restoreA, w);
        row(2, phi, "", "IC at 0", lostC, "C相失流 1.500" + restoreC, w);
        row(1, phi, "", "UA lost", lostA, QMap<double, QString>{ { 30, "1.500" }, { -20, "2.532" }, { 75, "0.634" } }[phi].prepend("A相失压 ") + restoreA, w);
        row(1, phi, "", "IC at 0", lostC, QMap<double, QString>{ { 30, "3.000" }, { -20, "1.653" }, { 75, "-1.732" } }[phi].prepend("C相失流 ") + restoreC, w);
        row(2, phi, "[Ua,-Ia][Ub,Ib][Uc,Ic]", "", "正常 电压正相序|提示 电流相序不能判断" + negative('A'),
            "[Ua,-Ia][Ub,Ib][Uc,Ic] 3.000" + reverse1, w);
        // B's and C's currents lag their voltages by phi + 120 and phi - 120: 270 at 30 has no power.
        row(2, phi, "[Ua,Ia][Ub,Ic][Uc,Ib]", "", "正常 电压正相序|异常 电流相序与电压相序不一致" + negative('B')
                + (phi < 0 ? negative('C') : oddAngle('C')), "[Ua,Ia][Ub,Ic][Uc,Ib] ∞ " + swap23, w);
        // Three-wire, IA reversed: registers U I sin(phi); K = sqrt(3) / tan(phi).
        row(1, phi, "[Uab,-Ia][Ucb,Ic]", "", "正常 电压正相序|提示 电流相序不能判断" + QString(phi < 0 ? "|异常 总有功功率为负" : ""),
            QMap<double, QString>{ { 30, "3.000" }, { -20, "-4.759" }, { 75, "0.464" } }[phi].prepend("[Uab,-Ia][Ucb,Ic] ") + reverse1, w);
    }
    // The forms the old check passed: K from cos and sin worked out by hand.
    row(1, 60, "[Uca,-Ia][Uba,-Ic]", "", "正常 电压正相序|正常 电流正相序", "[Uca,-Ia][Uba,-Ic] 0.500 电压线轮换：表尾a端的改接到表尾c端，"
        "表尾b端的改接到表尾a端，表尾c端的改接到表尾b端；第一元件电流线反接：调换其两端；第二元件电流线反接：调换其两端", 1);
    row(1, 20, "[Ubc,-Ia][Uac,-Ic]", "", "正常 电压正相序|正常 电流正相序", "[Ubc,-Ia][Uac,-Ic] 5.411 电压线轮换：表尾a端的改接到表尾b端，"
        "表尾b端的改接到表尾c端，表尾c端的改接到表尾a端；第一元件电流线反接：调换其两端；第二元件电流线反接：调换其两端");
    row(1, 20, "[Uab,Ic][Ucb,-Ia]", "", "正常 电压正相序|提示 电流相序不能判断",
        "[Uab,Ic][Ucb,-Ia] 2.379 第二元件电流线反接：调换其两端；交换第一、第二元件的电流线");
    // Every element reads 80 degrees: K = cos 20 / cos 80, or the correct form at 80 under 30 to 90.
    const QString at80 = "[Ua,-Ic][Ub,-Ia][Uc,-Ib]", facts = "正常 电压正相序|正常 电流正相序";
    const QString to80 = " 第一元件电流线反接：调换其两端；第二元件电流线反接：调换其两端；第三元件电流线反接：调换其两端；"
                         "电流线轮换：第一元件的改接到第三元件，第二元件的改接到第一元件，第三元件的改接到第二元件";
    row(2, 20, at80, "", facts, at80 + " 5.411" + to80, 0, "-");
    row(2, 20, at80, "", clean, "[Ua,Ia][Ub,Ib][Uc,Ic] 1.000", 1, "按默认范围（感性 0°～60°）为[Ua,-Ic][Ub,-Ia][Uc,-Ib]（错误接线）");
    row(2, 45, "", "", facts, at80 + " 1.366" + to80, 2, "按默认范围（感性 0°～60°）为正确接线");
    // A range chosen for another installation: correct at 15 reads as the form at 75, K = cos 75 / cos 15.
    row(2, 15, "", "", facts, "[Ua,-Ib][Ub,-Ic][Uc,-Ia] 0.268 第一元件电流线反接：调换其两端；第二元件电流线反接：调换其两端；"
        "第三元件电流线反接：调换其两端；电流线轮换：第一元件的改接到第二元件，第二元件的改接到第三元件，第三元件的改接到第一元件",
        1, "按默认范围（感性 0°～60°）为正确接线");
    // Within 5 degrees of an end of the window, the forms at both ends are named and no change is
    // asked for: correct at exactly 30 under -30 to 30 reads as at80 at -30, both K = 1.
    row(2, 30, "", "", facts, "边界 " + at80 + " 1.000 或 [Ua,Ia][Ub,Ib][Uc,Ic] 1.000", 2, "按默认范围（感性 0°～60°）为正确接线");
    row(2, 25, "", "", facts, "边界 [Ua,Ia][Ub,Ib][Uc,Ic] 1.000 或 " + at80 + " 0.904", 2);
    row(2, 24.9, "", "", clean, "[Ua,Ia][Ub,Ib][Uc,Ic] 1.000", 2, "-");
    // Terminal b open: each coil has half of Uac; K = 2 on a balanced load.
    row(1, 30, "", "b open", "提示 电压相序不能判断|正常 电流正相序", "表尾b端开路（B相电压断线） 2.000 接好表尾b端的电压线");
    row(1, -20, "", "b open", "提示 电压相序不能判断|正常 电流正相序", "表尾b端开路（B相电压断线） 2.000 接好表尾b端的电压线", 2);
    row(2, 30, "", "13 by 40", "提示 电压相序不能判断|正常 电流正相序", "与任何接线形式都不符");
    // UC→IC at exactly 270 has no power and lies beyond -30.
    row(2, 30, "", "10 by 240", "正常 电压正相序|正常 电流正相序" + oddAngle('C'));
    // Three-wire total from reduced angles in exact radians: -85 and 275 alike; next to nothing its own case.
    for (const char *a : { "8 by -145", "8 by 215" }) {
        row(1, 30, "", QString(a) + ", 10 by 95", "正常 电压正相序|正常 电流正相序|提示 总有功功率接近零");
        row(1, 30, "", QString(a) + ", 10 by 100", "正常 电压正相序|正常 电流正相序|异常 总有功功率为负");
    }
    row(1, 90, "", "", "正常 电压正相序|正常 电流正相序|提示 总有功功率接近零");
    // Each ideal angle of either sequence has a window of 15 degrees either side.
    for (int wiring : { 2, 1 })
        for (const QString sequence : { "", "negative sequence, " })
            for (int entry : wiring == 2 ? QList<int>{ 11, 13, 14, 16 } : QList<int>{ 11, 14 })
                for (const char *by : { " by 15", " by -15" })
                    row(wiring, 30, "", sequence + QString::number(entry) + by,
                        sequence.isEmpty() ? clean : "异常 电压逆相序|正常 电流逆相序");
    row(2, 30, "", "13 by 16", "提示 电压相序不能判断|正常 电流正相序");
    // Lost below 10% of the highest voltage, above 10 V; below 2% of the highest current, above 0.05 A.
    row(2, 30, "", "UA at 22", clean);
    row(2, 30, "", "UA at 21.9", lostA);
    row(2, 30, "", "U at 10, UA at 0", "提示 电压相序不能判断|正常 电流正相序", "无电压或无电流，不能判断");
    row(2, 30, "", "U at 10.5, UA at 0", lostA);
    row(2, 30, "", "IC at 0.031", clean);
    row(2, 30, "", "IC at 0.029", lostC);
    row(1, 30, "", "I at 0.05, IA at 0", "正常 电压正相序|提示 电流相序不能判断");
    row(1, 30, "", "I at 0.06, IA at 0", "异常 A相失流|正常 电压正相序|提示 电流相序不能判断");
    // Load angles: -30 to 90 ordinary; beyond -30 while the power is positive, a hint.
    row(2, -30, "", "", "正常 电压正相序|正常 电流正相序", "", 2);
    row(2, -89.5, "", "", "正常 电压正相序|正常 电流正相序" + oddAngle('A') + oddAngle('B') + oddAngle('C'));
    row(2, 89.5, "", "", "正常 电压正相序|正常 电流正相序", "", 1);
    row(2, 90.1, "", "", "正常 电压正相序|正常 电流正相序" + negative('A') + negative('B') + negative('C'));
    row(2, 0, "", "zeros", "提示 电压相序不能判断|提示 电流相序不能判断", "无电压或无电流，不能判断");
    row(0, 0, "", "zeros", "提示 接线方式不明，不能判断", "接线方式不明，不能判断");
}

void WiringCheckTest::findings()
{
    QFETCH(int, wiring);
    QFETCH(double, phi);
    QFETCH(int, window);
    QFETCH(QString, form);
    QFETCH(QString, fault);
    QFETCH(QString, expected);
    QFETCH(QString, diagnosis);
    QFETCH(QString, note);
    const LoadWindow w = loadWindows().at(window);
    const GroupValues v = build(wiring, phi, form, fault).values;
    QCOMPARE(findingsOf(v, w).join('|'), expected);
    const Diagnosis d = diagnose(v, w);
    QString named = (d.status == Status::Identified ? d.form : d.summary)
        + (d.status <= Status::Losses ? ' ' + kText(d.k) : QString()) + ' ' + d.corrections.join("；");
    if (d.atEdge)
        named = QString("边界 %1 %2 或 %3 %4").arg(d.form, kText(d.k), d.rival.form, kText(d.rival.k));
    if (!diagnosis.isEmpty())
        QCOMPARE(named.trimmed(), diagnosis);
    if (!note.isEmpty())
        QCOMPARE(defaultWindowNote(v, diagnose(v, w), w), note == "-" ? QString() : note);
    // What a technician reads: no steps to change while the form is open;
    // a wrong form that registers right at this load angle says so.
    const QString lines = diagnosisLines(d, w, Layout::OneLine).join('|');
    QCOMPARE(lines.contains("更正方法"), !d.atEdge && !d.corrections.isEmpty());
    QCOMPARE(lines.contains("在此负载角下计量正确"), !d.correct && !d.atEdge && kText(d.k) == "1.000");
    for (const Alternative &a : d.alternatives) // a form registering nothing at its load angle
        QVERIFY2(kText(a.k) != "-0.000", qPrintable(a.form));
}

void WiringCheckTest::refund()
{
    using namespace EnergyRefund;
    const Accuracy accuracy;
    QRandomGenerator random(7);
    for (int wiring : { 1, 2 }) {
        int draws = 0, undetermined = 0;
        double widest = 0;
        for (const QString &form : everyForm(wiring)) {
            const std::optional<WiringForms::Form> named = WiringForms::formOf(wiring == 2 ? relabelled(form) : form);
            QVERIFY2(named, qPrintable(form));
            const bool stands = std::abs(WiringForms::registration(*named)) < 1e-9;
            // At a constant load angle the registers give the true energy and today's K, at
            // every angle of each window, through the form the diagnosis names.
            for (LoadWindow window : loadWindows())
                for (int inside = 0; inside < 60; ++inside) {
                    const Built b = build(wiring, windowStart(window) + inside, form);
                    const Diagnosis d = diagnose(b.values, window);
                    PeriodRegisters r;
                    accumulate(r, b.registered, b.registeredQ, 100);
                    const Settlement s = fromRegisters(*WiringForms::formOf(d.form), r, accuracy);
                    const QString where = QString("%1 at %2: %3 K %4").arg(form).arg(windowStart(window) + inside).arg(s.trueEnergy).arg(d.k);
                    QVERIFY2(s.known == !stands, qPrintable(where));
                    QVERIFY2(stands || std::fabs(s.trueEnergy - b.correct / 10) < 1e-9 * b.voltAmperes, qPrintable(where));
                    QVERIFY2(stands || std::isinf(d.k) || std::fabs(s.k - d.k) < 1e-9 * std::max(1.0, std::fabs(d.k)), qPrintable(where));
                }
            // A day of quarter hours, load angle and size changing: the registers against the
            // true energy summed over time.
            PeriodRegisters day;
            double truth = 0;
            for (int quarter = 0; quarter < 96; ++quarter) {
                const double size = 1 + 0.5 * std::cos(quarter * M_PI / 24);
                const Built b = build(wiring, 30 + 25 * std::sin(quarter * M_PI / 48), form);
                accumulate(day, size * b.registered, size * b.registeredQ, 0.25);
                truth += size * b.correct * 0.25 / 1000;
            }
            const Settlement s = fromRegisters(*named, day, accuracy);
            QVERIFY2(s.known == !stands && (stands || std::fabs(s.trueEnergy / truth - 1) < 0.001),
                     qPrintable(QString("%1 day: %2 of %3").arg(form).arg(s.trueEnergy).arg(truth)));
            // Its interval: the corners of the meter's errors, 1% of the active and 2% of the reactive registers.
            double low = HUGE_VAL, high = -HUGE_VAL;
            for (double active : { -0.01, 0.01 })
                for (double reactive : { -0.02, 0.02 }) {
                    const double w = (Z(day.activeNet() + active * day.activeTurnover(),
                                        day.reactiveNet() + reactive * day.reactiveTurnover()) / WiringForms::registration(*named)).real();
                    low = std::min(low, w), high = std::max(high, w);
                }
            const double scale = std::max(std::fabs(low), std::fabs(high));
            QVERIFY2(stands || (std::fabs(s.trueRange.low - low) < 1e-9 * scale && std::fabs(s.trueRange.high - high) < 1e-9 * scale),
                     qPrintable(QString("%1 day: %2 to %3, not %4 to %5").arg(form).arg(s.trueRange.low).arg(s.trueRange.high).arg(low).arg(high)));
            // Errors drawn within the instrument's accuracy: the interval holds the true K.
            for (int draw = 0; draw < 60; ++draw) {
                const Built b = build(wiring, 10 + draw % 3 * 20, form, {}, draw % 2);
                GroupValues measured = b.values;
                for (int e : { 1, 2, 3, 5, 6, 7 })
                    measured.entry(e) *= 1 + accuracy.magnitude / 100 * (2 * random.generateDouble() - 1);
                for (int e : { 8, 9, 10, 11, 13 })
                    measured.entry(e) += accuracy.angle * (2 * random.generateDouble() - 1);
                const Interval k = kInterval(measured, *named, accuracy);
                ++draws;
                if (!k.known()) {
                    ++undetermined;
                    continue;
                }
                const double truth = b.correct / b.registered;
                QVERIFY2(k.low <= truth + 1e-12 && truth - 1e-12 <= k.high, // beyond rounding
                         qPrintable(QString("%1 draw %2: %3 outside %4 to %5").arg(form).arg(draw).arg(truth).arg(k.low).arg(k.high)));
                widest = std::max(widest, (k.high - k.low) / std::fabs(truth));
            }
        }
        // Most readings tell K, the interval no wider than the forms near standing still make it.
        QVERIFY2(undetermined < draws / 4 && widest > 0, qPrintable(QString("%1 of %2").arg(undetermined).arg(draws)));
    }
    QCOMPARE(direction(0.9, { 0.5, 1.3 }), "应补收"); // a range on one side of 0 decides
    // From K: W = K W', its range from K's, ΔW = W - billed with its range.
    const Settlement byK = fromSnapshot(1.5, { 1.4, 1.6 }, 100, 120);
    QCOMPARE(QList<double>({ byK.k, byK.trueEnergy, byK.trueRange.low, byK.trueRange.high, byK.refund, byK.refundRange.low,
                             byK.refundRange.high }),
             QList<double>({ 1.5, 150, 140, 160, 30, 20, 40 }));
    // The correct wiring (c = 1) over a period of 10 kWh, 9.5 billed, no reactive registers (none needed):
    // ΔW 0.5 kWh, ±1% of the 10 registered.
    const GroupValues right = build(2, 30, "[Ua,Ia][Ub,Ib][Uc,Ic]").values;
    PeriodRegisters period;
    period.energy.fill(NotGiven);
    period.energy[ActiveImport] = 10, period.energy[ActiveExport] = 0, period.billed = 9.5;
    QCOMPARE(conclusionSentence(right, diagnose(right), period, accuracy),
             "退补电量：按电能表记录的电量计算，应补收0.50 kWh（ΔW范围0.40～0.60 kWh）。");
    QVERIFY(refundLines(right, diagnose(right), period, accuracy).join('|').contains("电能表有功1级，无功2级"));
    // A form that turns the power needs the reactive registers; the unbalance of small and of no currents.
    const QStringList forms = everyForm(2);
    const auto turning = std::find_if(forms.begin(), forms.end(), [](const QString &form) {
        return std::abs(WiringForms::registration(*WiringForms::formOf(relabelled(form))).imag()) > 1e-9;
    });
    QVERIFY(turning != forms.end()
            && fromRegisters(*WiringForms::formOf(relabelled(*turning)), period, accuracy).reason.contains("须有四个象限的无功电量"));
    GroupValues small = right;
    small.entry(1) = 0.5, small.entry(2) = 0.5, small.entry(3) = 0.8;
    QVERIFY(std::fabs(unbalanceOf(small).current - 1.0 / 3) < 1e-9);
    small.entry(1) = small.entry(2) = small.entry(3) = 0;
    QCOMPARE(unbalanceOf(small).current, 0.0);
    Accuracy loose;
    loose.magnitude = 6;
    QCOMPARE(loose.problem(), "仪表电压、电流准确度应大于0且不超过5%");
    loose.magnitude = 0.5, loose.reactiveClass = 0;
    QCOMPARE(loose.problem(), "电能表准确度等级应大于0且不超过5级");
    // Without registers, K's interval alone: the line of the PDF's (5).
    const GroupValues reversed = build(2, 30, "[Ua,-Ia][Ub,Ib][Uc,Ic]").values;
    QCOMPARE(refundLines(reversed, diagnose(reversed), std::nullopt, accuracy).join('|'),
             "K的范围（仪表准确度角度±1°，电压、电流±0.5%）：K=" + kWithRange(diagnose(reversed).k, kInterval(reversed, *WiringForms::formOf("[Ua,-Ia][Ub,Ib][Uc,Ic]"), accuracy)));
}

void WiringCheckTest::registerEntries_data()
{
    QTest::addColumn<bool>("archived"); // start and end stored as tests, taken back from the archive
    QTest::addColumn<bool>("differences");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("end");
    QTest::addColumn<QString>("billed");
    QTest::addColumn<double>("angle");    // the instrument's accuracy
    QTest::addColumn<QString>("expected"); // W'P W'Q billed, or the problem
    const QString none = ",,,,,";
    QTest::newRow("readings") << false << false << "100,20,50,0,4,10" << "250,30,90,5,4,30" << " 140 " << 1.0 << "140 25 140";
    // From the tests of a meter in an archive file: the last found correct before, to the correction.
    QTest::newRow("from the archive") << true << false << "100,20,50,0,4,10" << "250,30,90,5,4,30" << " 140 " << 1.0 << "140 25 140";
    QTest::newRow("differences, zeros") << false << true << none << "0,0,0,0,0,0" << "" << 1.0 << "0 0 nan";
    QTest::newRow("active alone") << false << true << none << "12.5,0,,,,," << "" << 1.0 << "12.5 nan nan";
    QTest::newRow("nothing") << false << false << none << none << "" << 1.0 << "";
    QTest::newRow("end below start") << false << false << "100,0,,,,," << "99,0,,,,," << "" << 1.0 << "正向有功止码小于起码：电能表示数只增不减，请核对（表计走满一圈时请按差值录入）";
    QTest::newRow("reactive alone") << false << true << none << ",,1,2,3,4" << "" << 1.0 << "只填写了无功电量，未填写有功电量，不能计算：请填写正向、反向有功";
    QTest::newRow("text") << false << false << "100,0,,,,," << "1O0,0,,,,," << "" << 1.0 << "正向有功止码不是数字，请输入数字";
    QTest::newRow("billed text") << false << true << none << "1,0,,,,," << "kWh" << 1.0 << "结算电量不是数字，请输入数字";
    QTest::newRow("export missing") << false << true << none << "1,,,,,," << "" << 1.0 << "正向有功和反向有功须都填写（无电量的填0）";
    QTest::newRow("three quadrants") << false << true << none << "1,0,1,1,1," << "" << 1.0 << "无功四个象限须全部填写（无电量的象限填0）";
    QTest::newRow("negative start") << false << false << "-5,0,,,,," << "10,0,,,,," << "" << 1.0 << "正向有功示数不能为负";
    QTest::newRow("start alone") << false << false << "5,0,,,,," << ",0,,,,," << "" << 1.0 << "正向有功须同时填写起码和止码";
    QTest::newRow("accuracy 0") << false << true << none << none << "" << 0.0 << "仪表角度准确度应大于0°且不超过5°（判定范围边界的余量）";
    QTest::newRow("accuracy past the margin") << false << true << none << none << "" << 5.01 << "仪表角度准确度应大于0°且不超过5°（判定范围边界的余量）";
    QTest::newRow("accuracy at the margin") << false << true << none << none << "" << 5.0 << "";
}

void WiringCheckTest::registerEntries()
{
    QFETCH(bool, differences);
    QFETCH(QString, start);
    QFETCH(QString, end);
    QFETCH(QString, billed);
    QFETCH(double, angle);
    QFETCH(QString, expected);
    QFETCH(bool, archived);
    EnergyRefund::Entries entries{ differences, {}, {}, billed };
    for (int reg = 0; reg < EnergyRefund::RegisterCount; ++reg)
        entries.start[reg] = start.split(',').value(reg), entries.end[reg] = end.split(',').value(reg);
    if (archived) {
        // Found correct, correct, voided, wrong (shown), corrected, correct: only the second's and the
        // fifth's readings make the period.
        QTemporaryDir dir;
        ArchiveConnection archive(dir.filePath("archive.db"));
        QVERIFY(archive.open());
        ArchiveStore store(archive);
        const QString right = "50.0%1 1.5 1.5 1.5 0 220 220 220 2.5 2.5 2.5 24 12 12 24 12 12 2 0";
        const QStringList groups{ right.arg(1), right.arg(2), right.arg(3),
                                  "50 1 1 1 0 100 100 100 20 2 2 24 12 12 24 12 12 2 0", right.arg(5), right.arg(6) };
        int added = 0, known = 0;
        QString meter;
        QVERIFY(store.importFile("visits.dat", groups, &added, &known)
                && store.reviseMeter(QString(), { "A-1", "", "", "M-1", "", "" }, &meter));
        for (int visit = 0; visit < groups.size(); ++visit) {
            Archive::TestDetails test{ meter, QDate(2025, 1 + visit, 1), "", visit == 2, "", {}, {} };
            if (visit == 4)
                test.correctedOn = QDate(2025, 5, 2);
            for (int reg = 0; reg < EnergyRefund::RegisterCount; ++reg)
                test.registers[reg] = (visit == 1 ? start : visit == 4 ? end : "7,7,7,7,7,7").split(',').at(reg).toDouble();
            QVERIFY2(store.reviseTests({ ArchiveStore::readingUid(groups.at(visit)) }, test), qPrintable(store.error()));
        }
        ArchiveQuery query(archive);
        const std::optional<RefundPeriod> period = RefundPeriod::find(query, groups.at(3));
        QVERIFY(period);
        QCOMPARE(period->source(), "档案：起码取自此前最后一次接线正确的检测（2025-02-01）；"
                                   "止码取自接线已更正的检测（2025-05-01，更正日期2025-05-02）。均可修改，结算电量请填写。");
        entries = period->entries;
        entries.billed = billed;
    }
    const EnergyRefund::Parsed parsed = EnergyRefund::parse(entries);
    EnergyRefund::Accuracy accuracy;
    accuracy.angle = angle;
    const GroupValues v = build(2, 30, "[Ua,-Ia][Ub,Ib][Uc,Ic]").values;
    const EnergyRefund::Interval k = EnergyRefund::kInterval(v, *WiringForms::formOf("[Ua,-Ia][Ub,Ib][Uc,Ic]"), accuracy);
    QCOMPARE(k.known(), accuracy.problem().isEmpty()); // no interval from an accuracy refused
    QString found = parsed.problem + accuracy.problem();
    if (const auto &r = parsed.registers)
        found = QString("%1 %2 %3").arg(r->activeNet()).arg(r->reactiveNet()).arg(r->billed);
    QCOMPARE(found, expected);
}

QTEST_GUILESS_MAIN(WiringCheckTest)
#include "tst_wiringcheck.moc"
