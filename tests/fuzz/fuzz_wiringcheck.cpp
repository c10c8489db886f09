// A group text to its values and what they tell about the wiring.
#include "wiringcheck.h"
#include "wiringdiagnosis.h"
#include "fuzzcheck.h"
#include "groupvalues.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    GroupValues values;
    if (!values.parse(QString::fromUtf8(fuzzBytes(data, size))))
        return 0;
    const QList<WiringCheck::Finding> findings = WiringCheck::check(values);
    FUZZ_REQUIRE(!findings.isEmpty());
    bool allNormal = true;
    for (const WiringCheck::Finding &finding : findings) {
        FUZZ_REQUIRE(!WiringCheck::findingLine(finding).isEmpty());
        allNormal = allNormal && finding.severity == WiringCheck::Severity::Normal;
    }
    // The verdict stands first exactly when nothing is above 正常 and the
    // diagnosis names the correct form, settled.
    FUZZ_REQUIRE((allNormal && WiringDiagnosis::settledCorrect(WiringDiagnosis::diagnose(values)))
                 == (findings.first().text == QStringLiteral("未发现接线异常")));
    for (const WiringDiagnosis::LoadWindow window : WiringDiagnosis::loadWindows()) {
        const WiringDiagnosis::Diagnosis d = WiringDiagnosis::diagnose(values, window);
        // A form named has its notation and the correct one costs nothing.
        FUZZ_REQUIRE(d.status != WiringDiagnosis::Status::Identified || !d.form.isEmpty());
        FUZZ_REQUIRE(!d.atEdge || (!d.rival.form.isEmpty() && d.rival.form != d.form));
        FUZZ_REQUIRE(!d.correct || !std::isfinite(d.k) || std::abs(d.k - 1) < 1e-6);
        FUZZ_REQUIRE(WiringDiagnosis::reportLines(values, window).size() >= 2);
    }
    return 0;
}
