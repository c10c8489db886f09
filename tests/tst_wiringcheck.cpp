// The wiring check on readings built from phasors placed by hand: each
// installation and fault moves phase voltages and currents, and the
// instrument's fields are the lag angles between them, worked out here with
// complex numbers (three-wire line voltages too), not with the check's rules.

#include "analysis/wiringcheck.h"
#include "view/groupvalues.h"

#include <QtTest>
#include <complex>
#include <map>

namespace {

// A phasor by its size and its lag behind UA in degrees.
struct Phasor { double size, lag; };

std::complex<double> complexOf(Phasor p) { return std::polar(p.size, -qDegreesToRadians(p.lag)); }
double lagOf(std::complex<double> z) { return -qRadiansToDegrees(std::arg(z)); }

// What the instrument reads on a balanced load at load angle phi, with the
// faults applied: phasors moved or resized ("UA at 0", "U at 10": every
// voltage), or fields of the reading changed ("13 by 15": entry 13 plus 15
// degrees, "turns 20": every angle 20 turns on). Angles below 0 come with
// the capacitive load and the three-wire line voltages.
GroupValues reading(int wiring, double phi, const QString &fault)
{
    const double u = wiring == 2 ? 220 : 100 / std::sqrt(3.0);
    Phasor ua{ u, 0 }, ub{ u, 120 }, uc{ u, 240 }, ia{ 1.5, phi }, ib{ 1.5, 120 + phi }, ic{ 1.5, 240 + phi };
    const std::map<QString, Phasor *> named{ { "UA", &ua }, { "UB", &ub }, { "UC", &uc },
                                             { "IA", &ia }, { "IB", &ib }, { "IC", &ic } };
    const QStringList parts = fault.split(", ");
    for (const QString &part : parts) {
        const QStringList words = part.split(' ');
        if (part == "IA reversed")
            ia.lag += 180;
        else if (part == "IB IC swapped")
            std::swap(ib, ic);
        else if (part == "negative sequence")
            std::swap(ub, uc), std::swap(ib, ic);
        else if (part == "UA lost") // its terminal floats to the common point
            ua = wiring == 2 ? Phasor{ 0, 0 } : ub;
        else if (words.value(1) == "at")
            for (const auto &[name, phasor] : named)
                if (name.startsWith(words[0]))
                    phasor->size = words[2].toDouble();
    }
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
    for (const QString &part : parts) {
        const QStringList words = part.split(' ');
        if (words[0] == "turns")
            for (int e = 8; e <= 16; ++e)
                v.entry(e) += 360 * words[1].toInt();
        else if (words.value(1) == "by")
            v.entry(words[0].toInt()) += words[2].toDouble();
        else if (part == "zeros")
            v = GroupValues{}, v.wiringCode = wiring;
    }
    v.derivePowers();
    return v;
}

const QString clean = "正常 未发现接线异常|正常 电压正相序|正常 电流正相序";
QString negative(char phase) { return QString("|异常 %1相有功功率为负：电流极性可能接反，或该相反向送电").arg(phase); }
QString oddAngle(char phase) { return QString("|提示 %1相功率因数角异常，可能电流接错相").arg(phase); }

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
            row(wiring, phi, "IC at 0", "异常 C相失流|正常 电压正相序|提示 电流相序不能判断");
            row(wiring, phi, "turns 20", clean);
        }
        row(2, phi, "IA reversed", "正常 电压正相序|提示 电流相序不能判断" + negative('A'));
        // Swapped, C's current lags its voltage by phi - 120: 270 (no power), 220, 315.
        row(2, phi, "IB IC swapped", "正常 电压正相序|异常 电流相序与电压相序不一致，可能有两相电流互换" + negative('B')
                                         + (phi == 30 ? "" : phi < 0 ? negative('C') : oddAngle('C')));
        // Three-wire with IA reversed: the total is U I sin(phi), negative only when capacitive.
        row(1, phi, "IA reversed",
            "正常 电压正相序|提示 电流相序不能判断"
                + QString(phi < 0 ? "|异常 总有功功率为负：电流极性可能接反，或反向送电" : ""));
    }
    // Each ideal angle of either sequence has a window of 15 degrees either side.
    for (int wiring : { 2, 1 })
        for (const QString sequence : { "", "negative sequence, " })
            for (int entry : wiring == 2 ? QList<int>{ 11, 13, 14, 16 } : QList<int>{ 11, 14 })
                for (const char *by : { " by 15", " by -15" })
                    row(wiring, 30, sequence + QString::number(entry) + by,
                        sequence.isEmpty() ? clean : "异常 电压逆相序|正常 电流逆相序");
    row(2, 30, "13 by 16", "提示 电压相序不能判断|正常 电流正相序");
    // Lost below 10% of the highest voltage, above 10 V; below 2% of the highest current, above 0.05 A.
    const QString lostA = "异常 A相失压|提示 电压相序不能判断|正常 电流正相序";
    row(2, 30, "UA at 22", clean);
    row(2, 30, "UA at 21.9", lostA);
    row(2, 30, "U at 10, UA at 0", "提示 电压相序不能判断|正常 电流正相序");
    row(2, 30, "U at 10.5, UA at 0", lostA);
    row(2, 30, "IC at 0.031", clean);
    row(2, 30, "IC at 0.029", "异常 C相失流|正常 电压正相序|提示 电流相序不能判断");
    row(1, 30, "I at 0.05, IA at 0", "正常 电压正相序|提示 电流相序不能判断");
    row(1, 30, "I at 0.06, IA at 0", "异常 A相失流|正常 电压正相序|提示 电流相序不能判断");
    // Load angles: -30 to 90 ordinary; beyond -30 while the power is positive, a hint.
    row(2, -30, "", clean);
    row(2, -89.5, "", "正常 电压正相序|正常 电流正相序" + oddAngle('A') + oddAngle('B') + oddAngle('C'));
    row(2, 90, "", clean);
    row(2, 90.1, "", "正常 电压正相序|正常 电流正相序" + negative('A') + negative('B') + negative('C'));
    row(1, 90, "", clean); // the total of both elements: a few hundredths of a watt
    row(2, 0, "zeros", "提示 电压相序不能判断|提示 电流相序不能判断");
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
