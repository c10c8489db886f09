// The wiring check on readings built from phasors placed by hand: each
// installation and fault moves phase voltages and currents, and the
// instrument's fields are the lag angles between them, worked out here with
// complex numbers (three-wire line voltages too), not with the check's rules.

#include "analysis/wiringcheck.h"
#include "view/groupvalues.h"

#include <QtTest>
#include <complex>

namespace {

// A phasor by its size and its lag behind UA in degrees.
struct Phasor { double size, lag; };

std::complex<double> complexOf(Phasor p) { return std::polar(p.size, -qDegreesToRadians(p.lag)); }
double lagOf(std::complex<double> z) { return -qRadiansToDegrees(std::arg(z)); }

// What the instrument reads on a balanced load at load angle phi, with
// the fault applied.
GroupValues reading(int wiring, double phi, const QString &fault)
{
    const double u = wiring == 2 ? 220 : 100 / std::sqrt(3.0), i = fault == "low current" ? 0.05 : 1.5;
    Phasor ua{ u, 0 }, ub{ u, 120 }, uc{ u, 240 }, ia{ i, phi }, ib{ i, 120 + phi }, ic{ i, 240 + phi };
    if (fault == "IA reversed")
        ia.lag += 180;
    else if (fault == "IB IC swapped")
        std::swap(ib, ic);
    else if (fault == "negative sequence")
        std::swap(ub, uc), std::swap(ib, ic);
    else if (fault == "UA lost") // its terminal floats to the common point
        ua = wiring == 2 ? Phasor{ 0, 0 } : ub;
    else if (fault == "IC lost" || fault == "low current")
        (fault == "IC lost" ? ic : ia).size = 0;
    else if (fault == "low voltage")
        ua.size = 0, ub.size = uc.size = 10;
    else if (fault == "UA at 10%")
        ua.size = u / 10;
    else if (fault.startsWith("UB turned by "))
        ub.lag += fault.mid(13).toDouble();

    GroupValues v;
    v.wiringCode = wiring;
    if (wiring == 2) {
        v.voltageA = ua.size, v.voltageB = ub.size, v.voltageC = uc.size;
        v.currentA = ia.size, v.currentB = ib.size, v.currentC = ic.size;
        v.powerAngleA = ia.lag - ua.lag, v.powerAngleB = ib.lag - ub.lag, v.powerAngleC = ic.lag - uc.lag;
        v.voltagePhaseAB = ub.lag - ua.lag, v.voltagePhaseBC = uc.lag - ub.lag, v.voltagePhaseCA = uc.lag - ua.lag;
        v.currentPhaseAB = ib.lag - ia.lag, v.currentPhaseBC = ic.lag - ib.lag, v.currentPhaseCA = ic.lag - ia.lag;
    } else if (wiring == 1) {
        const auto uab = complexOf(ua) - complexOf(ub), ucb = complexOf(uc) - complexOf(ub);
        v.voltageA = std::abs(uab), v.voltageC = std::abs(ucb), v.currentA = ia.size, v.currentC = ic.size;
        v.powerAngleA = ia.lag - lagOf(uab), v.powerAngleC = ic.lag - lagOf(ucb);
        v.voltagePhaseCA = lagOf(ucb) - lagOf(uab), v.currentPhaseCA = ic.lag - ia.lag;
    }
    if (fault.startsWith("turns "))
        for (int e = 8; e <= 16; ++e)
            v.entry(e) += 360 * fault.mid(6).toInt();
    if (fault == "zeros")
        v = GroupValues{}, v.wiringCode = wiring;
    v.derivePowers();
    return v;
}

const QString clean = "正常 未发现接线异常|正常 电压正相序|正常 电流正相序";
const QString negativeA = "|异常 A相有功功率为负：电流极性可能接反，或该相反向送电";

} // namespace

class WiringCheckTest : public QObject
{
    Q_OBJECT

private slots:
    void findings_data();
    void findings();
};

void WiringCheckTest::findings_data()
{
    QTest::addColumn<int>("wiring");
    QTest::addColumn<double>("phi");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("expected"); // severity and text of each finding
    const auto row = [](int wiring, double phi, const QString &fault, const QString &expected) {
        QTest::addRow("%s %g %s", wiring == 2 ? "3x4" : "3x3", phi, qPrintable(fault))
            << wiring << phi << fault << expected;
    };
    for (double phi : { 30.0, -20.0, 75.0 }) {
        for (int wiring : { 2, 1 }) {
            row(wiring, phi, "", clean);
            row(wiring, phi, "negative sequence", "异常 电压逆相序|正常 电流逆相序");
            row(wiring, phi, "UA lost", "异常 A相失压|提示 电压相序不能判断|正常 电流正相序");
            row(wiring, phi, "IC lost", "异常 C相失流|正常 电压正相序|提示 电流相序不能判断");
            row(wiring, phi, "turns 2", clean);
            row(wiring, phi, "turns -1", clean);
        }
        row(2, phi, "IA reversed", "正常 电压正相序|提示 电流相序不能判断" + negativeA);
        // Swapped, C's current lags its voltage by phi - 120: 270 (no power), 220, 315.
        row(2, phi, "IB IC swapped",
            "正常 电压正相序|异常 电流相序与电压相序不一致，可能有两相电流互换|异常 B相有功功率为负：电流极性可能接反，或该相反向送电"
                + QString(phi == 30 ? "" : phi < 0 ? "|异常 C相有功功率为负：电流极性可能接反，或该相反向送电"
                                                    : "|提示 C相功率因数角异常，可能电流接错相"));
        // Three-wire with IA reversed: the total is U I sin(phi), negative only when capacitive.
        row(1, phi, "IA reversed",
            "正常 电压正相序|提示 电流相序不能判断"
                + QString(phi < 0 ? "|异常 总有功功率为负：电流极性可能接反，或反向送电" : ""));
    }
    row(2, 30, "UA at 10%", clean);
    row(2, 30, "low voltage", "提示 电压相序不能判断|正常 电流正相序");
    row(1, 30, "low current", "正常 电压正相序|提示 电流相序不能判断");
    row(2, 30, "UB turned by 15", clean);
    row(2, 30, "UB turned by -16", "提示 电压相序不能判断|正常 电流正相序");
    row(2, -30, "", clean);
    row(2, -31, "", "正常 电压正相序|正常 电流正相序|提示 A相功率因数角异常，可能电流接错相"
                    "|提示 B相功率因数角异常，可能电流接错相|提示 C相功率因数角异常，可能电流接错相");
    row(2, 90, "", clean);
    row(2, 90.1, "", "正常 电压正相序|正常 电流正相序" + negativeA
                     + QString(negativeA).replace('A', 'B') + QString(negativeA).replace('A', 'C'));
    row(2, 0, "zeros", "提示 电压相序不能判断|提示 电流相序不能判断");
    row(1, 0, "zeros", "提示 电压相序不能判断|提示 电流相序不能判断");
    row(0, 0, "zeros", "提示 接线方式不明，不能判断");
}

void WiringCheckTest::findings()
{
    QFETCH(int, wiring);
    QFETCH(double, phi);
    QFETCH(QString, fault);
    QFETCH(QString, expected);
    QStringList found;
    for (const WiringCheck::Finding &f : WiringCheck::check(reading(wiring, phi, fault)))
        found << WiringCheck::severityText(f.severity) + ' ' + f.text;
    QCOMPARE(found.join('|'), expected);
}

QTEST_GUILESS_MAIN(WiringCheckTest)
#include "tst_wiringcheck.moc"
