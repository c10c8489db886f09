#include "groupverdict.h"

#include "groupsummary.h"
#include "wiringdiagnosis.h"

#include <QCoreApplication>

Verdict verdictOf(const GroupValues &values)
{
    // The form and what it costs, where the readings name one.
    const WiringDiagnosis::Diagnosis diagnosis = WiringDiagnosis::diagnose(values);
    if (diagnosis.atEdge) {
        const auto candidate = [](const QString &form, double k) {
            return QCoreApplication::translate("GroupVerdict", "%1，K=%2").arg(form, WiringDiagnosis::kText(k));
        };
        return { QCoreApplication::translate("GroupVerdict", "负载角接近判定范围边界：%1或%2")
                     .arg(candidate(diagnosis.form, diagnosis.k), candidate(diagnosis.rival.form, diagnosis.rival.k)),
                 WiringCheck::Severity::Hint };
    }
    if (diagnosis.status == WiringDiagnosis::Status::Identified) {
        QString text = QCoreApplication::translate("GroupVerdict", "%1，K=%2")
                           .arg(diagnosis.form, WiringDiagnosis::kText(diagnosis.k));
        const QString meaning = WiringDiagnosis::kMeaning(diagnosis.k);
        if (!meaning.isEmpty())
            text += QCoreApplication::translate("GroupVerdict", "（%1）").arg(meaning);
        return { text, diagnosis.correct ? WiringCheck::Severity::Normal : WiringCheck::Severity::Fault };
    }
    // Else the first of the most severe findings: the check lists them in
    // the order a technician looks (lost phases before sequences and angles).
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

Verdict verdictOf(const std::optional<GroupValues> &values)
{
    return values ? verdictOf(*values) : Verdict{ incompleteGroupText(), WiringCheck::Severity::Hint };
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
