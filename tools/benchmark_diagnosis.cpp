// Measures the wiring diagnosis of one group on this machine and prints the
// median time of many: the diagnosis alone (every form of the system
// matched, K and the family's other forms) and all that the 接线检查 dialog
// and the PDF's section (5) ask of it (the diagnosis with the check's
// findings), and the diagnosis with K's interval over the instrument's
// accuracy, as 总览 shows it. Four-wire and three-wire groups alternate.
// Then the interval's widths: every form of each system on a balanced
// reading at each whole degree of the default window, the median and the
// widest of (high - low) / K where the reading tells K.
//
//   benchmark_diagnosis [runs]
//
// Run it on demand; nothing here is a pass/fail test.

#include "benchmarkdata.h"
#include "energyrefund.h"
#include "wiringforms.h"
#include "wiringdiagnosis.h"
#include "groupvalues.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

// The median time of one call in microseconds, over runs calls on varied groups.
template<typename Work>
double medianMicroseconds(const std::vector<GroupValues> &groups, int runs, Work work)
{
    std::vector<double> times;
    times.reserve(runs);
    QElapsedTimer timer;
    for (int i = 0; i < runs; ++i) {
        const GroupValues &values = groups[i % groups.size()];
        timer.start();
        work(values);
        times.push_back(timer.nsecsElapsed() / 1000.0);
    }
    std::nth_element(times.begin(), times.begin() + runs / 2, times.end());
    return times[runs / 2];
}

// A balanced reading of the form at load angle phi, as the instrument gives
// it: the elements' sizes and lags from the form's own phasors.
GroupValues readingOf(const WiringForms::Form &form, double phi)
{
    WiringForms::Phasors u{}, i{};
    WiringForms::elementPhasors(form, phi, u, i);
    const auto lag = [](WiringForms::Phasor z) { return -std::arg(z) * 180 / M_PI; };
    GroupValues v;
    const bool four = form.system == WiringForms::System::FourWire;
    v.wiringCode = four ? 2 : 1;
    const int last = four ? 2 : 1;
    v.voltageA = 100 * std::abs(u[0]), v.voltageC = 100 * std::abs(u[last]);
    v.currentA = std::abs(i[0]), v.currentC = std::abs(i[last]);
    v.powerAngleA = lag(i[0]) - lag(u[0]), v.powerAngleC = lag(i[last]) - lag(u[last]);
    v.voltagePhaseCA = lag(u[last]) - lag(u[0]);
    if (four) {
        v.voltageB = 100 * std::abs(u[1]), v.currentB = std::abs(i[1]);
        v.powerAngleB = lag(i[1]) - lag(u[1]), v.voltagePhaseAB = lag(u[1]) - lag(u[0]);
    }
    return v;
}

void printWidths(WiringForms::System system, const char *name)
{
    const EnergyRefund::Accuracy accuracy;
    std::vector<double> widths;
    int undetermined = 0, stopped = 0, nearZero = 0;
    double widestNearZero = 0;
    for (const WiringForms::Form &form : WiringForms::forms(system))
        for (int phi = 0; phi < 60; ++phi) {
            const GroupValues v = readingOf(form, phi);
            const WiringDiagnosis::Diagnosis d = WiringDiagnosis::diagnose(v);
            if (!std::isfinite(d.k)) {
                ++stopped;
                continue;
            }
            const EnergyRefund::Interval k = EnergyRefund::kInterval(v, form, accuracy);
            if (!k.known()) {
                ++undetermined;
                continue;
            }
            // Near K = 0 a width relative to K says nothing: counted apart.
            if (std::fabs(d.k) < 0.1)
                ++nearZero, widestNearZero = std::max(widestNearZero, k.high - k.low);
            else
                widths.push_back((k.high - k.low) / std::fabs(d.k));
        }
    std::sort(widths.begin(), widths.end());
    std::printf("%s, K's interval at %s: median width %.1f%% of K, 90%% of readings within %.1f%%, widest %.0f%% "
                "(%zu readings with |K| >= 0.1; %d below, widest there %.3f; %d undetermined, %d stopped)\n",
                name, qPrintable(accuracy.instrumentText()), 100 * widths[widths.size() / 2],
                100 * widths[widths.size() * 9 / 10], 100 * widths.back(), widths.size(), nearZero, widestNearZero,
                undetermined, stopped);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = std::max(1, argc > 1 ? QByteArray(argv[1]).toInt() : 10000);
    std::vector<GroupValues> groups(60);
    for (size_t i = 0; i < groups.size(); ++i)
        groups[i].parse(benchmarkGroup(int(i)));

    double sink = 0;
    const double alone = medianMicroseconds(groups, runs, [&](const GroupValues &v) {
        sink += WiringDiagnosis::diagnose(v).k;
    });
    const double lines = medianMicroseconds(groups, runs, [&](const GroupValues &v) {
        sink += WiringDiagnosis::reportLines(v, WiringDiagnosis::LoadWindow::Inductive0To60).size();
    });
    const EnergyRefund::Accuracy accuracy;
    const double withRange = medianMicroseconds(groups, runs, [&](const GroupValues &v) {
        sink += EnergyRefund::kRangeText(v, WiringDiagnosis::diagnose(v), accuracy).size();
    });
    EnergyRefund::PeriodRegisters registers;
    registers.energy = { 1200, 30, 400, 10, 5, 60 };
    registers.billed = 1170;
    const double refund = medianMicroseconds(groups, runs, [&](const GroupValues &v) {
        const WiringDiagnosis::Diagnosis d = WiringDiagnosis::diagnose(v);
        sink += WiringDiagnosis::reportLines(v, WiringDiagnosis::LoadWindow::Inductive0To60).size()
            + EnergyRefund::refundLines(v, d, registers, accuracy).size();
    });
    std::printf("diagnosis of one group (median of %d): %.1f us\n", runs, alone);
    std::printf("diagnosis with K's interval, as 总览 shows it: %.1f us\n", withRange);
    std::printf("diagnosis and findings of one group, as the dialog and the PDF ask: %.1f us\n", lines);
    std::printf("as a share of 100 ms (a click): %.4f%%\n", lines / 1000.0);
    std::printf("the same with the refund from registers and K with their intervals, as the PDF with registers: %.1f us\n",
                refund);
    printWidths(WiringForms::System::FourWire, "four-wire");
    printWidths(WiringForms::System::ThreeWire, "three-wire");
    return sink == 42.4242 ? 1 : 0; // keeps the work from being left out
}
