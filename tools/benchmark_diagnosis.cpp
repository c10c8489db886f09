// Measures the wiring diagnosis of one group on this machine and prints the
// median time of many: the diagnosis alone (every form of the system
// matched, K and the family's other forms) and all that the 接线检查 dialog
// and the PDF's section (5) ask of it (the diagnosis with the check's
// findings). Four-wire and three-wire groups alternate.
//
//   benchmark_diagnosis [runs]
//
// Run it on demand; nothing here is a pass/fail test.

#include "benchmarkdata.h"
#include "wiringdiagnosis.h"
#include "groupvalues.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
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
    std::printf("diagnosis of one group (median of %d): %.1f us\n", runs, alone);
    std::printf("diagnosis and findings of one group, as the dialog and the PDF ask: %.1f us\n", lines);
    std::printf("as a share of 100 ms (a click): %.4f%%\n", lines / 1000.0);
    return sink == 42.4242 ? 1 : 0; // keeps the work from being left out
}
