// A group text to its values and what they tell about the wiring.
#include "analysis/wiringcheck.h"
#include "fuzzcheck.h"
#include "view/groupvalues.h"

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
    // The verdict stands first exactly when nothing is above 正常.
    FUZZ_REQUIRE(allNormal == (findings.first().text == QStringLiteral("未发现接线异常")));
    // The diagnosis of analysis/wiringdiagnosis joins here: diagnose(values, window)
    // for each load window, its list never empty either.
    return 0;
}
