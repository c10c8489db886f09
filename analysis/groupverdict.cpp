#include "groupverdict.h"

Verdict verdictOf(const GroupValues &values)
{
    // The first of the most severe findings: the check lists them in the
    // order a technician looks (lost phases before sequences and angles).
    const QList<WiringCheck::Finding> findings = WiringCheck::check(values);
    Verdict verdict;
    bool found = false;
    for (const WiringCheck::Finding &finding : findings) {
        if (!found || finding.severity > verdict.severity) {
            verdict = { finding.text, finding.severity };
            found = true;
        }
    }
    return verdict;
}

QColor severityColour(WiringCheck::Severity severity)
{
    switch (severity) {
    case WiringCheck::Severity::Normal:
        return QColor(0, 128, 0);
    case WiringCheck::Severity::Hint:
        return QColor(192, 96, 0);
    case WiringCheck::Severity::Fault:
        break;
    }
    return QColor(200, 0, 0);
}
