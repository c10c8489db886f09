#include "accuracysettings.h"

#include "toolsettings.h"

namespace {

const char *const Keys[] = { "accuracy/angle", "accuracy/magnitude", "accuracy/activeClass", "accuracy/reactiveClass" };

} // namespace

EnergyRefund::Accuracy loadAccuracy()
{
    ToolSettings settings;
    EnergyRefund::Accuracy accuracy;
    double *fields[] = { &accuracy.angle, &accuracy.magnitude, &accuracy.activeClass, &accuracy.reactiveClass };
    EnergyRefund::Accuracy kept = accuracy;
    double *keptFields[] = { &kept.angle, &kept.magnitude, &kept.activeClass, &kept.reactiveClass };
    for (int i = 0; i < 4; ++i)
        *keptFields[i] = settings.value(QLatin1String(Keys[i]), *fields[i]).toDouble();
    return kept.problem().isEmpty() ? kept : accuracy;
}

void saveAccuracy(const EnergyRefund::Accuracy &accuracy)
{
    if (!accuracy.problem().isEmpty())
        return;
    ToolSettings settings;
    const double fields[] = { accuracy.angle, accuracy.magnitude, accuracy.activeClass, accuracy.reactiveClass };
    for (int i = 0; i < 4; ++i)
        settings.setValue(QLatin1String(Keys[i]), fields[i]);
}
