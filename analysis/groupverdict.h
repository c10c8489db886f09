#ifndef GROUPVERDICT_H
#define GROUPVERDICT_H

#include "wiringcheck.h"

#include <QColor>
#include <QString>

struct GroupValues;

// The one-line verdict on the wiring of a group that the overview and the
// table export show for each group: the worst finding of the wiring check,
// or "未发现接线异常" when there is none.
struct Verdict
{
    QString text;
    WiringCheck::Severity severity = WiringCheck::Severity::Normal;
};

Verdict verdictOf(const GroupValues &values);

// Green, orange or red, as the wiring check dialog shows the results.
QColor severityColour(WiringCheck::Severity severity);

#endif // GROUPVERDICT_H
